// Saves that must not replace what they should not: permissions and owners,
// links, folders where only an in-place save is possible, temporary files.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <filesystem>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "batch/Batch.h"
#include "journal/CTervoDoc.h"
#include "support/Files.h"
#include "support/ScriptRun.h"

namespace mirto {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::TempDir;
using test::WithoutFilePrivileges;
using test::WriteBytes;

constexpr const char* kCalculation = "command 32810\nok 1000; 100; 50; 10; 95%\n";
constexpr uid_t kNobody = WithoutFilePrivileges::kUser;

std::string Joined(const Journal& journal) {
  std::string text;
  for (std::size_t i = 0; i < journal.size(); ++i) text.append(journal[i]).push_back('\n');
  return text;
}

struct stat Stat(const std::string& path) {
  struct stat st {};
  ::lstat(path.c_str(), &st);
  return st;
}

// A session with one calculation, saving into a folder every user may write to.
struct Saving {
  TempDir dir;
  test::Session s;
  std::string script = dir / "empty.mirto";
  Saving() {
    s.Run(kCalculation);
    WriteBytes(script, "");
    ::chmod(dir.path().c_str(), 0777);
  }
  std::string Journal() const { return Joined(s.doc.GetJournal()); }
  // A file of `owner` with `mode`, holding "old\n".
  std::string Old(const std::string& name, mode_t mode, uid_t owner = 0) const {
    WriteBytes(dir / name, "old\n", mode);
    ::chown((dir / name).c_str(), owner, owner);
    return dir / name;
  }
  // Saves as -o of a batch run, as the statement `save`, and as File > Save.
  std::vector<FileResult> SaveEveryWay(const std::string& path) {
    std::vector<FileResult> results;
    std::ostringstream out, err;
    const char* argv[] = {script.c_str(), "-o", path.c_str()};
    const int status = BatchMain(3, argv, out, err);
    results.push_back({status == 0, err.str()});
    test::ScriptResult r = s.Run("save " + path + "\n");
    results.push_back({r.status == 0, r.err});
    results.push_back(s.doc.OnSaveDocument(path));
    return results;
  }
};

bool PermissionsBind(const Saving& t) {
  const std::string probe = t.Old("probe", 0444);
  const bool binds = WithoutFilePrivileges::Binds(probe);
  ::unlink(probe.c_str());
  return binds;
}

TEST(RobustSavePermissions, AFileThisUserCouldNotWriteIsNeverReplaced) {
  struct Case {
    const char* name;
    mode_t folder;
    mode_t mode;
    uid_t owner;
  } cases[] = {
      {"the user's own read-only file", 0777, 0444, kNobody},
      {"another user's file in a shared folder", 0777, 0644, 0},
      {"another user's file in a sticky folder", 01777, 0644, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Saving t;
    if (!PermissionsBind(t)) GTEST_SKIP() << "permission bits do not bind here";
    ::chmod(t.dir.path().c_str(), c.folder);
    const std::string path = t.Old("journal.txt", c.mode, c.owner);
    const struct stat before = Stat(path);
    WithoutFilePrivileges guard;
    for (const FileResult& r : t.SaveEveryWay(path)) {
      EXPECT_FALSE(r.ok);
      EXPECT_NE(r.message.find("Permission denied"), std::string::npos) << r.message;
    }
    const struct stat after = Stat(path);
    EXPECT_EQ(ReadBytes(path), "old\n");
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_uid, c.owner);
    EXPECT_EQ(after.st_mode & 07777, c.mode);
    EXPECT_EQ(t.dir.Names(), (std::vector<std::string>{"empty.mirto", "journal.txt"}));
  }
}

// Where replacing would change the owner, or the folder takes no new file,
// the file is written in place: same file, owner and mode, new content.
TEST(RobustSavePermissions, AWritableFileKeepsItsOwnerModeAndLinks) {
  struct Case {
    const char* name;
    mode_t folder;
    uid_t owner;
    bool linked;
  } cases[] = {
      {"another user's writable file in a shared folder", 0777, 0, false},
      {"another user's writable file in a sticky folder", 01777, 0, false},
      {"a writable file in a read-only folder", 0555, kNobody, false},
      {"a file with a second name", 0777, kNobody, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Saving t;
    if (!PermissionsBind(t)) GTEST_SKIP() << "permission bits do not bind here";
    const std::string path = t.Old("journal.txt", 0666, c.owner);
    if (c.linked) ::link(path.c_str(), (t.dir / "other name").c_str());
    ::chmod(t.dir.path().c_str(), c.folder);
    const struct stat before = Stat(path);
    {
      WithoutFilePrivileges guard;
      for (const FileResult& r : t.SaveEveryWay(path)) EXPECT_TRUE(r.ok) << r.message;
    }
    const struct stat after = Stat(path);
    EXPECT_EQ(ReadBytes(path), t.Journal());
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_uid, c.owner);
    EXPECT_EQ(after.st_mode & 07777, 0666u);
    EXPECT_EQ(after.st_nlink, c.linked ? 2u : 1u);
    if (c.linked) {
      EXPECT_EQ(ReadBytes(t.dir / "other name"), t.Journal());
    }
    for (const std::string& name : t.dir.Names()) EXPECT_EQ(name.find(".mirto-"), std::string::npos) << name;
    for (const auto& entry : fs::directory_iterator(fs::temp_directory_path()))
      EXPECT_NE(entry.path().filename().string().rfind(".journal.txt.mirto-", 0), 0u) << entry.path();
  }
}

// A write that fails after `budget` bytes, as on a full disk.
long long g_budget = -1;
ssize_t BudgetWrite(int fd, const void* data, std::size_t size) {
  if (g_budget == 0) {
    errno = ENOSPC;
    return -1;
  }
  if (g_budget > 0 && size > static_cast<std::size_t>(g_budget)) size = static_cast<std::size_t>(g_budget);
  const ssize_t n = ::write(fd, data, size);
  if (n > 0 && g_budget > 0) g_budget -= n;
  return n;
}

TEST(RobustSaveLinks, AnInPlaceWriteThatFailsPutsTheOldContentBack) {
  Saving t;
  const std::string path = t.dir / "journal.txt";
  WriteBytes(path, std::string(300, 'o') + "\n");
  ::link(path.c_str(), (t.dir / "second").c_str());
  const std::string old = ReadBytes(path);
  const long long total = static_cast<long long>(t.Journal().size());
  ASSERT_GT(total, 400);
  // Failing while the copies are written, and (past 2 * total) while the file itself is.
  for (long long budget : {0LL, 1LL, 300LL, total - 1, total + 1, total + 300, 2 * total - 1}) {
    SCOPED_TRACE("fails after " + std::to_string(budget) + " bytes");
    g_budget = budget;
    const FileResult r = t.s.doc.OnSaveDocument(path, {&BudgetWrite, &::fsync, &::rename});
    g_budget = -1;
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("No space left on device"), std::string::npos) << r.message;
    EXPECT_EQ(ReadBytes(path), old);
    EXPECT_EQ(ReadBytes(t.dir / "second"), old);
    EXPECT_EQ(t.dir.Names(), (std::vector<std::string>{"empty.mirto", "journal.txt", "second"}));
    EXPECT_TRUE(t.s.doc.IsModified());
  }
}

