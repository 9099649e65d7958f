// The journal file: what a file's bytes become as lines, and saves that never
// lose the old file.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cerrno>
#include <filesystem>
#include <fstream>

#include "journal/CTervoDoc.h"
#include "support/ScriptRun.h"

namespace mirto::test {
namespace {

namespace fs = std::filesystem;

class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "mirto-test-XXXXXX").string();
    m_path = mkdtemp(pattern.data());
  }
  ~TempDir() { fs::remove_all(m_path); }
  std::string File(const std::string& name) const { return (m_path / name).string(); }

 private:
  fs::path m_path;
};

void WriteBytes(const std::string& path, std::string_view bytes) {
  std::ofstream(path, std::ios::binary).write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

std::vector<std::string> ReadLines(std::string_view bytes) {
  TempDir dir;
  WriteBytes(dir.File("j"), bytes);
  Journal journal;
  EXPECT_TRUE(ReadJournalFile(dir.File("j"), journal).ok);
  return journal.Lines();
}

TEST(JournalFile, LineEndsAndControlBytes) {
  using V = std::vector<std::string>;
  EXPECT_EQ(ReadLines(""), V{});
  EXPECT_EQ(ReadLines("\n\n\n"), (V{"", "", ""}));
  EXPECT_EQ(ReadLines("abc\tdef"), V{"abc\tdef"});  // no newline at the end: still a line
  EXPECT_EQ(ReadLines("abc\t\n"), V{"abc"});
  EXPECT_EQ(ReadLines("abc\xC8\n"), V{"abc"});  // byte 200 is below 32 as a signed byte
  EXPECT_EQ(ReadLines("caf\xC3\xA9 x\xC3\xA9\n"), V{"caf\xC3\xA9 x"});
  EXPECT_EQ(ReadLines("   \n"), V{"   "});
  EXPECT_EQ(ReadLines("line\r\n"), V{"line"});
  EXPECT_EQ(ReadLines(std::string_view("ab\0cd\x01\n", 7)), V{"ab"});  // cut at the NUL
  EXPECT_EQ(ReadLines(std::string_view("\0\0\n", 3)), V{""});
}

TEST(JournalFile, LinesOfAFileWithoutAFinalNewline) {
  EXPECT_EQ(ReadLines("first line\nsecond\t\nthird"), (std::vector<std::string>{"first line", "second", "third"}));
}

TEST(JournalFile, NewThenSaveWritesTheTwoHeadingLines) {
  TempDir dir;
  Session s;
  ASSERT_TRUE(s.doc.OnSaveDocument(dir.File("new.jrn")).ok);
  EXPECT_EQ(ReadBytes(dir.File("new.jrn")),
            "Program Mirto, journal of calculations.\nTo start program, click on `Select approach:'.\n");
  EXPECT_FALSE(s.doc.IsModified());
}

TEST(JournalFile, StartWithFileVersusOpenIntoRunningJournal) {
  TempDir dir;
  {
    Session s;
    ASSERT_TRUE(s.doc.OnSaveDocument(dir.File("j")).ok);
  }
  // Start with the file: exactly its lines.
  Session fresh;
  std::ostringstream out, err;
  const std::string journal = dir.File("j"), script = dir.File("s");
  WriteBytes(script, "");
  const char* argv[] = {script.c_str(), "--journal", journal.c_str()};
  EXPECT_EQ(BatchMain(3, argv, out, err), 0);
  EXPECT_EQ(Lines(out.str()).size(), 2u);
  // Open into a running journal: appended after its two lines.
  auto r = fresh.Run("open " + journal + "\n");
  EXPECT_EQ(fresh.doc.GetJournal().size(), 4u);
  EXPECT_FALSE(fresh.doc.IsModified());
  EXPECT_EQ(fresh.doc.GetPathName(), journal);
  // Save writes the old and the new lines together to the opened file.
  ASSERT_TRUE(fresh.doc.OnSaveDocument(fresh.doc.GetPathName()).ok);
  EXPECT_EQ(Lines(ReadBytes(journal)).size(), 4u);
}

TEST(JournalFile, SavedJournalReadsBackIdentical) {
  TempDir dir;
  Session s;
  s.Run("command 32810\nok 1000; 100; 50; 10; 95%\n");
  ASSERT_TRUE(s.doc.OnSaveDocument(dir.File("j")).ok);
  Journal back;
  ASSERT_TRUE(ReadJournalFile(dir.File("j"), back).ok);
  EXPECT_EQ(back.Lines(), s.doc.GetJournal().Lines());
}

TEST(JournalFile, UnreadableFileLeavesJournalAsItWas) {
  TempDir dir;
  Session s;
  FileResult missing = s.doc.OnOpenDocument(dir.File("absent"));
  EXPECT_FALSE(missing.ok);
  EXPECT_NE(missing.message.find("absent"), std::string::npos);
  FileResult folder = s.doc.OnOpenDocument(dir.File(""));
  EXPECT_FALSE(folder.ok);
  EXPECT_EQ(s.doc.GetJournal().size(), 2u);
}

// Fails every write after `budget` bytes.
long long g_budget = 0;
ssize_t FailingWrite(int fd, const void* data, std::size_t size) {
  if (g_budget <= 0) {
    errno = ENOSPC;
    return -1;
  }
  std::size_t n = std::min<std::size_t>(size, static_cast<std::size_t>(g_budget));
  g_budget -= static_cast<long long>(n);
  return ::write(fd, data, n);
}

TEST(JournalFile, InterruptedSaveLeavesOldFileWhole) {
  TempDir dir;
  const std::string path = dir.File("j");
  WriteBytes(path, "old contents\n");
  ::chmod(path.c_str(), 0640);
  Session s;
  s.Run("command 32804\nok 10; 2\n");
  ASSERT_TRUE(s.doc.IsModified());
  const std::vector<std::string> before = s.doc.GetJournal().Lines();
  const FileOps failing{&FailingWrite, &::fsync, &::rename};
  for (long long k = 0; k < 40; k += 7) {
    g_budget = k;
    FileResult r = s.doc.OnSaveDocument(path, failing);
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("No space left"), std::string::npos);
    EXPECT_EQ(ReadBytes(path), "old contents\n");
    EXPECT_TRUE(s.doc.IsModified());
    EXPECT_EQ(s.doc.GetJournal().Lines(), before);
  }
  // Nothing but the journal is left in the folder.
  EXPECT_EQ(std::distance(fs::directory_iterator(dir.File("")), fs::directory_iterator()), 1);
  ASSERT_TRUE(s.doc.OnSaveDocument(path).ok);
  struct stat st {};
  ::stat(path.c_str(), &st);
  EXPECT_EQ(st.st_mode & 0777, 0640u);  // the file keeps its permissions
  EXPECT_FALSE(s.doc.IsModified());
}

TEST(JournalFile, SaveToFolderIsRefused) {
  TempDir dir;
  Session s;
  s.doc.SetModifiedFlag(true);
  FileResult r = s.doc.OnSaveDocument(dir.File(""));
  EXPECT_FALSE(r.ok);
  EXPECT_TRUE(s.doc.IsModified());
}

}  // namespace
}  // namespace mirto::test
