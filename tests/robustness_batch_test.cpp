// The batch front end under faults: journals and scripts that cannot be read,
// standard output that fails, memory that runs out, hostile script text.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "batch/Batch.h"
#include "framework/Results.h"
#include "journal/CTervoDoc.h"
#include "support/Files.h"
#include "support/MemoryLimit.h"
#include "support/ScriptRun.h"

namespace mirto {
namespace {

using test::ReadBytes;
using test::TempDir;
using test::WithoutFilePrivileges;
using test::WriteBytes;

constexpr const char* kCalculation = "command 32804\nok 10; 1\n";

struct BatchRun {
  int status = 0;
  std::string out, err;
};

BatchRun Batch(std::vector<std::string> args) {
  std::vector<const char*> argv;
  for (const std::string& a : args) argv.push_back(a.c_str());
  std::ostringstream out, err;
  BatchRun r;
  r.status = BatchMain(static_cast<int>(argv.size()), argv.data(), out, err);
  r.out = out.str();
  r.err = err.str();
  return r;
}

int Blocks(const std::string& journal) {
  int blocks = 0;
  for (std::size_t at = 0; (at = journal.find("*********\n", at)) != std::string::npos; ++at) ++blocks;
  return blocks;
}

struct FileState {
  std::string bytes;
  ino_t inode;
  mode_t mode;
  uid_t owner;
  bool operator==(const FileState&) const = default;
};

FileState State(const std::string& path) {
  struct stat st {};
  ::lstat(path.c_str(), &st);
  return {ReadBytes(path), st.st_ino, st.st_mode, st.st_uid};
}

// ---- A starting journal that cannot be read --------------------------------------

TEST(RobustBatchJournal, AStartingJournalNotReadCompletelyLeavesEveryFileAsItWas) {
  TempDir dir;
  ::chmod(dir.path().c_str(), 0777);
  WriteBytes(dir / "probe", "", 0444);
  if (!WithoutFilePrivileges::Binds(dir / "probe")) GTEST_SKIP() << "permission bits do not bind here";
  WriteBytes(dir / "script.mirto", kCalculation);
  WriteBytes(dir / "unreadable", "secret\n", 0600);
  WriteBytes(dir / "write-only", "secret\n", 0622);
  WriteBytes(dir / "out", "kept\n", 0666);
  ::mkdir((dir / "folder").c_str(), 0755);
  struct Case {
    const char* name;
    std::string journal, output;
  } cases[] = {
      {"an unreadable journal saved over itself", dir / "unreadable", dir / "unreadable"},
      {"a write-only journal saved over itself", dir / "write-only", dir / "write-only"},
      {"a folder as journal", dir / "folder", dir / "out"},
      {"a missing journal", dir / "missing", dir / "out"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::vector<std::string> names = dir.Names();
    const FileState before = State(c.output);
    BatchRun r;
    {
      WithoutFilePrivileges guard;
      r = Batch({dir / "script.mirto", "--journal", c.journal, "-o", c.output});
    }
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find(c.journal), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("no journal was written"), std::string::npos) << r.err;
    EXPECT_TRUE(State(c.output) == before);
    EXPECT_EQ(dir.Names(), names);
  }
}

// Reads that fail once `g_readBudget` bytes were delivered.
long long g_readBudget = 0;
ssize_t FailingRead(int fd, void* data, std::size_t size) {
  if (g_readBudget <= 0) {
    errno = EIO;
    return -1;
  }
  const ssize_t n = ::read(fd, data, std::min<std::size_t>(size, static_cast<std::size_t>(g_readBudget)));
  if (n > 0) g_readBudget -= n;
  return n;
}

TEST(RobustJournalRead, AFileThatWasNotReadCompletelyIsNeverSavedOver) {
  TempDir dir;
  std::string bytes;
  for (int i = 0; i < 1000; ++i) bytes += "line " + std::to_string(i) + "\n";
  WriteBytes(dir / "journal.txt", bytes);
  ::symlink("journal.txt", (dir / "link").c_str());
  test::Session s;
  g_readBudget = 3000;
  const FileResult read = s.doc.OnOpenDocument(dir / "journal.txt", &FailingRead);
  EXPECT_FALSE(read.ok);
  EXPECT_NE(read.message.find("Input/output error"), std::string::npos) << read.message;
  EXPECT_GT(s.doc.GetJournal().size(), 2u);  // the lines read so far stay
  for (const std::string& name : {dir / "journal.txt", dir / "link"}) {
    const FileResult r = s.doc.OnSaveDocument(name);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("was not read completely"), std::string::npos) << r.message;
  }
  EXPECT_EQ(ReadBytes(dir / "journal.txt"), bytes);
  EXPECT_TRUE(s.doc.OnSaveDocument(dir / "other.txt").ok);
  // Read again in full, it may be saved over.
  ASSERT_TRUE(s.doc.OnOpenDocument(dir / "journal.txt").ok);
  EXPECT_TRUE(s.doc.OnSaveDocument(dir / "journal.txt").ok);
}

// ---- Scripts that cannot be read --------------------------------------------------

TEST(RobustBatchScript, AScriptThatCannotBeOpenedIsAnErrorAndNoJournalIsWritten) {
  TempDir dir;
  ::mkdir((dir / "folder").c_str(), 0755);
  struct Case {
    std::string script;
    const char* why;
  } cases[] = {
      {dir / "folder", "it is a folder"},
      {"/dev/zero", "it is a device"},
      {dir / "missing.mirto", "No such file or directory"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    BatchRun r = Batch({c.script, "-o", dir / "out"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err.rfind(c.script + ": error: ", 0), 0u) << r.err;
    EXPECT_NE(r.err.find(c.why), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("no journal was written"), std::string::npos) << r.err;
    EXPECT_FALSE(std::ifstream(dir / "out").good());
  }
}

TEST(RobustBatchScript, AReadErrorInTheMiddleStopsTheRunWithStatusOne) {
  TempDir dir;
  std::string script;
  for (int i = 0; i < 30; ++i) script += kCalculation;
  WriteBytes(dir / "script.mirto", script);
  // Fails inside the 11th calculation, in the middle of its "ok" line.
  const long long cut = 10 * static_cast<long long>(std::string(kCalculation).size()) + 17;
  for (long long budget : {0LL, cut}) {
    SCOPED_TRACE(budget);
    const int fd = ::open((dir / "script.mirto").c_str(), O_RDONLY);
    ASSERT_GE(fd, 0);
    ScriptFile file(fd, &FailingRead);
    ScriptSource source(file, "script.mirto");
    std::ostringstream err;
    BatchHost host(source, err);
    CTervoDoc doc(host);
    doc.OnNewDocument();
    g_readBudget = budget;
    EXPECT_EQ(RunScript(doc, source, host), kBatchFileError);
    ::close(fd);
    const std::string line = budget == 0 ? "1" : "22";
    EXPECT_EQ(err.str(), "script.mirto:" + line + ": error: cannot read the script: Input/output error\n");
    EXPECT_EQ(doc.GetJournal().size(), 2u + (budget == 0 ? 0u : 10u * 8u));
  }
}

TEST(RobustBatchScript, AByteOrderMarkAtTheStartIsSkipped) {
  test::ScriptResult r = test::RunScript(std::string("\xEF\xBB\xBF") + kCalculation);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.appended.size(), 8u);
  // Only at the start: elsewhere it is part of the statement.
  r = test::RunScript(std::string(kCalculation) + "\xEF\xBB\xBFnew\n");
  EXPECT_EQ(r.status, 2);
}

// ---- Standard output --------------------------------------------------------------

TEST(RobustBatchOutput, AJournalThatCannotBeWrittenToStandardOutputIsReported) {
  const char* bin = std::getenv("MIRTO_BIN");
  if (!bin) GTEST_SKIP() << "MIRTO_BIN is not set";
  TempDir dir;
  WriteBytes(dir / "script.mirto", kCalculation);
  const std::string command =
      std::string("'") + bin + "' --batch '" + dir / "script.mirto" + "' > /dev/full 2> '" + dir / "err" + "'";
  const int rc = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(rc));
  EXPECT_EQ(WEXITSTATUS(rc), 1);
  EXPECT_EQ(ReadBytes(dir / "err"),
            "mirto: error: cannot write the journal to standard output: No space left on device\n");
}

// ---- Messages ---------------------------------------------------------------------

TEST(RobustBatchMessages, StatementsAreNamedAndQuotedTextIsShortAndEscaped) {
  const std::string huge(20'000'000, 'v');
  struct Case {
    const char* name;
    std::string script;
    std::string error;  // the whole error line
  } cases[] = {
      {"open without a path", "open\n", "test:1: error: open needs the path of a journal file"},
      {"save without a path", "save  \n", "test:1: error: save needs the path of a file"},
      {"command without an argument", "command\n", "test:1: error: command needs a command id or a menu path"},
      {"new with something after it", "new extra\n", "test:1: error: new takes nothing after it, found \"extra\""},
      {"a huge verb", huge + "\n",
       "test:1: error: unknown statement \"" + std::string(40, 'v') + "..." + std::string(20, 'v') + "\""},
      {"escape bytes", "\x1b[2J\x7f\xc3\xa4\xff\\\n",
       "test:1: error: unknown statement \"\\x1B[2J\\x7F\xc3\xa4\\xFF\\\\\""},
      {"a huge command", "command " + huge + "\n",
       "test:1: error: no command \"" + std::string(40, 'v') + "..." + std::string(20, 'v') + "\""},
      {"a binary list item", "command 32810\nok 1; 2; 3; 4; \x01\x02%\n",
       "test:2: error: \"\\x01\\x02%\" is not an item of \"Confidence level:\" (99%|95%|90%|80%|60%|50%)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::ScriptResult r = test::RunScript(c.script);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.substr(0, r.err.find_first_of(";\n")), c.error);
    EXPECT_LT(r.err.size(), 400u);
  }
}

TEST(RobustBatchMessages, TwoOutputsAreAnErrorAndWriteNothing) {
  TempDir dir;
  WriteBytes(dir / "script.mirto", kCalculation);
  BatchRun r = Batch({dir / "script.mirto", "-o", dir / "a", "-o", dir / "b"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err.rfind("mirto: -o is given twice", 0), 0u) << r.err;
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"script.mirto"});
  r = Batch({dir / "script.mirto", "--journal", dir / "script.mirto", "--journal", dir / "a"});
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.err.rfind("mirto: --journal is given twice", 0), 0u) << r.err;
}