TEST(RobustSaveLinks, ALinkIsKeptAndWhatItNamesIsWritten) {
  Saving t;
  ::symlink("nowhere.txt", (t.dir / "dangling").c_str());
  ::symlink("dangling", (t.dir / "chain").c_str());
  ASSERT_TRUE(t.s.doc.OnSaveDocument(t.dir / "chain").ok);
  EXPECT_TRUE(fs::is_symlink(t.dir / "chain"));
  EXPECT_TRUE(fs::is_symlink(t.dir / "dangling"));
  EXPECT_TRUE(fs::is_regular_file(fs::symlink_status(t.dir / "nowhere.txt")));
  EXPECT_EQ(ReadBytes(t.dir / "nowhere.txt"), t.Journal());

  ::symlink("loop2", (t.dir / "loop1").c_str());
  ::symlink("loop1", (t.dir / "loop2").c_str());
  for (const FileResult& r : t.SaveEveryWay(t.dir / "loop1")) {
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("Too many levels of symbolic links"), std::string::npos) << r.message;
  }
  EXPECT_TRUE(fs::is_symlink(t.dir / "loop1"));
  EXPECT_TRUE(fs::is_symlink(t.dir / "loop2"));
}

TEST(RobustSave, NoRoomForTheNewCopySaysSoAndKeepsTheOldFile) {
  Saving t;
  const std::string path = t.Old("journal.txt", 0644);
  g_budget = 10;
  const FileResult r = t.s.doc.OnSaveDocument(path, {&BudgetWrite, &::fsync, &::rename});
  g_budget = -1;
  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.message.find("No space left on device"), std::string::npos) << r.message;
  EXPECT_NE(r.message.find("no room for a second copy"), std::string::npos) << r.message;
  EXPECT_EQ(ReadBytes(path), "old\n");
}

