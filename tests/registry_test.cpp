// The command registry walked row by row: every menu command runs to its
// routine through the forms it shows, each of them in the form catalogue,
// and has its prompt and its help. This also runs every command once.
#include "framework/Registry.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "framework/FormCatalog.h"
#include "journal/CTervoDoc.h"
#include "support/RecordCheck.h"

namespace mirto::test {
namespace {

// Answers every form with OK: sizes and counts 2, a correlation 0.5, every
// other figure 1 (a probability that passes every check), the second
// confidence level, radio buttons as the form opened.
class AnsweringHost : public FormHost {
 public:
  bool ShowForm(Form& form) override {
    shown.push_back(&form.Template());
    for (std::size_t i : form.Inputs()) {
      const Control& c = form.ControlAt(i);
      if (c.kind == ControlKind::List) form.SetSelection(i, 1);
      const std::string_view label = c.label;
      const bool count = label.find("size") != label.npos || label.find("umber of") != label.npos;
      const bool correlation = label.find("correlation") != label.npos;
      // A design effect of 1 leaves no rho to plan with; a budget must buy a cluster.
      const bool large = label.find("Design effect") != label.npos || label.find("Budget") != label.npos;
      if (c.kind == ControlKind::Text) form.SetText(i, count || large ? "2" : correlation ? "0.5" : "1");
    }
    return shown.size() < 200;
  }
  void Message(std::string_view text) override { messages.emplace_back(text); }

  std::vector<const FormTemplate*> shown;
  std::vector<std::string> messages;
};

struct Walk {
  AnsweringHost host;
  CTervoDoc doc{host};
  Walk() { doc.OnNewDocument(); }
};

// The command ran to its routine and left one block with its record.
void ExpectOneBlock(const Walk& run, const Command& c) {
  EXPECT_TRUE(run.host.messages.empty()) << run.host.messages.front();
  ASSERT_EQ(run.doc.Blocks().size(), 1u);
  const CompletedBlock& block = run.doc.Blocks()[0];
  EXPECT_EQ(block.command, &c);
  EXPECT_EQ(run.doc.m_nLastResult, 1);
  for (const FormTemplate* form : run.host.shown)
    EXPECT_EQ(FindFormTemplate(form->id), form) << "form " << form->id << " is not in the catalogue";
  EXPECT_EQ(MissingFigures(run.doc, block), "");
}

TEST(Registry, EveryRandomizationCommandReachesItsRoutine) {
  for (const Command& c : Commands()) {
    if (c.approach != Approach::Randomization) continue;
    SCOPED_TRACE(c.path);
    EXPECT_EQ(FindRoute(c.method, c.target, c.objective, c.estimator).command, &c);
    Walk run;
    ASSERT_TRUE(run.doc.OnCommand(c.id));
    ASSERT_FALSE(run.host.shown.empty());
    if (c.step) {
      EXPECT_EQ(run.host.shown.front(), c.step->form);
    }
    ExpectOneBlock(run, c);
  }
}

TEST(Registry, EveryPredictionRouteReachesItsRoutine) {
  const Command& prediction = *PredictionCommand();
  for (const PredictionRoute& route : PredictionRoutes()) {
    SCOPED_TRACE(static_cast<int>(route.objective) + (route.modelE ? 10 : 0));
    Walk run;
    run.doc.m_nModel = route.modelE ? PredictionModel::E : PredictionModel::A;
    run.doc.m_nObjective = route.objective;
    ASSERT_TRUE(run.doc.OnCommand(prediction.id));
    ASSERT_GE(run.host.shown.size(), 2u);
    EXPECT_EQ(run.host.shown[1], route.step->form);
    ExpectOneBlock(run, prediction);
  }
}

// What a new row must bring, checked over the whole catalogue rather than
// pinned as counts: one id, key and path of its own, its prompt, routine and
// help, and forms the catalogue knows.
TEST(Registry, EveryRowIsComplete) {
  std::set<int> ids{kRepeatRandomization, kRepeatPrediction};
  std::set<std::string_view> keys, paths;
  for (const Command& c : Commands()) {
    SCOPED_TRACE(c.path);
    EXPECT_TRUE(ids.insert(c.id).second) << "id taken twice";
    EXPECT_TRUE(keys.insert(c.key).second) << "key taken twice: " << c.key;
    EXPECT_TRUE(paths.insert(c.path).second) << "path taken twice";
    EXPECT_EQ(FindCommandId(c.path), c.id);
    EXPECT_FALSE(c.prompt.empty());
    EXPECT_NE(c.routine, nullptr);
    const std::vector<HelpParagraph> help = Paragraphs(c.help);
    EXPECT_EQ(help.size(), c.approach == Approach::Randomization ? 4u : 1u);
    for (const HelpParagraph& p : help) EXPECT_FALSE(p.topic->text.empty());
    std::vector<const FormTemplate*> forms(c.forms.begin(), c.forms.end());
    if (c.step) forms.push_back(c.step->form);
    for (const FormTemplate* form : forms) {
      if (!form) continue;
      EXPECT_EQ(FindFormTemplate(form->id), form) << "form " << form->id;
    }
  }
  for (const Command* c : StatementCommands()) {
    EXPECT_TRUE(ids.insert(c->id).second) << c->id;
    EXPECT_TRUE(c->IsStatement());
  }
  for (const LabelItem& label : LabelItems()) {
    SCOPED_TRACE(label.text);
    EXPECT_TRUE(ids.insert(label.id).second) << label.id;
    // It heads a submenu that holds commands.
    const std::string prefix = label.submenu.empty() ? "" : std::string(label.submenu) + " > ";
    EXPECT_TRUE(std::any_of(paths.begin(), paths.end(), [&](std::string_view p) { return p.starts_with(prefix); }))
        << label.submenu;
  }
}

// Codes that name no routine: the objective's form first where its targets
// share one, and "Selection not coded." after it.
TEST(Registry, CodesWithoutRoutine) {
  struct Case {
    Method method;
    Objective objective;
    const FormTemplate* form;
  };
  const Case cases[] = {
      {Method::Stratified, Objective::Point, FindFormTemplate(156)},
      {Method::Stratified, Objective::SampleSize, nullptr},  // mean and proportion forms differ
      {Method::TwoStage, Objective::Interval, FindFormTemplate(177)},
      {Method::WithoutReplacement, Objective::ThStdDev, FindFormTemplate(189)},
      {Method::Cluster, Objective::SampleSize, nullptr},
      {Method::Simple, Objective::Point, nullptr},
  };
  for (const Case& c : cases) {
    const Route route = FindRoute(c.method, Target::RatioOfMeans, c.objective, Estimator::Simple);
    EXPECT_EQ(route.command, nullptr);
    EXPECT_EQ(route.step ? route.step->form : nullptr, c.form) << static_cast<int>(c.method);
  }
  // The estimator counts for simple random sampling only.
  EXPECT_EQ(FindRoute(Method::Simple, Target::ProportionNumber, Objective::Point, Estimator::Ratio).command, nullptr);
  EXPECT_EQ(FindRoute(Method::Stratified, Target::MeanTotal, Objective::Point, Estimator::Simple).command,
            FindCommand(32852));
}

}  // namespace
}  // namespace mirto::test