TEST(RobustBatchFiles, AnOutputThatIsAnotherOutputOrAnInputIsRefusedAndNothingWritten) {
  TempDir dir;
  const std::string script = dir / "script.mirto", journal = dir / "j.txt";
  WriteBytes(script, kCalculation);
  WriteBytes(journal, "Program Mirto, journal of calculations.\n");
  ::symlink("j.txt", (dir / "link").c_str());
  ::link(journal.c_str(), (dir / "hard").c_str());
  ::symlink("new.jsonl", (dir / "dangling").c_str());
  struct Case {
    std::vector<std::string> args;
    std::string same;
  } cases[] = {
      {{"-o", journal, "--results", journal}, "--results " + journal + " is the same file as -o " + journal},
      {{"--journal", journal, "--results", dir / "link"},
       "--results " + dir / "link" + " is the same file as --journal " + journal},
      {{"-o", dir / "hard", "--results", journal}, "--results " + journal + " is the same file as -o " + dir / "hard"},
      {{"-o", script}, "-o " + script + " is the same file as the script " + script},
      {{"--results", dir / "new.jsonl", "-o", dir / "dangling"},
       "--results " + dir / "new.jsonl" + " is the same file as -o " + dir / "dangling"},
  };
  const std::vector<std::string> names = dir.Names();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.same);
    std::vector<std::string> args = {script};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const BatchRun r = Batch(args);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "mirto: " + c.same + "; nothing was written\n");
    EXPECT_EQ(dir.Names(), names);
    EXPECT_EQ(ReadBytes(journal), "Program Mirto, journal of calculations.\n");
    EXPECT_EQ(ReadBytes(script), kCalculation);
  }
  // The journal read whole and saved back over itself stays allowed.
  const BatchRun r = Batch({script, "--journal", journal, "-o", journal});
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Blocks(ReadBytes(journal)), 1);
}