// Lists the folder while the save writes its temporary file.
std::string g_folder;
std::vector<std::string> g_seen;
ssize_t ListingWrite(int fd, const void* data, std::size_t size) {
  if (g_seen.empty())
    for (const auto& entry : fs::directory_iterator(g_folder)) g_seen.push_back(entry.path().filename().string());
  return ::write(fd, data, size);
}

TEST(RobustSaveTemporaries, NamedAfterTheirTargetAndStaleOnesRemovedByTheNextSave) {
  Saving t;
  const std::string path = t.Old("journal.txt", 0644);
  g_folder = t.dir.path();
  g_seen.clear();
  ASSERT_TRUE(t.s.doc.OnSaveDocument(path, {&ListingWrite, &::fsync, &::rename}).ok);
  std::vector<std::string> temporaries;
  for (const std::string& name : g_seen)
    if (name != "journal.txt" && name != "empty.mirto") temporaries.push_back(name);
  ASSERT_EQ(temporaries.size(), 1u);
  EXPECT_EQ(temporaries[0].rfind(".journal.txt.mirto-", 0), 0u) << temporaries[0];
  EXPECT_EQ(temporaries[0].size(), std::string(".journal.txt.mirto-XXXXXX").size());

  // Left by saves killed part way; one is still being written by a live save.
  for (const char* name : {".journal.txt.mirto-a1B2c3", ".journal.txt.mirto-Zz9Zz9", ".other.txt.mirto-a1B2c3",
                           ".journal.txt.mirto-toolong", "journal.txt.mirto-a1B2c3"})
    WriteBytes(t.dir / name, "partial");
  const int live = ::open((t.dir / ".journal.txt.mirto-Zz9Zz9").c_str(), O_RDONLY);
  ASSERT_EQ(::flock(live, LOCK_EX), 0);
  const std::vector<std::string> before = t.dir.Names();

  ASSERT_FALSE(t.s.doc
                   .OnSaveDocument(path, {&::write, &::fsync,
                                          [](const char*, const char*) {
                                            errno = EIO;
                                            return -1;
                                          }})
                   .ok);
  EXPECT_EQ(t.dir.Names(), before);  // a failed save removes nothing

  ASSERT_TRUE(t.s.doc.OnSaveDocument(path).ok);
  ::close(live);
  EXPECT_EQ(t.dir.Names(), (std::vector<std::string>{".journal.txt.mirto-Zz9Zz9", ".journal.txt.mirto-toolong",
                                                     ".other.txt.mirto-a1B2c3", "empty.mirto", "journal.txt",
                                                     "journal.txt.mirto-a1B2c3"}));
}

// Two journals, each a few hundred kilobytes.
std::pair<Journal, Journal> TwoJournals(int lines) {
  std::pair<Journal, Journal> two;
  for (int i = 0; i < lines; ++i) {
    two.first.push_back("Estimate of population mean: " + std::to_string(i) + ".500000 (old)");
    two.second.push_back("Approx. 0.95 confidence interval for pop. mean is from " + std::to_string(i) + " (new)");
  }
  return two;
}

// Writes of 4 KiB that take a while, so that a kill lands as often in the
// middle of a write as between two. A kill loses nothing that is not yet
// flushed, so flushing is skipped to spend the time in writing.
ssize_t SlowWrite(int fd, const void* data, std::size_t size) {
  ::usleep(50);
  return ::write(fd, data, std::min<std::size_t>(size, 4096));
}
int NoFlush(int) { return 0; }

