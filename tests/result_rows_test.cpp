// A block's record as rows to paste into a spreadsheet, and the block that
// holds a journal line.
#include <gtest/gtest.h>

#include <cmath>

#include "framework/Results.h"
#include "support/ScriptRun.h"

namespace mirto::test {
namespace {

TEST(ResultRows, FiguresAsNameAndValueInputsFirst) {
  Session s;
  const ScriptResult r = s.Run("command 32810\nok 1000; 100; 50; 10; 95%\n");
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_EQ(s.doc.Blocks().size(), 1u);
  const std::vector<std::string> rows = Lines(ResultRows(s.doc.Blocks()[0].record));
  ASSERT_GE(rows.size(), 7u);
  EXPECT_EQ(std::vector<std::string>(rows.begin(), rows.begin() + 6),
            (std::vector<std::string>{"population_size\t1000", "sample_size\t100", "sample_mean\t50", "sample_sd\t10",
                                      "confidence\t0.95", "z\t1.96"}));
  // By hand: sd = 10 * sqrt(900 / (99 * 1000)) = 0.95346258924559...; 50 -+ 1.96 * sd.
  const double sd = 0.953462589245592, half = 1.96 * sd;
  const std::pair<const char*, double> results[] = {{"mean", 50},
                                                    {"total", 50000},
                                                    {"sd_mean", sd},
                                                    {"mean_low", 50 - half},
                                                    {"mean_high", 50 + half},
                                                    {"total_low", 1000 * (50 - half)},
                                                    {"total_high", 1000 * (50 + half)}};
  ASSERT_EQ(rows.size(), 6u + std::size(results));
  for (std::size_t i = 0; i < std::size(results); ++i) {
    const std::string& row = rows[6 + i];
    const std::size_t tab = row.find('\t');
    EXPECT_EQ(row.substr(0, tab), results[i].first);
    EXPECT_NEAR(std::stod(row.substr(tab + 1)), results[i].second, 1e-9 * std::abs(results[i].second)) << row;
  }
}

TEST(ResultRows, TablesAsAHeaderAndNumberedRows) {
  Record record;
  record.Input("groups", 2).Result("mean", -0.5).Result("sd", std::nan(""));
  record.AddTable(Section::Inputs, "strata", {"size", "share"}).AddRow({600, 0.6});
  record.AddTable(Section::Inputs, "none", {"x"});
  Table& rows = record.AddTable(Section::Results, "allocation", {"n"});
  rows.AddRow({12.5});
  rows.AddRow({1e300});
  EXPECT_EQ(ResultRows(record),
            "groups\t2\nstrata\tsize\tshare\n1\t600\t0.6\nnone\tx\n"
            "mean\t-0.5\nsd\tnan\nallocation\tn\n1\t12.5\n2\t1e+300\n");
}

TEST(ResultRows, TheBlockOfALine) {
  Session s;
  ASSERT_EQ(s.Run("command 32804\nok 1000; 25.5\ncommand 32804\nok 10; 2\n").status, 0);
  const std::vector<CompletedBlock>& blocks = s.doc.Blocks();
  ASSERT_EQ(blocks.size(), 2u);
  ASSERT_EQ(blocks[1].firstLine, 10u);
  EXPECT_EQ(FindBlock(blocks, 0), nullptr);
  EXPECT_EQ(FindBlock(blocks, 1), nullptr);
  EXPECT_EQ(FindBlock(blocks, 2), &blocks[0]);
  EXPECT_EQ(FindBlock(blocks, 9), &blocks[0]);
  EXPECT_EQ(FindBlock(blocks, 10), &blocks[1]);
  EXPECT_EQ(FindBlock(blocks, 17), &blocks[1]);
  EXPECT_EQ(FindBlock(blocks, 18), nullptr);
  EXPECT_EQ(FindBlock({}, 3), nullptr);
}

}  // namespace
}  // namespace mirto::test
