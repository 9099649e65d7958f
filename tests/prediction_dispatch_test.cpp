// The prediction dispatcher: the specifications form's buttons, the preliminary
// forms and the checks of N, n and k.
#include <gtest/gtest.h>

#include "framework/FormCatalog.h"
#include "prediction/PredictionForms.h"
#include "support/ScriptRun.h"

namespace mirto {
namespace {

using test::Lines;
using test::Session;

std::size_t RadioGroup(const Form& form, std::string_view caption) {
  for (std::size_t i = 0; i < form.size(); ++i)
    if (form.ControlAt(i).kind == ControlKind::Radio && form.ControlAt(i).label == caption) return i;
  ADD_FAILURE() << "no radio group " << caption;
  return 0;
}

struct SpecState {
  int model, objective;
  bool intervalEnabled, varianceEnabled;
};

SpecState StateOf(const Form& f) {
  const std::size_t m = RadioGroup(f, "Model"), o = RadioGroup(f, "Objective");
  return {f.Selection(m), f.Selection(o), f.ButtonEnabled(o, 2), f.ButtonEnabled(o, 3)};
}

void ExpectState(const Form& f, SpecState want) {
  const SpecState got = StateOf(f);
  EXPECT_EQ(got.model, want.model);
  EXPECT_EQ(got.objective, want.objective);
  EXPECT_EQ(got.intervalEnabled, want.intervalEnabled);
  EXPECT_EQ(got.varianceEnabled, want.varianceEnabled);
}

TEST(PredictionSpecForm, OpensOnTheDocumentsChoicesWithFallbacks) {
  ExpectState(PredictionSpecForm(PredictionModel::C, Objective::Interval), {3, 2, true, true});
  ExpectState(PredictionSpecForm(PredictionModel::D, Objective::ThStdDev), {4, 3, true, true});
  // A randomization objective (sample size) or an unknown model falls back.
  ExpectState(PredictionSpecForm(PredictionModel::A, Objective::SampleSize), {1, 1, true, true});
  ExpectState(PredictionSpecForm(PredictionModel{}, Objective::Interval), {1, 2, true, true});
  ExpectState(PredictionSpecForm(PredictionModel{9}, Objective::Point), {1, 1, true, true});
  // Model E allows the point estimate only.
  ExpectState(PredictionSpecForm(PredictionModel::E, Objective::ThStdDev), {5, 1, false, false});
}

TEST(PredictionSpecForm, ModelEForcesThePointEstimateAndModelBReleasesTheButtons) {
  PredictionSpecForm f(PredictionModel::A, Objective::Point);
  const std::size_t m = RadioGroup(f, "Model"), o = RadioGroup(f, "Objective");
  f.Choose(o, 2);
  ExpectState(f, {1, 2, true, true});
  f.Choose(m, 5);
  ExpectState(f, {5, 1, false, false});
  f.Choose(m, 2);
  ExpectState(f, {2, 1, true, true});  // enabled again, point estimate kept
  f.Choose(o, 3);
  EXPECT_EQ(f.ChosenObjective(), Objective::ThStdDev);
  EXPECT_EQ(f.Model(), PredictionModel::B);
}

TEST(PredictionSpecForm, ScriptCannotPickAGreyedObjective) {
  Session s;
  auto r = s.Run("command Prediction\nok Model E; Confidence interval\n");
  EXPECT_EQ(r.status, 2);
  EXPECT_TRUE(r.appended.empty());
  // Picking the model first releases the buttons the form opened with greyed.
  s.doc.m_nModel = PredictionModel::E;
  r = s.Run("command Prediction\nok Model B; Confidence interval\nok 5; 2; 10; 95%\nok 1; 2\nok 3; 6\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(s.doc.m_nModel, PredictionModel::B);
  EXPECT_EQ(s.doc.m_nObjective, Objective::Interval);
}

TEST(PredictionDispatch, CancelLeavesApproachTwoAndTheEarlierChoices) {
  Session s;
  s.doc.m_nModel = PredictionModel::D;
  s.doc.m_nObjective = Objective::ThStdDev;
  auto r = s.Run("command 32772\ncancel\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_TRUE(r.appended.empty());
  EXPECT_TRUE(r.messages.empty());
  EXPECT_EQ(s.doc.m_nApproach, Approach::Prediction);
  EXPECT_EQ(s.doc.m_nModel, PredictionModel::D);
  EXPECT_EQ(s.doc.m_nObjective, Objective::ThStdDev);
  EXPECT_FALSE(s.doc.IsModified());
  // Cancel on the preliminary form: the choices are stored, nothing else.
  r = s.Run("command Prediction\nok Model C; Point estimate\ncancel\n");
  EXPECT_TRUE(r.appended.empty());
  EXPECT_EQ(s.doc.m_nModel, PredictionModel::C);
  EXPECT_EQ(s.doc.m_nObjective, Objective::Point);
}

TEST(PredictionDispatch, SampleSizeObjectiveOpensOnThePointEstimate) {
  Session s;
  auto r = s.Run("command Simple > Mean/total of variable > Sample size > Simple\ncancel\n");
  ASSERT_EQ(s.doc.m_nObjective, Objective::SampleSize);
  // `ok` keeps the preset choices: Model A, point estimate (three values).
  r = s.Run("command Prediction\nok\nok 10; 2; 15\nok 1; 2\nok 2; 4\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.appended, Lines(R"(*********
Target: Mean and total of variable
Prediction approach, Model A
Objective: Point estimates
Population size, N= 10
Sample size, n= 2
Sum of X-values in population = 15.000000
 i        X_i       Y_i 
  1      1.000      2.000 
  2      2.000      4.000 
Best estimate b = 2.000000
Estimate of population mean: 3.000000
Estimate of population total: 30.000000)"));
  EXPECT_EQ(s.doc.m_nLastResult, 1);
}

struct SizeCase {
  const char* name;
  const char* sizes;  // N; n
  bool accepted;
};

TEST(PredictionDispatch, ChecksPopulationAndSampleSize) {
  const SizeCase cases[] = {
      {"n equal to N", "2; 2", true}, {"n zero", "5; 0", false},      {"N zero", "0; 0", false},
      {"n above N", "2; 3", false},   {"negative n", "5; -1", false}, {"empty reads as 0", "; 2", false},
  };
  for (const SizeCase& c : cases) {
    SCOPED_TRACE(c.name);
    Session s;
    const std::string script = std::string("command Prediction\nok Model A; Point estimate\nok ") + c.sizes + "; 15\n" +
                               (c.accepted ? "ok 1; 2\nok 2; 4\n" : "");
    auto r = s.Run(script);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.appended.empty(), !c.accepted);
    EXPECT_EQ(r.messages, c.accepted ? std::vector<std::string>{} : std::vector<std::string>{"Illegal entry"});
    EXPECT_EQ(s.doc.m_nLastResult, c.accepted ? 1 : 0);
  }
}

TEST(PredictionDispatch, RefusedSizesAreNotStoredAsDoubles) {
  Session s;
  s.doc.m_dPopSize = 7;
  s.doc.m_dSampleSize = 3;
  s.Run("command Prediction\nok Model B; Theoretical error variance\nok 4; 9; 10; 2\n");
  EXPECT_EQ(s.doc.m_nPopSize, 4);
  EXPECT_EQ(s.doc.m_nSampleSize, 9);
  EXPECT_EQ(s.doc.m_dPopSize, 7);
  EXPECT_EQ(s.doc.m_dSampleSize, 3);
}

TEST(PredictionDispatch, SumOfSquaresIsAskedForModelCOnly) {
  Session s;
  s.doc.m_dSumX2 = 77;
  // Model A: the greyed field takes no value and the stored sum stays.
  auto r = s.Run("command Prediction\nok Model A; Confidence interval\nok 10; 1; 15; 95%\nok 1; 2\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(s.doc.m_dSumX2, 77);
  r = s.Run("command Prediction\nok Model D; Theoretical error variance\nok 10; 1; 15; 4\nok 1\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(s.doc.m_dSumX2, 77);
  EXPECT_EQ(s.doc.m_dDevVar, 4);
  r = s.Run("command Prediction\nok Model C; Confidence interval\nok 10; 1; 15; 40; 80%\nok 1; 2\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(s.doc.m_dSumX2, 40);
  EXPECT_EQ(s.doc.m_dLevel, 0.80);
  EXPECT_EQ(s.doc.m_dZ, 1.282);
}

TEST(PredictionDispatch, IntervalFormWantsAConfidenceLevel) {
  Session s;
  auto r =
      s.Run("command Prediction\nok Model B; Confidence interval\nok 5; 2; 10;\nok 5; 2; 10; 50%\nok 1; 2\nok 3; 6\n");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.messages, std::vector<std::string>{"Select a confidence level."});
  ASSERT_FALSE(r.appended.empty());
  EXPECT_EQ(r.appended.back(), "Approx. 0.50 confidence interval for pop. total is from 20.000000 to 20.000000");
}

TEST(PredictionDispatch, ModelEChecksNAndK) {
  const SizeCase cases[] = {
      {"N one, k zero", "1; 3.5; 0", true},
      {"N zero", "0; 3.5; 0", false},
      {"negative k", "10; 3.5; -1", false},
  };
  for (const SizeCase& c : cases) {
    SCOPED_TRACE(c.name);
    Session s;
    auto r = s.Run(std::string("command 32774\nok Model E; Point estimate\nok ") + c.sizes + "\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.appended.empty(), !c.accepted);
    EXPECT_EQ(r.messages.empty(), c.accepted);
  }
}

TEST(PredictionForms, CatalogueHoldsTemplates191To198) {
  for (int id = 191; id <= 198; ++id) {
    const FormTemplate* t = FindFormTemplate(id);
    ASSERT_NE(t, nullptr) << id;
    EXPECT_EQ(t->title, id == 191 ? "Prediction approach, specifications" : "Prediction approach");
  }
}

}  // namespace
}  // namespace mirto
