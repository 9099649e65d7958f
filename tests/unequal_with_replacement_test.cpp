// Unequal probabilities with replacement: whole commands as scripts, and the
// entries the element loop refuses.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "support/ScriptRun.h"

namespace mirto {
namespace {

using test::Lines;
using test::Session;

constexpr const char* kMeanInterval = "command Un.Prob.WithRepl. > Mean/total of variable > Interval estimates\n";
constexpr const char* kMeanPoint = "command Un.Prob.WithRepl. > Mean/total of variable > Point estimates\n";
constexpr const char* kMeanSd = "command Un.Prob.WithRepl. > Mean/total of variable > Th. std. dev. of estimator\n";
constexpr const char* kPropPoint = "command Un.Prob.WithRepl. > Proportion/number in category > Point estimates\n";
constexpr const char* kPropInterval =
    "command Un.Prob.WithRepl. > Proportion/number in category > Interval estimates\n";
constexpr const char* kPropSd =
    "command Un.Prob.WithRepl. > Proportion/number in category > Th. std. dev. of estimator\n";

TEST(UnequalWithReplacement, MeanIntervalWorkedFigures) {
  auto r = test::RunScript(std::string(kMeanInterval) + "ok 4; 2; 95%\nok 1; 0.5\nok 3; 0.5\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.appended, Lines(R"(*********
Target: Mean and total of variable
Method: Unequal probabilities, with replacement
Objective: Confidence intervals
Estimator: HHE
Population size, N= 4
Sample size, n= 2
 i        Y_i       q_i
  1      1.000     0.5000
  2      3.000     0.5000
Estimate of population mean: 1.000000
Estimate of population total: 4.000000
Estimated std. deviation of estimator of pop. mean, Sd(barY_hh), is 0.500000 
Warning: Small sample or remainder.
Approx. 0.95 confidence interval for pop. mean is from 0.020000 to 1.980000
Approx. 0.95 confidence interval for pop. total is from 0.080000 to 7.920000)"));
}

TEST(UnequalWithReplacement, MeanTheoreticalDeviationWorkedFigures) {
  Session s;
  auto r = s.Run(std::string(kMeanSd) + "ok 2; 1; 2\nok 1; 0.5\nok 3; 0.5\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.appended, Lines(R"(*********
Target: Mean and total of variable
Method: Unequal probabilities, with replacement
Objective: Theoretical std. deviation of estimator
Estimator: HHE
Population size, N= 2
Sample size, n= 1
Population mean of variable, mu= 2.000000
 i        Y_i       q_i 
  1   1.000000   0.500000 
  2   3.000000   0.500000 
Std. deviation of estimator of pop. mean, Sd(barY_hh): 1.000000
Std. deviation of estimator of pop. total: 2.000000)"));
  EXPECT_TRUE(s.doc.IsModified());
  EXPECT_EQ(s.doc.m_nLastResult, 1);
}

TEST(UnequalWithReplacement, MeanPointPrintsTotalWithDecimals) {
  // S1 = 2/0.4 + 5/0.25 = 25: mean 25 / (10 * 2), total 25 / 2.
  auto r = test::RunScript(std::string(kMeanPoint) + "ok 10; 2\nok 2; 0.4\nok 5; 0.25\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.appended, Lines(R"(*********
Target: Mean and total of variable
Method: Unequal probabilities, with replacement
Objective: Point estimates
Estimator: HHE
Population size, N= 10
Sample size, n= 2
 i        Y_i       q_i
  1      2.000     0.4000
  2      5.000     0.2500
Estimate of population mean: 1.250000
Estimate of population total: 12.500000)"));
}

// Proportion blocks: their own headers, row precision and a number without decimals.
TEST(UnequalWithReplacement, ProportionBlocks) {
  const std::string draws = "ok 1; 0.1\nok 0; 0.2\nok 1; 0.15\n";
  auto point = test::RunScript(std::string(kPropPoint) + "ok 10; 3\n" + draws);
  EXPECT_EQ(point.appended, Lines(R"(*********
Target: Proportion and number in category
Method: Unequal probabilities, with replacement
Objective: Point estimates
Estimator: HHE
Population size, N= 10
Sample size, n= 3
 i       Y'_i       q_i
  1      1.000     0.1000
  2      0.000     0.2000
  3      1.000     0.1500
Estimate of population proportion in category: 0.555556
Estimate of population number in category: 6)"));

  auto interval = test::RunScript(std::string(kPropInterval) + "ok 10; 3; 90%\n" + draws);
  EXPECT_EQ(interval.appended, Lines(R"(*********
Target: Proportion and number in category
Method: Unequal probabilities, with replacement
Objective: Confidence intervals
Estimator: HHE
Population size, N= 10
Sample size, n= 3
 i        Y'_i       q_i 
  1   1.000000   0.100000 
  2   0.000000   0.200000 
  3   1.000000   0.150000 
Estimate of population proportion: 0.555556
Estimate of population number: 6
Estimated std. deviation of estimator of pop. proportion, Sd(P_hh), is 0.293972 
Warning: Small sample or remainder.
Approx. 0.90 confidence interval for pop. proportion is from 0.071971 to 1.039140
Approx. 0.90 confidence interval for pop. number is from 1 to 10)"));

  // S = 1/0.5 + 1/0.25 = 6; sqrt((6/9 - 0.25) / 2).
  auto sd = test::RunScript(std::string(kPropSd) + "ok 3; 2; 0.5\nok 1; 0.5\nok 0; 0.25\nok 1; 0.25\n");
  EXPECT_EQ(sd.appended, Lines(R"(*********
Target: Proportion and number in category
Method: Unequal probabilities, with replacement
Objective: Theoretical std. deviation of estimator
Estimator: HHE
Population size, N= 3
Sample size, n= 2
Population proportion, Pi= 0.500000
 i        Y'_i       q_i 
  1   1.000000   0.500000
  2   0.000000   0.250000
  3   1.000000   0.250000
Std. deviation of estimator of pop. proportion: 0.456435
Std. deviation of estimator of pop. number: 1.369306)"));
}

TEST(UnequalWithReplacement, SingleDrawGivesNonFiniteIntervalAndWarning) {
  auto r = test::RunScript(std::string(kMeanInterval) + "ok 1; 1; 95%\nok 5; 1\n");
  EXPECT_EQ(r.status, 0) << r.err;
  const auto tail = std::vector<std::string>(r.appended.end() - 4, r.appended.end());
  EXPECT_EQ(tail, Lines(R"(Estimated std. deviation of estimator of pop. mean, Sd(barY_hh), is nan 
Warning: Small sample or remainder.
Approx. 0.95 confidence interval for pop. mean is from nan to nan
Approx. 0.95 confidence interval for pop. total is from nan to nan)"));
}

struct WarningCase {
  int N, n;
  bool warns;
};

TEST(UnequalWithReplacement, WarningOnSmallSampleOrRemainder) {
  for (WarningCase c : {WarningCase{102, 51, false}, WarningCase{101, 51, true}, WarningCase{1000, 50, true}}) {
    std::string script =
        std::string(kMeanInterval) + "ok " + std::to_string(c.N) + "; " + std::to_string(c.n) + "; 95%\n";
    for (int i = 0; i < c.n; ++i) script += "ok 1; 0.01\n";
    auto r = test::RunScript(script);
    ASSERT_EQ(r.status, 0) << r.err;
    const bool warned =
        std::find(r.appended.begin(), r.appended.end(), "Warning: Small sample or remainder.") != r.appended.end();
    EXPECT_EQ(warned, c.warns) << "N=" << c.N << " n=" << c.n;
  }
}

// A draw without a positive probability, or Cancel, ends the command with the
// Journal and its modified flag as they were.
TEST(UnequalWithReplacement, RefusedOrCancelledDrawAppendsNothing) {
  struct Case {
    const char* name;
    std::string script;
    bool refused;
  };
  const Case cases[] = {
      {"zero probability", std::string(kMeanInterval) + "ok 4; 2; 95%\nok 1; 0\n", true},
      {"negative probability", std::string(kMeanPoint) + "ok 4; 2\nok 1; 0.5\nok 3; -0.5\n", true},
      {"empty reads as 0", std::string(kPropPoint) + "ok 4; 1\nok 1;\n", true},
      {"population element", std::string(kMeanSd) + "ok 2; 1; 2\nok 1; 0.5\nok 3; 0\n", true},
      {"cancel on element 1", std::string(kPropSd) + "ok 2; 1; 0.5\ncancel\n", false},
  };
  for (const Case& c : cases) {
    Session s;
    auto r = s.Run(c.script);
    EXPECT_EQ(r.status, 0) << c.name << ": " << r.err;
    EXPECT_TRUE(r.appended.empty()) << c.name;
    EXPECT_EQ(r.messages, c.refused ? std::vector<std::string>{"Illegal entry"} : std::vector<std::string>{}) << c.name;
    EXPECT_FALSE(s.doc.IsModified()) << c.name;
    EXPECT_EQ(s.doc.m_nLastResult, 0) << c.name;
  }
}

}  // namespace
}  // namespace mirto
