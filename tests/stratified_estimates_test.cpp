// Stratified point estimates, confidence intervals and theoretical standard
// deviations, run as a user would through the command and its forms.
#include <gtest/gtest.h>

#include <algorithm>

#include "support/ScriptRun.h"

namespace mirto {
namespace {

using test::Lines;
using test::Session;

TEST(StratifiedEstimates, MeanPointWeighsGroupMeansByGroupSize) {
  Session s;
  auto r = s.Run(
      "command Stratified > Mean/total of variable > Point estimates\n"
      "ok 2\nok 600; 10\nok 400; 20\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.appended, Lines(R"(*********
Target: Mean and total of variable
Method: Stratified random sampling
Objective: Point estimates
Estimator: Stratified
 Group no.       N_i       w_i     barY_i
         1        600     0.6000  10.000000
         2        400     0.4000  20.000000
Population size, N= 1000
Estimate of population mean: 14.000000
Estimate of population total: 14000.000000)"));
  EXPECT_EQ(s.doc.m_dPopSize, 1000.0);
  EXPECT_EQ(s.doc.m_nLastResult, 1);
  EXPECT_TRUE(s.doc.IsModified());
}

TEST(StratifiedEstimates, ProportionPointPrintsTheNumberWhole) {
  auto r = test::RunScript(
      "command Stratified > Proportion/number in category > Point estimates\n"
      "ok 2\nok 600; 0.3\nok 400; 0.55\n");
  EXPECT_EQ(r.appended, Lines(R"(*********
Target: Proportion and number in category
Method: Stratified random sampling
Objective: Point estimates
Estimator: Stratified
 Group no.       N_i       w_i        P_i
         1        600     0.6000   0.300000
         2        400     0.4000   0.550000
Population size, N= 1000
Estimate of population proportion: 0.400000
Estimate of population number: 400)"));
}

TEST(StratifiedEstimates, MeanIntervalWithoutSmallGroups) {
  // Group 1 has n_i = 60 and N_i - n_i = 60: just clear of the threshold.
  auto r = test::RunScript(
      "command Stratified > Mean/total of variable > Interval estimates\n"
      "ok 2; 95%\nok 120; 60; 10; 3\nok 180; 60; 20; 4\n");
  EXPECT_EQ(r.appended, Lines(R"(*********
Target: Mean and total of variable
Method: Stratified random sampling
Objective: Confidence intervals
Estimator: Stratified
 Group no.       N_i       w_i      n_i     barY_i      S_i
         1        120     0.4000         60  10.000000   3.000000
         2        180     0.6000         60  20.000000   4.000000
Population size, N= 300
Estimate of population mean: 16.000000
Estimate of population total: 4800.000000
Estimated std. deviation of barY_s is 0.278007 
Approx. 0.95 confidence interval for population mean is from 15.455105 to 16.544895
Approx. 0.95 confidence interval for population total is from 4636.531626 to 4963.468374)"));
}

TEST(StratifiedEstimates, MeanIntervalWarnsOnceAfterTheDeviationLine) {
  // Both groups are small (n_2 = 50, N_1 - n_1 = 50): still one warning.
  auto r = test::RunScript(
      "command Stratified > Mean/total of variable > Interval estimates\n"
      "ok 2; 90%\nok 110; 60; 10; 3\nok 180; 50; 20; 4\n");
  ASSERT_EQ(r.appended.size(), 15u);
  EXPECT_EQ(r.appended[11], "Estimated std. deviation of barY_s is 0.317537 ");
  EXPECT_EQ(r.appended[12], "Warning: Small sample or remainder.");
  EXPECT_EQ(r.appended[13].rfind("Approx. 0.90 confidence interval for population mean", 0), 0u);
  EXPECT_EQ(std::count(r.appended.begin(), r.appended.end(), "Warning: Small sample or remainder."), 1);
}

TEST(StratifiedEstimates, ProportionIntervalOfAFullCensusHasNoSpread) {
  auto r = test::RunScript(
      "command Stratified > Proportion/number in category > Interval estimates\n"
      "ok 2; 99%\nok 80; 80; 0.25\nok 120; 120; 0.5\n");
  EXPECT_EQ(r.appended, Lines(R"(*********
Target: Proportion and number in a category
Method: Stratified random sampling
Objective: Confidence intervals
Estimator: Stratified
 Group no.       N_i       w_i      n_i        P_i
         1         80     0.4000         80   0.250000
         2        120     0.6000        120   0.500000
Population size, N= 200
Estimate of population proportion: 0.400000
Estimate of population number in category: 80
Estimated std. deviation of P_s is 0.000000 
Warning: Small sample or remainder.
Approx. 0.99 confidence interval for population proportion is from 0.400000 to 0.400000
Approx. 0.99 confidence interval for population number is from 80 to 80)"));
}

TEST(StratifiedEstimates, TheoreticalDeviationsDivideByTheSampleSize) {
  Session s;
  auto mean = s.Run(
      "command Stratified > Mean/total of variable > Th. std. dev. of estimator\n"
      "ok 2\nok 600; 60; 10\nok 400; 40; 20\n");
  EXPECT_EQ(mean.appended, Lines(R"(*********
Target: Mean and total of variable
Method: Stratified random sampling
Objective: Theoretical standard deviation of estimator
Estimator: Stratified
 Group no.       N_i         w_i        n_i    sigma_i
         1        600     0.6000         60  10.000000
         2        400     0.4000         40  20.000000
Population size, N= 1000
Std. deviation of estimator of pop. mean is 1.408727
Std. deviation of estimator of pop. total is 1408.726561)"));
  auto proportion = s.Run(
      "command Stratified > Proportion/number in category > Th. std. dev. of estimator\n"
      "ok 2\nok 600; 60; 0.2\nok 400; 40; 0.5\n");
  EXPECT_EQ(proportion.appended, Lines(R"(*********
Target: Proportion and number in category
Method: Stratified random sampling
Objective: Theoretical standard deviation of estimator
Estimator: Stratified
 Group no.       N_i         w_i        n_i       pi_i
         1        600     0.6000         60   0.200000
         2        400     0.4000         40   0.500000
Population size, N= 1000
Std. deviation of estimator of pop. category is 0.042044
Std. deviation of estimator of number in category is 42)"));
}

// No group: no form, an empty table, and estimates of zero.
TEST(StratifiedEstimates, NoGroupsStillAppendABlock) {
  struct Case {
    const char* script;
    std::vector<std::string> results;  // after the population-size line
  } cases[] = {
      {"command Stratified > Mean/total of variable > Point estimates\nok 0\n",
       {"Estimate of population mean: 0.000000", "Estimate of population total: 0.000000"}},
      {"command Stratified > Proportion/number in category > Point estimates\nok 0\n",
       {"Estimate of population proportion: 0.000000", "Estimate of population number: 0"}},
      {"command Stratified > Mean/total of variable > Interval estimates\nok 0; 95%\n",
       {"Estimate of population mean: 0.000000", "Estimate of population total: 0.000000",
        "Estimated std. deviation of barY_s is 0.000000 ",
        "Approx. 0.95 confidence interval for population mean is from 0.000000 to 0.000000",
        "Approx. 0.95 confidence interval for population total is from 0.000000 to 0.000000"}},
      {"command Stratified > Proportion/number in category > Interval estimates\nok 0; 95%\n",
       {"Estimate of population proportion: 0.000000", "Estimate of population number in category: 0",
        "Estimated std. deviation of P_s is 0.000000 ",
        "Approx. 0.95 confidence interval for population proportion is from 0.000000 to 0.000000",
        "Approx. 0.95 confidence interval for population number is from 0 to 0"}},
      {"command Stratified > Mean/total of variable > Th. std. dev. of estimator\nok 0\n",
       {"Std. deviation of estimator of pop. mean is 0.000000",
        "Std. deviation of estimator of pop. total is 0.000000"}},
      {"command Stratified > Proportion/number in category > Th. std. dev. of estimator\nok 0\n",
       {"Std. deviation of estimator of pop. category is 0.000000",
        "Std. deviation of estimator of number in category is 0"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    Session s;
    s.doc.m_dPopSize = 77;
    auto r = s.Run(c.script);
    EXPECT_EQ(r.status, 0);
    ASSERT_EQ(r.appended.size(), 7 + c.results.size());
    EXPECT_EQ(r.appended[0], "*********");
    EXPECT_EQ(r.appended[5].rfind(" Group no.", 0), 0u);
    EXPECT_EQ(r.appended[6], "Population size, N= 0");
    EXPECT_EQ(std::vector<std::string>(r.appended.begin() + 7, r.appended.end()), c.results);
    EXPECT_EQ(s.doc.m_dPopSize, 0.0);
  }
}

// Degenerate figures are not refused: the block completes with what the
// arithmetic gives.
TEST(StratifiedEstimates, DegenerateGroupsPrintNonFiniteValues) {
  auto r = test::RunScript(
      "command Stratified > Mean/total of variable > Interval estimates\n"
      "ok 1; 95%\nok 100; 1; 5; 2\n");
  ASSERT_EQ(r.appended.size(), 14u);
  EXPECT_EQ(r.appended[6], "         1        100     1.0000          1   5.000000   2.000000");
  EXPECT_EQ(r.appended[10], "Estimated std. deviation of barY_s is inf ");
  EXPECT_EQ(r.appended[11], "Warning: Small sample or remainder.");
  EXPECT_EQ(r.appended[12], "Approx. 0.95 confidence interval for population mean is from -inf to inf");

  auto empty = test::RunScript(
      "command Stratified > Mean/total of variable > Point estimates\n"
      "ok 1\nok 0; 10\n");
  ASSERT_EQ(empty.appended.size(), 10u);
  EXPECT_EQ(empty.appended[6], "         1          0        nan  10.000000");
  EXPECT_EQ(empty.appended[8], "Estimate of population mean: nan");
}

}  // namespace
}  // namespace mirto
