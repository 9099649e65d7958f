// The ratio and regression estimators, stated as the scripts a user would run
// and the blocks they must append.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "framework/FormCatalog.h"
#include "srs/Srs.h"
#include "support/ScriptRun.h"

namespace mirto::test {
namespace {

constexpr const char* kRatioPoint = "command Simple > Mean/total of variable > Point estimates > Ratio\n";
constexpr const char* kRegressionPoint = "command Simple > Mean/total of variable > Point estimates > Regression\n";
constexpr const char* kRatioInterval = "command Simple > Mean/total of variable > Interval estimates > Ratio\n";
constexpr const char* kRegressionInterval =
    "command Simple > Mean/total of variable > Interval estimates > Regression\n";
constexpr const char* kRatioSd = "command Simple > Mean/total of variable > Th. std. dev. of estimator > Ratio\n";
constexpr const char* kRegressionSd =
    "command Simple > Mean/total of variable > Th. std. dev. of estimator > Regression\n";
constexpr const char* kRatioSize = "command Simple > Mean/total of variable > Sample size > Ratio\n";
constexpr const char* kRegressionSize = "command Simple > Mean/total of variable > Sample size > Regression\n";

std::string Script(const char* command, const char* answers) { return std::string(command) + answers; }

TEST(SrsAux, PointWorkedFigures) {
  auto ratio = RunScript(Script(kRatioPoint, "ok 1000; 20; 10; 12\n"));
  EXPECT_EQ(ratio.status, 0);
  EXPECT_EQ(ratio.appended, Lines(R"(*********
Target: Mean and total of variable
Method: Simple random sampling
Objective: Point estimates
Estimator: Ratio
Population size, N= 1000
Sample average of variable of interest, barY= 20.000000
Sample average of auxiliary variable, barX= 10.000000
Population average of auxiliary variable, muX= 12.000000
Estimate of population mean: 24.000000
Estimate of population total: 24000.000000)"));
  auto regression = RunScript(Script(kRegressionPoint, "ok 1000; 20; 10; 12; 1.5\n"));
  EXPECT_EQ(regression.appended, Lines(R"(*********
Target: Mean and total of variable
Method: Simple random sampling
Objective: Point estimates
Estimator: Regression
Population size, N= 1000
Sample average of variable of interest, barY= 20.000000
Sample average of auxiliary variable, barX= 10.000000
Population average of auxiliary variable, muX= 12.000000
Sample least squares estimator, b= 1.500000
Estimate of population mean: 23.000000
Estimate of population total: 23000.000000)"));
}

TEST(SrsAux, IntervalWorkedFiguresAndTheSlopeAfterTheDeviation) {
  auto ratio = RunScript(Script(kRatioInterval, "ok 1000; 100; 20; 10; 12; 5; 95%\n"));
  EXPECT_EQ(ratio.appended, Lines(R"(*********
Target: Mean and total of variable
Method: Simple random sampling
Objective: Confidence intervals
Estimator: Ratio
Population size, N= 1000
Sample size, n= 100
Sample average of variable of interest, barY= 20.000000
Sample average of auxiliary variable, barX= 10.000000
Population average of auxiliary variable, muX= 12.000000
Sample std. deviation of residuals, S_r= 5.000000
Estimated std. deviation of estimator, HatSdbarY_r= 0.474342
Estimate of population mean: 24.000000
Estimate of population total: 24000.000000
Approx. 0.95 confidence interval for population mean is from 23.070290 to 24.929710
Approx. 0.95 confidence interval for population total is from 23070.290368 to 24929.709632)"));
  auto regression = RunScript(Script(kRegressionInterval, "ok 1000; 100; 20; 10; 12; 5; 1.5; 95%\n"));
  EXPECT_EQ(regression.appended, Lines(R"(*********
Target: Mean and total of variable
Method: Simple random sampling
Objective: Confidence intervals
Estimator: Regression
Population size, N= 1000
Sample size, n= 100
Sample average of variable of interest, barY= 20.000000
Sample average of auxiliary variable, barX= 10.000000
Population average of auxiliary variable, muX= 12.000000
Sample std. deviation of residuals, S_lr= 5.000000
Estimated std. deviation of estimator, HatSdbarY_lr= 0.474342
Sample least squares estimator, b= 1.500000
Estimate of population mean: 23.000000
Estimate of population total: 23000.000000
Approx. 0.95 confidence interval for population mean is from 22.070290 to 23.929710
Approx. 0.95 confidence interval for population total is from 22070.290368 to 23929.709632)"));
}

TEST(SrsAux, TheoreticalDeviationWorkedFigures) {
  auto ratio = RunScript(Script(kRatioSd, "ok 1000; 100; 12; 24; 3; 6; 0.8\n"));
  EXPECT_EQ(ratio.appended, Lines(R"(*********
Target: Mean and total of variable
Method: Simple random sampling
Objective: Theoretical standard deviation of estimator
Estimator: Ratio
Population size, N= 1000
Sample size, n= 100
Population average of auxiliary variable, muX= 12.000000
Population average of variable of interest, muY= 24.000000
Population std. deviation of auxiliary variable, sigmaX= 3.000000
Population std. deviation of variable of interest, sigmaY= 6.000000
Population correlation coefficient of X and Y 0.800000
Std. deviation of estimator of population mean= 0.360180
Std. deviation of estimator of population total= 360.180135)"));
  auto regression = RunScript(Script(kRegressionSd, "ok 1000; 100; 6; 0.8\n"));
  EXPECT_EQ(regression.appended, Lines(R"(*********
Target: Mean and total of variable
Method: Simple random sampling
Objective: Theoretical standard deviation of estimator
Estimator: Regression
Population size, N= 1000
Sample size, n= 100
Population std. deviation of variable of interest, sigmaY= 6.000000
Population correlation coefficient of X and Y 0.800000
Std. deviation of estimator of population mean= 0.341697
Std. deviation of estimator of population total= 341.696878)"));
}

TEST(SrsAux, SampleSizeWorkedFiguresForMeanAndTotal) {
  auto ratio = RunScript(Script(kRatioSize, "ok 1000; 12; 24; 3; 6; 0.8; Mean; 0.5; 95%\n"));
  EXPECT_EQ(ratio.appended, Lines(R"(*********
Target: Mean of variable
Method: Simple random sampling
Objective: Sample size determination
Estimator: Ratio
Population size, N= 1000
Population average of auxiliary variable, muX= 12.000000
Population average of variable of interest, muY= 24.000000
Population std. deviation of auxiliary variable, sigmaX= 3.000000
Population std. deviation of variable of interest, sigmaY= 6.000000
Population correlation coefficient of X and Y, rhoXY= 0.800000
Accuracy requirements, margin= 0.500000
Accuracy requirements, probability= 0.950000
Required sample size is 181)"));
  auto regression = RunScript(Script(kRegressionSize, "ok 1000; 6; 0.8; Total; 500; 95%\n"));
  EXPECT_EQ(regression.appended, Lines(R"(*********
Target: Total of variable
Method: Simple random sampling
Objective: Sample size determination
Estimator: Regression
Population size, N= 1000
Population std. deviation of variable of interest, sigmaY= 6.000000
Population correlation coefficient of X and Y, rhoXY= 0.800000
Accuracy requirements, margin= 500.000000
Accuracy requirements, probability= 0.950000
Required sample size is 166)"));
  // The other two pairings: a margin on the total is divided by z N.
  auto ratioTotal = RunScript(Script(kRatioSize, "ok 1000; 12; 24; 3; 6; 0.8; Total; 500; 95%\n"));
  ASSERT_EQ(ratioTotal.appended.size(), 14u);
  EXPECT_EQ(ratioTotal.appended[1], "Target: Total of variable");
  EXPECT_EQ(ratioTotal.appended[13], "Required sample size is 181");
  auto regressionMean = RunScript(Script(kRegressionSize, "ok 1000; 6; 0.8; Mean; 0.5; 95%\n"));
  EXPECT_EQ(regressionMean.appended.back(), "Required sample size is 166");
}

TEST(SrsAux, PerfectCorrelationLeavesNoRegressionVariance) {
  auto sd = RunScript(Script(kRegressionSd, "ok 1000; 100; 6; 1\n"));
  EXPECT_EQ(std::vector<std::string>(sd.appended.end() - 3, sd.appended.end()),
            Lines(R"(Population correlation coefficient of X and Y 1.000000
Std. deviation of estimator of population mean= 0.000000
Std. deviation of estimator of population total= 0.000000)"));
  auto size = RunScript(Script(kRegressionSize, "ok 1000; 6; 1; Mean; 0.5; 95%\n"));
  EXPECT_EQ(std::vector<std::string>(size.appended.end() - 2, size.appended.end()),
            Lines("Required sample size is 0\nWarning: Small sample or remainder."));
}

TEST(SrsAux, WithoutCorrelationTheSizesEqualTheSimpleEstimators) {
  // The simple estimator needs 277.74 for sigma 10, margin 1 on the mean, 95%.
  auto regression = RunScript(Script(kRegressionSize, "ok 1000; 10; 0; Mean; 1; 95%\n"));
  EXPECT_EQ(regression.appended.back(), "Required sample size is 278");
  // sigmaX 0 and rhoXY 0 leave the ratio estimator with sigmaY^2 alone.
  auto ratio = RunScript(Script(kRatioSize, "ok 1000; 12; 24; 0; 10; 0; Total; 1000; 95%\n"));
  EXPECT_EQ(ratio.appended[1], "Target: Total of variable");
  EXPECT_EQ(ratio.appended.back(), "Required sample size is 278");
}

TEST(SrsAux, SmallSampleWarnsBeforeTheResultsItQualifies) {
  auto interval = RunScript(Script(kRatioInterval, "ok 1000; 50; 20; 10; 12; 5; 95%\n"));
  ASSERT_EQ(interval.appended.size(), 17u);
  EXPECT_EQ(std::vector<std::string>(interval.appended.begin() + 11, interval.appended.end()),
            Lines(R"(Estimated std. deviation of estimator, HatSdbarY_r= 0.689202
Estimate of population mean: 24.000000
Estimate of population total: 24000.000000
Warning: Small sample or remainder.
Approx. 0.95 confidence interval for population mean is from 22.649163 to 25.350837
Approx. 0.95 confidence interval for population total is from 22649.163222 to 25350.836778)"));
  auto sd = RunScript(Script(kRegressionSd, "ok 1000; 50; 6; 0.8\n"));
  EXPECT_EQ(std::vector<std::string>(sd.appended.begin() + 8, sd.appended.end()),
            Lines(R"(Population correlation coefficient of X and Y 0.800000
Warning: Small sample or remainder.
Std. deviation of estimator of population mean= 0.496474
Std. deviation of estimator of population total= 496.474054)"));
  // n 51 with a remainder of 51 is large enough.
  auto large = RunScript(Script(kRegressionSd, "ok 102; 51; 6; 0.8\n"));
  EXPECT_EQ(std::vector<std::string>(large.appended.begin() + 8, large.appended.end()),
            Lines(R"(Population correlation coefficient of X and Y 0.800000
Std. deviation of estimator of population mean= 0.358213
Std. deviation of estimator of population total= 36.537766)"));
  auto largeInterval = RunScript(Script(kRatioInterval, "ok 102; 51; 20; 10; 12; 5; 95%\n"));
  EXPECT_EQ(largeInterval.appended.size(), 16u);
}

TEST(SrsAux, UnselectedLevelReusesTheStoredPair) {
  Session s;
  s.Run("command Simple > Mean/total of variable > Interval estimates > Simple\nok 1000; 100; 50; 10; 90%\n");
  auto r = s.Run(Script(kRatioInterval, "ok 1000; 100; 20; 10; 12; 5;\n"));
  EXPECT_EQ(std::vector<std::string>(r.appended.end() - 2, r.appended.end()),
            Lines(R"(Approx. 0.90 confidence interval for population mean is from 23.219708 to 24.780292
Approx. 0.90 confidence interval for population total is from 23219.707987 to 24780.292013)"));
  auto size = s.Run(Script(kRegressionSize, "ok 1000; 6; 0.8; Mean; 0.5;\n"));
  EXPECT_EQ(size.appended[9], "Accuracy requirements, probability= 0.900000");
  EXPECT_DOUBLE_EQ(s.doc.m_dLevel, 0.90);
  EXPECT_DOUBLE_EQ(s.doc.m_dZ, 1.645);
}

TEST(SrsAux, StoresBackOnlyTheItemsOfItsForm) {
  Session s;
  s.doc.m_dSlope = 7;
  s.doc.m_dSampleSize = 33;
  s.Run(Script(kRatioPoint, "ok 1000; 20; 10; 12\n"));
  EXPECT_EQ(s.doc.m_dPopSize, 1000);
  EXPECT_EQ(s.doc.m_dSampleMean, 20);
  EXPECT_EQ(s.doc.m_dSampleMeanX, 10);
  EXPECT_EQ(s.doc.m_dPopMeanX, 12);
  EXPECT_EQ(s.doc.m_dSlope, 7);  // the ratio form has no b
  EXPECT_EQ(s.doc.m_dSampleSize, 33);
  s.Run(Script(kRegressionInterval, "ok 900; 90; 21; 11; 13; 4; 2.5; 99%\n"));
  EXPECT_EQ(s.doc.m_dSampleSize, 90);
  EXPECT_EQ(s.doc.m_dResidSd, 4);
  EXPECT_EQ(s.doc.m_dSlope, 2.5);
  EXPECT_DOUBLE_EQ(s.doc.m_dZ, 2.576);
  s.Run(Script(kRegressionSd, "ok 800; 80; 6; 0.8\n"));
  EXPECT_EQ(s.doc.m_dPopMeanX, 13);  // muX belongs to the ratio form only
  EXPECT_EQ(s.doc.m_dSigmaY, 6);
  EXPECT_EQ(s.doc.m_dRhoXY, 0.8);
  s.Run(Script(kRatioSize, "ok 700; 12; 24; 3; 7; 0.5; Total; 500; 95%\n"));
  EXPECT_EQ(s.doc.m_dSampleSize, 80);  // the sample size leaves n alone
  EXPECT_EQ(s.doc.m_dPopMeanY, 24);
  EXPECT_EQ(s.doc.m_dSigmaX, 3);
  EXPECT_EQ(s.doc.m_dMargin, 500);
  EXPECT_EQ(s.doc.m_nSpecialTarget, SpecialTarget::TotalOrNumber);
}

TEST(SrsAux, CancelStoresAndAppendsNothing) {
  Session s;
  const bool modified = s.doc.IsModified();
  auto r = s.Run(Script(kRatioInterval, "cancel\n"));
  EXPECT_EQ(r.status, 0);
  EXPECT_TRUE(r.appended.empty());
  EXPECT_EQ(s.doc.IsModified(), modified);
  EXPECT_EQ(s.doc.m_nLastResult, 0);
  s.Run(Script(kRegressionPoint, "ok 1000; 20; 10; 12; 1.5\n"));
  EXPECT_EQ(s.doc.m_nLastResult, 1);
  s.Run(Script(kRegressionSize, "cancel\n"));
  EXPECT_EQ(s.doc.m_dPopSize, 1000);
}

TEST(SrsAux, DegenerateInputStillAppendsTheBlock) {
  auto r = RunScript(Script(kRatioPoint, "ok 1000; 20; 0; 12\n"));
  EXPECT_EQ(r.appended[9], "Estimate of population mean: inf");
  // Pointed out before OK, without blocking (issue 23, item 9).
  EXPECT_EQ(r.messages,
            std::vector<std::string>{"barX is 0: the ratio estimate divides by it and shows as inf or nan."});
}

TEST(SrsAux, OverlongTextIsRefusedAtOkAndTheFormStaysOpen) {
  // The ratio point form takes at most 10 characters for barX.
  auto r = RunScript(Script(kRatioPoint, "ok 1000; 20; 10.00000000; 12\nok 1000; 20; 10.0000000; 12\n"));
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.messages, std::vector<std::string>{"Please enter no more than 10 characters."});
  EXPECT_EQ(r.appended.size(), 11u);
  // rhoXY of the regression sample-size form has no limit.
  auto unlimited = RunScript(Script(kRegressionSize, "ok 1000; 6; 0.8000000000000000000; Mean; 0.5; 95%\n"));
  EXPECT_TRUE(unlimited.messages.empty());
  EXPECT_EQ(unlimited.appended.back(), "Required sample size is 166");
}

// Every form the family's commands show is a simple-random-sampling form the catalogue knows.
TEST(SrsAux, FamilyFormsAreInTheCatalogue) {
  int forms = 0;
  for (const CommandTable* table : srs::kFamily.tables)
    for (const Command& c : table->commands)
      for (const FormTemplate* t : c.forms) {
        if (!t) continue;
        ++forms;
        EXPECT_EQ(t->title, "Simple random sampling") << t->id;
        EXPECT_EQ(FindFormTemplate(t->id), t);
      }
  EXPECT_GT(forms, 0);
}

}  // namespace
}  // namespace mirto::test