// Starts a process that saves `b` and `a` to `path` by turns until it is killed.
pid_t SaveForever(const Journal& a, const Journal& b, const std::string& path) {
  const pid_t child = ::fork();
  if (child == 0)
    for (int i = 0;; ++i) WriteJournalFile(i % 2 ? a : b, path, {&SlowWrite, &NoFlush, &::rename});
  return child;
}

// After a save is killed: the journal whole, or its whole copy beside it
// (README, "The journal file").
bool SomethingWhole(const TempDir& dir, const std::string& a, const std::string& b) {
  const std::string file = ReadBytes(dir / "journal.txt");
  if (file == a || file == b) return true;
  for (const std::string& name : dir.Names())
    if (name.starts_with(".journal.txt.mirto-whole-") && (ReadBytes(dir / name) == a || ReadBytes(dir / name) == b))
      return true;
  return false;
}

TEST(RobustSaveLinks, ASaveKilledAtAnyMomentLeavesTheJournalOrItsCopyWhole) {
  TempDir dir;
  const std::string path = dir / "journal.txt";
  const auto [a, b] = TwoJournals(6000);
  const std::string textA = Joined(a), textB = Joined(b);
  WriteBytes(path, textA);
  ::link(path.c_str(), (dir / "second").c_str());  // so that every save writes in place
  std::mt19937 moments(2023);                      // the same moments each run
  for (int kill = 0; kill < 20; ++kill) {
    SCOPED_TRACE("kill " + std::to_string(kill));
    // Each time from the old journal, and no copy of an earlier time.
    WriteBytes(path, textA);
    for (const std::string& name : dir.Names())
      if (name.starts_with(".")) ::unlink((dir / name).c_str());
    const pid_t child = SaveForever(a, b, path);
    ASSERT_GT(child, 0);
    ::usleep(1'000 + moments() % 80'000);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_TRUE(SomethingWhole(dir, textA, textB));
    // The next session opens what is there and saves it: a whole copy must stay.
    Journal reopened;
    ASSERT_TRUE(ReadJournalFile(path, reopened).ok);
    ASSERT_TRUE(WriteJournalFile(reopened, path).ok);
    EXPECT_TRUE(SomethingWhole(dir, textA, textB));
    EXPECT_EQ(Stat(path).st_nlink, 2u);
  }
}

// Starts a process that saves `journal` to `path` `times` times, and ends
// with status 1 at the first save that fails. Without flushing, saves follow
// each other closely, as they would in a fast folder.
pid_t SaveTimes(const Journal& journal, const std::string& path, int times) {
  const pid_t child = ::fork();
  if (child == 0) {
    for (int i = 0; i < times; ++i)
      if (!WriteJournalFile(journal, path, {&::write, &NoFlush, &::rename}).ok) ::_exit(1);
    ::_exit(0);
  }
  return child;
}

TEST(RobustSaveTemporaries, TwoProcessesSavingOneFileDoNotFailEachOther) {
  const auto [a, b] = TwoJournals(10);
  TempDir dir;
  const std::string path = dir / "journal.txt";
  for (pid_t child : {SaveTimes(a, path, 500), SaveTimes(b, path, 500)}) {
    int status = 0;
    ::waitpid(child, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  }
  const std::string file = ReadBytes(path);
  EXPECT_TRUE(file == Joined(a) || file == Joined(b));
  EXPECT_EQ(dir.Names(), std::vector<std::string>{"journal.txt"});  // nothing left behind
}

// A save in place waits for one that another process is making.
TEST(RobustSaveLinks, ASaveInPlaceWaitsForAnotherToEnd) {
  Saving t;
  const std::string path = t.Old("journal.txt", 0644);
  ::link(path.c_str(), (t.dir / "second").c_str());
  const int other = ::open(path.c_str(), O_RDONLY);
  ASSERT_EQ(::flock(other, LOCK_EX), 0);
  std::string seenWhileHeld;
  std::thread release([&] {
    ::usleep(100'000);
    seenWhileHeld = ReadBytes(path);
    ::close(other);
  });
  const FileResult r = t.s.doc.OnSaveDocument(path);
  release.join();
  EXPECT_TRUE(r.ok) << r.message;
  EXPECT_EQ(seenWhileHeld, "old\n");
  EXPECT_EQ(ReadBytes(path), t.Journal());
}

}  // namespace
}  // namespace mirto
