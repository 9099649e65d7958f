// The row checks of the unequal-probability and prediction entry forms: the
// verdict on one row alone, as a table of rows is checked before the loop
// sees it. The loops decide by the same function (the refusal tests of each
// family run them).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/FormCatalog.h"
#include "prediction/PredictionForms.h"
#include "unequal/Unequal.h"

namespace mirto {
namespace {

struct RowCase {
  const FormTemplate* form;
  FormContext context;
  std::vector<std::string> values;
  RowCheck expected;
};

TEST(RowCheck, VerdictOnOneRow) {
  using namespace unequal;
  const FormContext hhe{.method = Method::WithReplacement, .objective = Objective::Interval};
  const FormContext htePoint{.method = Method::WithoutReplacement, .objective = Objective::Point};
  const FormContext hteSd{.method = Method::WithoutReplacement, .objective = Objective::ThStdDev};
  const FormContext modelC{.model = PredictionModel::C}, modelB{.model = PredictionModel::B};
  const RowCase cases[] = {
      {&kHheElementForm, hhe, {"3", "0.2"}, RowCheck::Accept},
      {&kHheElementForm, hhe, {"3", "0"}, RowCheck::Refuse},
      {&kHheCategoryElementForm, hhe, {"1", "-0.1"}, RowCheck::Refuse},
      {&kHheCategoryElementForm, hhe, {"1", "abc"}, RowCheck::Refuse},
      {&kHheElementForm, hhe, {"3", "1.5"}, RowCheck::Accept},  // nothing bounds it above
      {&kHteElementForm, htePoint, {"2", "1.5"}, RowCheck::Accept},
      {&kHteElementForm, htePoint, {"2", "0"}, RowCheck::Refuse},
      {&kHteCategoryElementForm, hteSd, {"1", "0"}, RowCheck::Accept},
      {&kHteCategoryElementForm, hteSd, {"1", "1"}, RowCheck::Accept},
      {&kHteElementForm, hteSd, {"2", "1.5"}, RowCheck::Refuse},
      {&kHteElementForm, hteSd, {"2", "-0.5"}, RowCheck::Refuse},
      {&kJointProbabilityForm, hteSd, {"0"}, RowCheck::Accept},
      {&kJointProbabilityForm, hteSd, {"1.01"}, RowCheck::Refuse},
      {&kJointProbabilityForm, hteSd, {"-0.01"}, RowCheck::Refuse},
      {&kPredictionPairForm, modelC, {"0", "2"}, RowCheck::Warn},
      {&kPredictionPairForm, modelC, {"-1", "2"}, RowCheck::Warn},
      {&kPredictionPairForm, modelC, {"0.5", "2"}, RowCheck::Accept},
      {&kPredictionPairForm, modelB, {"0", "2"}, RowCheck::Accept},
      {&kPredictionXForm, modelC, {"0"}, RowCheck::Warn},
      {&kPredictionXForm, modelB, {"-3"}, RowCheck::Accept},
  };
  for (const RowCase& c : cases) {
    Form form(*c.form, c.context);
    const std::vector<std::size_t> inputs = form.Inputs();
    ASSERT_EQ(inputs.size(), c.values.size()) << c.form->id;
    for (std::size_t k = 0; k < inputs.size(); ++k) form.SetText(inputs[k], c.values[k]);
    ASSERT_NE(c.form->checkRow, nullptr) << c.form->id;
    const RowVerdict v = c.form->checkRow(Form(form));  // a copy keeps its context
    EXPECT_EQ(v.check, c.expected) << c.form->id << " " << c.values.back();
    if (v.check != RowCheck::Accept) {
      EXPECT_FALSE(v.reason.empty());
      // The field the verdict is about: the probability (the last input) or the X-value (the first).
      const std::size_t about = c.form == &kPredictionPairForm ? inputs.front() : inputs.back();
      EXPECT_EQ(v.control, about) << c.form->id;
    }
  }
}

}  // namespace
}  // namespace mirto
