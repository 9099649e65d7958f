// Cluster and two-stage sampling: point estimates and confidence intervals.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "support/ScriptRun.h"

namespace mirto {
namespace {

using test::Lines;
using test::RunScript;
using test::Session;

constexpr const char* kWarning = "Warning: Small sample or remainder.";

// `count` identical per-group answers.
std::string Rows(int count, const std::string& answer) {
  std::string rows;
  for (int i = 0; i < count; ++i) rows += "ok " + answer + "\n";
  return rows;
}

bool Warns(const test::ScriptResult& r) {
  return std::find(r.appended.begin(), r.appended.end(), kWarning) != r.appended.end();
}

// The result lines: everything after the group table.
std::vector<std::string> Results(const std::vector<std::string>& block, std::size_t from) {
  return {block.begin() + static_cast<std::ptrdiff_t>(std::min(from, block.size())), block.end()};
}

TEST(ClusterPoint, MeanAndTotalFromTwoGroups) {
  Session s;
  s.doc.m_nLastResult = 0;
  auto r = s.Run(
      "command Cluster > Mean/total of variable > Point estimates\n"
      "ok 100; 10; 2\nok 10; 5\nok 20; 8\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.appended, Lines(R"(*********
Target: Mean and total of variable
Method: Cluster random sampling
Objective: Point estimates
Estimator: Two-stage
Population size, N= 100
Number of groups, M= 10
Number of selected groups, m= 2
 Group no.       N_i       w_i     barY_i
         1         10     0.1000   5.000000
         2         20     0.2000   8.000000
Estimate of population mean: 10.500000
Estimate of population total: 1050.000000)"));
  EXPECT_TRUE(s.doc.IsModified());
  EXPECT_EQ(s.doc.m_nLastResult, 1);
  EXPECT_EQ(s.doc.m_dPopSize, 100.0);  // unlike the stratified routines
}

TEST(ClusterPoint, TwoStageDiffersOnlyInTheMethodLine) {
  const char* groups = "ok 100; 10; 2\nok 10; 5\nok 20; 8\n";
  auto cluster = RunScript(std::string("command Cluster > Mean/total of variable > Point estimates\n") + groups);
  auto twoStage = RunScript(std::string("command Two-stage > Mean/total of variable > Point estimates\n") + groups);
  ASSERT_EQ(twoStage.appended.size(), cluster.appended.size());
  EXPECT_EQ(twoStage.appended[2], "Method: Two-stage random sampling");
  cluster.appended[2] = twoStage.appended[2];
  EXPECT_EQ(twoStage.appended, cluster.appended);
}

TEST(ClusterPoint, ProportionAndNumber) {
  // P = (10 / 2) * (0.1 * 0.5 + 0.2 * 0.25) = 0.5 of 100 elements.
  auto r = RunScript(
      "command Two-stage > Proportion/number in category > Point estimates\n"
      "ok 100; 10; 2\nok 10; 0.5\nok 20; 0.25\n");
  EXPECT_EQ(r.appended, Lines(R"(*********
Target: Proportion and number in category
Method: Two-stage random sampling
Objective: Point estimates
Estimator: Two-stage
Population size, N= 100
Number of groups, M= 10
Number of selected groups, m= 2
 Group no.       N_i       w_i        P_i
         1         10     0.1000   0.500000
         2         20     0.2000   0.250000
Estimate of population proportion in category: 0.500000
Estimate of population number in category: 50)"));
}

TEST(ClusterInterval, MeanUnderClusterSampling) {
  // Group totals 50 and 160: s_b^2 = 6050, v(total) = 10^2 (1 - 2/10) 6050 / 2.
  auto r = RunScript(
      "command Cluster > Mean/total of variable > Interval estimates\n"
      "ok 100; 10; 2; 95%\nok 10; 5; 1\nok 20; 8; 2\n");
  EXPECT_EQ(r.appended, Lines(R"(*********
Target: Mean and total of variable
Method: Cluster random sampling
Objective: Confidence intervals
Estimator: Two-stage
Population size, N= 100
Number of groups, M= 10
Number of selected groups, m= 2
 Group no.    n_i=N_i        w_i     barY_i        S_i
         1         10     0.1000   5.000000   1.000000
         2         20     0.2000   8.000000   2.000000
Estimate of population mean: 10.500000
Estimate of population total: 1050.000000
Estimated std. deviation of estimator of pop. mean, Sd(barY_ts), is 4.919350 
Warning: Small sample or remainder.
Approx. 0.95 confidence interval for pop. mean is from 0.858075 to 20.141925
Approx. 0.95 confidence interval for pop. total is from 85.807488 to 2014.192512)"));
}

// Unit-level samples, with the group S_i entered as the root of the sum of
// squares over n_i (as the simple estimator takes its s). The textbook
// estimator, with s_i^2 over n_i - 1:
//   v(Y) = M^2 (1 - m/M) s_b^2 / m + (M/m) sum N_i^2 (1 - n_i/N_i) s_i^2 / n_i
// computed apart from the program (python3), for these samples:
//   group 1, N_i = 40: 2 6 2 6     group 2, N_i = 60: 0 2 4 6 3
//   group 3, N_i = 50: 1 1 1 3 3 3
TEST(ClusterInterval, TwoStageMeanMatchesTheTextbookEstimator) {
  auto r = RunScript(
      "command Two-stage > Mean/total of variable > Interval estimates\n"
      "ok 600; 12; 3; 95%\nok 40; 4; 4; 2\nok 60; 5; 3; 2\nok 50; 6; 2; 1\n");
  EXPECT_EQ(r.appended, Lines(R"(*********
Target: Mean and total of variable
Method: Two-stage random sampling
Objective: Confidence intervals
Estimator: Two-stage
Population size, N= 600
Number of groups, M= 12
Number of selected groups, m= 3
 Group no.        N_i        w_i        n_i     barY_i        S_i
         1         40     0.0667          4   4.000000   2.000000
         2         60     0.1000          5   3.000000   2.000000
         3         50     0.0833          6   2.000000   1.000000
Estimate of population mean: 2.933333
Estimate of population total: 1760.000000
Estimated std. deviation of estimator of pop. mean, Sd(barY_ts), is 0.486027 
Warning: Small sample or remainder.
Approx. 0.95 confidence interval for pop. mean is from 1.980720 to 3.885946
Approx. 0.95 confidence interval for pop. total is from 1188.432275 to 2331.567725)"));
}

// 0/1 samples: 1 0 0 1 1 (N_i = 30), 0 0 1 0 (45), 1 1 1 0 1 1 0 1 (25); the
// textbook s_i^2 is n_i P_i (1 - P_i) / (n_i - 1).
TEST(ClusterInterval, TwoStageProportionMatchesTheTextbookEstimator) {
  auto r = RunScript(
      "command Two-stage > Proportion/number in category > Interval estimates\n"
      "ok 700; 20; 3; 90%\nok 30; 5; 0.6\nok 45; 4; 0.25\nok 25; 8; 0.75\n");
  EXPECT_EQ(r.appended, Lines(R"(*********
Target:  Proportion and number in category
Method: Two-stage random sampling
Objective: Confidence intervals
Estimator: Two-stage
Population size, N= 700
Number of groups, M= 20
Number of selected groups, m= 3
 Group no.        N_i        w_i        n_i        P_i
         1         30     0.0429          5   0.600000
         2         45     0.0643          4   0.250000
         3         25     0.0357          8   0.750000
Estimate of population proportion: 0.457143
Estimate of population number: 320
Estimated std. deviation of estimator of pop. proportion, Sd(P_ts), is 0.079262 
Warning: Small sample or remainder.
Approx. 0.90 confidence interval for pop. proportion is from 0.326757 to 0.587529
Approx. 0.90 confidence interval for pop. number is from 229 to 411)"));
}

TEST(ClusterInterval, TwoStageWithWholeGroupsGivesTheClusterResult) {
  struct Case {
    const char* target;
    const char* clusterRows;
    const char* twoStageRows;
  };
  const Case cases[] = {
      {"Mean/total of variable", "ok 10; 5; 1\nok 20; 8; 2\nok 15; 6; 3\n",
       "ok 10; 10; 5; 1\nok 20; 20; 8; 2\nok 15; 15; 6; 3\n"},
      {"Proportion/number in category", "ok 10; 0.5\nok 20; 0.25\nok 15; 0.4\n",
       "ok 10; 10; 0.5\nok 20; 20; 0.25\nok 15; 15; 0.4\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.target);
    const std::string head = std::string(" > ") + c.target + " > Interval estimates\nok 100; 10; 3; 99%\n";
    auto cluster = RunScript("command Cluster" + head + c.clusterRows);
    auto twoStage = RunScript("command Two-stage" + head + c.twoStageRows);
    ASSERT_EQ(cluster.appended.size(), 18u);
    EXPECT_EQ(Results(twoStage.appended, 12), Results(cluster.appended, 12));
    EXPECT_EQ(cluster.appended[14].find(" is 0.000000 "), std::string::npos) << cluster.appended[14];
  }
}

// m <= 50 or M - m <= 50 warns; two-stage rows warn on n_i and N_i - n_i too.
TEST(ClusterInterval, SmallSampleWarning) {
  struct Case {
    const char* name;
    const char* method;
    const char* sizes;
    std::string rows;
    bool warns;
  };
  const std::string sixty = Rows(60, "200; 60; 4; 1");
  const Case cases[] = {
      {"remainder 140", "Cluster", "1000; 200; 60", Rows(60, "10; 4; 1"), false},
      {"remainder 50", "Cluster", "1000; 110; 60", Rows(60, "10; 4; 1"), true},
      {"sampled 50", "Cluster", "1000; 200; 50", Rows(50, "10; 4; 1"), true},
      {"two-stage, large rows", "Two-stage", "1000; 200; 60", sixty, false},
      {"two-stage, n_i = 50", "Two-stage", "1000; 200; 60", Rows(59, "200; 60; 4; 1") + "ok 200; 50; 4; 1\n", true},
      {"two-stage, N_i - n_i = 50", "Two-stage", "1000; 200; 60", "ok 110; 60; 4; 1\n" + Rows(59, "200; 60; 4; 1"),
       true},
      {"two-stage, whole groups", "Two-stage", "1000; 200; 60", Rows(60, "200; 200; 4; 1"), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto r = RunScript(std::string("command ") + c.method + " > Mean/total of variable > Interval estimates\nok " +
                       c.sizes + "; 95%\n" + c.rows);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Warns(r), c.warns);
    if (c.warns) {
      // Between the standard-deviation line and the interval lines.
      const std::size_t at = r.appended.size() - 3;
      EXPECT_EQ(r.appended[at], kWarning);
      EXPECT_EQ(r.appended[at - 1].rfind("Estimated std. deviation", 0), 0u);
    }
  }
}

TEST(ClusterInterval, ProportionWarnsOnTwoStageRowsOnly) {
  const std::string head = " > Proportion/number in category > Interval estimates\nok 1000; 200; 60; 95%\n";
  EXPECT_FALSE(Warns(RunScript("command Cluster" + head + Rows(60, "10; 0.5"))));
  EXPECT_TRUE(Warns(RunScript("command Two-stage" + head + Rows(60, "10; 10; 0.5"))));
  EXPECT_FALSE(Warns(RunScript("command Two-stage" + head + Rows(60, "200; 60; 0.5"))));
}

// No guard on the divisors: the block is still written, with nan and inf.
TEST(ClusterInterval, DegenerateInputStillAppendsTheBlock) {
  auto one = RunScript(
      "command Cluster > Mean/total of variable > Interval estimates\n"
      "ok 100; 1; 1; 95%\nok 100; 5; 1\n");
  EXPECT_EQ(Results(one.appended, 10), Lines(R"(Estimate of population mean: 5.000000
Estimate of population total: 500.000000
Estimated std. deviation of estimator of pop. mean, Sd(barY_ts), is nan 
Warning: Small sample or remainder.
Approx. 0.95 confidence interval for pop. mean is from nan to nan
Approx. 0.95 confidence interval for pop. total is from nan to nan)"));

  // n_i = 1 leaves no within-group degree of freedom.
  auto single = RunScript(
      "command Two-stage > Mean/total of variable > Interval estimates\n"
      "ok 100; 10; 2; 95%\nok 10; 1; 5; 1\nok 20; 4; 8; 2\n");
  ASSERT_EQ(single.appended.size(), 17u);
  EXPECT_EQ(single.appended[13], "Estimated std. deviation of estimator of pop. mean, Sd(barY_ts), is inf ");
  EXPECT_EQ(single.appended[15], "Approx. 0.95 confidence interval for pop. mean is from -inf to inf");
}

TEST(ClusterEntry, CancelOnALaterGroupAppendsNothing) {
  struct Case {
    const char* command;
    const char* firstGroup;
  };
  const Case cases[] = {
      {"Cluster > Mean/total of variable > Point estimates\nok 100; 10; 3", "10; 5"},
      {"Two-stage > Proportion/number in category > Interval estimates\nok 100; 10; 3; 95%", "10; 5; 0.5"},
      {"Two-stage > Mean/total of variable > Th. std. dev. of estimator\nok 100; 10; 3", "10; 5; 1; 2"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.command);
    Session s;
    s.doc.m_nLastResult = 1;
    auto r = s.Run(std::string("command ") + c.command + "\nok " + c.firstGroup + "\ncancel\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.appended.empty());
    EXPECT_TRUE(r.messages.empty());
    EXPECT_FALSE(s.doc.IsModified());
    EXPECT_EQ(s.doc.m_nLastResult, 0);
  }
}

}  // namespace
}  // namespace mirto
