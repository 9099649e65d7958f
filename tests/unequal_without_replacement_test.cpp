// Unequal probabilities without replacement: whole commands as scripts, the
// pair forms, the refused entries, and the theoretical deviation checked
// against the exact deviation over every sample of small designs.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "framework/FormCatalog.h"
#include "framework/Format.h"
#include "framework/Registry.h"
#include "support/ScriptRun.h"

namespace mirto {
namespace {

using test::Lines;
using test::Session;

constexpr const char* kMeanPoint = "command Un.Prob.WithoutRepl. > Mean/total of variable > Point estimates\n";
constexpr const char* kMeanInterval = "command Un.Prob.WithoutRepl. > Mean/total of variable > Interval estimates\n";
constexpr const char* kMeanSd = "command Un.Prob.WithoutRepl. > Mean/total of variable > Th. std. dev. of estimator\n";
constexpr const char* kPropPoint = "command Un.Prob.WithoutRepl. > Proportion/number in category > Point estimates\n";
constexpr const char* kPropInterval =
    "command Un.Prob.WithoutRepl. > Proportion/number in category > Interval estimates\n";
constexpr const char* kPropSd =
    "command Un.Prob.WithoutRepl. > Proportion/number in category > Th. std.dev. of estimator\n";

TEST(UnequalWithoutReplacement, MeanIntervalWorkedFigures) {
  auto r = test::RunScript(std::string(kMeanInterval) + "ok 10; 2; 95%\nok 2; 0.2\nok 6; 0.4\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.appended, Lines(R"(*********
Target: Mean and total of variable
Method: Unequal probabilities, without replacement
Objective: Confidence intervals
Estimator: HTE
Population size, N= 10
Sample size, n= 2
 i        Y_i       p_i 
  1      2.000     0.2000 
  2      6.000     0.4000 
Estimate of population mean: 2.500000
Estimate of population total: 25.000000
Estimated std. deviation of estimator of pop. mean, Sd(barY_hh), is 0.471405 
Warning: Small sample or remainder.
Approx. 0.95 confidence interval for pop. mean is from 1.576047 to 3.423953
Approx. 0.95 confidence interval for pop. total is from 15.760471 to 34.239529)"));
}

TEST(UnequalWithoutReplacement, MeanTheoreticalDeviationWorkedFigures) {
  Session s;
  auto r = s.Run(std::string(kMeanSd) + "ok 2\nok 1; 0.5\nok 3; 0.5\nok 0\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.appended, Lines(R"(*********
Target: Mean and total of variable
Method: Unequal probabilities, without replacement
Objective: Theoretical std. deviation of estimator
Estimator: HTE
Population size, N= 2
 i        Y_i       p_i 
  1   1.000000   0.500000 
  2   3.000000   0.500000 
  i   j      p_ij 
  1   2   0.000000 
Std. deviation of estimator of pop. mean, Sd(barY_hh): 1.000000
Std. deviation of estimator of pop. total: 2.000000)"));
  EXPECT_TRUE(s.doc.IsModified());
  EXPECT_EQ(s.doc.m_nLastResult, 1);
}

// One element form and no pair form: the pair table is its header alone.
TEST(UnequalWithoutReplacement, SingleElementPopulationHasNoPairs) {
  auto r = test::RunScript(std::string(kPropSd) + "ok 1\nok 1; 1\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.appended, Lines(R"(*********
Target: Proportion and number in category
Method: Unequal probabilities, without replacement
Objective: Theoretical std. deviation of estimator
Estimator: HTE
Population size, N= 1
 i        Y'_i       p_i 
  1   1.000000   1.000000
  i   j      p_ij 
Std. deviation of estimator of pop. proportion: 0.000000
Std. deviation of estimator of pop. number: 0.000000)"));
}

TEST(UnequalWithoutReplacement, ProportionPoint) {
  // T = 1/0.5 + 1/0.3 = 5.333...: the number is printed without decimals.
  auto prop = test::RunScript(std::string(kPropPoint) + "ok 10; 3\nok 1; 0.5\nok 0; 0.25\nok 1; 0.3\n");
  EXPECT_EQ(prop.appended, Lines(R"(*********
Target: Proportion and number in category
Method: Unequal probabilities, without replacement
Objective: Point estimates
Estimator: HTE
Population size, N= 10
Sample size, n= 3
 i       Y'_i       p_i 
  1      1.000     0.5000 
  2      0.000     0.2500 
  3      1.000     0.3000 
Estimate of population proportion in category: 0.533333
Estimate of population number in category: 5)"));
}

TEST(UnequalWithoutReplacement, ProportionInterval) {
  auto r = test::RunScript(std::string(kPropInterval) + "ok 10; 3; 95%\nok 1; 0.5\nok 0; 0.25\nok 1; 0.3\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.appended, Lines(R"(*********
Target: Proportion and number in category
Method: Unequal probabilities, without replacement
Objective: Confidence intervals
Estimator: HTE
Population size, N= 10
Sample size, n= 3
 i        Y'_i       p_i 
  1   1.000000   0.500000 
  2   0.000000   0.250000 
  3   1.000000   0.300000 
Estimate of population proportion: 0.533333
Estimate of population number: 5
Estimated std. deviation of estimator of pop. proportion, Sd(P_hh), is 0.256279 
Warning: Small sample or remainder.
Approx. 0.95 confidence interval for pop. proportion is from 0.031026 to 1.035641
Approx. 0.95 confidence interval for pop. number is from 0 to 10)"));
}

TEST(UnequalWithoutReplacement, SingleDrawGivesNonFiniteInterval) {
  auto r = test::RunScript(std::string(kMeanInterval) + "ok 1; 1; 95%\nok 5; 1\n");
  EXPECT_EQ(r.status, 0) << r.err;
  const auto tail = std::vector<std::string>(r.appended.end() - 4, r.appended.end());
  EXPECT_EQ(tail, Lines(R"(Estimated std. deviation of estimator of pop. mean, Sd(barY_hh), is nan 
Warning: Small sample or remainder.
Approx. 0.95 confidence interval for pop. mean is from nan to nan
Approx. 0.95 confidence interval for pop. total is from nan to nan)"));
}

// Inclusion and joint probabilities of 0 and 1 pass in the theoretical deviation.
TEST(UnequalWithoutReplacement, BoundaryProbabilitiesPass) {
  auto census = test::RunScript(std::string(kMeanSd) + "ok 2\nok 1; 1\nok 3; 1\nok 1\n");
  EXPECT_EQ(census.status, 0) << census.err;
  ASSERT_GE(census.appended.size(), 2u);
  EXPECT_EQ(census.appended.back(), "Std. deviation of estimator of pop. total: 0.000000");

  // An element that can never be drawn leaves the variance undefined.
  auto never = test::RunScript(std::string(kMeanSd) + "ok 2\nok 1; 0\nok 3; 1\nok 0\n");
  EXPECT_EQ(never.status, 0) << never.err;
  ASSERT_GE(never.appended.size(), 2u);
  EXPECT_EQ(never.appended.back(), "Std. deviation of estimator of pop. total: nan");
}

TEST(UnequalWithoutReplacement, RefusedOrCancelledEntryAppendsNothing) {
  struct Case {
    const char* name;
    std::string script;
    bool refused;
  };
  const Case cases[] = {
      {"zero inclusion probability", std::string(kMeanPoint) + "ok 10; 2\nok 2; 0.2\nok 6; 0\n", true},
      {"negative inclusion probability", std::string(kPropInterval) + "ok 10; 2; 95%\nok 1; -0.2\n", true},
      {"population probability above 1", std::string(kMeanSd) + "ok 2\nok 1; 1.5\n", true},
      {"negative population probability", std::string(kPropSd) + "ok 2\nok 1; 0.5\nok 0; -0.1\n", true},
      {"joint probability above 1", std::string(kMeanSd) + "ok 3\nok 1; 0.5\nok 2; 0.5\nok 3; 1\nok 0.5\nok 1.5\n",
       true},
      {"negative joint probability", std::string(kMeanSd) + "ok 2\nok 1; 0.5\nok 3; 0.5\nok -0.25\n", true},
      {"joint probability above an element's", std::string(kMeanSd) + "ok 2\nok 1; 0.5\nok 3; 0.3\nok 0.4\n", true},
      {"cancel on a pair", std::string(kPropSd) + "ok 3\nok 1; 0.5\nok 0; 0.5\nok 1; 1\nok 0.25\ncancel\n", false},
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

// Answers forms from a list and records each form shown with its numbers.
class RecordingHost : public FormHost {
 public:
  std::vector<std::vector<std::string>> answers;
  std::vector<std::string> shown;  // "template:numbers"
  std::vector<std::string> messages;

  bool ShowForm(Form& form) override {
    std::string what = std::to_string(form.Template().id) + ":";
    for (std::size_t i = 0; i < form.size(); ++i)
      if (form.ControlAt(i).readOnly) what += form.Text(i) + " ";
    shown.push_back(what);
    if (m_next >= answers.size()) return false;
    const std::vector<std::size_t> inputs = form.Inputs();
    const std::vector<std::string>& values = answers[m_next++];
    if (values.size() != inputs.size()) return false;
    for (std::size_t k = 0; k < inputs.size(); ++k) form.SetText(inputs[k], values[k]);
    return true;
  }
  void Message(std::string_view text) override { messages.emplace_back(text); }

 private:
  std::size_t m_next = 0;
};

TEST(UnequalWithoutReplacement, AsksEveryPairInOrderAndPrintsItsProbability) {
  RecordingHost host;
  CTervoDoc doc(host);
  doc.OnNewDocument();
  host.answers = {{"4"},    {"1", "0.5"}, {"2", "0.5"}, {"3", "0.5"}, {"4", "0.5"}, {"0.12"},
                  {"0.13"}, {"0.14"},     {"0.23"},     {"0.24"},     {"0.34"}};
  ASSERT_TRUE(
      doc.OnCommand(FindCommandId("Un.Prob.WithoutRepl. > Mean/total of variable > Th. std. dev. of estimator")));
  // N + N(N-1)/2 forms after the population size.
  EXPECT_EQ(host.shown, (std::vector<std::string>{"189:", "187:1 ", "187:2 ", "187:3 ", "187:4 ", "190:1 2 ",
                                                  "190:1 3 ", "190:1 4 ", "190:2 3 ", "190:2 4 ", "190:3 4 "}));
  EXPECT_TRUE(host.messages.empty());
  const std::vector<std::string> journal = doc.GetJournal().Lines();
  ASSERT_GE(journal.size(), 9u);
  EXPECT_EQ(std::vector<std::string>(journal.end() - 9, journal.end() - 2), Lines(R"(  i   j      p_ij 
  1   2   0.120000 
  1   3   0.130000 
  1   4   0.140000 
  2   3   0.230000 
  2   4   0.240000 
  3   4   0.340000 )"));
}

// The element and pair forms reach every host through the catalogue.
TEST(UnequalWithoutReplacement, CatalogueHoldsTheElementAndPairForms) {
  struct Expected {
    int id;
    std::string_view title;
    std::size_t inputs, numbers;
  };
  for (Expected e : {Expected{183, "Unequal probabilities, with replacement", 2, 1},
                     Expected{184, "Unequal probabilities, with replacement", 2, 1},
                     Expected{187, "Unequal probabilities, without replacement", 2, 1},
                     Expected{188, "Unequal probabilities, without replacement", 2, 1},
                     Expected{190, "Unequal probabilities, without replacement", 1, 2}}) {
    const FormTemplate* t = FindFormTemplate(e.id);
    ASSERT_NE(t, nullptr) << e.id;
    EXPECT_EQ(t->title, e.title);
    Form form(*t);
    std::size_t numbers = 0;
    for (std::size_t i = 0; i < form.size(); ++i) numbers += form.ControlAt(i).readOnly;
    EXPECT_EQ(form.Inputs().size(), e.inputs) << e.id;
    EXPECT_EQ(numbers, e.numbers) << e.id;
  }
}

// A fixed-size design given by its samples and their probabilities.
struct Design {
  const char* name;
  std::vector<double> y;
  std::vector<std::pair<std::pair<int, int>, double>> samples;  // {(i, j), P}, elements from 1
};

TEST(UnequalWithoutReplacement, TheoreticalDeviationIsExactOverAllSamples) {
  const Design designs[] = {
      {"simple random, 2 of 4",
       {3, 7, 2, 9},
       {{{1, 2}, 1 / 6.0},
        {{1, 3}, 1 / 6.0},
        {{1, 4}, 1 / 6.0},
        {{2, 3}, 1 / 6.0},
        {{2, 4}, 1 / 6.0},
        {{3, 4}, 1 / 6.0}}},
      {"unequal, 2 of 4",
       {3, 7, 2, 9},
       {{{1, 2}, 0.1}, {{1, 3}, 0.2}, {{1, 4}, 0.1}, {{2, 3}, 0.3}, {{2, 4}, 0.2}, {{3, 4}, 0.1}}},
      {"unequal, 2 of 5 with an empty pair",
       {1.5, 4, 10, 0, 6},
       {{{1, 2}, 0.25}, {{1, 3}, 0.05}, {{2, 4}, 0.2}, {{3, 5}, 0.3}, {{4, 5}, 0.1}, {{2, 5}, 0.1}}},
  };
  for (const Design& d : designs) {
    const int N = static_cast<int>(d.y.size());
    std::vector<double> pi(N + 1, 0.0);
    std::vector<std::vector<double>> pij(N + 1, std::vector<double>(N + 1, 0.0));
    for (const auto& [pair, P] : d.samples) {
      pi[pair.first] += P;
      pi[pair.second] += P;
      pij[pair.first][pair.second] += P;
    }
    double total = 0.0, variance = 0.0;
    for (double v : d.y) total += v;
    for (const auto& [pair, P] : d.samples) {
      const double estimate = d.y[pair.first - 1] / pi[pair.first] + d.y[pair.second - 1] / pi[pair.second];
      variance += P * (estimate - total) * (estimate - total);
    }

    std::string script = std::string(kMeanSd) + "ok " + std::to_string(N) + "\n";
    for (int i = 1; i <= N; ++i) script += Format("ok %g; %.8g\n", d.y[i - 1], pi[i]);
    for (int i = 1; i < N; ++i)
      for (int j = i + 1; j <= N; ++j) script += Format("ok %.8g\n", pij[i][j]);
    auto r = test::RunScript(script);
    ASSERT_EQ(r.status, 0) << d.name << ": " << r.err;
    ASSERT_GE(r.appended.size(), 2u);
    const std::string meanLine = r.appended[r.appended.size() - 2], totalLine = r.appended.back();
    const std::string meanPrefix = "Std. deviation of estimator of pop. mean, Sd(barY_hh): ";
    const std::string totalPrefix = "Std. deviation of estimator of pop. total: ";
    ASSERT_EQ(meanLine.rfind(meanPrefix, 0), 0u) << meanLine;
    ASSERT_EQ(totalLine.rfind(totalPrefix, 0), 0u) << totalLine;
    EXPECT_NEAR(std::stod(totalLine.substr(totalPrefix.size())), std::sqrt(variance), 2e-6) << d.name;
    EXPECT_NEAR(std::stod(meanLine.substr(meanPrefix.size())), std::sqrt(variance) / N, 2e-6) << d.name;
  }
}

// N(N-1)/2 pairs beyond what the machine holds (and beyond int): refused
// before any element is asked.
TEST(UnequalWithoutReplacement, PairCountBeyondMemoryIsRefused) {
  Session s;
  auto r = s.Run(std::string(kMeanSd) + "ok 1000000\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.messages, std::vector<std::string>{"Memory allocation failure."});
  EXPECT_TRUE(r.appended.empty());
  EXPECT_FALSE(s.doc.IsModified());
}

}  // namespace
}  // namespace mirto
