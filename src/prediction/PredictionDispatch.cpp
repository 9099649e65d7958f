// The prediction dispatcher: from the specifications form to the preliminary
// form of the chosen model and objective, and on to one calculation. The
// registry holds the routes; the steps are here.
#include "framework/PreliminaryForms.h"
#include "framework/Registry.h"
#include "journal/CTervoDoc.h"
#include "prediction/Prediction.h"
#include "prediction/PredictionForms.h"

namespace mirto {
namespace {

using D = CTervoDoc;

// A negative k would size the arrays from a count that makes no sense.
bool ModelEOk(CTervoDoc& d) {
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

constexpr Command kCommands[] = {{.key = "prediction",
                                  .id = kPredictionCommand,
                                  .path = "Prediction",
                                  .approach = Approach::Prediction,
                                  .prompt = "Prediction approach",
                                  .routine = &PredictionDispatch,
                                  .help = {.approach = &kPredictionTopic},
                                  .forms = {&kPredictionSpecTemplate}}};

constexpr PredictionRoute kRoutes[] = {
    {false, O::Point, &kPredictionPointStep, &PredictPoint, {&kPredictionPairForm}},
    {false, O::Interval, &kPredictionIntervalStep, &PredictInterval, {&kPredictionPairForm}},
    {false, O::ThStdDev, &kPredictionVarianceStep, &PredictErrorVariance, {&kPredictionXForm}},
    {true, O::Point, &kPredictionModelEStep, &PredictModelE, {&kPredictionVariableForm}},
};

}  // namespace

const CommandTable kTable{kCommands, kRoutes};

}  // namespace mirto::prediction
