// Where a block's figures came from: the data note inside the block, the
// names of its strata, the results files that carry them, and printed pages
// that keep a note with its block.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include "data/DataSession.h"
#include "extras/Charts.h"
#include "framework/Results.h"
#include "journal/PageLayout.h"
#include "journal/Selection.h"
#include "support/ScriptRun.h"
#include "support/SurveyFiles.h"

namespace mirto::test {
namespace {

// Strata written as text and as numbers out of order; region has no y in row 3.
constexpr char kStrata[] = "region,y\nNorth,10\nSouth,20\nNorth,\nWest,40\nSouth,24\nNorth,14\n";
constexpr char kSizes[] = "North;100\nSouth;200\nWest;300\n";

TEST(DataNote, StandsInsideItsBlockAfterTheReportLines) {
  DataDir dir;
  const std::string data = dir.Write("r.csv", kStrata), sizes = dir.Write("sizes.csv", kSizes);
  Session s;
  const ScriptResult r = s.Run("data " + data + "\npopulation " + sizes +
                               "\nuse y=y stratum=region\n"
                               "command Stratified > Mean/total of variable > Point estimates\n"
                               "use\ncommand 32804\nok 10; 1\n");
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_EQ(s.doc.Blocks().size(), 2u);
  const CompletedBlock& block = s.doc.Blocks()[0];
  const Journal& j = s.doc.GetJournal();
  // By hand: strata in order of first appearance; 5 units used, row 3 skipped;
  // total 100 * 12 + 200 * 22 + 300 * 40.
  const std::vector<std::string> note{"Data file: " + data, "Data variables: y=y stratum=region",
                                      "Data strata: 1 = North, 2 = South, 3 = West", "Data population sizes: " + sizes,
                                      "Data units: 5 used, 1 skipped as missing"};
  EXPECT_EQ(block.note, note);
  EXPECT_EQ(block.names, (std::vector<std::string>{"North", "South", "West"}));
  EXPECT_EQ(j[block.firstLine], kBlockSeparator);
  EXPECT_EQ(j[block.NoteEnd() - note.size() - 1], "Estimate of population total: 17600.000000");
  for (std::size_t k = 0; k < note.size(); ++k) EXPECT_EQ(j[block.firstLine + block.lines + k], note[k]);
  EXPECT_EQ(j[block.NoteEnd()], kBlockSeparator);  // the next block follows the note
  // Every line from the separator to the next one is this block's.
  for (std::size_t line = block.firstLine; line < block.End(); ++line) {
    EXPECT_EQ(FindBlock(s.doc.Blocks(), line), &block) << line;
    EXPECT_EQ(BlockAt(j, line).first, static_cast<long long>(block.firstLine));
    EXPECT_EQ(BlockAt(j, line).last, static_cast<long long>(block.End() - 1));
  }
  // A block run from typed figures has no note.
  EXPECT_TRUE(s.doc.Blocks()[1].note.empty());
}

TEST(DataNote, ChartsNameEachStratum) {
  DataDir dir;
  const std::string data = dir.Write("r.csv", "region,y\nNorth,10\nSouth,20\nWest,40\nSouth,24\nNorth,14\nWest,44\n");
  const std::string sizes = dir.Write("sizes.csv", kSizes);
  Session s;
  ASSERT_EQ(s.Run("data " + data + "\npopulation " + sizes +
                  "\nuse y=y stratum=region\ncommand Stratified > Mean/total of variable > Interval estimates\n"
                  "ok 95%\n")
                .status,
            0);
  const CompletedBlock& block = s.doc.Blocks()[0];
  const auto chart = extras::ChartFor(*block.command, NamedRecord(block));
  ASSERT_TRUE(chart.has_value());
  std::vector<std::string> labels;
  for (const extras::ChartInterval& i : chart->intervals) labels.push_back(i.label);
  EXPECT_EQ(labels, (std::vector<std::string>{"North", "South", "West", "Population"}));
  // By hand: North's mean is (10 + 14) / 2.
  EXPECT_EQ(chart->intervals[0].estimate, 12);
}

TEST(DataNote, ResultsNameEachStratumAndTheCommand) {
  DataDir dir;
  const std::string data = dir.Write("r.csv", kStrata), sizes = dir.Write("sizes.csv", kSizes);
  Session s;
  ASSERT_EQ(s.Run("data " + data + "\npopulation " + sizes +
                  "\nuse y=y stratum=region\ncommand Stratified > Mean/total of variable > Point estimates\n")
                .status,
            0);
  const auto json = nlohmann::json::parse(ResultJson(s.doc.Blocks()[0], 1));
  const auto& strata = json["inputs"]["strata"];
  ASSERT_EQ(strata.size(), 3u);
  // By hand: North 10, 14 -> 12; South 20, 24 -> 22; West 40.
  const std::pair<const char*, double> rows[] = {{"North", 12}, {"South", 22}, {"West", 40}};
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(strata[i]["name"], rows[i].first);
    EXPECT_EQ(strata[i]["barY_i"].get<double>(), rows[i].second);
    EXPECT_EQ(json["results"]["strata"][i]["name"], rows[i].first);
  }
  const std::vector<std::string> csv = ResultCsv(s.doc.Blocks());
  const std::string path = ",Stratified > Mean/total of variable > Point estimates";
  EXPECT_EQ(csv[0], "block,command,name,index,value,path");
  for (const std::string row : {"1,32852,strata.name,3,West", "1,32852,strata.barY_i,3,40", "1,32852,groups,,3"})
    EXPECT_NE(std::find(csv.begin(), csv.end(), row + path), csv.end()) << row;
  const std::string table = "groups\t3\nstrata\tname\tN_i\tbarY_i\n1\tNorth\t100\t12\n";
  EXPECT_EQ(ResultRows(NamedRecord(s.doc.Blocks()[0])).substr(0, table.size()), table);
}

TEST(DataNote, NamesLine) {
  std::vector<std::string> many;
  for (int i = 0; i < 23; ++i) many.push_back("s" + std::to_string(i + 1));
  std::string manyLine = "Data groups:";
  for (int i = 1; i <= 20; ++i) manyLine += (i > 1 ? ", " : " ") + std::to_string(i) + " = s" + std::to_string(i);
  const struct {
    data::Role by;
    std::vector<std::string> names;
    std::string line;
  } cases[] = {
      {data::Role::Stratum, {"2", "1"}, "Data strata: 1 = 2, 2 = 1"},
      {data::Role::Group,
       {"Nord, Est", "a=b", " x", "\"q\""},
       "Data groups: 1 = \"Nord, Est\", 2 = \"a=b\", 3 = \" x\", 4 = \"\"\"q\"\"\""},
      {data::Role::Stratum, {"Zürich", "tab\there"}, "Data strata: 1 = Zürich, 2 = tab\\x09here"},
      {data::Role::Group, many, manyLine + " and 3 more"},
  };
  for (const auto& c : cases) EXPECT_EQ(data::NamesLine(c.by, c.names), c.line);
}

// A heading line and blocks of the given lengths (separator included), each
// ending in a note of the given lines.
Journal Blocks(std::initializer_list<std::pair<int, int>> blocks) {
  Journal j;
  j.push_back("Program Mirto, journal of calculations.");
  for (const auto& [length, note] : blocks) {
    j.push_back(kBlockSeparator);
    for (int i = 1; i < length - note; ++i) j.push_back("Estimate " + std::to_string(i));
    for (int i = 0; i < note; ++i) j.push_back("Data units: " + std::to_string(i));
  }
  return j;
}

TEST(PrintedPages, BreakBetweenBlocksAndKeepTheNoteWithItsBlock) {
  const struct {
    const char* what;
    Journal journal;
    std::size_t perPage;
    std::vector<std::size_t> starts;  // worked out by hand
  } cases[] = {
      {"blocks that fit fill pages whole", Blocks({{4, 0}, {5, 0}}), 5, {0, 5}},
      {"a block that fits starts a page", Blocks({{4, 2}, {6, 2}}), 8, {0, 5}},
      // One block too long for a page: lines 1..30, its note 28..30. A break
      // at 27 to 30 would part the note from the block's last two lines.
      {"a long block fills its pages", Blocks({{30, 3}}), 14, {0, 14, 26}},
      {"a break in the note moves up", Blocks({{30, 3}}), 15, {0, 15, 26}},
      {"a break right before the note moves up", Blocks({{30, 3}}), 27, {0, 26}},
      {"two lines before the note it stays", Blocks({{30, 3}}), 26, {0, 26}},
      {"an empty journal is one page", Journal(), 10, {0}},
  };
  for (const auto& c : cases) EXPECT_EQ(PageStarts(c.journal, c.perPage), c.starts) << c.what;
  const std::vector<std::size_t> starts{0, 11};
  EXPECT_EQ(PageBody(starts, 1, 16).last, 10);
  EXPECT_EQ(PageBody(starts, 2, 16).first, 11);
  EXPECT_EQ(PageBody(starts, 2, 16).last, 15);
  EXPECT_TRUE(PageBody(starts, 3, 16).empty());
  EXPECT_EQ(PageFoot(2, 17), "Page 2 of 17");
  EXPECT_EQ(BodyLinesPerPage(600, 10), 56);  // 60 lines less heading and foot
  EXPECT_EQ(BodyLinesPerPage(30, 10), 1);
}

}  // namespace
}  // namespace mirto::test