// A statement that writes a file (draw, save) refused the run's own files:
// before, the sample went to -o and the journal then replaced it, status 0.
TEST(RobustBatchFiles, StatementsDoNotWriteOverTheRunsOwnFiles) {
  TempDir dir;
  const std::string frame = dir / "frame.csv", out = dir / "out.csv", results = dir / "r.csv";
  WriteBytes(frame, "id,x\n1,3\n2,4\n3,5\n4,6\n");
  const std::string draw = "frame " + frame + "\ndraw srs n=2 seed=1 out=";
  struct Case {
    std::string script;
    std::vector<std::string> args;
    std::string message;
  } cases[] = {
      {draw + out + "\n", {"-o", out}, "out=" + out + " is the journal (-o)"},
      {draw + results + "\n", {"--results", results}, "out=" + results + " is the results file (--results)"},
      {std::string(kCalculation) + "save " + results + "\n",
       {"--results", results},
       "save: " + results + " is the results file (--results)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.message);
    WriteBytes(dir / "s.mirto", c.script);
    std::vector<std::string> args = {dir / "s.mirto"};
    args.insert(args.end(), c.args.begin(), c.args.end());
    const BatchRun r = Batch(args);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    std::remove(out.c_str());
    std::remove(results.c_str());
  }
}

// ---- Standard output that closes ---------------------------------------------------

TEST(RobustBatchOutput, AClosedStandardOutputIsReportedAndTheResultsAreStillWritten) {
  const char* bin = std::getenv("MIRTO_BIN");
  if (!bin) GTEST_SKIP() << "MIRTO_BIN is not set";
  TempDir dir;
  WriteBytes(dir / "script.mirto", std::string(kCalculation) + kCalculation);
  // As `mirto ... | head -1` once head has gone: a pipe nobody reads, SIGPIPE as a shell leaves it.
  int pipe[2];
  ASSERT_EQ(::pipe(pipe), 0);
  ::close(pipe[0]);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipe[1], 1);
  posix_spawn_file_actions_addopen(&actions, 2, (dir / "err").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t pipeSignal;
  sigemptyset(&pipeSignal);
  sigaddset(&pipeSignal, SIGPIPE);
  posix_spawnattr_setsigdefault(&attributes, &pipeSignal);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
  const std::string script = dir / "script.mirto", results = dir / "r.jsonl";
  const char* argv[] = {bin, "--batch", script.c_str(), "--results", results.c_str(), nullptr};
  pid_t child = 0;
  ASSERT_EQ(::posix_spawn(&child, bin, &actions, &attributes, const_cast<char**>(argv), environ), 0);
  ::close(pipe[1]);
  int status = 0;
  ::waitpid(child, &status, 0);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 1);
  EXPECT_EQ(ReadBytes(dir / "err"), "mirto: error: cannot write the journal to standard output: Broken pipe\n");
  EXPECT_EQ(test::Lines(ReadBytes(results)).size(), 2u);  // one object per block, both there
}

