// The ratio of two variables, stated as the scripts a user would run and the
// blocks they must append.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/FormCatalog.h"
#include "support/ScriptRun.h"

namespace mirto::test {
namespace {

constexpr const char* kPoint = "command Simple > Ratio of means/totals > Point estimates\n";
constexpr const char* kInterval = "command Simple > Ratio of means/totals > Interval estimates\n";
constexpr const char* kSd = "command Simple > Ratio of means/totals > Th. std. dev. of estimator\n";
constexpr const char* kSize = "command Simple > Ratio of means/totals > Sample size\n";

std::string Script(const char* command, const char* answers) { return std::string(command) + answers; }

std::vector<std::string> Tail(const std::vector<std::string>& lines, std::size_t from) {
  return from <= lines.size() ? std::vector<std::string>(lines.begin() + static_cast<long>(from), lines.end())
                              : std::vector<std::string>{};
}

TEST(SrsMeansRatio, PointHasThreeLinesAndNoEstimatorLine) {
  auto r = RunScript(Script(kPoint, "ok 30; 20\n"));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.appended, Lines(R"(*********
Target: Ratio of totals or means of two variables
Method: Simple random sampling
Objective: Point estimate
Sample average of numerator, barY1= 30.000000
Sample average of denominator, barY2= 20.000000
Point estimate of ratio is 1.500000)"));
}

TEST(SrsMeansRatio, IntervalWorkedFigures) {
  auto r = RunScript(Script(kInterval, "ok 1000; 100; 30; 20; 25; 16; 12; 95%\n"));
  EXPECT_EQ(r.appended, Lines(R"(*********
Target: Ratio of totals or means of two variables
Method: Simple random sampling
Objective: Confidence interval estimate
Population size, N= 1000
Sample size, n= 100
Sample average of Y1= 30.000000
Sample average of Y2= 20.000000
Sample variance of Y1= 25.000000
Sample variance of Y2= 16.000000
Sample covariance of Y1 and Y2= 12.000000
Point estimate of ratio is 1.500000
Estimate of the std. deviation of the estimator: 0.023837
Approx. 0.95 confidence interval for population ratio is from 1.453280 to 1.546720)"));
}

TEST(SrsMeansRatio, TheoreticalDeviationWorkedFigures) {
  auto r = RunScript(Script(kSd, "ok 1000; 100; 30; 20; 25; 16; 12\n"));
  EXPECT_EQ(r.appended, Lines(R"(*********
Target: Ratio of totals or means of two variables
Method: Simple random sampling
Objective: Theoretical standard deviation of estimator
Population size, N= 1000
Sample size, n= 100
Population average of Y1= 30.000000
Population average of Y2= 20.000000
Population variance of Y1= 25.000000
Population variance of Y2= 16.000000
Population covariance of Y1 and Y2= 12.000000
Population ratio of Y1 and Y2= 1.500000
Approx. std. deviation of the estimator: 0.023729)"));
}

TEST(SrsMeansRatio, SampleSizeOnAFreshDocumentReportsAnInfiniteDeviation) {
  auto r = RunScript(Script(kSize, "ok 1000; 30; 20; 25; 16; 12; 0.05; 95%\n"));
  EXPECT_EQ(r.appended, Lines(R"(*********
Target: Ratio of totals or means of two variables
Method: Simple random sampling
Objective: Sample size calculation
Population size, N= 1000
Sample size, n= 0
Population average of Y1= 30.000000
Population average of Y2= 20.000000
Population variance of Y1= 25.000000
Population variance of Y2= 16.000000
Population covariance of Y1 and Y2= 12.000000
Accuracy requirements, margin: 0.050000
Accuracy requirements, probability: 0.950000
Population ratio of Y1 and Y2= 1.500000
Approx. std. deviation of the estimator: inf
Required sample size is 88)"));
}

TEST(SrsMeansRatio, SampleSizeUsesTheStoredSampleSizeAndLeavesIt) {
  Session s;
  s.Run(Script(kInterval, "ok 1000; 100; 30; 20; 25; 16; 12; 95%\n"));
  auto r = s.Run(Script(kSize, "ok 1000; 30; 20; 25; 16; 12; 0.05; 95%\n"));
  EXPECT_EQ(r.appended[5], "Sample size, n= 100");
  EXPECT_EQ(Tail(r.appended, 13), Lines(R"(Population ratio of Y1 and Y2= 1.500000
Approx. std. deviation of the estimator: 0.023729
Required sample size is 88)"));
  EXPECT_EQ(s.doc.m_dSampleSize, 100);
  EXPECT_EQ(s.doc.m_dMargin, 0.05);
  EXPECT_EQ(s.doc.m_dPopVar1, 25);
  EXPECT_EQ(s.doc.m_dPopCov12, 12);
}

TEST(SrsMeansRatio, ZeroQCollapsesTheIntervalToThePoint) {
  auto r = RunScript(Script(kInterval, "ok 1000; 100; 30; 20; 36; 16; 24; 95%\n"));
  EXPECT_EQ(Tail(r.appended, 11), Lines(R"(Point estimate of ratio is 1.500000
Estimate of the std. deviation of the estimator: 0.000000
Approx. 0.95 confidence interval for population ratio is from 1.500000 to 1.500000)"));
}

TEST(SrsMeansRatio, WarningStandsBeforeTheDeviationOrLast) {
  auto interval = RunScript(Script(kInterval, "ok 1000; 50; 30; 20; 25; 16; 12; 95%\n"));
  EXPECT_EQ(Tail(interval.appended, 11), Lines(R"(Point estimate of ratio is 1.500000
Warning: Small sample or remainder.
Estimate of the std. deviation of the estimator: 0.034810
Approx. 0.95 confidence interval for population ratio is from 1.431772 to 1.568228)"));
  auto sd = RunScript(Script(kSd, "ok 1000; 50; 30; 20; 25; 16; 12\n"));
  EXPECT_EQ(Tail(sd.appended, 11), Lines(R"(Population ratio of Y1 and Y2= 1.500000
Warning: Small sample or remainder.
Approx. std. deviation of the estimator: 0.034477)"));
  // N 100 needs 49.24: small, and the remainder too.
  auto size = RunScript(Script(kSize, "ok 100; 30; 20; 25; 16; 12; 0.05; 95%\n"));
  EXPECT_EQ(Tail(size.appended, 15), Lines("Required sample size is 49\nWarning: Small sample or remainder."));
}

TEST(SrsMeansRatio, UnselectedLevelReusesTheStoredPair) {
  Session s;
  s.Run("command Simple > Mean/total of variable > Interval estimates > Simple\nok 1000; 100; 50; 10; 90%\n");
  auto r = s.Run(Script(kInterval, "ok 1000; 100; 30; 20; 25; 16; 12;\n"));
  EXPECT_EQ(r.appended.back(), "Approx. 0.90 confidence interval for population ratio is from 1.460789 to 1.539211");
  auto size = s.Run(Script(kSize, "ok 1000; 30; 20; 25; 16; 12; 0.05;\n"));
  EXPECT_EQ(size.appended[12], "Accuracy requirements, probability: 0.900000");
  EXPECT_DOUBLE_EQ(s.doc.m_dZ, 1.645);
}

TEST(SrsMeansRatio, OverlongEntryIsRefusedAtOkAndTheFormStaysOpen) {
  // Sixteen characters can be typed in the interval form; OK refuses them.
  auto r = RunScript(Script(kInterval,
                            "ok 1000; 100; 30.0000000000000; 20; 25; 16; 12; 95%\n"
                            "ok 1000; 100; 30.000000000000; 20; 25; 16; 12; 95%\n"));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.messages, std::vector<std::string>{"Please enter no more than 15 characters."});
  ASSERT_EQ(r.appended.size(), 14u);
  EXPECT_EQ(r.appended[6], "Sample average of Y1= 30.000000");
  // The forms with a list take the text while typing; the others stop it.
  for (int id : {151, 152, 153, 154}) {
    const FormTemplate* t = FindFormTemplate(id);
    ASSERT_NE(t, nullptr);
    for (const Control& c : t->controls) {
      if (c.kind == ControlKind::Text) {
        EXPECT_EQ(c.limitWhileTyping, id == 151 || id == 153) << id << " " << c.label;
      }
    }
  }
}

TEST(SrsMeansRatio, CancelStoresAndAppendsNothing) {
  Session s;
  auto r = s.Run(Script(kSize, "cancel\n"));
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(r.appended.empty());
  EXPECT_FALSE(s.doc.IsModified());
  EXPECT_EQ(s.doc.m_dPopSize, 0);
  s.Run(Script(kPoint, "ok 30; 20\n"));
  EXPECT_EQ(s.doc.m_dSampleMean1, 30);
  EXPECT_EQ(s.doc.m_dSampleMean2, 20);
  EXPECT_EQ(s.doc.m_dPopSize, 0);  // the point form asks no population size
}

}  // namespace
}  // namespace mirto::test
