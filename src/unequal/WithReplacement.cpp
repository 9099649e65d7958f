// Unequal probabilities with replacement: the estimator that divides each
// drawn value by its selection probability, for mean and total or proportion
// and number; point, interval and theoretical standard deviation.
#include <cmath>

#include "unequal/Unequal.h"

namespace mirto {
namespace {

using unequal::RowStyle;
using unequal::TableLayout;

// HheWork: the operation's copy of the calculator state and the sums its
// entry loop keeps.
struct HheWork {
  HheWork(DoubleArray& y, DoubleArray& q, const CTervoDoc& d)
      : values(y),
        probabilities(q),
        N(d.m_dPopSize),
        n(d.m_dSampleSize),
        mu(d.m_dPopMean),
        z(d.m_dZ),
        level(d.m_dLevel) {}
  virtual ~HheWork() = default;
  HheWork(const HheWork&) = delete;
  HheWork& operator=(const HheWork&) = delete;

  DoubleArray& values;
  DoubleArray& probabilities;
  double N = 0.0;
  double n = 0.0;
  double mu = 0.0;
  double sumRatio = 0.0;
  double meanEstimate = 0.0;
  double sumSquares = 0.0;
  double z = 0.0;
  double level = 0.0;
};

// The whole population: any value, a selection probability above 0.
bool EnterPopulation(FormHost& host, const FormTemplate& form, HheWork& w, long long count) {
  w.sumSquares = 0.0;
  double* y = w.values.get();
  double* q = w.probabilities.get();
  return RunEntryLoop(host, form, FormContext{}, count, [&](const Form& f, long long i) {
    FormReader r(f);
    y[i] = r.Real();
    q[i] = r.Real();
    if (!(q[i] > 0.0)) return false;
    w.sumSquares += y[i] * y[i] / q[i];
    return true;
  });
}

// EnterHheElements: the draws for point and interval, the population for the
// theoretical deviation.
bool EnterHheElements(FormHost& host, const FormTemplate& form, HheWork& w, Objective objective, long long count) {
  if (objective == Objective::ThStdDev) return EnterPopulation(host, form, w, count);
  return unequal::EnterSampledElements(host, form, w.values.get(), w.probabilities.get(), count, w.N, w.sumRatio,
                                       objective == Objective::Interval ? &w.sumSquares : nullptr);
}

// Header and row format per target and objective.
constexpr TableLayout kTables[2][3] = {
    {{" i        Y_i       q_i", RowStyle::Short},
     {" i        Y_i       q_i", RowStyle::Short},
     {" i        Y_i       q_i ", RowStyle::FullBlank}},
    {{" i       Y'_i       q_i", RowStyle::Short},
     {" i        Y'_i       q_i ", RowStyle::FullBlank},
     {" i        Y'_i       q_i ", RowStyle::Full}},
};

void AppendSampleResults(CTervoDoc& d, HheWork& w, Target target, Objective objective) {
  const double m = w.sumRatio / (w.N * w.n);
  unequal::AppendEstimates(d, target, objective, m, w.sumRatio / w.n);
  if (objective != Objective::Interval) return;
  w.meanEstimate = m;
  const double sd = std::sqrt((w.sumSquares - w.n * m * m) / (w.n * (w.n - 1)));
  unequal::AppendIntervals(d, target, sd, m, w.N, w.n, w.z, w.level);
}

void AppendPopulationResults(CTervoDoc& d, const HheWork& w, Target target) {
  const double sd = std::sqrt((w.sumSquares / w.N / w.N - w.mu * w.mu) / w.n);
  unequal::AppendTheoreticalSd(d, target, sd, w.N * sd);
}

int RunHhe(CTervoDoc& d, Target target, Objective objective) {
  const long long count = objective == Objective::ThStdDev ? d.m_nPopSize : d.m_nSampleSize;
  DoubleArray y = d.AllocArray(count);
  if (!y) return d.m_nLastResult = 0;
  DoubleArray q = d.AllocArray(count);
  if (!q) return d.m_nLastResult = 0;
  HheWork w(y, q, d);
  const FormTemplate& form = target == Target::MeanTotal ? unequal::kHheElementForm : unequal::kHheCategoryElementForm;
  if (!EnterHheElements(d.Host(), form, w, objective, count)) return d.m_nLastResult = 0;

  unequal::AppendHeading(d, target, objective, "Method: Unequal probabilities, with replacement", "Estimator: HHE");
  d.AppendLine("Population size, N= %.0f", w.N);
  d.AppendLine("Sample size, n= %.0f", w.n);
  if (objective == Objective::ThStdDev)
    d.AppendLine(target == Target::MeanTotal ? "Population mean of variable, mu= %f" : "Population proportion, Pi= %f",
                 w.mu);
  const TableLayout& table = kTables[static_cast<int>(target) - 1][static_cast<int>(objective) - 1];
  unequal::AppendElementTable(d, table, y.get(), q.get(), count);
  if (objective == Objective::ThStdDev)
    AppendPopulationResults(d, w, target);
  else
    AppendSampleResults(d, w, target, objective);
  d.EndBlock();
  return d.m_nLastResult = 1;
}

}  // namespace

int CTervoDoc::HheMeanPoint() { return RunHhe(*this, Target::MeanTotal, Objective::Point); }
int CTervoDoc::HheProportionPoint() { return RunHhe(*this, Target::ProportionNumber, Objective::Point); }
int CTervoDoc::HheMeanInterval() { return RunHhe(*this, Target::MeanTotal, Objective::Interval); }
int CTervoDoc::HheProportionInterval() { return RunHhe(*this, Target::ProportionNumber, Objective::Interval); }
int CTervoDoc::HheMeanSd() { return RunHhe(*this, Target::MeanTotal, Objective::ThStdDev); }
int CTervoDoc::HheProportionSd() { return RunHhe(*this, Target::ProportionNumber, Objective::ThStdDev); }

}  // namespace mirto
