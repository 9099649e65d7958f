// Unequal probabilities with replacement: the estimator that divides each
// drawn value by its selection probability, for mean and total or proportion
// and number; point, interval and theoretical standard deviation.
#include <cmath>

#include "data/Figures.h"
#include "framework/PreliminaryForms.h"
#include "framework/Routine.h"
#include "unequal/Rows.h"
#include "unequal/Unequal.h"

namespace mirto {
namespace unequal {
namespace {

FormContext ContextOf(Objective objective) { return {.method = Method::WithReplacement, .objective = objective}; }

// The whole population: any value, a selection probability the form accepts.
bool EnterPopulation(FormHost& host, const FormTemplate& form, HheInput& w) {
  w.sumSquares = 0.0;
  double* y = w.values.get();
  double* q = w.probabilities.get();
  return RunEntryLoop(host, form, ContextOf(Objective::ThStdDev), w.count, [&](const Form& f, long long i) {
    const ElementRow row = ReadElement(f);
    y[i] = row.y;
    q[i] = row.p;
    if (Refused(f)) return false;
    w.sumSquares += y[i] * y[i] / q[i];
    return true;
  });
}

}  // namespace

HheInput::HheInput(DoubleArray& y, DoubleArray& q, const CalculatorState& d, long long rows)
    : values(y),
      probabilities(q),
      N(d.m_dPopSize),
      n(d.m_dSampleSize),
      mu(d.m_dPopMean),
      z(d.m_dZ),
      level(d.m_dLevel),
      count(rows) {}

// EnterHheElements: the draws for point and interval, the population for the
// theoretical deviation.
bool EnterHheElements(FormHost& host, const FormTemplate& form, HheInput& w, Objective objective) {
  if (objective == Objective::ThStdDev) return EnterPopulation(host, form, w);
  return EnterSampledElements(host, form, ContextOf(objective), w.values.get(), w.probabilities.get(), w.count,
                              w.sumRatio);
}

UnequalPoint ComputeHhePoint(const HheInput& w, Target target) {
  return {Method::WithReplacement,  target,          w.N, w.n, Elements(w.values.get(), w.probabilities.get(), w.count),
          w.sumRatio / (w.N * w.n), w.sumRatio / w.n};
}

UnequalInterval ComputeHheInterval(const HheInput& w, Target target) {
  const double m = w.sumRatio / (w.N * w.n);
  // The sum of squares less n m^2, from the deviations themselves: draws of
  // equal share (the same element twice) give 0, not a negative difference.
  const double squares = SquaredDeviationsOfShares(w.values.get(), w.probabilities.get(), w.count, w.N);
  const double sd = std::sqrt(squares / (w.n * (w.n - 1)));
  return IntervalFrom(Method::WithReplacement, target, w.N, w.n, w.z, w.level,
                      Elements(w.values.get(), w.probabilities.get(), w.count), m, w.sumRatio / w.n, sd);
}

// A mu that does not fit the figures gives a negative radicand: "nan".
UnequalSd ComputeHheSd(const HheInput& w, Target target) {
  const double sd = std::sqrt((w.sumSquares / w.N / w.N - w.mu * w.mu) / w.n);
  return {Method::WithReplacement,
          target,
          w.N,
          w.n,
          w.mu,
          Elements(w.values.get(), w.probabilities.get(), w.count),
          {},
          sd,
          w.N * sd};
}

namespace {

int RunHhe(CTervoDoc& d, Target target, Objective objective) {
  const long long count = objective == Objective::ThStdDev ? d.m_nPopSize : d.m_nSampleSize;
  DoubleArray y = d.AllocArray(count);
  if (!y) return 0;
  DoubleArray q = d.AllocArray(count);
  if (!q) return 0;
  HheInput w(y, q, d, count);
  const FormTemplate& form = target == Target::MeanTotal ? unequal::kHheElementForm : unequal::kHheCategoryElementForm;
  if (!unequal::EnterHheElements(d.Host(), form, w, objective)) return 0;
  switch (objective) {
    case Objective::Point: return Report(d, unequal::ComputeHhePoint(w, target));
    case Objective::Interval: return Report(d, unequal::ComputeHheInterval(w, target));
    default: return Report(d, unequal::ComputeHheSd(w, target));
  }
}

}  // namespace

int HheMeanPoint(CTervoDoc& d) { return RunHhe(d, Target::MeanTotal, Objective::Point); }
int HheProportionPoint(CTervoDoc& d) { return RunHhe(d, Target::ProportionNumber, Objective::Point); }
int HheMeanInterval(CTervoDoc& d) { return RunHhe(d, Target::MeanTotal, Objective::Interval); }
int HheProportionInterval(CTervoDoc& d) { return RunHhe(d, Target::ProportionNumber, Objective::Interval); }
int HheMeanSd(CTervoDoc& d) { return RunHhe(d, Target::MeanTotal, Objective::ThStdDev); }
int HheProportionSd(CTervoDoc& d) { return RunHhe(d, Target::ProportionNumber, Objective::ThStdDev); }

// ---- The commands ---------------------------------------------------------------------

namespace {

using M = Method;
using T = Target;
using O = Objective;
using E = Estimator;

// Data mode: one element form per unit, its y and its selection probability
// as they stand; n is the number of units. N is typed.
using S = data::FieldSource;
const data::ScanPlan kY{.numeric = {data::Role::Y, data::Role::Prob}, .by = std::nullopt, .elements = true};
const data::ScanPlan kZeroOne{
    .numeric = {data::Role::Y, data::Role::Prob}, .by = std::nullopt, .zeroOne = true, .elements = true};
const data::CommandFigures kMeanPointFigures{
    kY,
    {{&kUnequalSizesForm, false, {{"Sample size, n:", S::Count}}},
     {&kHheElementForm, true, {{"Y-value of element:", S::ElementY}, {"Selection probability:", S::ElementProb}}}}};
const data::CommandFigures kProportionPointFigures{
    kZeroOne,
    {{&kUnequalSizesForm, false, {{"Sample size, n:", S::Count}}},
     {&kHheCategoryElementForm,
      true,
      {{"Y'-value of element (1 if in category, 0 otherwise):", S::ElementY},
       {"Selection probability:", S::ElementProb}}}}};
const data::CommandFigures kMeanIntervalFigures{
    kY,
    {{&kUnequalSizesLevelForm, false, {{"Sample size, n:", S::Count}}},
     {&kHheElementForm, true, {{"Y-value of element:", S::ElementY}, {"Selection probability:", S::ElementProb}}}}};
const data::CommandFigures kProportionIntervalFigures{
    kZeroOne,
    {{&kUnequalSizesLevelForm, false, {{"Sample size, n:", S::Count}}},
     {&kHheCategoryElementForm,
      true,
      {{"Y'-value of element (1 if in category, 0 otherwise):", S::ElementY},
       {"Selection probability:", S::ElementProb}}}}};

std::vector<FormHelp> FormsHelp() {
  return {
      {"With replacement, one form per draw",
       {&kHheElementForm, &kHheCategoryElementForm},
       "**Y-value of element:** (for a proportion **Y'-value of element (1 if in category, 0 otherwise):**) "
       "and **Selection probability:**. An element drawn twice is entered twice. The theoretical standard "
       "deviation asks every one of the N population elements instead."},
  };
}

constexpr Command kCommands[] = {
    Leaf("with-replacement.mean.point", 32896, "Un.Prob.WithRepl. > Mean/total of variable > Point estimates",
         {M::WithReplacement, T::MeanTotal, O::Point, E::Hhe}, "M: UnProbWithRepl, T: Mean/total, O: Point; E: HHE",
         &kUnequalSizesStep, &HheMeanPoint, {&kHheElementForm}, &kMeanPointFigures),
    Leaf("with-replacement.mean.interval", 32928, "Un.Prob.WithRepl. > Mean/total of variable > Interval estimates",
         {M::WithReplacement, T::MeanTotal, O::Interval, E::Hhe},
         "M: UnProbWithRepl, T: Mean/total, O: IntervalEst,  E: HHE", &kUnequalSizesLevelStep, &HheMeanInterval,
         {&kHheElementForm}, &kMeanIntervalFigures),
    Leaf("with-replacement.mean.sd", 32929, "Un.Prob.WithRepl. > Mean/total of variable > Th. std. dev. of estimator",
         {M::WithReplacement, T::MeanTotal, O::ThStdDev, E::Hhe},
         "M: UnProbWithRepl, T: Mean/total, O: ThStdDevEst,  E: HHE", &kUnequalSizesMeanStep, &HheMeanSd,
         {&kHheElementForm}),
    Leaf("with-replacement.proportion.point", 32931,
         "Un.Prob.WithRepl. > Proportion/number in category > Point estimates",
         {M::WithReplacement, T::ProportionNumber, O::Point, E::Hhe},
         "M: UnProbWithRepl, T: Proportion/number, O: Point; E: HHE", &kUnequalSizesStep, &HheProportionPoint,
         {&kHheCategoryElementForm}, &kProportionPointFigures),
    Leaf("with-replacement.proportion.interval", 32932,
         "Un.Prob.WithRepl. > Proportion/number in category > Interval estimates",
         {M::WithReplacement, T::ProportionNumber, O::Interval, E::Hhe},
         "M: UnProbWithRepl, T: Proportion/number, O: IntervalEst; E: HHE", &kUnequalSizesLevelStep,
         &HheProportionInterval, {&kHheCategoryElementForm}, &kProportionIntervalFigures),
    Leaf("with-replacement.proportion.sd", 32933,
         "Un.Prob.WithRepl. > Proportion/number in category > Th. std. dev. of estimator",
         {M::WithReplacement, T::ProportionNumber, O::ThStdDev, E::Hhe},
         "M: UnProbWithRepl, T: Proportion/number, O: ThStdDevEst, E: HHE", &kUnequalSizesMeanStep, &HheProportionSd,
         {&kHheCategoryElementForm}),
};

}  // namespace

FormHelpFamily FamilyHelp() {
  return {"unequal",
          "Sampling with unequal probabilities",
          {"Each sampled element is entered with its probability. With replacement the estimator (HHE) divides "
           "each drawn value by its **selection probability**, the chance of drawing the element at each draw (the "
           "selection probabilities of all N elements add up to 1). Without replacement the estimator (HTE) divides "
           "by the **inclusion probability**, the chance that the element is in the sample (they add up to n). A "
           "probability that is not above 0 is refused with \"Illegal entry\"."},
          {
              {"The first form",
               {&kUnequalSizesForm, &kUnequalSizesLevelForm, &kUnequalSizesMeanForm, &kPopSizeForm},
               "**Population size, N:** and **Sample size, n:** (the number of draws with replacement; 0 < n ≤ N); "
               "for intervals **Select confidence level:**. The theoretical standard deviation with replacement also "
               "asks **Population mean or population proportion:** (a guess of the mean, or the proportion in the "
               "category); without replacement it asks only **Enter the population size, N:**."},
          }};
}

const CommandTable kWithReplacementTable{kCommands, {}, &FormsHelp};

}  // namespace unequal
}  // namespace mirto
