// The prediction dispatcher: from the specifications form to the preliminary
// form of the chosen model and objective, and on to one calculation. The
// registry holds the routes; the steps are here.
#include "data/Figures.h"
#include "framework/PreliminaryForms.h"
#include "framework/Registry.h"
#include "journal/CTervoDoc.h"
#include "prediction/Prediction.h"
#include "prediction/PredictionForms.h"

namespace mirto {
namespace {

using D = CalculatorState;

// A negative k would size the arrays from a count that makes no sense.
bool ModelEOk(CalculatorState& d) {
  if (d.m_nPopSize <= 0 || d.m_nExplanatory < 0) return false;
  d.m_dPopSize = d.m_nPopSize;
  return true;
}

constexpr Item<D> kPopSize = WholeItem(&D::m_nPopSize);
constexpr Item<D> kSampleSize = WholeItem(&D::m_nSampleSize);
constexpr Item<D> kSumX = RealItem(&D::m_dSumX);
// Asked for Model C only: its field is greyed otherwise and the stored sum stays.
constexpr Item<D> kSumX2 = RealItem(&D::m_dSumX2);

constexpr Item<D> kPointItems[] = {kPopSize, kSampleSize, kSumX};
constexpr Item<D> kIntervalItems[] = {kPopSize, kSampleSize, kSumX, kSumX2, LevelItem(&D::m_dLevel, &D::m_dZ)};
constexpr Item<D> kVarianceItems[] = {kPopSize, kSampleSize, kSumX, kSumX2, RealItem(&D::m_dDevVar)};
constexpr Item<D> kModelEItems[] = {kPopSize, RealItem(&D::m_dSampleMean), WholeItem(&D::m_nExplanatory)};

}  // namespace

const PreliminaryStep kPredictionPointStep{&kPredictionPointForm, kPointItems, AcceptSampleSizes};
const PreliminaryStep kPredictionIntervalStep{&kPredictionIntervalForm, kIntervalItems, AcceptSampleSizes};
const PreliminaryStep kPredictionVarianceStep{&kPredictionVarianceForm, kVarianceItems, AcceptSampleSizes};
const PreliminaryStep kPredictionModelEStep{&kPredictionModelEForm, kModelEItems, ModelEOk};

}  // namespace mirto

namespace mirto::prediction {

int PredictionDispatch(CTervoDoc& d) {
  d.m_nApproach = Approach::Prediction;
  {
    PredictionSpecForm spec(d.m_nModel, d.m_nObjective);
    if (!d.Host().ShowForm(spec)) return 0;
    d.m_nModel = spec.Model();
    d.m_nObjective = spec.ChosenObjective();
  }
  const PredictionRoute* route = FindPredictionRoute(d.m_nModel, d.m_nObjective);
  if (!route) return d.SelectionNotCoded();
  if (!RunPreliminaryStep(d, *route->step, FormContext{.model = d.m_nModel})) return 0;
  return d.RunRoutine(*PredictionCommand(), route->routine);
}

// ---- The command and its routes ---------------------------------------------------------

namespace {

using O = Objective;

// Data mode, Models A to D: n is the number of units, and each sampled
// element's X and Y go into its form as they stand. The population sums of X
// are typed. Model E (its regression coefficients) and the theoretical error
// variance (a guess of sigma^2) take no figures from data.
using S = data::FieldSource;
const data::ScanPlan kYX{.numeric = {data::Role::Y, data::Role::X}, .by = std::nullopt, .elements = true};
const data::CommandFigures kFigures{
    kYX,
    {{&kPredictionPointForm, false, {{"Sample size, n:", S::Count}}, data::ModelRoad::Point},
     {&kPredictionIntervalForm, false, {{"Sample size, n:", S::Count}}, data::ModelRoad::Interval},
     {&kPredictionPairForm, true, {{"X-value:", S::ElementX}, {"Y-value:", S::ElementY}}}},
    {&kPredictionVarianceForm, &kPredictionModelEForm}};

std::vector<FormHelp> FormsHelp() {
  return {
      {"Specifications",
       {&kPredictionSpecTemplate},
       "**Model**: Model A to Model E; **Objective**: **Point estimate**, **Confidence interval** or "
       "**Theoretical error variance** (Model E gives the point estimate only). The form opens on the last "
       "model chosen."},
      {"Models A to D",
       {&kPredictionPointForm, &kPredictionIntervalForm, &kPredictionVarianceForm},
       "**Population size, N:**, **Sample size, n:**, **Sum of X-values in the population:**; for an interval "
       "or the error variance with Model C also **Sum of squared X-values in the population:** (greyed for the "
       "other models); for an interval **Select confidence level:**; for the error variance **Variance of "
       "deviations, sigma^2:** the model's error variance sigma²."},
      {"The sampled elements",
       {&kPredictionPairForm, &kPredictionXForm},
       "One form per sampled element: **X-value:** and **Y-value:** (the error variance needs only the "
       "X-values)."},
      {"Model E",
       {&kPredictionModelEForm, &kPredictionVariableForm},
       "**Population size, N:**, **Sample mean of Y, barY:** and **Number of explanatory variables, k:**; then "
       "for each variable **- regression coefficient, b_j:**, **- population mean, mu_j:** and **- sample "
       "mean, barX_j:**. The estimate of the mean is barY plus the sum of b_j · (mu_j − barX_j)."},
  };
}

constexpr Command kCommands[] = {{.key = "prediction",
                                  .id = kPredictionCommand,
                                  .path = "Prediction",
                                  .approach = Approach::Prediction,
                                  .prompt = "Prediction approach",
                                  .routine = &PredictionDispatch,
                                  .help = {.approach = &kPredictionTopic},
                                  .forms = {&kPredictionSpecTemplate},
                                  .figures = &kFigures}};

constexpr PredictionRoute kRoutes[] = {
    {false, O::Point, &kPredictionPointStep, &PredictPoint, {&kPredictionPairForm}},
    {false, O::Interval, &kPredictionIntervalStep, &PredictInterval, {&kPredictionPairForm}},
    {false, O::ThStdDev, &kPredictionVarianceStep, &PredictErrorVariance, {&kPredictionXForm}},
    {true, O::Point, &kPredictionModelEStep, &PredictModelE, {&kPredictionVariableForm}},
};

}  // namespace

FormHelpFamily FamilyHelp() {
  return {"prediction",
          "The prediction approach",
          {"The model-based approach predicts the total of Y as the sampled values plus a prediction for the elements "
           "not sampled, from the sampled pairs (X, Y) and the population sum of X. Model A: Y = b · X plus an error "
           "of constant variance. Model B: the same line with an error variance proportional to X (the ratio "
           "estimator). Model C: variance proportional to X², with b the mean of y / x (X must be above 0). Model D: "
           "Y = a + b · X with constant variance (the regression estimator). Model E: the mean of Y from its sample "
           "mean and k explanatory variables whose coefficients you supply. Cancel on the forms of the sampled "
           "elements shows \"Illegal entry\"."},
          {}};
}

const CommandTable kTable{kCommands, kRoutes, &FormsHelp};

}  // namespace mirto::prediction
