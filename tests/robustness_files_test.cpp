// Journal files under faults and bad input: interrupted saves, devices,
// folders, permissions, huge lines, binary bytes. Nothing may be lost and the
// program must go on.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "batch/Batch.h"
#include "journal/CTervoDoc.h"
#include "journal/Journal.h"
#include "journal/JournalFile.h"
#include "support/Files.h"
#include "support/MemoryLimit.h"
#include "support/ScriptRun.h"

namespace mirto {
namespace {

namespace fs = std::filesystem;

constexpr const char* kCalculation = "command 32810\nok 1000; 100; 50; 10; 95%\n";

using test::ReadBytes;
using test::TempDir;
using test::WithoutFilePrivileges;
using test::WriteBytes;

std::string Joined(const Journal& journal) {
  std::string text;
  for (std::size_t i = 0; i < journal.size(); ++i) text.append(journal[i]).push_back('\n');
  return text;
}

// The reading rule written out plainly, for comparison with the reader.
std::vector<std::string> RuleLines(const std::string& bytes) {
  std::vector<std::string> lines;
  std::string line;
  for (std::size_t i = 0; i <= bytes.size(); ++i) {
    if (i < bytes.size() && bytes[i] != '\n') {
      line.push_back(bytes[i]);
      continue;
    }
    if (i == bytes.size() && line.empty()) break;
    line.resize(std::min(line.size(), line.find('\0')));
    while (!line.empty() && static_cast<signed char>(line.back()) < 32) line.pop_back();
    lines.push_back(line);
    line.clear();
  }
  return lines;
}

// ---- The reader on large and strange files -----------------------------------

// Lines of every kind: short and empty, long enough to span several storage
// blocks, with control bytes, bytes above 127 and NULs anywhere.
std::string StrangeJournalBytes(std::uint32_t seed, bool endWithNewline) {
  std::string bytes;
  std::uint32_t r = seed;
  auto next = [&r] { return r = r * 1103515245u + 12345u, r >> 8; };
  for (int line = 0; line < 40000; ++line) {
    std::size_t length = next() % 120;
    if (line % 5000 == 17) length = 300000 + next() % 1000;  // beyond a quarter block
    if (line == 23456) length = 2500000;                     // beyond a whole block
    for (std::size_t i = 0; i < length; ++i) {
      const std::uint32_t k = next() % 100;
      bytes.push_back(k < 2 ? '\0' : k < 5 ? '\t' : k < 7 ? '\r' : k < 9 ? static_cast<char>(200) : 'a' + k % 26);
    }
    bytes.push_back('\n');
  }
  if (!endWithNewline) bytes += "last\t\xc8";
  return bytes;
}

TEST(RobustJournalReading, LargeFileReadsAsTheRuleSaysWhateverItsBytes) {
  TempDir dir;
  for (bool newlineAtEnd : {true, false}) {
    const std::string bytes = StrangeJournalBytes(newlineAtEnd ? 7 : 8, newlineAtEnd);
    WriteBytes(dir / "strange", bytes);
    std::vector<std::string> expected = {"already here"};
    for (std::string& line : RuleLines(bytes)) expected.push_back(std::move(line));

    Journal journal;
    journal.push_back("already here");
    ASSERT_TRUE(ReadJournalFile(dir / "strange", journal).ok);
    ASSERT_EQ(journal.size(), expected.size());
    std::size_t mismatches = 0, widest = 0;
    for (std::size_t i = 0; i < expected.size(); ++i) {
      mismatches += journal[i] != expected[i];
      widest = std::max(widest, expected[i].size());
    }
    EXPECT_EQ(mismatches, 0u);
    EXPECT_EQ(journal.WidestLine(), widest);
    if (!newlineAtEnd) {
      EXPECT_EQ(journal[journal.size() - 1], "last");
    }

    // Written by the program and read again: the very same lines.
    ASSERT_TRUE(WriteJournalFile(journal, dir / "written").ok);
    EXPECT_TRUE(ReadBytes(dir / "written") == Joined(journal));
    Journal again;
    ASSERT_TRUE(ReadJournalFile(dir / "written", again).ok);
    EXPECT_TRUE(Joined(again) == Joined(journal));
  }
}

TEST(RobustJournalReading, ControlBytesBeforeANulDoNotSurvive) {
  TempDir dir;
  WriteBytes(dir / "nul", std::string("x\t\0y\nab\r\0\t\ncd\0\n", 15));
  Journal journal;
  ASSERT_TRUE(ReadJournalFile(dir / "nul", journal).ok);
  EXPECT_EQ(journal.Lines(), (std::vector<std::string>{"x", "ab", "cd"}));
}

TEST(RobustJournal, LinesStayPutAndAMovedJournalCanBeReused) {
  Journal journal;
  journal.push_back("first line");
  journal.push_back("");
  const std::string_view first = journal[0];
  const std::string ordinary = "Approx. 0.95 confidence interval for pop. mean is from 1.5 to 2.5";
  for (int i = 0; i < 300000; ++i) journal.push_back(ordinary);
  journal.push_back(std::string(400000, 'w'));
  journal.push_back("after the long one");
  EXPECT_EQ(first.data(), journal[0].data());
  EXPECT_EQ(journal[0], "first line");
  EXPECT_EQ(journal[1], "");
  EXPECT_EQ(journal[300002].size(), 400000u);
  EXPECT_EQ(journal[300003], "after the long one");
  EXPECT_EQ(journal.WidestLine(), 400000u);
  // The storage and the index together stay below twice the text.
  EXPECT_LT(journal.MemoryUsed(), 2 * (300000 * ordinary.size() + 400000));

  Journal moved = std::move(journal);
  EXPECT_EQ(moved.size(), 300004u);
  EXPECT_EQ(moved[0], "first line");
  journal.push_back("the old one again");
  EXPECT_EQ(journal.size(), 1u);
  EXPECT_EQ(journal[0], "the old one again");
  EXPECT_EQ(moved[300003], "after the long one");
}

// ---- Opening what is not a journal --------------------------------------------

TEST(RobustOpen, BadFilesGiveAMessageAndLoseNothing) {
  TempDir dir;
  ::mkdir((dir / "folder").c_str(), 0755);
  WriteBytes(dir / "locked", "secret\n", 0000);
  struct Case {
    const char* name;
    std::string path;
    const char* message;
  } cases[] = {
      {"a folder", dir / "folder", "it is a folder"},
      {"a missing file", dir / "missing", "No such file or directory"},
      {"a path through a file", dir / "locked/inside", "Not a directory"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    test::Session s;
    s.Run(kCalculation);
    const std::vector<std::string> before = s.doc.GetJournal().Lines();
    FileResult r = s.doc.OnOpenDocument(c.path);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find(c.path), std::string::npos) << r.message;
    EXPECT_NE(r.message.find(c.message), std::string::npos) << r.message;
    EXPECT_EQ(s.doc.GetJournal().Lines(), before);
    EXPECT_TRUE(s.doc.IsModified());
    EXPECT_EQ(s.doc.GetPathName(), "");
    // The program goes on: the next calculation appends its block.
    test::ScriptResult next = s.Run(kCalculation);
    EXPECT_EQ(next.status, 0);
    ASSERT_FALSE(next.appended.empty());
    EXPECT_EQ(next.appended[0], "*********");
  }
}

TEST(RobustOpen, DevicesAreRefusedAndAnIdlePipeReadsAsEmpty) {
  test::Session s;
  for (const char* device : {"/dev/zero", "/dev/urandom", "/dev/null"}) {
    FileResult r = s.doc.OnOpenDocument(device);
    EXPECT_FALSE(r.ok) << device;
    EXPECT_NE(r.message.find("it is a device"), std::string::npos) << r.message;
  }
  TempDir dir;
  ASSERT_EQ(::mkfifo((dir / "pipe").c_str(), 0600), 0);
  EXPECT_TRUE(s.doc.OnOpenDocument(dir / "pipe").ok);  // no writer: nothing to read, no waiting
  EXPECT_EQ(s.doc.GetJournal().size(), 2u);
}

TEST(RobustOpen, UnreadableFileIsRefused) {
  TempDir dir;
  WriteBytes(dir / "locked", "secret\n", 0000);
  test::Session s;
  FileResult r;
  {
    WithoutFilePrivileges guard;
    const int probe = ::open((dir / "locked").c_str(), O_RDONLY);
    if (probe >= 0) {
      ::close(probe);
      GTEST_SKIP() << "permission bits do not bind here (root without a way to drop privileges)";
    }
    r = s.doc.OnOpenDocument(dir / "locked");
  }
  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.message.find("Permission denied"), std::string::npos) << r.message;
  EXPECT_EQ(s.doc.GetJournal().size(), 2u);
}

TEST(RobustOpen, AHundredMegabyteLineAndAFileOfNulBytesRead) {
  TempDir dir;
  std::string huge(100'000'000, ' ');
  for (std::size_t i = 0; i < huge.size(); ++i) huge[i] = static_cast<char>('a' + i % 26);
  WriteBytes(dir / "huge", huge);
  WriteBytes(dir / "zeros", std::string(1 << 20, '\0'));

  test::Session s;
  ASSERT_TRUE(s.doc.OnOpenDocument(dir / "huge").ok);
  // Not text: a script appends nothing of it; the reader alone takes it by the rule.
  const FileResult zeros = s.doc.OnOpenDocument(dir / "zeros");
  EXPECT_FALSE(zeros.ok);
  EXPECT_EQ(zeros.message.rfind("Cannot open " + dir / "zeros" + ": it is not a text file", 0), 0u) << zeros.message;
  Journal read;
  ASSERT_TRUE(ReadJournalFile(dir / "zeros", read).ok);
  EXPECT_EQ(read.Lines(), std::vector<std::string>{""});  // all NULs: cut to nothing
  const Journal& journal = s.doc.GetJournal();
  ASSERT_EQ(journal.size(), 3u);
  EXPECT_EQ(journal[2].size(), huge.size());
  EXPECT_TRUE(journal[2] == huge);
  EXPECT_EQ(journal.WidestLine(), huge.size());

  // Saved and read again, the long line comes back whole.
  ASSERT_TRUE(s.doc.OnSaveDocument(dir / "saved").ok);
  Journal again;
  ASSERT_TRUE(ReadJournalFile(dir / "saved", again).ok);
  ASSERT_EQ(again.size(), 3u);
  EXPECT_TRUE(again[2] == huge);
  huge.clear();
  test::ScriptResult next = s.Run(kCalculation);
  EXPECT_EQ(next.status, 0);
  EXPECT_FALSE(next.appended.empty());
}

// ---- Files that are not text ---------------------------------------------------

TEST(RobustOpen, TheRuleThatTellsAFileThatIsNotText) {
  const std::string kib64(64 << 10, 'a');
  const std::string controls15 = std::string(15, 'a') + "\x01";  // one byte in 16: still text
  struct Case {
    const char* name;
    std::string start;
    const char* why;
  } cases[] = {
      {"nothing", "", nullptr},
      {"a journal", "Program Mirto, journal of calculations.\n*********\n", nullptr},
      {"an 8-bit character set, CR LF, tab, form feed, escape", "caf\xe9\t\xb0\r\n\f\x1b[1m\x1a\n", nullptr},
      {"a NUL in the first 64 KiB", kib64.substr(1) + '\0', "it holds NUL bytes"},
      {"a NUL after them", kib64 + '\0', nullptr},
      {"one control byte in 16", controls15 + controls15, nullptr},
      {"more", controls15 + controls15 + "\x02", "it holds many control bytes"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const char* why = NotTextReason(c.start);
    EXPECT_EQ(why ? std::string(why) : "text", c.why ? std::string(c.why) : "text");
  }
}

// A script has nobody to ask: it neither appends nor replaces a file that is not text.
TEST(RobustBatchFiles, AFileThatIsNotTextIsNeitherOpenedNorSavedOver) {
  TempDir dir;
  std::string binary(5 << 20, '\0');
  for (std::size_t i = 0; i < binary.size(); ++i) binary[i] = static_cast<char>(i * 2654435761u >> 13);
  const std::string bin = dir / "data.bin";
  WriteBytes(bin, binary);
  const std::string refusal = ": it is not a text file (it holds NUL bytes); only the desktop program ";
  struct Case {
    std::string statement, error;
  } cases[] = {
      {"open " + bin, "test:3: error: Cannot open " + bin + refusal + "appends one, after asking\n"},
      {"save " + bin, "test:3: error: Cannot save to " + bin + refusal + "replaces one, after asking\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.statement);
    test::Session s;
    test::ScriptResult r = s.Run(std::string(kCalculation) + c.statement + "\n" + kCalculation);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, c.error);
    EXPECT_EQ(r.appended.size(), 12u);  // the block before, nothing of the file, nothing after
    EXPECT_EQ(s.doc.GetPathName(), "");
    EXPECT_TRUE(ReadBytes(bin) == binary);
  }
  const std::string script = dir / "script.mirto";
  WriteBytes(script, kCalculation);
  for (const char* option : {"-o", "--journal"}) {
    SCOPED_TRACE(option);
    const char* argv[] = {script.c_str(), option, bin.c_str()};
    std::ostringstream out, err;
    EXPECT_EQ(BatchMain(3, argv, out, err), 1);
    EXPECT_NE(err.str().find(bin + refusal), std::string::npos) << err.str();
    EXPECT_TRUE(ReadBytes(bin) == binary);
  }
}

// ---- Memory that grows with what is kept ----------------------------------------

TEST(RobustMemory, WhatFollowsANulIsSkippedNotHeld) {
  if (!test::kMemoryLimitWorks) GTEST_SKIP() << "the sanitizer's allocator does not fail under an address-space limit";
  TempDir dir;
  // 256 MiB of NULs without a newline (a sparse file), and 80 MB of lines
  // that a NUL cuts to one letter.
  const int zeros = ::open((dir / "zeros").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  ASSERT_EQ(::ftruncate(zeros, 256 << 20), 0);
  ::close(zeros);
  std::string cut = std::string("x\0", 2) + std::string(1000, 'j') + "\n";
  for (int i = 0; i < 16; ++i) cut += cut.substr(0, 1003);
  std::string lines;
  for (int i = 0; i < 80'000 / 17; ++i) lines += cut;
  WriteBytes(dir / "cut", lines);
  const std::size_t cutLines = lines.size() / 1003;
  lines.clear();
  lines.shrink_to_fit();
  struct Case {
    const char* name;
    std::vector<std::string> first;
    std::size_t count;
  } cases[] = {{"zeros", {""}, 1}, {"cut", {"x", "x"}, cutLines}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Journal journal;
    FileResult r;
    {
      test::MemoryLimit limit(64 << 20);
      r = ReadJournalFile(dir / c.name, journal);
    }
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(journal.size(), c.count);
    for (std::size_t i = 0; i < c.first.size(); ++i) EXPECT_EQ(journal[i], c.first[i]);
    EXPECT_EQ(journal.WidestLine(), c.first[0].size());
  }
}

// ---- Saves that fail part way ------------------------------------------------

// The write, fsync and rename a save goes through, failing on request.
struct Faults {
  static inline long long budget = -1;   // bytes left before writes fail; -1 never
  static inline long long maxChunk = 0;  // a write takes at most this much; 0 all
  static inline int interruptions = 0;   // writes that fail with EINTR first
  static inline int renames = 0;

  static ssize_t Write(int fd, const void* data, std::size_t size) {
    if (interruptions > 0) {
      --interruptions;
      errno = EINTR;
      return -1;
    }
    if (maxChunk > 0) size = std::min<std::size_t>(size, static_cast<std::size_t>(maxChunk));
    if (budget >= 0) {
      if (budget == 0) {
        errno = ENOSPC;
        return -1;
      }
      size = std::min<std::size_t>(size, static_cast<std::size_t>(budget));
    }
    ssize_t n = ::write(fd, data, size);
    if (n > 0 && budget >= 0) budget -= n;
    return n;
  }
  static int FailingFsync(int) {
    errno = EIO;
    return -1;
  }
  static int FailingRename(const char*, const char*) {
    ++renames;
    errno = EXDEV;
    return -1;
  }
  static int CountedRename(const char* from, const char* to) {
    ++renames;
    return ::rename(from, to);
  }
  static void Reset() { budget = -1, maxChunk = 0, interruptions = 0, renames = 0; }
};

// A session whose journal was saved once and then changed by a calculation.
struct SavedSession {
  TempDir dir;
  test::Session s;
  std::string path = dir / "journal.txt";
  std::string saved;
  std::vector<std::string> lines;
  SavedSession() {
    Faults::Reset();
    s.Run(kCalculation);
    EXPECT_TRUE(s.doc.OnSaveDocument(path).ok);
    saved = ReadBytes(path);
    s.Run(kCalculation);
    lines = s.doc.GetJournal().Lines();
  }
  // The old file whole, no stray temporary file, the document as it was.
  void ExpectNothingLost(const FileResult& r, const char* why) {
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find(path), std::string::npos) << r.message;
    EXPECT_NE(r.message.find(why), std::string::npos) << r.message;
    EXPECT_EQ(ReadBytes(path), saved);
    EXPECT_EQ(dir.Names(), std::vector<std::string>{"journal.txt"});
    EXPECT_EQ(s.doc.GetJournal().Lines(), lines);
    EXPECT_TRUE(s.doc.IsModified());
    EXPECT_EQ(s.doc.GetPathName(), path);
  }
};

TEST(RobustSave, AWriteFailingAfterAnyNumberOfBytesLeavesTheOldFileWhole) {
  SavedSession t;
  const std::size_t total = Joined(t.s.doc.GetJournal()).size();
  ASSERT_GT(total, t.saved.size());
  for (std::size_t k = 0; k < total; ++k) {
    SCOPED_TRACE("write fails after " + std::to_string(k) + " bytes");
    Faults::budget = static_cast<long long>(k);
    t.ExpectNothingLost(t.s.doc.OnSaveDocument(t.path, {&Faults::Write, &::fsync, &Faults::CountedRename}),
                        "No space left on device");
    EXPECT_EQ(Faults::renames, 0);
    if (HasFailure()) return;
  }
  // With room for every byte the same save goes through.
  Faults::budget = static_cast<long long>(total);
  ASSERT_TRUE(t.s.doc.OnSaveDocument(t.path, {&Faults::Write, &::fsync, &Faults::CountedRename}).ok);
  EXPECT_EQ(ReadBytes(t.path), Joined(t.s.doc.GetJournal()));
  EXPECT_FALSE(t.s.doc.IsModified());
}

TEST(RobustSave, FailingFlushOrRenameLeavesTheOldFileWhole) {
  SavedSession t;
  t.ExpectNothingLost(t.s.doc.OnSaveDocument(t.path, {&::write, &Faults::FailingFsync, &::rename}),
                      "Input/output error");
  t.ExpectNothingLost(t.s.doc.OnSaveDocument(t.path, {&::write, &::fsync, &Faults::FailingRename}),
                      "Invalid cross-device link");
}

TEST(RobustSave, ShortAndInterruptedWritesStillSaveEveryByte) {
  SavedSession t;
  Faults::maxChunk = 7;
  Faults::interruptions = 3;
  ASSERT_TRUE(t.s.doc.OnSaveDocument(t.path, {&Faults::Write, &::fsync, &::rename}).ok);
  EXPECT_EQ(ReadBytes(t.path), Joined(t.s.doc.GetJournal()));
  EXPECT_EQ(t.dir.Names(), std::vector<std::string>{"journal.txt"});
  Faults::Reset();
}

TEST(RobustSave, AFullDeviceIsWrittenInPlaceAndReportsItIsFull) {
  struct stat before {};
  ASSERT_EQ(::stat("/dev/full", &before), 0);
  ASSERT_TRUE(S_ISCHR(before.st_mode));
  test::Session s;
  s.Run(kCalculation);
  const std::vector<std::string> lines = s.doc.GetJournal().Lines();
  Faults::Reset();
  // A rename here would replace the device: the counted rename must never run.
  FileResult r = s.doc.OnSaveDocument("/dev/full", {&::write, &::fsync, &Faults::FailingRename});
  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.message.find("No space left on device"), std::string::npos) << r.message;
  EXPECT_EQ(Faults::renames, 0);
  struct stat after {};
  ASSERT_EQ(::stat("/dev/full", &after), 0);
  EXPECT_TRUE(S_ISCHR(after.st_mode));
  EXPECT_EQ(after.st_rdev, before.st_rdev);
  EXPECT_EQ(s.doc.GetJournal().Lines(), lines);
  EXPECT_TRUE(s.doc.IsModified());
  EXPECT_EQ(s.doc.GetPathName(), "");
}

TEST(RobustSave, APipeIsWrittenWhenReadAndRefusedWhenNot) {
  TempDir dir;
  const std::string pipe = dir / "pipe";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  test::Session s;
  s.Run(kCalculation);
  FileResult r = s.doc.OnSaveDocument(pipe);
  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.message.find("nothing is reading from it"), std::string::npos) << r.message;
  EXPECT_TRUE(s.doc.IsModified());

  std::string received;
  std::thread reader([&] { received = ReadBytes(pipe); });
  // The reader may not have opened the pipe yet: try until it has.
  for (int tries = 0; tries < 500 && !(r = s.doc.OnSaveDocument(pipe)).ok; ++tries)
    std::this_thread::sleep_for(std::chrono::milliseconds(10));
  reader.join();
  ASSERT_TRUE(r.ok) << r.message;
  EXPECT_EQ(received, Joined(s.doc.GetJournal()));
  EXPECT_FALSE(s.doc.IsModified());
  EXPECT_TRUE(fs::is_fifo(pipe));
}

TEST(RobustSave, AFolderAndAFolderWithoutWritePermissionAreRefused) {
  TempDir dir;
  ::mkdir((dir / "folder").c_str(), 0755);
  ::mkdir((dir / "readonly").c_str(), 0555);
  test::Session s;
  s.Run(kCalculation);
  const std::vector<std::string> lines = s.doc.GetJournal().Lines();

  FileResult r = s.doc.OnSaveDocument(dir / "folder");
  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.message.find("it is a folder"), std::string::npos) << r.message;
  EXPECT_TRUE(fs::is_directory(dir / "folder"));

