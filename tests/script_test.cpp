// Block tests as data: every script under tests/scripts/ and examples/ runs
// from its own folder as `mirto --batch SCRIPT` runs it, and the files beside
// it say what it must write (tests/scripts/README.md). Whatever they say,
// every block a script makes must carry a record that holds every figure the
// block prints, under keys docs/results.md documents.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <sstream>

#include "batch/Batch.h"
#include "support/Files.h"
#include "support/RecordCheck.h"
#include "support/ScriptRun.h"

namespace mirto::test {
namespace {

namespace fs = std::filesystem;

struct ScriptFile {
  fs::path path;
  std::string name;  // the test's: its folder and stem, as a C++ name
};

void PrintTo(const ScriptFile& script, std::ostream* out) { *out << script.path; }

std::string TestName(std::string name) {
  std::replace_if(
      name.begin(), name.end(), [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
  return name;
}

std::vector<ScriptFile> Scripts() {
  std::vector<ScriptFile> scripts;
  const fs::path root = TestSourceDir() + "/scripts";
  for (const auto& entry : fs::recursive_directory_iterator(root))
    if (entry.path().extension() == ".mirto")
      scripts.push_back({entry.path(), TestName(fs::relative(entry.path(), root).replace_extension().string())});
  for (const auto& entry : fs::directory_iterator(MIRTO_EXAMPLES_DIR))
    if (entry.path().extension() == ".mirto")
      scripts.push_back({entry.path(), "examples_" + TestName(entry.path().stem().string())});
  std::sort(scripts.begin(), scripts.end(), [](const auto& a, const auto& b) { return a.name < b.name; });
  return scripts;
}

fs::path Beside(const fs::path& script, const char* extension) { return fs::path(script).replace_extension(extension); }

// Data files are named relative to the folder the program runs in.
class InFolder {
 public:
  explicit InFolder(const fs::path& folder) : m_before(fs::current_path()) { fs::current_path(folder); }
  ~InFolder() { fs::current_path(m_before); }
  InFolder(const InFolder&) = delete;
  InFolder& operator=(const InFolder&) = delete;

 private:
  fs::path m_before;
};

struct BatchRun {
  int status;
  std::string out, err;
};

// `mirto --batch NAME` in the current folder.
BatchRun Batch(const std::string& name) {
  std::ostringstream out, err;
  const char* argv[] = {name.c_str()};
  const int status = BatchMain(1, argv, out, err);
  return {status, out.str(), err.str()};
}

std::vector<std::string> JournalLines(const CTervoDoc& doc) {
  std::vector<std::string> lines;
  for (std::size_t i = 0; i < doc.GetJournal().size(); ++i) lines.emplace_back(doc.GetJournal()[i]);
  return lines;
}

void ExpectDocumented(const std::optional<Record>& record) {
  static const std::string docs = ReadBytes(std::string(MIRTO_DOCS_DIR) + "/results.md");
  if (!record) return;
  for (const std::string& key : RecordKeys(*record)) {
    // Columns named after the user's by variables are documented once.
    const std::string documented = key.starts_with("by_") ? "by_VARIABLE" : key;
    EXPECT_NE(docs.find("`" + documented + "`"), std::string::npos) << key << " is not in docs/results.md";
  }
}

// `lines` is `base` with `inserted` put in, in their order, each where it falls.
bool Interleaves(const std::vector<std::string>& lines, const std::vector<std::string>& base,
                 const std::vector<std::string>& inserted) {
  if (lines.size() != base.size() + inserted.size()) return false;
  // can[j], at row i: the first i + j lines are base's first i and inserted's first j.
  std::vector<char> can(inserted.size() + 1, false);
  for (std::size_t i = 0; i <= base.size(); ++i)
    for (std::size_t j = 0; j <= inserted.size(); ++j) {
      if (i == 0 && j == 0) {
        can[0] = true;
        continue;
      }
      const std::string& line = lines[i + j - 1];
      can[j] = (i > 0 && can[j] && base[i - 1] == line) || (j > 0 && can[j - 1] && inserted[j - 1] == line);
    }
  return can[inserted.size()];
}

// NAME.twin: the twin's journal with the lines below its name put in.
void ExpectTwin(const fs::path& twinFile, const BatchRun& run) {
  const std::vector<std::string> twinLines = Lines(ReadBytes(twinFile.string()));
  ASSERT_FALSE(twinLines.empty()) << twinFile << " names no twin";
  const BatchRun twin = Batch(twinLines[0]);
  ASSERT_EQ(twin.status, 0) << twin.err;
  EXPECT_TRUE(Interleaves(Lines(run.out), Lines(twin.out), {twinLines.begin() + 1, twinLines.end()}))
      << "the journal is not " << twinLines[0] << "'s with the lines of " << twinFile.filename() << " put in:\n"
      << run.out;
}

// NAME.extras: with `extras on` first, each block is followed by its lines
// of additional figures, and the rest of the journal is as it was.
void ExpectExtras(const fs::path& extrasFile, const std::string& script, const CTervoDoc& plain) {
  Session on;
  const ScriptResult r = on.Run("extras on\n" + script);
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_EQ(on.doc.Blocks().size(), plain.Blocks().size());
  const std::vector<std::string> journal = JournalLines(on.doc);
  std::vector<bool> additional(journal.size());
  for (std::size_t b = 0; b < on.doc.Blocks().size(); ++b) {
    const CompletedBlock &with = on.doc.Blocks()[b], &without = plain.Blocks()[b];
    EXPECT_EQ(with.lines, without.lines);
    EXPECT_FALSE(without.extras);
    EXPECT_EQ(with.extras.has_value(), with.extraLines > 0);
    for (std::size_t i = with.NoteEnd() + with.ownExtraLines; i < with.End(); ++i) additional.at(i) = true;
    ExpectDocumented(with.extras);
  }
  std::vector<std::string> added, rest;
  for (std::size_t i = 0; i < journal.size(); ++i) (additional[i] ? added : rest).push_back(journal[i]);
  EXPECT_EQ(added, Lines(ReadBytes(extrasFile.string())));
  EXPECT_EQ(rest, JournalLines(plain));
}

void CheckScript(const fs::path& script) {
  InFolder here(script.parent_path());
  const fs::path status = Beside(script, ".status"), stderrFile = Beside(script, ".stderr"),
                 expected = Beside(script, ".expected"), twin = Beside(script, ".twin"),
                 extras = Beside(script, ".extras");
  const BatchRun run = Batch(script.filename().string());
  EXPECT_EQ(run.status, fs::exists(status) ? std::stoi(ReadBytes(status.string())) : 0) << run.err;
  if (fs::exists(stderrFile)) {
    EXPECT_EQ(run.err, ReadBytes(stderrFile.string()));
  }
  if (fs::exists(expected)) {
    EXPECT_EQ(run.out, ReadBytes(expected.string()));
  }
  if (fs::exists(twin)) ExpectTwin(twin, run);

  const std::string text = ReadBytes(script.string());
  Session s;
  s.Run(text);
  // A script that runs to its end is there for its blocks.
  if (!fs::exists(status)) {
    EXPECT_FALSE(s.doc.Blocks().empty());
  }
  for (const CompletedBlock& block : s.doc.Blocks()) {
    SCOPED_TRACE(s.doc.GetJournal()[block.firstLine + 1]);
    ASSERT_NE(block.command, nullptr);
    EXPECT_EQ(MissingFigures(s.doc, block), "");
    ExpectDocumented(block.record);
    ExpectDocumented(block.extras);
  }
  if (fs::exists(extras)) ExpectExtras(extras, text, s.doc);
}

class Script : public testing::TestWithParam<ScriptFile> {};

// NAME.known marks a known departure: its failures are listed as the reason
// the case is skipped, and a case that passes again must lose its marker.
TEST_P(Script, WritesWhatTheFilesBesideItSay) {
  const fs::path known = Beside(GetParam().path, ".known");
  if (!fs::exists(known)) {
    CheckScript(GetParam().path);
    return;
  }
  testing::TestPartResultArray failures;
  {
    testing::ScopedFakeTestPartResultReporter intercept(
        testing::ScopedFakeTestPartResultReporter::INTERCEPT_ONLY_CURRENT_THREAD, &failures);
    CheckScript(GetParam().path);
  }
  if (failures.size() == 0) FAIL() << GetParam().path << " passes: remove " << known.filename();
  GTEST_SKIP() << "known departure: " << ReadBytes(known.string())
               << "first failure: " << failures.GetTestPartResult(0).message();
}

INSTANTIATE_TEST_SUITE_P(Files, Script, testing::ValuesIn(Scripts()),
                         [](const testing::TestParamInfo<ScriptFile>& script) { return script.param.name; });

TEST(ScriptTwin, LinesPutInWhereTheyFall) {
  const std::vector<std::string> base{"a", "b", "c"};
  EXPECT_TRUE(Interleaves({"n", "a", "b", "n", "c"}, base, {"n", "n"}));
  EXPECT_TRUE(Interleaves({"a", "b", "a", "c"}, base, {"a"}));
  EXPECT_FALSE(Interleaves({"a", "c", "b", "n"}, base, {"n"}));
  EXPECT_FALSE(Interleaves({"a", "b", "c"}, base, {"n"}));
  EXPECT_FALSE(Interleaves({"a", "b", "c", "m"}, base, {"n"}));
}

}  // namespace
}  // namespace mirto::test
