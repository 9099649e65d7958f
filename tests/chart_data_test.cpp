// The charts' figures come from the block's record: stratum intervals by the
// simple random sampling formula within each stratum, and the required n
// over margins (by hand, in Python: y -+ 1.96 sqrt((N-n) s^2 / ((n-1) N)),
// and n = N D / ((N-1) (d/1.96)^2 + D) with D = 0.3 * 0.7, N = 5000).
#include <gtest/gtest.h>

#include "extras/Charts.h"
#include "framework/Registry.h"
#include "support/Files.h"
#include "support/ScriptRun.h"

namespace mirto::test {
namespace {

std::optional<extras::ChartData> ChartOfLastBlock(Session& s) {
  const CompletedBlock& block = s.doc.Blocks().back();
  return extras::ChartFor(*block.command, block.record);
}

TEST(Charts, StrataIntervalsThenThePopulation) {
  Session s;
  ASSERT_EQ(s.Run("command 32853\nok 2; 95%\nok 600; 60; 10; 3\nok 400; 40; 20; 4\n").status, 0);
  const auto chart = ChartOfLastBlock(s);
  ASSERT_TRUE(chart);
  ASSERT_EQ(chart->intervals.size(), 3u);
  EXPECT_EQ(chart->intervals[0].label, "Stratum 1");
  EXPECT_DOUBLE_EQ(chart->intervals[0].estimate, 10);
  EXPECT_NEAR(chart->intervals[0].low, 9.27377269281931, 1e-12);
  EXPECT_NEAR(chart->intervals[0].high, 10.72622730718069, 1e-12);
  EXPECT_NEAR(chart->intervals[1].low, 18.80901850430961, 1e-12);
  EXPECT_NEAR(chart->intervals[1].high, 21.19098149569039, 1e-12);
  const Record& record = s.doc.Blocks().back().record;
  EXPECT_EQ(chart->intervals[2].label, "Population");
  EXPECT_EQ(chart->intervals[2].low, record.Get("mean_low"));
  EXPECT_EQ(chart->intervals[2].high, record.Get("mean_high"));
}

TEST(Charts, SampleSizeOverMargins) {
  Session s;
  ASSERT_EQ(s.Run("command Simple > Proportion/number in category > Sample size > Simple\n"
                  "ok 5000; 0.3; Proportion; 0.05; 95%\n")
                .status,
            0);
  const auto chart = ChartOfLastBlock(s);
  ASSERT_TRUE(chart);
  ASSERT_EQ(chart->kind, extras::ChartData::Kind::SampleSize);
  ASSERT_EQ(chart->curve.size(), 31u);
  EXPECT_DOUBLE_EQ(chart->curve.front().first, 0.025);
  EXPECT_NEAR(chart->curve.front().second, 1026.0916061642622, 1e-9);
  EXPECT_NEAR(chart->curve[10].second, 303.1876464007403, 1e-9);  // the margin entered
  EXPECT_DOUBLE_EQ(chart->curve.back().first, 0.1);
  EXPECT_NEAR(chart->curve.back().second, 79.40825174278913, 1e-9);
  EXPECT_EQ(chart->entered.first, 0.05);
  EXPECT_NEAR(chart->entered.second, 303.1876464007403, 1e-9);
}

// Stratified (the guide's example; by hand n = A / (N^2 (d/1.96)^2 + B), A = sum N_i^2 sigma_i^2 / v_i,
// B = sum N_i sigma_i^2).
TEST(Charts, StratifiedSampleSizeOverMargins) {
  Session s;
  ASSERT_EQ(s.Run("command Stratified > Mean/total of variable > Sample size\nok 2; Mean; 1; 95%\n"
                  "ok 600; 0.5; 10\nok 400; 0.5; 20\n")
                .status,
            0);
  const auto chart = ChartOfLastBlock(s);
  ASSERT_TRUE(chart);
  ASSERT_EQ(chart->curve.size(), 31u);
  EXPECT_NEAR(chart->curve.front().second, 701.5647143044984, 1e-9);
  EXPECT_NEAR(chart->curve[10].second, 416.3992993531156, 1e-9);
  EXPECT_NEAR(chart->curve.back().second, 158.57500445806446, 1e-9);
  EXPECT_NEAR(chart->entered.second, 416.3992993531156, 1e-9);
}

// A table of estimates by domain: a row each, named by the domain (weighted
// means by hand: (2 + 4) / 2 = 3 and (6 + 8) / 2 = 7), bounds from the record.
TEST(Charts, DomainsOfASurveyEstimate) {
  TempDir dir;
  WriteBytes(dir / "units.csv", "w,y,d\n1,2,a\n1,4,a\n1,6,b\n1,8,b\n");
  Session s;
  ASSERT_EQ(s.Run("data " + (dir / "units.csv") + "\ndesign weight=w\nestimate mean y by=d\n").status, 0);
  const auto chart = ChartOfLastBlock(s);
  ASSERT_TRUE(chart);
  ASSERT_EQ(chart->intervals.size(), 2u);
  EXPECT_EQ(chart->intervals[0].label, "a");
  EXPECT_DOUBLE_EQ(chart->intervals[0].estimate, 3);
  EXPECT_EQ(chart->intervals[1].label, "b");
  EXPECT_DOUBLE_EQ(chart->intervals[1].estimate, 7);
  int tables = 0;
  for (const Table& t : s.doc.Blocks().back().record.tables())
    if (t.key() == "estimates" && t.section() == Section::Results) {
      ++tables;
      ASSERT_EQ(t.columns()[3], "low");  // by_d, estimate, se, low, high, ...
      EXPECT_EQ(chart->intervals[1].low, t.at(1, 3));
      EXPECT_EQ(chart->intervals[1].high, t.at(1, 4));
    }
  EXPECT_EQ(tables, 1);
}

// A point estimate has nothing to draw; nor a stratum whose interval is not defined (n_i = 1).
TEST(Charts, NoneWhereNothingIsDefined) {
  Session s;
  ASSERT_EQ(s.Run("command 32804\nok 1000; 25.5\n").status, 0);
  EXPECT_FALSE(ChartOfLastBlock(s));
  ASSERT_EQ(s.Run("command 32853\nok 2; 95%\nok 600; 1; 10; 3\nok 400; 40; 20; 4\n").status, 0);
  EXPECT_FALSE(ChartOfLastBlock(s));
}

}  // namespace
}  // namespace mirto::test
