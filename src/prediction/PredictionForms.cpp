// The prediction forms, and the rule that ties the model to the objectives
// it allows.
#include "prediction/PredictionForms.h"

#include "framework/Entry.h"

namespace mirto {
namespace {

constexpr std::string_view kTitle = "Prediction approach";
constexpr std::string_view kEnterInfo = "Enter the following information";

// Controls of the specifications form.
constexpr std::size_t kModelGroup = 2;
constexpr std::size_t kObjectiveGroup = 3;

// Model E has no interval and no error variance: their buttons are greyed
// and the point estimate is taken; the other models allow all three.
void ApplyModelRule(Form& form) {
  const bool modelE = form.Selection(kModelGroup) == static_cast<int>(PredictionModel::E);
  for (Objective objective : {Objective::Interval, kErrorVariance})
    form.SetButtonEnabled(kObjectiveGroup, static_cast<int>(objective), !modelE);
  if (modelE) form.SetSelection(kObjectiveGroup, static_cast<int>(Objective::Point));
}

void OnSpecChoice(Form& form, std::size_t control) {
  if (control == kModelGroup) ApplyModelRule(form);
}

constexpr Item<PredictionPairRow> kPairItems[] = {RealItem(&PredictionPairRow::x), RealItem(&PredictionPairRow::y)};
constexpr Item<PredictionXRow> kXItems[] = {RealItem(&PredictionXRow::x)};
constexpr Item<PredictionVariableRow> kVariableItems[] = {
    RealItem(&PredictionVariableRow::b), RealItem(&PredictionVariableRow::mu), RealItem(&PredictionVariableRow::barX)};

// The X field of both element forms.
constexpr std::size_t kXControl = 2;

// Model C divides by X: a value that is not positive is reported, yet kept.
RowVerdict CheckX(const Form& form, double x) {
  if (form.Context().model != PredictionModel::C || x > 0.0) return {};
  return {RowCheck::Warn, kXControl, "Model C divides by X: an X-value should be greater than 0"};
}
RowVerdict CheckPairRow(const Form& form) { return CheckX(form, ReadPairRow(form).x); }
RowVerdict CheckXRow(const Form& form) { return CheckX(form, ReadXRow(form).x); }

}  // namespace

const FormTemplate kPredictionSpecTemplate{
    191,
    "Prediction approach, specifications",
    {Group("Target", 1), Static("Assumed target is population mean or total of variable"),
     Radio("Model", {"Model A", "Model B", "Model C", "Model D", "Model E"}),
     Radio("Objective", {"Point estimate", "Confidence interval", "Theoretical error variance"})},
    OnSpecChoice};

const FormTemplate kPredictionPointForm{
    192,
    kTitle,
    {Static(kEnterInfo), WholeField("Population size, N:", 10), WholeField("Sample size, n:", 10),
     Field("Sum of X-values in the population:", 10)}};

const FormTemplate kPredictionPairForm{
    193,
    kTitle,
    {RowNumber("For sampled element no.", 10), Static("enter its"), Field("X-value:", 10), Field("Y-value:", 10)},
    nullptr,
    CheckPairRow};

const FormTemplate kPredictionIntervalForm{
    194,
    kTitle,
    {Static(kEnterInfo), WholeField("Population size, N:", 10), WholeField("Sample size, n:", 10),
     Field("Sum of X-values in the population:", 10),
     Field("Sum of squared X-values in the population:", 10).EnabledBy(EnableRule::ModelC),
     LevelList("Select confidence level:").Right()}};

const FormTemplate kPredictionVarianceForm{
    195,
    kTitle,
    {Static(kEnterInfo), WholeField("Population size, N:", 10), WholeField("Sample size, n:", 10),
     Field("Sum of X-values in the population:", 10),
     Field("Sum of squared X-values in the population:", 10).EnabledBy(EnableRule::ModelC),
     Field("Variance of deviations, sigma^2:", 10)
         .AtLeast(0,
                  "A variance is not negative: the theoretical error variance, a multiple of it, comes out negative")}};

const FormTemplate kPredictionXForm{
    196,
    kTitle,
    {RowNumber("For sampled element no.", 10), Static("enter its"), Field("X-value:", 10)},
    nullptr,
    CheckXRow};

const FormTemplate kPredictionModelEForm{
    197,
    kTitle,
    {Static(kEnterInfo), WholeField("Population size, N:", 10), Field("Sample mean of Y, barY:", 10),
     WholeField("Number of explanatory variables, k:", 5)}};

const FormTemplate kPredictionVariableForm{
    198,
    kTitle,
    {RowNumber("For explanatory variable", 5), Static("enter its "), Field("- regression coefficient, b_j:", 10),
     Field("- population mean, mu_j:", 10), Field("- sample mean, barX_j:", 10)}};

PredictionPairRow ReadPairRow(const Form& form) { return ReadRow<PredictionPairRow>(form, kPairItems); }
PredictionXRow ReadXRow(const Form& form) { return ReadRow<PredictionXRow>(form, kXItems); }
PredictionVariableRow ReadVariableRow(const Form& form) { return ReadRow<PredictionVariableRow>(form, kVariableItems); }

PredictionSpecForm::PredictionSpecForm(PredictionModel model, Objective objective) : Form(kPredictionSpecTemplate) {
  const bool known = model >= PredictionModel::B && model <= PredictionModel::E;
  SetSelection(kModelGroup, static_cast<int>(known ? model : PredictionModel::A));
  const bool offered = objective == Objective::Interval || objective == kErrorVariance;
  SetSelection(kObjectiveGroup, static_cast<int>(offered ? objective : Objective::Point));
  ApplyModelRule(*this);
}

PredictionModel PredictionSpecForm::Model() const { return static_cast<PredictionModel>(Selection(kModelGroup)); }
Objective PredictionSpecForm::ChosenObjective() const { return static_cast<Objective>(Selection(kObjectiveGroup)); }

}  // namespace mirto
