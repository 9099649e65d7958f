// Unequal probabilities without replacement: the estimator that divides each
// sampled value by its inclusion probability, for mean and total or proportion
// and number; point, interval, and the theoretical standard deviation from the
// whole population with the joint inclusion probability of every pair.
#include <cmath>
#include <utility>

#include "data/Figures.h"
#include "framework/PreliminaryForms.h"
#include "framework/Routine.h"
#include "unequal/Rows.h"
#include "unequal/Unequal.h"

namespace mirto {
namespace unequal {
namespace {

FormContext ContextOf(Objective objective) { return {.method = Method::WithoutReplacement, .objective = objective}; }

// The population for the theoretical deviation.
bool EnterPopulation(FormHost& host, const FormTemplate& form, HteInput& w) {
  double* y = w.values.get();
  double* p = w.probabilities.get();
  return RunEntryLoop(host, form, ContextOf(Objective::ThStdDev), w.count, [&](const Form& f, long long i) {
    const ElementRow row = ReadElement(f);
    y[i] = row.y;
    p[i] = row.p;
    return !Refused(f);
  });
}

// Every pair in the order (1,2), (1,3), ..., (N-1,N); the k-th pair at index k.
bool EnterPairs(FormHost& host, HteInput& w) {
  const double* y = w.values.get();
  const double* p = w.probabilities.get();
  double* pij = w.joint.get();
  return RunPairLoop(host, kJointProbabilityForm, ContextOf(Objective::ThStdDev), w.count, p,
                     [&](const Form& form, long long k, long long i, long long j) {
                       pij[k] = ReadPair(form).p;
                       if (Refused(form) || !JointWithin(pij[k], p[i], p[j])) return false;
                       const double d = y[i] / p[i] - y[j] / p[j];
                       w.sumSquares += (p[i] * p[j] - pij[k]) * d * d;
                       return true;
                     });
}

}  // namespace

HteInput::HteInput(DoubleArray& y, DoubleArray& p, DoubleArray& pij, const CalculatorState& d, long long rows)
    : values(y),
      probabilities(p),
      joint(pij),
      N(d.m_dPopSize),
      n(d.m_dSampleSize),
      z(d.m_dZ),
      level(d.m_dLevel),
      count(rows) {}

// EnterHteElements: the sample for point and interval; the population and
// then every pair for the theoretical deviation.
bool EnterHteElements(FormHost& host, const FormTemplate& form, HteInput& w, Objective objective) {
  if (objective != Objective::ThStdDev)
    return EnterSampledElements(host, form, ContextOf(objective), w.values.get(), w.probabilities.get(), w.count,
                                w.sumRatio);
  w.sumSquares = 0.0;
  return EnterPopulation(host, form, w) && EnterPairs(host, w);
}

UnequalPoint ComputeHtePoint(const HteInput& w, Target target) {
  return {Method::WithoutReplacement, target,    w.N, w.n, Elements(w.values.get(), w.probabilities.get(), w.count),
          w.sumRatio / w.N,           w.sumRatio};
}

UnequalInterval ComputeHteInterval(const HteInput& w, Target target) {
  const double m = w.sumRatio / w.N;
  // The sum of squares less m^2 / n, from the deviations themselves.
  const double squares = SquaredDeviationsOfShares(w.values.get(), w.probabilities.get(), w.count, w.N);
  const double A = squares * w.n * w.n / (w.n - 1);
  const double V = (w.N - w.n) * A / (w.n * (w.N - 1));
  return IntervalFrom(Method::WithoutReplacement, target, w.N, w.n, w.z, w.level,
                      Elements(w.values.get(), w.probabilities.get(), w.count), m, w.sumRatio, std::sqrt(V));
}

UnequalSd ComputeHteSd(const HteInput& w, Target target) {
  std::vector<Pair> pairs;
  long long k = 0;
  for (long long i = 1; i < w.count; ++i)
    for (long long j = i + 1; j <= w.count; ++j) pairs.push_back({i, j, w.joint[++k]});
  const double sd = std::sqrt(w.sumSquares) / w.N;
  return {
      Method::WithoutReplacement, target, w.N,     w.n, 0.0, Elements(w.values.get(), w.probabilities.get(), w.count),
      std::move(pairs),           sd,     sd * w.N};
}

namespace {

// N(N-1)/2 in 64 bits: it passes the range of int from N = 46,342 on.
long long PairCount(long long N) { return N * (N - 1) / 2; }

int RunHte(CTervoDoc& d, Target target, Objective objective) {
  const long long count = objective == Objective::ThStdDev ? d.m_nPopSize : d.m_nSampleSize;
  DoubleArray y = d.AllocArray(count);
  if (!y) return 0;
  DoubleArray p = d.AllocArray(count);
  if (!p) return 0;
  DoubleArray pij;
  if (objective == Objective::ThStdDev && !(pij = d.AllocArray(PairCount(count)))) return 0;
  HteInput w(y, p, pij, d, count);
  const FormTemplate& form = target == Target::MeanTotal ? unequal::kHteElementForm : unequal::kHteCategoryElementForm;
  if (!unequal::EnterHteElements(d.Host(), form, w, objective)) return 0;
  switch (objective) {
    case Objective::Point: return Report(d, unequal::ComputeHtePoint(w, target));
    case Objective::Interval: return Report(d, unequal::ComputeHteInterval(w, target));
    default: return Report(d, unequal::ComputeHteSd(w, target));
  }
}

}  // namespace

int HteMeanPoint(CTervoDoc& d) { return RunHte(d, Target::MeanTotal, Objective::Point); }
int HteProportionPoint(CTervoDoc& d) { return RunHte(d, Target::ProportionNumber, Objective::Point); }
int HteMeanInterval(CTervoDoc& d) { return RunHte(d, Target::MeanTotal, Objective::Interval); }
int HteProportionInterval(CTervoDoc& d) { return RunHte(d, Target::ProportionNumber, Objective::Interval); }
int HteMeanSd(CTervoDoc& d) { return RunHte(d, Target::MeanTotal, Objective::ThStdDev); }
int HteProportionSd(CTervoDoc& d) { return RunHte(d, Target::ProportionNumber, Objective::ThStdDev); }

// ---- The commands ---------------------------------------------------------------------

namespace {

using M = Method;
using T = Target;
using O = Objective;
using E = Estimator;

// Data mode: one element form per unit, its y and its inclusion probability
// as they stand; n is the number of units. N is typed.
using S = data::FieldSource;
const data::ScanPlan kY{.numeric = {data::Role::Y, data::Role::Prob}, .by = std::nullopt, .elements = true};
const data::ScanPlan kZeroOne{
    .numeric = {data::Role::Y, data::Role::Prob}, .by = std::nullopt, .zeroOne = true, .elements = true};
const data::CommandFigures kMeanPointFigures{
    kY,
    {{&kUnequalSizesForm, false, {{"Sample size, n:", S::Count}}},
     {&kHteElementForm, true, {{"Y-value of element:", S::ElementY}, {"Inclusion probability:", S::ElementProb}}}}};
const data::CommandFigures kProportionPointFigures{
    kZeroOne,
    {{&kUnequalSizesForm, false, {{"Sample size, n:", S::Count}}},
     {&kHteCategoryElementForm,
      true,
      {{"Y'-value of element (1 if in category, 0 otherwise):", S::ElementY},
       {"Inclusion probability:", S::ElementProb}}}}};
const data::CommandFigures kMeanIntervalFigures{
    kY,
    {{&kUnequalSizesLevelForm, false, {{"Sample size, n:", S::Count}}},
     {&kHteElementForm, true, {{"Y-value of element:", S::ElementY}, {"Inclusion probability:", S::ElementProb}}}}};
const data::CommandFigures kProportionIntervalFigures{
    kZeroOne,
    {{&kUnequalSizesLevelForm, false, {{"Sample size, n:", S::Count}}},
     {&kHteCategoryElementForm,
      true,
      {{"Y'-value of element (1 if in category, 0 otherwise):", S::ElementY},
       {"Inclusion probability:", S::ElementProb}}}}};

std::vector<FormHelp> FormsHelp() {
  return {
      {"Without replacement, one form per sampled element",
       {&kHteElementForm, &kHteCategoryElementForm},
       "**Y-value of element:** (or **Y'-value of element (1 if in category, 0 otherwise):**) and "
       "**Inclusion probability:**; for the theoretical standard deviation every population element, with an "
       "inclusion probability from 0 to 1."},
      {"Joint inclusion probabilities",
       {&kJointProbabilityForm},
       "For the theoretical standard deviation without replacement, after the N elements, one form for every "
       "pair of elements i and j asks the joint inclusion probability p_ij: the probability that i and j are "
       "both in the sample (for a simple random sample n(n − 1) / (N(N − 1)) for every pair), from 0 to 1. "
       "The variance of the total is the sum over the pairs of (p_i · p_j − p_ij) · (Y_i / p_i − Y_j / p_j)². "
       "N elements take N(N − 1)/2 such forms. A p_ij above p_i or p_j is refused with \"Illegal entry\"."},
  };
}

constexpr Command kCommands[] = {
    Leaf("without-replacement.mean.point", 32892, "Un.Prob.WithoutRepl. > Mean/total of variable > Point estimates",
         {M::WithoutReplacement, T::MeanTotal, O::Point, E::Hte}, "M: UnPrWithoutRepl, T: Mean/total, O: Point, E: HTE",
         &kUnequalSizesStep, &HteMeanPoint, {&kHteElementForm}, &kMeanPointFigures),
    Leaf("without-replacement.mean.interval", 32934,
         "Un.Prob.WithoutRepl. > Mean/total of variable > Interval estimates",
         {M::WithoutReplacement, T::MeanTotal, O::Interval, E::Hte},
         "M: UnPrWithoutRepl, T: Mean/total, O: IntervalEst, E: HTE", &kUnequalSizesLevelStep, &HteMeanInterval,
         {&kHteElementForm}, &kMeanIntervalFigures),
    Leaf("without-replacement.mean.sd", 32935,
         "Un.Prob.WithoutRepl. > Mean/total of variable > Th. std. dev. of estimator",
         {M::WithoutReplacement, T::MeanTotal, O::ThStdDev, E::Hte},
         "M: UnPrWithoutRepl, T: Mean/total, O: ThStdDevEst, E: HTE", &kPopSizeStep, &HteMeanSd,
         {&kHteElementForm, &kJointProbabilityForm}),
    Leaf("without-replacement.proportion.point", 32937,
         "Un.Prob.WithoutRepl. > Proportion/number in category > Point estimates",
         {M::WithoutReplacement, T::ProportionNumber, O::Point, E::Hte},
         "M: UnPrWithoutRepl, T: Proportion/number, O: IntervalEst, E: HTE", &kUnequalSizesStep, &HteProportionPoint,
         {&kHteCategoryElementForm}, &kProportionPointFigures),
    Leaf("without-replacement.proportion.interval", 32938,
         "Un.Prob.WithoutRepl. > Proportion/number in category > Interval estimates",
         {M::WithoutReplacement, T::ProportionNumber, O::Interval, E::Hte},
         "M: UnPrWithoutRepl, T: Proportion/number, O: IntervalEst, E: HTE", &kUnequalSizesLevelStep,
         &HteProportionInterval, {&kHteCategoryElementForm}, &kProportionIntervalFigures),
    Leaf("without-replacement.proportion.sd", 32939,
         "Un.Prob.WithoutRepl. > Proportion/number in category > Th. std.dev. of estimator",
         {M::WithoutReplacement, T::ProportionNumber, O::ThStdDev, E::Hte},
         "M: UnPrWithoutRepl, T: Proportion/number, O: ThStdDevEst, E: HTE", &kPopSizeStep, &HteProportionSd,
         {&kHteCategoryElementForm, &kJointProbabilityForm}),
};

}  // namespace

const CommandTable kWithoutReplacementTable{kCommands, {}, &FormsHelp};

}  // namespace unequal
}  // namespace mirto