// ---- Memory running out while opening -----------------------------------------------

using test::kMemoryLimitWorks;
using test::MemoryLimit;

std::string LargeJournal(const TempDir& dir) {
  std::string bytes;
  for (int i = 0; i < 2'000'000; ++i) bytes += "Estimate of population mean: 25.500000\n";
  WriteBytes(dir / "large.txt", bytes);
  return dir / "large.txt";
}

TEST(RobustMemory, OpeningWithoutEnoughMemoryLeavesTheJournalAsItWas) {
  if (!kMemoryLimitWorks) GTEST_SKIP() << "the sanitizer's allocator does not fail under an address-space limit";
  TempDir dir;
  const std::string large = LargeJournal(dir);
  test::Session s;
  s.Run(kCalculation);
  const std::vector<std::string> before = s.doc.GetJournal().Lines();
  FileResult r;
  test::ScriptResult next;
  {
    MemoryLimit limit(64 << 20);
    r = s.doc.OnOpenDocument(large);
    next = s.Run(kCalculation);
  }
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.message, "Cannot open " + large + ": Memory allocation failure.");
  EXPECT_EQ(next.status, 0);  // the program goes on
  std::vector<std::string> expected = before;
  expected.insert(expected.end(), next.appended.begin(), next.appended.end());
  EXPECT_EQ(s.doc.GetJournal().Lines(), expected);
  EXPECT_EQ(next.appended.size(), 8u);
}

