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
  ASSERT_EQ(chart->series.at(0).points.size(), 31u);
  EXPECT_DOUBLE_EQ(chart->series.at(0).points.front().first, 0.025);
  EXPECT_NEAR(chart->series.at(0).points.front().second, 1026.0916061642622, 1e-9);
  EXPECT_NEAR(chart->series.at(0).points[10].second, 303.1876464007403, 1e-9);  // the margin entered
  EXPECT_DOUBLE_EQ(chart->series.at(0).points.back().first, 0.1);
  EXPECT_NEAR(chart->series.at(0).points.back().second, 79.40825174278913, 1e-9);
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
  ASSERT_EQ(chart->series.at(0).points.size(), 31u);
  EXPECT_NEAR(chart->series.at(0).points.front().second, 701.5647143044984, 1e-9);
  EXPECT_NEAR(chart->series.at(0).points[10].second, 416.3992993531156, 1e-9);
  EXPECT_NEAR(chart->series.at(0).points.back().second, 158.57500445806446, 1e-9);
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

// Two-stage: each cluster's interval as a simple random sample of n_i from N_i,
// y -+ 1.96 sqrt((N_i - n_i) S_i^2 / ((n_i - 1) N_i)) (by hand, in Python with
// mpmath); under cluster sampling a cluster is observed whole, a point.
TEST(Charts, ClusterIntervals) {
  Session s;
  ASSERT_EQ(s.Run("command Two-stage > Mean/total of variable > Interval estimates\n"
                  "ok 600; 12; 3; 95%\nok 40; 4; 4; 2\nok 60; 5; 3; 2\nok 50; 6; 2; 1\n")
                .status,
            0);
  auto chart = ChartOfLastBlock(s);
  ASSERT_TRUE(chart);
  ASSERT_EQ(chart->intervals.size(), 4u);
  EXPECT_EQ(chart->intervals[0].label, "Cluster 1");
  EXPECT_NEAR(chart->intervals[0].low, 1.8529275745797488, 1e-12);
  EXPECT_NEAR(chart->intervals[1].high, 4.8765571312024227, 1e-12);
  EXPECT_EQ(chart->intervals[3].low, s.doc.Blocks().back().record.Get("mean_low"));
  ASSERT_EQ(s.Run("command Cluster > Proportion/number in category > Interval estimates\n"
                  "ok 500; 12; 3; 90%\nok 40; 0.5\nok 35; 0.2\nok 50; 0.35\n")
                .status,
            0);
  chart = ChartOfLastBlock(s);
  ASSERT_TRUE(chart);
  ASSERT_EQ(chart->intervals.size(), 4u);
  EXPECT_EQ(chart->intervals[1].low, 0.2);
  EXPECT_EQ(chart->intervals[1].high, 0.2);
  EXPECT_EQ(chart->intervals[3].label, "Population");
}

// A line per level through the table's margins (n by hand, as the sample-size
// test above, N = 1000, sigma = 10: 1000 x 100 / (999 (e/z)^2 + 100)).
TEST(Charts, SensitivityLinePerLevel) {
  Session s;
  ASSERT_EQ(s.Run("command Simple > Mean/total of variable > Sensitivity of n\nok 1000; 10; Mean; 1\n").status, 0);
  const auto chart = ChartOfLastBlock(s);
  ASSERT_TRUE(chart);
  ASSERT_EQ(chart->kind, extras::ChartData::Kind::SampleSize);
  ASSERT_EQ(chart->series.size(), 3u);
  const char* names[] = {"90%", "95%", "99%"};
  const double atHalf[] = {520.03689806429296, 606.01662696597309, 726.5493783391633};
  const double atTwo[] = {63.423414766198632, 87.704558737580362, 142.41153532886758};
  for (std::size_t k = 0; k < 3; ++k) {
    EXPECT_EQ(chart->series[k].name, names[k]);
    ASSERT_EQ(chart->series[k].points.size(), 6u);
    EXPECT_EQ(chart->series[k].points.front().first, 0.5);
    EXPECT_NEAR(chart->series[k].points.front().second, atHalf[k], 1e-9);
    EXPECT_EQ(chart->series[k].points.back().first, 2);
    EXPECT_NEAR(chart->series[k].points.back().second, atTwo[k], 1e-9);
  }
  EXPECT_EQ(chart->entered.first, 1);
  EXPECT_NEAR(chart->entered.second, 277.7408253564302, 1e-9);
}

// Post-strata of 2, 3 and 1 units of weight 1 with totals 4, 3 and 5: g = 2,
// 1 and 5 (by hand), so from 1 to 5 in bins of 0.2: bin 0 holds the 3 units
// at g = 1, bin (2 - 1) / 0.2 = 5 the 2 at 2, the last the 1 at 5.
TEST(Charts, HistogramOfG) {
  TempDir dir;
  WriteBytes(dir / "units.csv", "w,y,d\n1,1,a\n1,2,a\n1,3,b\n1,4,b\n1,5,b\n1,6,c\n");
  WriteBytes(dir / "totals.csv", "variable,category,total\nd,a,4\nd,b,3\nd,c,5\n");
  Session s;
  ASSERT_EQ(s.Run("data " + (dir / "units.csv") +
                  "\ndesign weight=w\ncalibrate poststrata=d totals=" + (dir / "totals.csv") + "\n")
                .status,
            0);
  const auto chart = ChartOfLastBlock(s);
  ASSERT_TRUE(chart);
  ASSERT_EQ(chart->kind, extras::ChartData::Kind::Histogram);
  ASSERT_EQ(chart->bins.size(), 20u);
  double sum = 0;
  for (std::size_t k = 0; k < 20; ++k) {
    const double expected = k == 0 ? 3 : k == 5 ? 2 : k == 19 ? 1 : 0;
    EXPECT_EQ(chart->bins[k].count, expected) << k;
    EXPECT_NEAR(chart->bins[k].low, 1 + 0.2 * static_cast<double>(k), 1e-12);
    sum += chart->bins[k].count;
  }
  EXPECT_EQ(sum, s.doc.Blocks().back().record.Get("units"));
  EXPECT_EQ(chart->bins.back().high, 5);
  // Every g the same (totals twice the sample's): one bin of all 6 units.
  WriteBytes(dir / "twice.csv", "variable,category,total\nd,a,4\nd,b,6\nd,c,2\n");
  const ScriptResult again = s.Run("data " + (dir / "units.csv") +
                                   "\ndesign weight=w\ncalibrate poststrata=d totals=" + (dir / "twice.csv") + "\n");
  ASSERT_EQ(again.status, 0) << again.err;
  const auto same = ChartOfLastBlock(s);
  ASSERT_TRUE(same);
  ASSERT_EQ(same->bins.size(), 1u);
  EXPECT_EQ(same->bins[0].count, 6);
  EXPECT_EQ(same->bins[0].low, 2);
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
