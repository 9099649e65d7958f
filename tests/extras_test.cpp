// Additional figures and the added calculations: the formula values from
// R's qt, qbeta, binom.test and prop.test, the statements and the records.
// Their scripts are in scripts/extras/, run by script_test.cpp.
#include <gtest/gtest.h>

#include <cmath>
#include <nlohmann/json.hpp>
#include <sstream>

#include "batch/Session.h"
#include "extras/Additional.h"
#include "extras/Commands.h"
#include "extras/Quantiles.h"
#include "framework/Results.h"
#include "support/Files.h"
#include "support/ScriptRun.h"

namespace mirto::test {
namespace {

// ---- The formulas at full precision --------------------------------------------------

// R: qt(0.975, 99), qt(0.9, 2.5), qt(0.995, 1), qbeta(0.025, 3, 8), qbeta(0.975, 4, 7), qbeta(0.05, 2.5, 7.25).
TEST(AdditionalFigures, QuantilesAsR) {
  EXPECT_NEAR(extras::StudentQuantile(99, 0.975), 1.9842169515864172, 1e-13);
  EXPECT_NEAR(extras::StudentQuantile(2.5, 0.9), 1.7302509288071761, 1e-13);
  EXPECT_NEAR(extras::StudentQuantile(1, 0.995), 63.656741162871526, 1e-10);
  EXPECT_NEAR(extras::BetaQuantile(3, 8, 0.025), 0.066739511177734467, 1e-14);
  EXPECT_NEAR(extras::BetaQuantile(4, 7, 0.975), 0.65245285005999731, 1e-14);
  EXPECT_NEAR(extras::BetaQuantile(2.5, 7.25, 0.05), 0.069356483207119735, 1e-14);
  // Outside the domain: not a number, never an exception.
  EXPECT_TRUE(std::isnan(extras::StudentQuantile(0, 0.975)));
  EXPECT_TRUE(std::isnan(extras::StudentQuantile(5, 1.5)));
  EXPECT_TRUE(std::isnan(extras::BetaQuantile(-1, 2, 0.5)));
  EXPECT_TRUE(std::isnan(extras::BetaQuantile(1, 2, std::nan(""))));
  // n P and n (1 - P) + 1 with n = 2.56e39, where the root search finds no root.
  const double n = 2.5641494207215363e+39, x = n * 0.56122234165713736;
  EXPECT_TRUE(std::isnan(extras::BetaQuantile(x, n - x + 1, 0.025)));
}

struct IntervalCase {
  const char* source;
  double P, n, level, low, high;
};

TEST(AdditionalFigures, ClopperPearsonAsBinomTest) {
  const IntervalCase cases[] = {
      {"binom.test(3, 10)", 0.3, 10, 0.95, 0.066739511177734495, 0.652452850059997314},
      {"binom.test(0, 20, conf.level = 0.9)", 0.0, 20, 0.90, 0.0, 0.13910834066826516},
      {"binom.test(20, 20, conf.level = 0.99)", 1.0, 20, 0.99, 0.76727049901092548, 1.0},
  };
  for (const IntervalCase& c : cases) {
    SCOPED_TRACE(c.source);
    const extras::Bounds b = extras::ClopperPearsonInterval(c.P, c.n, c.level);
    EXPECT_NEAR(b.low, c.low, 1e-14);
    EXPECT_NEAR(b.high, c.high, 1e-14);
  }
}

// prop.test without continuity correction is Wilson's interval, at the exact quantile qnorm(0.975).
TEST(AdditionalFigures, WilsonAsPropTest) {
  const double z = 1.9599639845400536;
  extras::Bounds b = extras::WilsonInterval(0.3, 100, z);
  EXPECT_NEAR(b.low, 0.21894885294932756, 1e-14);
  EXPECT_NEAR(b.high, 0.39584854633346661, 1e-14);
  b = extras::WilsonInterval(0.0, 25, z);
  EXPECT_NEAR(b.low, 0.0, 1e-15);
  EXPECT_NEAR(b.high, 0.13319225093904843, 1e-14);
}

// ---- The allocation, rounding up, the joint-probability variance -------------------------

struct AllocationCase {
  const char* name;
  std::vector<double> a, lower, upper;
  double n;
  std::vector<double> expected;  // by hand
};

TEST(AddedCalculations, WholeAllocations) {
  const AllocationCase cases[] = {
      {"shares as they fall", {1, 3}, {0, 0}, {100, 100}, 8, {2, 6}},
      {"a full group gives way", {10000, 10000}, {0, 0}, {10, 10000}, 100, {10, 90}},
      {"equal remainders to the first group", {1, 1, 1}, {0, 0, 0}, {100, 100, 100}, 10, {4, 3, 3}},
      {"the largest remainder wins", {1, 2}, {0, 0}, {100, 100}, 10, {3, 7}},
      {"a minimum holds a group up", {10000, 100, 250}, {5, 5, 5}, {1000, 1000, 5}, 50, {40, 5, 5}},
      {"no spread: the minimum", {0, 50}, {3, 3}, {100, 100}, 30, {3, 27}},
      {"no spread anywhere: by size", {0, 0}, {0, 0}, {50, 150}, 20, {5, 15}},
      {"the rest to the groups without spread", {5, 0}, {0, 0}, {4, 100}, 10, {4, 6}},
      {"the whole population", {1, 2}, {0, 0}, {3, 4}, 7, {3, 4}},
      {"nothing to share", {1, 2}, {0, 0}, {3, 4}, 0, {0, 0}},
      {"no groups", {}, {}, {}, 0, {}},
  };
  for (const AllocationCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<double> exact;
    EXPECT_EQ(extras::WholeAllocation(c.a, c.lower, c.upper, c.n, &exact), c.expected);
    double sum = 0.0;
    for (double x : exact) sum += x;
    EXPECT_NEAR(sum, c.n, 1e-9);
  }
}

TEST(AddedCalculations, RoundUpKeepsWholeNumbers) {
  EXPECT_EQ(extras::RoundUp(277.74), 278);
  EXPECT_EQ(extras::RoundUp(277.0000001), 278);
  EXPECT_EQ(extras::RoundUp(224.00000000000003), 224);  // 162 / (161 (0.07/1.96)^2 + 1) / 0.6 in doubles
  EXPECT_EQ(extras::RoundUp(0), 0);
  EXPECT_TRUE(std::isnan(extras::RoundUp(std::nan(""))));
}

// For a simple random sample without replacement (p_i = n/N, p_ij = n(n-1)/(N(N-1)))
// the Sen-Yates-Grundy variance of the total is N^2 (1 - n/N) s^2 / n.
TEST(AddedCalculations, SenYatesGrundyForSimpleRandomSampling) {
  const double N = 40, n = 5;
  const std::vector<double> y{3.5, -1, 12, 7.25, 0};
  const std::vector<double> p(5, n / N), joint(10, n * (n - 1) / (N * (N - 1)));
  double mean = 0, squares = 0;
  for (double v : y) mean += v / n;
  for (double v : y) squares += (v - mean) * (v - mean);
  const double s2 = squares / (n - 1);
  EXPECT_NEAR(extras::SenYatesGrundyVariance(y, p, joint), N * N * (1 - n / N) * s2 / n, 1e-9);
}

// Refused entries end the command with nothing appended.
TEST(AddedCalculations, RefusedEntries) {
  struct Case {
    const char* name;
    const char* script;
    const char* message;
  };
  const Case cases[] = {
      {"joint probability 0", "command 32954\nok 5; 2; 95%\nok 3; 0.3\nok 9; 0.6\nok 0\n", "Illegal entry"},
      {"joint probability above p_i", "command 32954\nok 5; 2; 95%\nok 3; 0.3\nok 9; 0.6\nok 0.4\n", "Illegal entry"},
      {"inclusion probability above 1", "command 32955\nok 5; 2; 95%\nok 1; 1.5\n", "Illegal entry"},
      {"negative sigma_i", "command 32952\nok 2; 10; 0\nok 100; -1\n", "Illegal entry"},
      {"pi_i above 1", "command 32953\nok 2; 10; 0\nok 100; 0.5\nok 100; 1.5\n", "Illegal entry"},
      {"negative minimum", "command 32952\nok 2; 10; -1\n", "Illegal entry"},
      {"response rate 0", "command 32950\nok 1000; 10; Mean; 1; 95%; 1; 0\n",
       "Illegal entry: the response rate must be greater than 0 and at most 1."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ScriptResult r = RunScript(c.script);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.appended.empty());
    EXPECT_EQ(r.messages, std::vector<std::string>{c.message});
  }
}

// ---- The switch in scripts, results and sessions ------------------------------------------

constexpr const char* kProportionInterval =
    "command Simple > Proportion/number in category > Interval estimates > Simple\nok 1000; 100; 0.3; 95%\n";

TEST(AdditionalFigures, StatementsAndTheirMistakes) {
  EXPECT_EQ(RunScript(std::string("extras on\nextras off\n") + kProportionInterval).appended.size(), 12u);
  for (const char* wrong : {"extras\n", "extras yes\n", "extras ON\n"}) {
    const ScriptResult r = RunScript(wrong);
    EXPECT_EQ(r.status, 2) << wrong;
    EXPECT_NE(r.err.find(":1: error: extras"), std::string::npos) << r.err;
  }
}

TEST(AdditionalFigures, ResultsCarryThemUnderExtras) {
  Session s;
  ASSERT_EQ(s.Run(std::string(kProportionInterval) + "extras on\n" + kProportionInterval).status, 0);
  ASSERT_EQ(s.doc.Blocks().size(), 2u);
  const nlohmann::json off = nlohmann::json::parse(ResultJson(s.doc.Blocks()[0], 1));
  const nlohmann::json on = nlohmann::json::parse(ResultJson(s.doc.Blocks()[1], 2));
  EXPECT_FALSE(off.contains("extras"));
  // n_eff = P(1-P)/v = (n-1) N / (N-n) = 110 (by hand); the t quantile as R's qt(0.975, 99).
  EXPECT_NEAR(on["extras"]["n_eff"].get<double>(), 110.0, 1e-9);
  EXPECT_NEAR(on["extras"]["t_quantile"].get<double>(), 1.9842169515864172, 1e-13);
  EXPECT_EQ(on["extras"]["t_df"].get<double>(), 99.0);
  EXPECT_EQ(on["extras"]["small_count"].get<double>(), 0.0);
  EXPECT_EQ(on["results"], off["results"]);
  const std::vector<std::string> csv = ResultCsv(s.doc.Blocks());
  EXPECT_EQ(
      std::count_if(csv.begin(), csv.end(), [](const std::string& row) { return row.find(",extras.") != row.npos; }),
      static_cast<long>(s.doc.Blocks()[1].extras->results().size()));
  const auto neff = std::find_if(csv.begin(), csv.end(),
                                 [](const std::string& row) { return row.starts_with("2,32826,extras.n_eff,,"); });
  ASSERT_NE(neff, csv.end());
  EXPECT_NEAR(std::stod(neff->substr(std::string_view("2,32826,extras.n_eff,,").size())), 110.0, 1e-9);
}

// A figure that is not defined is NaN in the record, "nan" in the results.
TEST(AdditionalFigures, UndefinedFiguresAreNotNumbers) {
  Session s;
  ASSERT_EQ(s.Run("extras on\ncommand 32826\nok 1000; 100; 1.3; 95%\n").status, 0);
  const nlohmann::json j = nlohmann::json::parse(ResultJson(s.doc.Blocks()[0], 1));
  EXPECT_EQ(j["extras"]["wilson_low"], "nan");
  EXPECT_EQ(j["extras"]["cv"], "nan");
}

// View > "Additional figures" switched in the desktop is recorded so that the
// session replays to the same journal; a session that began with it on says so.
TEST(AdditionalFigures, SessionRecordsTheSwitch) {
  TempDir dir;
  std::istringstream answers("ok 1000; 100; 0.3; 95%\nok 1000; 100; 50; 10; 90%\nok 500; 50; 0.2; 99%\n");
  std::ostringstream messages;
  ScriptSource source(answers, "person");
  BatchHost person(source, messages);
  SessionRecorder recorder(person);
  CTervoDoc doc(recorder);
  doc.OnNewDocument();
  doc.SetAdditionalFigures(true);
  recorder.Start({}, true);
  recorder.RunCommand(doc, 32826);
  recorder.SwitchAdditionalFigures(doc, false);
  recorder.SwitchAdditionalFigures(doc, false);  // no change, nothing to record
  recorder.RunCommand(doc, 32810);
  recorder.SwitchAdditionalFigures(doc, true);
  recorder.RunCommand(doc, 32826);
  const std::vector<std::string> lines = recorder.ScriptLines();
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "extras on"), 2);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "extras off"), 1);

  ASSERT_TRUE(WriteScript(lines, dir / "session.mirto").ok);
  const std::string script = dir / "session.mirto", replayed = dir / "replay.txt";
  const char* args[] = {script.c_str(), "-o", replayed.c_str()};
  std::ostringstream out, err;
  ASSERT_EQ(BatchMain(3, args, out, err), 0) << err.str();
  std::string journal;
  for (const std::string& line : doc.GetJournal().Lines()) journal += line + "\n";
  EXPECT_EQ(ReadBytes(replayed), journal);
  EXPECT_NE(journal.find(extras::kHeading), std::string::npos);
}

}  // namespace
}  // namespace mirto::test