  {
    WithoutFilePrivileges guard;
    const int probe = ::open((dir / "readonly/probe").c_str(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    if (probe >= 0) {
      ::close(probe);
      ::unlink((dir / "readonly/probe").c_str());
      GTEST_SKIP() << "permission bits do not bind here (root without a way to drop privileges)";
    }
    r = s.doc.OnSaveDocument(dir / "readonly/journal.txt");
  }
  EXPECT_FALSE(r.ok);
  EXPECT_NE(r.message.find("Permission denied"), std::string::npos) << r.message;
  EXPECT_TRUE(fs::is_empty(dir / "readonly"));
  EXPECT_EQ(s.doc.GetJournal().Lines(), lines);
  EXPECT_TRUE(s.doc.IsModified());
}

// ---- The batch front end -------------------------------------------------------

TEST(RobustBatchFiles, FileErrorsStopTheRunWithStatusOneAndTheLine) {
  TempDir dir;
  ::mkdir((dir / "folder").c_str(), 0755);
  for (const std::string& statement :
       {"open " + dir / "folder", "open " + dir / "missing", std::string("save /dev/full"), "save " + dir / "folder",
        "save " + dir / "missing/journal.txt"}) {
    SCOPED_TRACE(statement);
    test::Session s;
    test::ScriptResult r = s.Run(std::string(kCalculation) + "\n" + statement + "\n" + kCalculation);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("test:4: error: "), std::string::npos) << r.err;
    // The block before the error stays; nothing after it ran.
    EXPECT_EQ(std::count(r.appended.begin(), r.appended.end(), "*********"), 1);
  }
}

}  // namespace
}  // namespace mirto
