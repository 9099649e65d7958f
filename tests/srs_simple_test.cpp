// The simple estimator, stated as the scripts a user would run and the blocks
// they must append.
#include <gtest/gtest.h>

#include "support/ScriptRun.h"

namespace mirto::test {
namespace {

TEST(SrsSimple, MeanIntervalWorkedFigures) {
  auto r = RunScript("command 32810\nok 1000; 100; 50; 10; 95%\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.appended, Lines(R"(*********
Target: Mean and total of variable
Method: Simple random sampling
Objective: Confidence interval estimates
Estimator: Simple
Population size, N= 1000
Sample size, n= 100
Point estimate of population mean: 50.000000
Point estimate of population total: 50000.000000
Est. std. deviation of sample mean: 0.953463
Approx. 0.95 confidence interval for population mean is from 48.131213 to 51.868787
Approx. 0.95 confidence interval for population total is from 48131.213325 to 51868.786675)"));
}

TEST(SrsSimple, ProportionIntervalWorkedFigures) {
  auto r = RunScript(
      "command Simple > Proportion/number in category > Interval estimates > Simple\n"
      "ok 1000; 100; 0.3; 95%\n");
  EXPECT_EQ(r.appended, Lines(R"(*********
Target: Proportion or number in category
Method: Simple random sampling
Objective: Confidence interval estimates
Estimator: Simple
Population size, N= 1000
Sample size, n= 100
Point estimate of population proportion in category: 0.300000
Point estimate of population number in category: 300
Est. std. deviation of sample proportion: 0.043693
Approx. 0.95 confidence interval for population proportion is from 0.214361 to 0.385639
Approx. 0.95 confidence interval for population number is from 214 to 386)"));
}

TEST(SrsSimple, TheoreticalDeviations) {
  auto mean = RunScript("command 32814\nok 1000; 100; 10\n");
  EXPECT_EQ(mean.appended, Lines(R"(*********
Target: Mean and total of variable
Method: Simple random sampling
Objective: Theoretical std. deviation of estimators
Estimator: Simple
Population size, N= 1000
Sample size, n= 100
Guesstimate of pop. std. deviation of variable: 10.000000
Guesstimate of std. deviation of estimator of pop. mean: 0.949158
Guesstimate of variance of estimator of pop.  mean: 0.900901
Guesstimate of std. deviation of estimator of pop. total: 949.157996
Guesstimate of variance of estimator of pop. total: 900900.900901)"));
  auto prop = RunScript("command 32831\nok 1000; 100; 0.3\n");
  EXPECT_EQ(prop.appended, Lines(R"(*********
Target: Proportion and number in category
Method: Simple random sampling
Objective: Theoretical std. deviation of estimators
Estimator: Simple
Population size, N= 1000
Sample size, n= 100
Guesstimate of population proportion in category: 0.300000
Guesstimate of std. deviation of estimator of pop. proportion: 0.043496
Guesstimate of variance of estimator of pop. proportion: 0.001892
Guesstimate of std. deviation of estimator of pop. number: 43.495884
Guesstimate of variance of estimator of pop. number: 1891.891892)"));
}

TEST(SrsSimple, MeanSampleSizeForMeanAndTotal) {
  Session s;
  auto mean = s.Run("command 32818\nok 1000; 10; Mean; 1; 95%\n");
  EXPECT_EQ(mean.appended, Lines(R"(*********
Target: Mean of variable
Method: Simple random sampling
Objective: Sample size determination
Estimator: Simple
Population size, N= 1000
Guesstimate of population std. deviation of variable: 10.000000
Accuracy requirements, margin: 1.000000
Accuracy requirements, probability: 0.950000
Required sample size is 278)"));
  // A margin of 1 on the total is a margin of 0.001 on the mean: nearly all of N.
  auto total = s.Run("command 32818\nok 1000; 10; Total; 1; 95%\n");
  ASSERT_EQ(total.appended.size(), 11u);
  EXPECT_EQ(total.appended[1], "Target: Total of variable");
  EXPECT_EQ(total.appended[9], "Required sample size is 1000");
  EXPECT_EQ(total.appended[10], "Warning: Small sample or remainder.");
  EXPECT_EQ(s.doc.m_nSpecialTarget, SpecialTarget::TotalOrNumber);
}

TEST(SrsSimple, ProportionSampleSizeSameForProportionAndNumber) {
  auto prop = RunScript("command 32835\nok 1000; 0.3; Proportion; 0.05; 95%\n");
  auto number = RunScript("command 32835\nok 1000; 0.3; Number; 50; 95%\n");
  ASSERT_EQ(prop.appended.size(), 10u);
  EXPECT_EQ(prop.appended[1], "Target: Proportion in category");
  EXPECT_EQ(prop.appended[6], "Guesstimate of population proportion in category: 0.300000");
  EXPECT_EQ(prop.appended[9], "Required sample size is 244");
  ASSERT_EQ(number.appended.size(), 10u);
  EXPECT_EQ(number.appended[1], "Target: Number in category");
  EXPECT_EQ(number.appended[9], "Required sample size is 244");
}

TEST(SrsSimple, PointEstimates) {
  auto mean = RunScript("command 32804\nok 1000; 12.5\n");
  EXPECT_EQ(mean.appended, Lines(R"(*********
Target: Mean and total of variable
Method: Simple random sampling
Objective: Point estimates
Estimator: Simple
Population size, N= 1000
Estimate of population mean: 12.500000
Estimate of population total: 12500.000000)"));
  auto prop = RunScript("command 32822\nok 1000; 0.25\n");
  EXPECT_EQ(prop.appended[1], "Target: Proportion and number in category");
  EXPECT_EQ(prop.appended[6], "Estimate of population proportion: 0.250000");
  EXPECT_EQ(prop.appended[7], "Estimate of population number in category: 250");
}

TEST(SrsSimple, EmptyFieldsReadAsZeroAndOtherTextIsRefused) {
  auto empty = RunScript("command 32804\nok\n");
  EXPECT_EQ(empty.appended[5], "Population size, N= 0");
  EXPECT_EQ(empty.appended[6], "Estimate of population mean: 0.000000");
  EXPECT_EQ(empty.appended[7], "Estimate of population total: 0.000000");
  EXPECT_EQ(empty.messages, std::vector<std::string>{"N is 0 or less: no population is that small, and the figures "
                                                     "computed from it mean nothing."});
  // Once read as 12 and 0: a typo must not become a plausible figure (issue 23, item 8).
  auto prefix = RunScript("command 32804\nok 12abc; abc\n");
  EXPECT_EQ(prefix.status, 2);
  EXPECT_TRUE(prefix.appended.empty());
  EXPECT_EQ(prefix.err.rfind("test:2: error: In \"Population size, N:\", \"12abc\" is not a number; the form", 0), 0u)
      << prefix.err;
}

TEST(SrsSimple, FreshDocumentWithoutLevelGivesZeroWidthInterval) {
  auto r = RunScript("command 32810\nok 1000; 100; 50; 10;\n");
  ASSERT_EQ(r.appended.size(), 12u);
  EXPECT_EQ(r.appended[10], "Approx. 0.00 confidence interval for population mean is from 50.000000 to 50.000000");
  EXPECT_EQ(r.appended[11],
            "Approx. 0.00 confidence interval for population total is from 50000.000000 to 50000.000000");
}

TEST(SrsSimple, UnselectedLevelReusesTheStoredPair) {
  Session s;
  s.Run("command 32835\nok 1000; 0.3; Proportion; 0.05; 99%\n");
  EXPECT_DOUBLE_EQ(s.doc.m_dLevel, 0.99);
  EXPECT_DOUBLE_EQ(s.doc.m_dZ, 2.576);
  auto r = s.Run("command 32826\nok 1000; 100; 0.3;\n");
  // sd 0.043693 with z = 2.576
  EXPECT_EQ(r.appended[10], "Approx. 0.99 confidence interval for population proportion is from 0.187446 to 0.412554");
  s.Run("command 32810\nok 1000; 100; 50; 10; 95%\n");
  auto again = s.Run("command 32810\nok 1000; 100; 50; 10;\n");
  EXPECT_EQ(again.appended[10], "Approx. 0.95 confidence interval for population mean is from 48.131213 to 51.868787");
}

TEST(SrsSimple, SmallSampleWarningAtFiftyNotAboveAndItsPlace) {
  struct Case {
    const char* name;
    const char* sizes;
    bool warns;
  } cases[] = {
      {"n = 50", "1000; 50", true},
      {"n = 51", "1000; 51", false},
      {"remainder 50", "550; 500", true},
      {"remainder 51", "551; 500", false},
  };
  for (const Case& c : cases) {
    auto r = RunScript(std::string("command 32810\nok ") + c.sizes + "; 20; 10; 95%\n");
    SCOPED_TRACE(c.name);
    ASSERT_EQ(r.appended.size(), c.warns ? 13u : 12u);
    if (c.warns) {
      EXPECT_EQ(r.appended[9].rfind("Est. std. deviation of sample mean: ", 0), 0u);
      EXPECT_EQ(r.appended[10], "Warning: Small sample or remainder.");
      EXPECT_EQ(r.appended[11].rfind("Approx. 0.95 confidence interval for population mean", 0), 0u);
    }
  }
  auto fifty = RunScript("command 32810\nok 1000; 50; 20; 10; 95%\n");
  EXPECT_EQ(fifty.appended[9], "Est. std. deviation of sample mean: 1.392399");
  EXPECT_EQ(fifty.appended[11], "Approx. 0.95 confidence interval for population mean is from 17.270898 to 22.729102");
}

TEST(SrsSimple, ZeroMarginGivesNAndWarns) {
  auto r = RunScript("command 32818\nok 1000; 10; Mean; 0; 95%\n");
  EXPECT_EQ(r.appended[9], "Required sample size is 1000");
  EXPECT_EQ(r.appended[10], "Warning: Small sample or remainder.");
}

TEST(SrsSimple, DegenerateInputPrintsNonFiniteAndStillAppends) {
  // n = 1: the divisor n - 1 is zero; 0/0 must not print as "-nan".
  auto r = RunScript("command 32810\nok 1; 1; 5; 0; 95%\n");
  ASSERT_EQ(r.appended.size(), 13u);
  EXPECT_EQ(r.appended[9], "Est. std. deviation of sample mean: nan");
  EXPECT_EQ(r.appended[10], "Warning: Small sample or remainder.");
  auto sd = RunScript("command 32814\nok 1; 2; 10\n");
  EXPECT_EQ(sd.appended[8], "Guesstimate of std. deviation of estimator of pop. mean: nan");
  EXPECT_EQ(sd.appended[9], "Guesstimate of variance of estimator of pop.  mean: -inf");
}

TEST(SrsSimple, CancelStoresAndAppendsNothing) {
  Session s;
  s.doc.SetModifiedFlag(false);
  auto r = s.Run("command 32810\ncancel\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(r.appended.empty());
  EXPECT_FALSE(s.doc.IsModified());
  EXPECT_EQ(s.doc.m_dPopSize, 0.0);
  s.Run("command 32804\nok 10; 1\n");
  EXPECT_TRUE(s.doc.IsModified());
  EXPECT_EQ(s.doc.m_nLastResult, 1);
}

TEST(SrsSimple, ItemsStoredBackAndSampleSizeKeepsN) {
  Session s;
  s.Run("command 32810\nok 1000; 100; 50; 10; 90%\n");
  EXPECT_EQ(s.doc.m_dSampleSize, 100.0);
  EXPECT_EQ(s.doc.m_dSampleMean, 50.0);
  EXPECT_EQ(s.doc.m_dSampleSd, 10.0);
  s.Run("command 32818\nok 500; 10; Mean; 1; 95%\n");
  EXPECT_EQ(s.doc.m_dPopSize, 500.0);
  EXPECT_EQ(s.doc.m_dSampleSize, 100.0);  // not on the form
  EXPECT_EQ(s.doc.m_dSigma, 10.0);
  EXPECT_EQ(s.doc.m_dMargin, 1.0);
}

}  // namespace
}  // namespace mirto::test
