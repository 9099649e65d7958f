// Unequal probabilities without replacement: intervals whose variance comes
// from the joint inclusion probabilities of the sampled pairs, in the
// Sen-Yates-Grundy form.
#include <cmath>

#include "data/Figures.h"
#include "extras/Commands.h"
#include "framework/PreliminaryForms.h"
#include "framework/RecordKeys.h"
#include "framework/Routine.h"
#include "unequal/Rows.h"

namespace mirto::extras {
namespace {

struct JointInput {
  Target target;
  double N, n, z, level;
  std::vector<double> y, p, joint;  // joint in pair order
};

// The n sampled elements, then each of their pairs; the forms' own checks
// take every probability above 0 and at most 1 in this context, and no
// joint probability may exceed either element's own.
bool Enter(CTervoDoc& doc, JointInput& in) {
  const FormContext context{.objective = Objective::JointInterval};
  const long long n = doc.m_nSampleSize;
  const long long pairs = n * (n - 1) / 2;
  const DoubleArray y = doc.AllocArray(n), p = doc.AllocArray(n), joint = doc.AllocArray(pairs);
  if (!y || !p || !joint) return false;
  const FormTemplate& form =
      in.target == Target::MeanTotal ? unequal::kHteElementForm : unequal::kHteCategoryElementForm;
  FormHost& host = doc.Host();
  const bool entered = RunEntryLoop(host, form, context, n, [&](const Form& f, long long i) {
    const unequal::ElementRow row = unequal::ReadElement(f);
    y[i] = row.y;
    p[i] = row.p;
    return !unequal::Refused(f);
  });
  if (!entered) return false;
  const bool paired = RunPairLoop(host, unequal::kJointProbabilityForm, context, n, p.get(),
                                  [&](const Form& f, long long k, long long i, long long j) {
                                    joint[k] = unequal::ReadPair(f).p;
                                    return !unequal::Refused(f) && unequal::JointWithin(joint[k], p[i], p[j]);
                                  });
  if (!paired) return false;
  in.y.assign(y.get() + 1, y.get() + 1 + n);
  in.p.assign(p.get() + 1, p.get() + 1 + n);
  in.joint.assign(joint.get() + 1, joint.get() + 1 + pairs);
  return true;
}

struct JointInterval {
  JointInput in;
  double total, mean, variance, sd, low, high;
  bool warning;
};

JointInterval Compute(JointInput in) {
  double total = 0.0;
  for (std::size_t i = 0; i < in.y.size(); ++i) total += in.y[i] / in.p[i];
  const double variance = SenYatesGrundyVariance(in.y, in.p, in.joint);
  const double mean = total / in.N, sd = std::sqrt(variance) / in.N;
  const bool warning = IsSmallSample(in.n, in.N);
  return {std::move(in), total, mean, variance, sd, mean - in.z * sd, mean + in.z * sd, warning};
}

bool IsMean(const JointInput& in) { return in.target == Target::MeanTotal; }

void Write(CTervoDoc& d, const JointInterval& r) {
  const bool mean = IsMean(r.in);
  d.AppendSeparator();
  d.AppendLine(mean ? "Target: Mean and total of variable" : "Target: Proportion and number in category");
  d.AppendLine("Method: Unequal probabilities, without replacement");
  d.AppendLine("Objective: Confidence intervals from joint inclusion probabilities");
  d.AppendLine("Estimator: HTE");
  d.AppendLine("Population size, N= %.0f", r.in.N);
  d.AppendLine("Sample size, n= %.0f", r.in.n);
  d.AppendLine(mean ? " i        Y_i       p_i " : " i        Y'_i       p_i ");
  for (std::size_t i = 0; i < r.in.y.size(); ++i)
    d.AppendLine("%3lld %10f %10f ", static_cast<long long>(i + 1), r.in.y[i], r.in.p[i]);
  d.AppendLine("  i   j      p_ij ");
  std::size_t k = 0;
  for (std::size_t i = 0; i < r.in.y.size(); ++i)
    for (std::size_t j = i + 1; j < r.in.y.size(); ++j)
      d.AppendLine("%3lld %3lld %10f ", static_cast<long long>(i + 1), static_cast<long long>(j + 1), r.in.joint[k++]);
  if (mean) {
    d.AppendLine("Estimate of population mean: %f", r.mean);
    d.AppendLine("Estimate of population total: %f", r.total);
  } else {
    d.AppendLine("Estimate of population proportion: %f", r.mean);
    d.AppendLine("Estimate of population number: %.0f", r.total);
  }
  d.AppendLine("Estimated variance of estimator of pop. %s (Sen-Yates-Grundy): %f", mean ? "total" : "number",
               r.variance);
  d.AppendLine(mean ? "Estimated std. deviation of estimator of pop. mean: %f"
                    : "Estimated std. deviation of estimator of pop. proportion: %f",
               r.sd);
  if (r.variance < 0.0) d.AppendLine("Note: the estimated variance is negative, so its square root is not a number.");
  if (r.warning) d.AppendWarning();
  d.AppendIntervals(mean ? CTervoDoc::IntervalOf::MeanTotal : CTervoDoc::IntervalOf::ProportionNumber,
                    CTervoDoc::Wording::Pop, r.in.level, r.in.N, r.low, r.high);
}

Record ToRecord(const JointInterval& r) {
  Record rec;
  rec.Input("population_size", r.in.N).Input("sample_size", r.in.n);
  rec.Input("confidence", r.in.level).Input("z", r.in.z);
  Table& elements = rec.AddTable(Section::Inputs, "elements", {"Y_i", "p_i"});
  for (std::size_t i = 0; i < r.in.y.size(); ++i) elements.AddRow({r.in.y[i], r.in.p[i]});
  Table& pairs = rec.AddTable(Section::Inputs, "pairs", {"i", "j", "p_ij"});
  std::size_t k = 0;
  for (std::size_t i = 0; i < r.in.y.size(); ++i)
    for (std::size_t j = i + 1; j < r.in.y.size(); ++j)
      pairs.AddRow({static_cast<double>(i + 1), static_cast<double>(j + 1), r.in.joint[k++]});
  const EstimateKeys& keys = KeysOf(r.in.target);
  RecordEstimates(rec, keys, r.mean, r.total).Result(IsMean(r.in) ? "var_total" : "var_number", r.variance);
  return RecordIntervals(rec, keys, r.sd, r.low, r.high, r.in.N * r.low, r.in.N * r.high);
}

int Run(CTervoDoc& doc, Target target) {
  JointInput in{target, doc.m_dPopSize, doc.m_dSampleSize, doc.m_dZ, doc.m_dLevel, {}, {}, {}};
  if (!Enter(doc, in)) return 0;
  return Report(doc, Compute(std::move(in)));
}

}  // namespace

double SenYatesGrundyVariance(const std::vector<double>& y, const std::vector<double>& p,
                              const std::vector<double>& joint) {
  double V = 0.0;
  std::size_t k = 0;
  for (std::size_t i = 0; i < y.size(); ++i)
    for (std::size_t j = i + 1; j < y.size(); ++j, ++k) {
      const double d = y[i] / p[i] - y[j] / p[j];
      V += (p[i] * p[j] - joint[k]) / joint[k] * d * d;
    }
  return V;
}

int HteMeanJointInterval(CTervoDoc& doc) { return Run(doc, Target::MeanTotal); }
int HteProportionJointInterval(CTervoDoc& doc) { return Run(doc, Target::ProportionNumber); }

}  // namespace mirto::extras