TEST(RobustMemory, ABatchRunThatRunsOutOfMemoryInOpenStillWritesItsJournal) {
  if (!kMemoryLimitWorks) GTEST_SKIP() << "the sanitizer's allocator does not fail under an address-space limit";
  TempDir dir;
  const std::string large = LargeJournal(dir);
  WriteBytes(dir / "script.mirto", std::string(kCalculation) + "open " + large + "\n" + kCalculation);
  BatchRun r;
  {
    MemoryLimit limit(64 << 20);
    r = Batch({dir / "script.mirto", "-o", dir / "out"});
  }
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, dir / "script.mirto" + ":3: error: Cannot open " + large + ": Memory allocation failure.\n");
  EXPECT_EQ(Blocks(ReadBytes(dir / "out")), 1);
}

// ---- Memory running out in a command, in the results, with much data -----------------

TEST(RobustMemory, ACommandThatRunsOutOfMemoryTakesBackItsBlockAndEndsTheRun) {
  if (!kMemoryLimitWorks) GTEST_SKIP() << "the sanitizer's allocator does not fail under an address-space limit";
  TempDir dir;
  std::string script;
  for (int i = 0; i < 20'000; ++i) script += kCalculation;
  WriteBytes(dir / "script.mirto", script);
  BatchRun r;
  {
    MemoryLimit limit(2 << 20);
    r = Batch({dir / "script.mirto", "-o", dir / "out"});
  }
  EXPECT_EQ(r.status, 1);
  EXPECT_TRUE(r.err.starts_with(dir / "script.mirto:")) << r.err;
  EXPECT_TRUE(r.err.ends_with(": error: Memory allocation failure.\n")) << r.err;
  // Whole blocks only: the two heading lines and eight lines a block.
  const std::string journal = ReadBytes(dir / "out");
  const int blocks = Blocks(journal);
  EXPECT_GT(blocks, 0);
  EXPECT_LT(blocks, 20'000);
  EXPECT_EQ(test::Lines(journal).size(), 2u + 8u * static_cast<std::size_t>(blocks));
}

TEST(RobustMemory, ResultsThatRunOutOfMemoryLeaveTheOldFileWhole) {
  if (!kMemoryLimitWorks) GTEST_SKIP() << "the sanitizer's allocator does not fail under an address-space limit";
  TempDir dir;
  test::Session s;
  s.Run(kCalculation);
  // Enough blocks that the line table alone outgrows the room, whatever free heap the
  // process already holds: tables that large are mapped afresh.
  const std::vector<CompletedBlock> blocks(20'000, s.doc.Blocks().front());
  WriteBytes(dir / "r.jsonl", "old\n");
  FileResult r;
  {
    MemoryLimit limit(256 << 10);
    r = WriteResults(blocks, dir / "r.jsonl");
  }
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.message, "Cannot save " + dir / "r.jsonl" + ": Memory allocation failure.");
  EXPECT_EQ(ReadBytes(dir / "r.jsonl"), "old\n");
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"r.jsonl"});
}

TEST(RobustMemory, DataOfAMillionElementsBeyondMemoryEndsTheRunWithTheMessage) {
  if (!kMemoryLimitWorks) GTEST_SKIP() << "the sanitizer's allocator does not fail under an address-space limit";
  TempDir dir;
  std::string csv = "y,p\n";
  for (int i = 0; i < 1'000'000; ++i) csv += std::to_string(i % 97) + ",0.001\n";
  WriteBytes(dir / "big.csv", csv);
  csv.clear();
  csv.shrink_to_fit();
  WriteBytes(dir / "script.mirto", "data " + dir / "big.csv" + "\nuse y=y prob=p\n" +
                                       "command Un.Prob.WithoutRepl. > Mean/total of variable > Interval estimates\n" +
                                       "ok 1000000000; 95%\n");
  BatchRun r;
  {
    MemoryLimit limit(8 << 20);
    r = Batch({dir / "script.mirto", "-o", dir / "out"});
  }
  EXPECT_EQ(r.status, 1);
  EXPECT_EQ(r.err, dir / "script.mirto:3: error: Memory allocation failure.\n");
  EXPECT_EQ(Blocks(ReadBytes(dir / "out")), 0);
}

}  // namespace
}  // namespace mirto
