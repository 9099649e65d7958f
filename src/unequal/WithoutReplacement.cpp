// Unequal probabilities without replacement: the estimator that divides each
// sampled value by its inclusion probability, for mean and total or proportion
// and number; point, interval, and the theoretical standard deviation from the
// whole population with the joint inclusion probability of every pair.
#include <cmath>

#include "unequal/Unequal.h"

namespace mirto {
namespace {

using unequal::RowStyle;
using unequal::TableLayout;

// HteWork: the operation's copy of the calculator state and what its entry
// loop accumulates; sumSquares is the variance V in the theoretical deviation.
struct HteWork {
  HteWork(DoubleArray& y, DoubleArray& p, DoubleArray& pij, const CTervoDoc& d)
      : values(y), probabilities(p), joint(pij), N(d.m_dPopSize), n(d.m_dSampleSize), z(d.m_dZ), level(d.m_dLevel) {}
  virtual ~HteWork() = default;
  HteWork(const HteWork&) = delete;
  HteWork& operator=(const HteWork&) = delete;

  DoubleArray& values;
  DoubleArray& probabilities;
  DoubleArray& joint;
  double N = 0.0;
  double n = 0.0;
  double A = 0.0;
  double sumRatio = 0.0;
  double meanEstimate = 0.0;
  double sumSquares = 0.0;
  double z = 0.0;
  double level = 0.0;
};

bool InUnitRange(double p) { return p >= 0.0 && p <= 1.0; }

// The population for the theoretical deviation: probabilities within 0..1.
bool EnterPopulation(FormHost& host, const FormTemplate& form, HteWork& w, long long count) {
  double* y = w.values.get();
  double* p = w.probabilities.get();
  return RunEntryLoop(host, form, FormContext{}, count, [&](const Form& f, long long i) {
    FormReader r(f);
    y[i] = r.Real();
    p[i] = r.Real();
    return InUnitRange(p[i]);
  });
}

// Every pair in the order (1,2), (1,3), ..., (N-1,N); the k-th pair at index k.
bool EnterPairs(FormHost& host, HteWork& w, long long count) {
  const double* y = w.values.get();
  const double* p = w.probabilities.get();
  double* pij = w.joint.get();
  long long k = 0;
  for (long long i = 1; i < count; ++i) {
    for (long long j = i + 1; j <= count; ++j) {
      Form form(unequal::kJointProbabilityForm);
      form.SetRowNumber(i, 0);
      form.SetRowNumber(j, 1);
      if (!host.ShowForm(form)) return false;
      pij[++k] = FormReader(form).Real();
      if (!InUnitRange(pij[k])) {
        host.Message(kIllegalEntry);
        return false;
      }
      const double d = y[i] / p[i] - y[j] / p[j];
      w.sumSquares += (p[i] * p[j] - pij[k]) * d * d;
    }
  }
  return true;
}

// EnterHteElements: the sample for point and interval; the population and
// then every pair for the theoretical deviation.
bool EnterHteElements(FormHost& host, const FormTemplate& form, HteWork& w, Objective objective, long long count) {
  if (objective != Objective::ThStdDev)
    return unequal::EnterSampledElements(host, form, w.values.get(), w.probabilities.get(), count, w.N, w.sumRatio,
                                         objective == Objective::Interval ? &w.sumSquares : nullptr);
  w.sumSquares = 0.0;
  return EnterPopulation(host, form, w, count) && EnterPairs(host, w, count);
}

// Header and row format per target and objective.
constexpr TableLayout kTables[2][3] = {
    {{" i        Y_i       p_i ", RowStyle::ShortBlank},
     {" i        Y_i       p_i ", RowStyle::ShortBlank},
     {" i        Y_i       p_i ", RowStyle::FullBlank}},
    {{" i       Y'_i       p_i ", RowStyle::ShortBlank},
     {" i        Y'_i       p_i ", RowStyle::FullBlank},
     {" i        Y'_i       p_i ", RowStyle::Full}},
};

void AppendSampleResults(CTervoDoc& d, HteWork& w, Target target, Objective objective) {
  const double m = w.sumRatio / w.N;
  unequal::AppendEstimates(d, target, objective, m, w.sumRatio);
  if (objective != Objective::Interval) return;
  w.meanEstimate = m;
  w.A = (w.sumSquares - m * m / w.n) * w.n * w.n / (w.n - 1);
  const double V = (w.N - w.n) * w.A / (w.n * (w.N - 1));
  unequal::AppendIntervals(d, target, std::sqrt(V), m, w.N, w.n, w.z, w.level);
}

void AppendPairTable(CTervoDoc& d, const double* pij, long long count) {
  d.AppendLine("  i   j      p_ij ");
  long long k = 0;
  for (long long i = 1; i < count; ++i)
    for (long long j = i + 1; j <= count; ++j)
      d.AppendLine("%3d %3d %10f ", static_cast<int>(i), static_cast<int>(j), pij[++k]);
}

void AppendPopulationResults(CTervoDoc& d, const HteWork& w, Target target, long long count) {
  AppendPairTable(d, w.joint.get(), count);
  const double sd = std::sqrt(w.sumSquares) / w.N;
  unequal::AppendTheoreticalSd(d, target, sd, sd * w.N);
}

// N(N-1)/2 in 64 bits: it passes the range of int from N = 46,342 on.
long long PairCount(long long N) { return N * (N - 1) / 2; }

int RunHte(CTervoDoc& d, Target target, Objective objective) {
  const long long count = objective == Objective::ThStdDev ? d.m_nPopSize : d.m_nSampleSize;
  DoubleArray y = d.AllocArray(count);
  if (!y) return d.m_nLastResult = 0;
  DoubleArray p = d.AllocArray(count);
  if (!p) return d.m_nLastResult = 0;
  DoubleArray pij;
  if (objective == Objective::ThStdDev && !(pij = d.AllocArray(PairCount(count)))) return d.m_nLastResult = 0;
  HteWork w(y, p, pij, d);
  const FormTemplate& form = target == Target::MeanTotal ? unequal::kHteElementForm : unequal::kHteCategoryElementForm;
  if (!EnterHteElements(d.Host(), form, w, objective, count)) return d.m_nLastResult = 0;

  unequal::AppendHeading(d, target, objective, "Method: Unequal probabilities, without replacement", "Estimator: HTE");
  d.AppendLine("Population size, N= %.0f", w.N);
  if (objective != Objective::ThStdDev) d.AppendLine("Sample size, n= %.0f", w.n);
  const TableLayout& table = kTables[static_cast<int>(target) - 1][static_cast<int>(objective) - 1];
  unequal::AppendElementTable(d, table, y.get(), p.get(), count);
  if (objective == Objective::ThStdDev)
    AppendPopulationResults(d, w, target, count);
  else
    AppendSampleResults(d, w, target, objective);
  d.EndBlock();
  return d.m_nLastResult = 1;
}

}  // namespace

int CTervoDoc::HteMeanPoint() { return RunHte(*this, Target::MeanTotal, Objective::Point); }
int CTervoDoc::HteProportionPoint() { return RunHte(*this, Target::ProportionNumber, Objective::Point); }
int CTervoDoc::HteMeanInterval() { return RunHte(*this, Target::MeanTotal, Objective::Interval); }
int CTervoDoc::HteProportionInterval() { return RunHte(*this, Target::ProportionNumber, Objective::Interval); }
int CTervoDoc::HteMeanSd() { return RunHte(*this, Target::MeanTotal, Objective::ThStdDev); }
int CTervoDoc::HteProportionSd() { return RunHte(*this, Target::ProportionNumber, Objective::ThStdDev); }

}  // namespace mirto
