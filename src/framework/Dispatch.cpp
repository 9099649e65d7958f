// The randomization dispatcher: from the selection codes to one routine, with
// the preliminary form that stratified, cluster, two-stage and
// unequal-probability methods ask first.
#include "framework/Commands.h"
#include "framework/PreliminaryForms.h"
#include "journal/CTervoDoc.h"

namespace mirto {

const FormTemplate kGroupCountForm{156, "Stratified sampling", {Digits("Enter the number of groups (strata):", 10)}};

const FormTemplate kGroupCountLevelForm{
    159,
    "Stratified sampling",
    {Digits("Enter the number of groups (strata):", 15), LevelList("Select confidence level:")}};

const FormTemplate kMeanAccuracyForm{
    164,
    "Stratified sampling",
    {Digits("Enter the number of groups (strata):", 10), Radio("Special target:", {"Mean", "Total"}, 1),
     Group("Sample accuracy requirements", 2), Field("Margin:", 15), LevelList("Probability:")}};

const FormTemplate kPropAccuracyForm{
    167,
    "Stratified sampling",
    {Digits("Enter the number of groups (strata):", 5), Radio("Special target:", {"Proportion", "Number"}, 1),
     Group("Sample accuracy requirements", 2), Field("Margin:", 10), LevelList("Probability:")}};

const FormTemplate kBudgetForm{
    170,
    "Stratified sampling",
    {Digits("Enter the number of groups (strata):", 5), Field("Enter the sampling budget, C:", 15),
     Field("Enter the fixed cost of sampling, c_0:", 15)}};

const FormTemplate kClusterSizesForm{
    173,
    "Cluster & Two-stage sampling",
    {Static("Enter the following:"), Field("Number of elements in population, N:", 15),
     Field("Number of groups in population, M:", 15), Field("Number of sampled groups, m:", 15)}};

const FormTemplate kClusterSizesLevelForm{
    177,
    "Cluster and Two-stage sampling",
    {Static("Enter the following:"), Field("Number of elements in population, N:", 15),
     Field("Number of groups in population, M:", 15), Field("Number of sampled groups, m:", 15),
     LevelList("Select confidence level:").Right()}};

const FormTemplate kUnequalSizesForm{
    182,
    "Sampling with unequal probabilities",
    {Static("Enter the following information:"), Field("Population size, N:", 10), Field("Sample size, n:", 10)}};

const FormTemplate kUnequalSizesLevelForm{185,
                                          "Sampling with unequal probabilities",
                                          {Static("Enter the following:"), Field("Population size, N:", 10),
                                           Field("Sample size, n:", 10), LevelList("Select confidence level:")}};

const FormTemplate kUnequalSizesMeanForm{
    186,
    "Unequal probabilities, with replacement",
    {Static("Enter the following information:"), Field("Population size, N:", 10), Field("Sample size, n:", 10),
     Field("Population mean or population proportion:", 10)}};

const FormTemplate kPopSizeForm{
    189, "Unequal probabilities, without replacement", {Field("Enter the population size, N:", 10)}};

namespace {

using Routine = int (CTervoDoc::*)();
// Reads a confirmed preliminary form into the calculator state (values are
// stored before they are checked) and returns whether they pass the checks.
using Store = bool (*)(CTervoDoc&, const Form&);

bool StoreGroupCount(CTervoDoc& d, const Form& f) {
  FormReader r(f);
  d.m_nGroups = r.Integer();
  return d.m_nGroups >= 0;
}

bool StoreGroupCountLevel(CTervoDoc& d, const Form& f) {
  FormReader r(f);
  d.m_nGroups = r.Integer();
  r.Level(d.m_dLevel, d.m_dZ);
  return d.m_nGroups >= 0;
}

bool StoreAccuracy(CTervoDoc& d, const Form& f) {
  FormReader r(f);
  d.m_nGroups = r.Integer();
  d.m_nSpecialTarget = r.Choice();
  d.m_dMargin = r.Real();
  r.Level(d.m_dLevel, d.m_dZ);
  return d.m_nGroups >= 0;
}

bool StoreBudget(CTervoDoc& d, const Form& f) {
  FormReader r(f);
  d.m_nGroups = r.Integer();
  d.m_dBudget = r.Real();
  d.m_dFixedCost = r.Real();
  return d.m_nGroups >= 0;
}

bool StoreClusterSizes(CTervoDoc& d, const Form& f, bool level) {
  FormReader r(f);
  d.m_dPopSize = r.Integer();
  d.m_nGroups = r.Integer();
  d.m_dGroups = d.m_nGroups;
  d.m_nSampledGroups = r.Integer();
  d.m_dSampledGroups = d.m_nSampledGroups;
  if (level) r.Level(d.m_dLevel, d.m_dZ);
  return d.m_nGroups > 0 && d.m_nSampledGroups > 0 && d.m_nSampledGroups <= d.m_nGroups && d.m_dPopSize > 0.0;
}

bool StoreClusterPlain(CTervoDoc& d, const Form& f) { return StoreClusterSizes(d, f, false); }
bool StoreClusterLevel(CTervoDoc& d, const Form& f) { return StoreClusterSizes(d, f, true); }

bool AcceptUnequalSizes(CTervoDoc& d) {
  if (!(d.m_nPopSize > 0 && d.m_nSampleSize <= d.m_nPopSize && d.m_nSampleSize > 0)) return false;
  d.m_dPopSize = d.m_nPopSize;
  d.m_dSampleSize = d.m_nSampleSize;
  return true;
}

bool StoreUnequalSizes(CTervoDoc& d, const Form& f) {
  FormReader r(f);
  d.m_nPopSize = r.Integer();
  d.m_nSampleSize = r.Integer();
  return AcceptUnequalSizes(d);
}

bool StoreUnequalSizesLevel(CTervoDoc& d, const Form& f) {
  FormReader r(f);
  d.m_nPopSize = r.Integer();
  d.m_nSampleSize = r.Integer();
  r.Level(d.m_dLevel, d.m_dZ);
  return AcceptUnequalSizes(d);
}

bool StoreUnequalSizesMean(CTervoDoc& d, const Form& f) {
  FormReader r(f);
  d.m_nPopSize = r.Integer();
  d.m_nSampleSize = r.Integer();
  d.m_dPopMean = r.Real();
  return AcceptUnequalSizes(d);
}

bool StorePopSize(CTervoDoc& d, const Form& f) {
  FormReader r(f);
  d.m_nPopSize = r.Integer();
  if (d.m_nPopSize <= 0) return false;
  d.m_dPopSize = d.m_nPopSize;
  return true;
}

// One row per method and objective (and target, where the form depends on it).
struct PreliminaryStep {
  int method;  // 3 serves 3 and 4
  int objective;
  int target;  // 0: any
  const FormTemplate* form;
  Store store;
  Routine mean;        // target 1
  Routine proportion;  // target 2
};

const PreliminaryStep kSteps[] = {
    {2, 1, 0, &kGroupCountForm, StoreGroupCount, &CTervoDoc::StratifiedMeanPoint,
     &CTervoDoc::StratifiedProportionPoint},
    {2, 2, 0, &kGroupCountLevelForm, StoreGroupCountLevel, &CTervoDoc::StratifiedMeanInterval,
     &CTervoDoc::StratifiedProportionInterval},
    {2, 3, 0, &kGroupCountForm, StoreGroupCount, &CTervoDoc::StratifiedMeanSd, &CTervoDoc::StratifiedProportionSd},
    {2, 4, 1, &kMeanAccuracyForm, StoreAccuracy, &CTervoDoc::StratifiedMeanSampleSize, nullptr},
    {2, 4, 2, &kPropAccuracyForm, StoreAccuracy, nullptr, &CTervoDoc::StratifiedProportionSampleSize},
    {2, 5, 0, &kGroupCountForm, StoreGroupCount, &CTervoDoc::StratifiedMeanOptimalAllocation,
     &CTervoDoc::StratifiedProportionOptimalAllocation},
    {2, 6, 0, &kBudgetForm, StoreBudget, &CTervoDoc::StratifiedMeanMinCostAllocation,
     &CTervoDoc::StratifiedProportionMinCostAllocation},
    {3, 1, 0, &kClusterSizesForm, StoreClusterPlain, &CTervoDoc::ClusterMeanPoint, &CTervoDoc::ClusterProportionPoint},
    {3, 2, 0, &kClusterSizesLevelForm, StoreClusterLevel, &CTervoDoc::ClusterMeanInterval,
     &CTervoDoc::ClusterProportionInterval},
    {3, 3, 0, &kClusterSizesForm, StoreClusterPlain, &CTervoDoc::ClusterMeanSd, &CTervoDoc::ClusterProportionSd},
    {5, 1, 0, &kUnequalSizesForm, StoreUnequalSizes, &CTervoDoc::HheMeanPoint, &CTervoDoc::HheProportionPoint},
    {5, 2, 0, &kUnequalSizesLevelForm, StoreUnequalSizesLevel, &CTervoDoc::HheMeanInterval,
     &CTervoDoc::HheProportionInterval},
    {5, 3, 0, &kUnequalSizesMeanForm, StoreUnequalSizesMean, &CTervoDoc::HheMeanSd, &CTervoDoc::HheProportionSd},
    {6, 1, 0, &kUnequalSizesForm, StoreUnequalSizes, &CTervoDoc::HteMeanPoint, &CTervoDoc::HteProportionPoint},
    {6, 2, 0, &kUnequalSizesLevelForm, StoreUnequalSizesLevel, &CTervoDoc::HteMeanInterval,
     &CTervoDoc::HteProportionInterval},
    {6, 3, 0, &kPopSizeForm, StorePopSize, &CTervoDoc::HteMeanSd, &CTervoDoc::HteProportionSd},
};

const PreliminaryStep* FindStep(int method, int objective, int target) {
  if (method == 4) method = 3;
  for (const PreliminaryStep& s : kSteps)
    if (s.method == method && s.objective == objective && (s.target == 0 || s.target == target)) return &s;
  return nullptr;
}

// Simple random sampling needs no preliminary form (rules 1 to 3).
Routine SimpleRoutine(int target, int objective, int estimator) {
  if (objective < 1 || objective > 4) return nullptr;
  const int o = objective - 1;
  if (estimator == kSimpleEst && (target == 1 || target == 2)) {
    static constexpr Routine mean[] = {&CTervoDoc::SrsMeanPoint, &CTervoDoc::SrsMeanInterval, &CTervoDoc::SrsMeanSd,
                                       &CTervoDoc::SrsMeanSampleSize};
    static constexpr Routine prop[] = {&CTervoDoc::SrsProportionPoint, &CTervoDoc::SrsProportionInterval,
                                       &CTervoDoc::SrsProportionSd, &CTervoDoc::SrsProportionSampleSize};
    return target == 1 ? mean[o] : prop[o];
  }
  if (estimator == kSpecialEst && target == 3) {
    static constexpr Routine ratio[] = {&CTervoDoc::SrsMeansRatioPoint, &CTervoDoc::SrsMeansRatioInterval,
                                        &CTervoDoc::SrsMeansRatioSd, &CTervoDoc::SrsMeansRatioSampleSize};
    return ratio[o];
  }
  if ((estimator == kRatioEst || estimator == kRegressionEst) && target == 1) {
    static constexpr Routine aux[] = {&CTervoDoc::SrsAuxPoint, &CTervoDoc::SrsAuxInterval, &CTervoDoc::SrsAuxSd,
                                      &CTervoDoc::SrsAuxSampleSize};
    return aux[o];
  }
  return nullptr;
}

}  // namespace

int CTervoDoc::DispatchRandomization() {
  Routine routine = nullptr;
  if (m_nMethod == kSimple) {
    routine = SimpleRoutine(m_nTarget, m_nObjective, m_nEstimator);
  } else if (const PreliminaryStep* step = FindStep(m_nMethod, m_nObjective, m_nTarget)) {
    bool accepted;
    {
      Form form(*step->form);
      if (!m_host.ShowForm(form)) return 0;
      accepted = step->store(*this, form);
    }
    if (!accepted) {
      m_host.Message(kIllegalEntry);
      return 0;
    }
    routine = m_nTarget == 1 ? step->mean : m_nTarget == 2 ? step->proportion : nullptr;
  }
  if (!routine) return SelectionNotCoded();
  m_nLastResult = (this->*routine)();
  return m_nLastResult;
}

}  // namespace mirto