// ---- The commands ---------------------------------------------------------------------

namespace mirto::extras {
namespace {

using M = Method;
using T = Target;
using O = Objective;
using E = Estimator;

// Data mode: as the intervals without replacement, and p_ij of each pair of
// units from a pairs file.
using S = data::FieldSource;
const data::ScanPlan kY{.numeric = {data::Role::Y, data::Role::Prob}, .by = std::nullopt, .elements = true};
const data::ScanPlan kZeroOne{
    .numeric = {data::Role::Y, data::Role::Prob}, .by = std::nullopt, .zeroOne = true, .elements = true};
const data::CommandFigures kMeanFigures{
    kY,
    {{&kUnequalSizesLevelForm, false, {{"Sample size, n:", S::Count}}},
     {&unequal::kHteElementForm,
      true,
      {{"Y-value of element:", S::ElementY}, {"Inclusion probability:", S::ElementProb}}},
     {&unequal::kJointProbabilityForm, true, {{"p_ij", S::PairProb}}}}};
const data::CommandFigures kProportionFigures{kZeroOne,
                                              {{&kUnequalSizesLevelForm, false, {{"Sample size, n:", S::Count}}},
                                               {&unequal::kHteCategoryElementForm,
                                                true,
                                                {{"Y'-value of element (1 if in category, 0 otherwise):", S::ElementY},
                                                 {"Inclusion probability:", S::ElementProb}}},
                                               {&unequal::kJointProbabilityForm, true, {{"p_ij", S::PairProb}}}}};

std::vector<FormHelp> FormsHelp() {
  return {
      {"Interval estimates (joint probabilities) (Un.Prob.WithoutRepl.)",
       {},
       "The first form asks N, n and the confidence level as for interval estimates; then one form per sampled "
       "element (its Y-value, or Y'-value, and its inclusion probability, above 0 and at most 1), then one form "
       "per pair of sampled elements for their joint inclusion probability (above 0 and at most 1), in the "
       "order (1,2), (1,3), ..., (n−1,n). The variance of the estimator of the total is the Sen-Yates-Grundy "
       "sum over the pairs of (p_i p_j − p_ij) / p_ij · (Y_i / p_i − Y_j / p_j)²; that of the mean is it over "
       "N². For a simple random sample without replacement (p_i = n / N, p_ij = n (n − 1) / (N (N − 1))) it "
       "equals (1 − n/N) s² / n for the mean. The variance can come out negative for some designs; the report "
       "then says so."},
  };
}

constexpr Command kCommands[] = {
    Leaf("without-replacement.mean.joint-interval", 32954,
         "Un.Prob.WithoutRepl. > Mean/total of variable > Interval estimates (joint probabilities)",
         {M::WithoutReplacement, T::MeanTotal, O::JointInterval, E::Hte},
         "M: UnPrWithoutRepl, T: Mean/total, O: IntervalEstJoint, E: HTE", &kUnequalSizesLevelStep,
         &HteMeanJointInterval, {&unequal::kHteElementForm, &unequal::kJointProbabilityForm}, &kMeanFigures),
    Leaf("without-replacement.proportion.joint-interval", 32955,
         "Un.Prob.WithoutRepl. > Proportion/number in category > Interval estimates (joint probabilities)",
         {M::WithoutReplacement, T::ProportionNumber, O::JointInterval, E::Hte},
         "M: UnPrWithoutRepl, T: Proportion/number, O: IntervalEstJoint, E: HTE", &kUnequalSizesLevelStep,
         &HteProportionJointInterval, {&unequal::kHteCategoryElementForm, &unequal::kJointProbabilityForm},
         &kProportionFigures),
};

}  // namespace

const CommandTable kJointIntervalTable{kCommands, {}, &FormsHelp};

}  // namespace mirto::extras
