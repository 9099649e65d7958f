// Models A to E: whole commands and the blocks they append. Figures are the
// worked examples, hand calculations, or the independent weighted
// least-squares fit of prediction_wls.py.
#include <gtest/gtest.h>

#include <string>

#include "support/ScriptRun.h"

namespace mirto {
namespace {

using test::Lines;
using test::RunScript;
using test::Session;

TEST(PredictionModels, ModelBIntervalWithoutResiduals) {
  Session s;
  auto r = s.Run("command Prediction\nok Model B; Confidence interval\nok 5; 2; 10; 95%\nok 1; 2\nok 3; 6\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(r.messages.empty());
  EXPECT_EQ(r.appended, Lines(R"(*********
Target: Mean and total of variable
Prediction approach, Model B
Objective: Confidence intervals
Population size, N= 5
Sample size, n= 2
Sum of X-values in population = 10.000000
 i        X_i       Y_i 
  1      1.000      2.000 
  2      3.000      6.000 
Best estimate b = 2.000000
Estimate of population mean: 4.000000
Estimate of population total: 20.000000
Estimated error std. deviation, hatSdE*, is 0.000000 
Warning: Small sample or remainder.
Approx. 0.95 confidence interval for pop. mean is from 4.000000 to 4.000000
Approx. 0.95 confidence interval for pop. total is from 20.000000 to 20.000000)"));
  EXPECT_EQ(s.doc.m_nLastResult, 1);
  EXPECT_TRUE(s.doc.IsModified());
}

TEST(PredictionModels, ModelDInterval) {
  auto r =
      RunScript("command Prediction\nok Model D; Confidence interval\nok 10; 3; 25; 95%\nok 1; 2\nok 2; 4\nok 3; 7\n");
  EXPECT_EQ(r.status, 0) << r.err;
  // hatSdE^2 = s2 f = (1/6)(215/6); bounds 55.833333 -+ 1.96 hatSdE.
  EXPECT_EQ(r.appended, Lines(R"(*********
Target: Mean and total of variable
Prediction approach, Model D
Objective: Confidence intervals
Population size, N= 10
Sample size, n= 3
Sum of X-values in population = 25.000000
 i        X_i       Y_i 
  1      1.000      2.000 
  2      2.000      4.000 
  3      3.000      7.000 
Best estimate a = -0.666667
Best estimate b = 2.500000
Estimate of population mean: 5.583333
Estimate of population total: 55.833333
Estimated error std. deviation, hatSdE*, is 2.443813 
Warning: Small sample or remainder.
Approx. 0.95 confidence interval for pop. mean is from 5.104346 to 6.062321
Approx. 0.95 confidence interval for pop. total is from 51.043460 to 60.623207)"));
}

TEST(PredictionModels, ModelCIntervalShowsTheSumOfSquares) {
  // b = (2/1 + 5/2) / 2 = 2.25, X_r = 7, Q_r = 25, s2 = (0.0625 + 0.0625) / 1,
  // f = 49/2 + 25: hatSdE = sqrt(6.1875).
  auto r = RunScript("command Prediction\nok Model C; Confidence interval\nok 4; 2; 10; 30; 95%\nok 1; 2\nok 2; 5\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.appended, Lines(R"(*********
Target: Mean and total of variable
Prediction approach, Model C
Objective: Confidence intervals
Population size, N= 4
Sample size, n= 2
Sum of X-values in population = 10.000000
Sum of squared X-values in population = 30.000000
 i        X_i       Y_i 
  1      1.000      2.000 
  2      2.000      5.000 
Best estimate b = 2.250000
Estimate of population mean: 5.687500
Estimate of population total: 22.750000
Estimated error std. deviation, hatSdE*, is 2.487469 
Warning: Small sample or remainder.
Approx. 0.95 confidence interval for pop. mean is from 4.468640 to 6.906360
Approx. 0.95 confidence interval for pop. total is from 17.874562 to 27.625438)"));
}

TEST(PredictionModels, TheoreticalErrorVariance) {
  auto r = RunScript(
      "command Prediction\nok Model A; Theoretical error variance\nok 10; 2; 15; 4\nok 1\nok 2\n"
      "command Prediction\nok Model C; Theoretical error variance\nok 4; 2; 10; 30; 1\nok 1\nok 2\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.appended, Lines(R"(*********
Target: Mean and total of variable
Prediction approach, Model A
Objective: Theoretical error variance
Population size, N= 10
Sample size, n= 2
Sum of X-values in population = 15.000000
Variance of deviations = 4.000000
 i        X_i
  1      1.000
  2      2.000
Theoretical error variance, VarE*, is 147.200000 
*********
Target: Mean and total of variable
Prediction approach, Model C
Objective: Theoretical error variance
Population size, N= 4
Sample size, n= 2
Sum of X-values in population = 10.000000
Sum of squared X-values in population = 30.000000
Variance of deviations = 1.000000
 i        X_i
  1      1.000
  2      2.000
Theoretical error variance, VarE*, is 49.500000 )"));
}

TEST(PredictionModels, TheoreticalErrorVarianceModelsBAndD) {
  // Same X-values, N = 10, X = 15, sigma^2 = 4: X_r = 12.
  // B: 12 (3 + 12) / 3 * 4 = 240.  D: 100 (1/2 - 1/10 + (1.5 - 1.5)^2 / 0.5) * 4 = 160.
  auto r = RunScript(
      "command Prediction\nok Model B; Theoretical error variance\nok 10; 2; 15; 4\nok 1\nok 2\n"
      "command Prediction\nok Model D; Theoretical error variance\nok 10; 2; 15; 4\nok 1\nok 2\n");
  EXPECT_EQ(r.status, 0) << r.err;
  ASSERT_EQ(r.appended.size(), 24u);
  EXPECT_EQ(r.appended[11], "Theoretical error variance, VarE*, is 240.000000 ");
  EXPECT_EQ(r.appended[23], "Theoretical error variance, VarE*, is 160.000000 ");
}

TEST(PredictionModels, ModelE) {
  auto r = RunScript(
      "command Prediction\nok Model E; Point estimate\nok 100; 10; 1\nok 2; 5; 4\n"
      "command 32774\nok Model E; Point estimate\nok 7; 3.5; 0\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.appended, Lines(R"(*********
Target: Mean and total of variable
Prediction approach, Model E
Objective: Point estimates
Population size, N= 100
Sample mean of Y, barY = 10.000000
  i        b_i       mu_i     barX_i 
  1     2.0000      5.000      4.000 
Estimate of population mean: 12.000000
Estimate of population total: 1200.000000
*********
Target: Mean and total of variable
Prediction approach, Model E
Objective: Point estimates
Population size, N= 7
Sample mean of Y, barY = 3.500000
  i        b_i       mu_i     barX_i 
Estimate of population mean: 3.500000
Estimate of population total: 24.500000)"));
}

TEST(PredictionModels, ModelESumsOverEveryVariable) {
  // 2 + 0.5 (10 - 12) - 1.25 (3 - 1) = -1.5; total 40 * -1.5.
  auto r = RunScript("command Prediction\nok Model E; Point estimate\nok 40; 2; 2\nok 0.5; 10; 12\nok -1.25; 3; 1\n");
  EXPECT_EQ(r.status, 0) << r.err;
  ASSERT_EQ(r.appended.size(), 11u);
  EXPECT_EQ(r.appended[7], "  1     0.5000     10.000     12.000 ");
  EXPECT_EQ(r.appended[8], "  2    -1.2500      3.000      1.000 ");
  EXPECT_EQ(r.appended[9], "Estimate of population mean: -1.500000");
  EXPECT_EQ(r.appended[10], "Estimate of population total: -60.000000");
}

TEST(PredictionModels, CancelInAnyLoopIsAnIllegalEntry) {
  const char* scripts[] = {
      "command Prediction\nok Model A; Point estimate\nok 5; 2; 10\nok 1; 2\ncancel\n",
      "command Prediction\nok Model D; Confidence interval\nok 5; 3; 10; 99%\ncancel\n",
      "command Prediction\nok Model C; Theoretical error variance\nok 5; 2; 10; 30; 1\nok 1\ncancel\n",
      "command Prediction\nok Model E; Point estimate\nok 5; 2; 2\nok 1; 2; 3\ncancel\n",
  };
  for (const char* script : scripts) {
    SCOPED_TRACE(script);
    Session s;
    auto r = s.Run(script);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.appended.empty());
    EXPECT_EQ(r.messages, std::vector<std::string>{"Illegal entry"});
    EXPECT_EQ(s.doc.m_nLastResult, 0);
    EXPECT_FALSE(s.doc.IsModified());
  }
}

TEST(PredictionModels, ModelCReportsANonPositiveXAndGoesOn) {
  // The negative X stays in the sums: b = (2/-1 + 4/2) / 2 = 0, T = 6.
  auto r = RunScript("command Prediction\nok Model C; Point estimate\nok 5; 2; 10\nok -1; 2\nok 2; 4\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.messages, std::vector<std::string>{"Illegal entry"});
  ASSERT_EQ(r.appended.size(), 13u);
  EXPECT_EQ(r.appended[8], "  1     -1.000      2.000 ");
  EXPECT_EQ(r.appended[10], "Best estimate b = 0.000000");
  EXPECT_EQ(r.appended[12], "Estimate of population total: 6.000000");

  // A zero X makes sum(y/x), and so the estimates, infinite.
  r = RunScript("command Prediction\nok Model C; Point estimate\nok 5; 2; 10\nok 0; 2\nok 2; 4\n");
  EXPECT_EQ(r.messages, std::vector<std::string>{"Illegal entry"});
  ASSERT_EQ(r.appended.size(), 13u);
  EXPECT_EQ(r.appended[10], "Best estimate b = inf");
  EXPECT_EQ(r.appended[12], "Estimate of population total: inf");

  // The error variance keeps it in its sums: X_r = 8, Q_r = 26, VarE = 64 / 2 + 26.
  r = RunScript("command Prediction\nok Model C; Theoretical error variance\nok 5; 2; 10; 30; 1\nok 0\nok 2\n");
  EXPECT_EQ(r.messages, std::vector<std::string>{"Illegal entry"});
  ASSERT_FALSE(r.appended.empty());
  EXPECT_EQ(r.appended.back(), "Theoretical error variance, VarE*, is 58.000000 ");
}

TEST(PredictionModels, ZeroXUnderModelBLeavesTheIntervalUndefined) {
  // b = 5 / 2, X_r = 18, T = 5 + 45.
  auto r = RunScript("command Prediction\nok Model B; Confidence interval\nok 10; 2; 20; 95%\nok 0; 1\nok 2; 4\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.messages, std::vector<std::string>{"An X-value is zero... S2 not defined."});
  ASSERT_EQ(r.appended.size(), 17u);
  EXPECT_EQ(r.appended[12], "Estimate of population total: 50.000000");
  EXPECT_EQ(r.appended[13], "Estimated error std. deviation, hatSdE*, is 0.000000 ");
  EXPECT_EQ(r.appended[15], "Approx. 0.95 confidence interval for pop. mean is from nan to nan");
  EXPECT_EQ(r.appended[16], "Approx. 0.95 confidence interval for pop. total is from nan to nan");
}

TEST(PredictionModels, ModelDWithTwoElementsHasNoResidualVariance) {
  // s2 = (20 - 0 * 6 - 2 * 10) / 0.
  auto r = RunScript("command Prediction\nok Model D; Confidence interval\nok 10; 2; 15; 95%\nok 1; 2\nok 2; 4\n");
  EXPECT_EQ(r.status, 0) << r.err;
  ASSERT_EQ(r.appended.size(), 18u);
  EXPECT_EQ(r.appended[12], "Estimate of population mean: 3.000000");
  EXPECT_EQ(r.appended[14], "Estimated error std. deviation, hatSdE*, is nan ");
  EXPECT_EQ(r.appended[17], "Approx. 0.95 confidence interval for pop. total is from nan to nan");
}

// An interval for Model A over n elements x = i, y = 2i: b = 2, no residuals.
std::vector<std::string> IntervalBlock(int N, int n) {
  std::string script = "command Prediction\nok Model A; Confidence interval\nok " + std::to_string(N) + "; " +
                       std::to_string(n) + "; " + std::to_string(10 * N) + "; 90%\n";
  for (int i = 1; i <= n; ++i) script += "ok " + std::to_string(i) + "; " + std::to_string(2 * i) + "\n";
  auto r = RunScript(script);
  EXPECT_EQ(r.status, 0) << r.err;
  return r.appended;
}

TEST(PredictionModels, SmallSampleWarning) {
  struct Case {
    int N, n;
    bool warns;
  } cases[] = {{200, 50, true}, {101, 51, true}, {102, 51, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "N=" << c.N << " n=" << c.n);
    const std::vector<std::string> block = IntervalBlock(c.N, c.n);
    const std::size_t hat = 11 + static_cast<std::size_t>(c.n);
    ASSERT_EQ(block.size(), hat + (c.warns ? 4u : 3u));
    EXPECT_EQ(block[hat], "Estimated error std. deviation, hatSdE*, is 0.000000 ");
    EXPECT_EQ(block[hat + 1] == "Warning: Small sample or remainder.", c.warns);
    EXPECT_EQ(block.back().rfind("Approx. 0.90 confidence interval for pop. total is from ", 0), 0u);
  }
}

// Five pairs, N = 120, population sum of X 900, 90%: the slope, the fitted
// line and the residual variance come from a general weighted least-squares
// fit, the error variance from the model (prediction_wls.py), so a wrong
// weight or divisor shows in b, T or hatSdE.
constexpr const char* kPairs = "ok 3; 7.2\nok 5; 11.9\nok 6; 13.1\nok 8; 18.4\nok 11; 24.0\n";

std::vector<std::string> Results(const std::vector<std::string>& block) {
  const std::size_t rows = 13;  // separator to the last table row
  return block.size() > rows ? std::vector<std::string>(block.begin() + rows, block.end()) : block;
}

TEST(PredictionModels, ModelBMatchesWeightedLeastSquares) {
  auto r =
      RunScript(std::string("command Prediction\nok Model B; Confidence interval\nok 120; 5; 900; 90%\n") + kPairs);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Results(r.appended), Lines(R"(Best estimate b = 2.260606
Estimate of population mean: 16.954545
Estimate of population total: 2034.545455
Estimated error std. deviation, hatSdE*, is 38.140960 
Warning: Small sample or remainder.
Approx. 0.90 confidence interval for pop. mean is from 16.431696 to 17.477394
Approx. 0.90 confidence interval for pop. total is from 1971.803575 to 2097.287334)"));
}

TEST(PredictionModels, ModelDMatchesLeastSquares) {
  auto r =
      RunScript(std::string("command Prediction\nok Model D; Confidence interval\nok 120; 5; 900; 90%\n") + kPairs);
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Results(r.appended), Lines(R"(Best estimate a = 0.985484
Best estimate b = 2.111290
Estimate of population mean: 16.820161
Estimate of population total: 2018.419355
Estimated error std. deviation, hatSdE*, is 28.036909 
Warning: Small sample or remainder.
Approx. 0.90 confidence interval for pop. mean is from 16.435822 to 17.204501
Approx. 0.90 confidence interval for pop. total is from 1972.298640 to 2064.540070)"));
}

}  // namespace
}  // namespace mirto
