// Stratified sampling: a given total n shared among the groups in whole
// numbers, optimally (Neyman) within each group's size and the minimum.
#include <algorithm>
#include <cmath>
#include <numeric>
#include <optional>

#include "extras/Commands.h"
#include "framework/PreliminaryForms.h"
#include "framework/RecordKeys.h"
#include "stratified/Stratified.h"

namespace mirto::extras {
namespace {

using stratified::Q;
using stratified::Stratum;

const FormTemplate kFirstForm{203,
                              "Stratified sampling",
                              {Digits("Enter the number of groups (strata):", 10), Digits("Total sample size, n:", 10),
                               Digits("Minimum sample size per group:", 10)}};

using D = CalculatorState;
constexpr Item<D> kFirstItems[] = {WholeItem(&D::m_nGroups), WholeItem(&D::m_nAllocationSize),
                                   WholeItem(&D::m_nAllocationMinimum)};

bool FirstFormOk(CalculatorState& d) {
  return d.m_nGroups >= 0 && d.m_nAllocationSize >= 0 && d.m_nAllocationMinimum >= 0;
}

// The fields of a group's form: N_i, then its spread.
constexpr std::size_t kSizeControl = 3, kSpreadControl = 4;

// Whole numbers of elements: the allocation never gives a group more than it has.
std::optional<RowVerdict> SizeFault(double N) {
  if (N >= 0.0 && N == std::floor(N)) return std::nullopt;
  return RowVerdict{RowCheck::Refuse, kSizeControl, "a number of elements is a whole number, 0 or more"};
}

RowVerdict CheckSigma(const Form& form) {
  FormReader reader(form);
  if (auto fault = SizeFault(reader.Integer())) return *fault;
  if (reader.Real() >= 0.0) return {};
  return {RowCheck::Refuse, kSpreadControl, "a standard deviation cannot be negative"};
}

RowVerdict CheckPi(const Form& form) {
  FormReader reader(form);
  if (auto fault = SizeFault(reader.Integer())) return *fault;
  const double pi = reader.Real();
  if (pi >= 0.0 && pi <= 1.0) return {};
  return {RowCheck::Refuse, kSpreadControl, "a proportion lies between 0 and 1"};
}

FormTemplate GroupForm(int id, std::string_view title, std::string_view spread, RowVerdict (*check)(const Form&)) {
  FormTemplate form{id,
                    title,
                    {Static("Enter the following data for group (stratum) no.:"), RowNumber("", 5),
                     Static("Press OK for the next group or Cancel to abort."), Digits("Number of elements, N_i:", 15),
                     Field(spread, 15)}};
  form.checkRow = check;
  return form;
}

const FormTemplate kMeanForm = GroupForm(204, "Stratified sampling, mean and total, allocation of a given n",
                                         "Guesstimate of std. deviation of variable, sigma_i:", CheckSigma);
const FormTemplate kProportionForm =
    GroupForm(205, "Stratified sampling, proportion and number, allocation of a given n",
              "Guesstimate of proportion in category, pi_i:", CheckPi);

// Only the form and its figures: the block is this file's own.
const stratified::StrataLayout kMeanLayout{.form = &kMeanForm, .fields = {Q::N, Q::Sigma}, .columns = {}};
const stratified::StrataLayout kProportionLayout{
    .form = &kProportionForm, .fields = {Q::N, Q::Pi}, .columns = {}, .spread = Q::Pi, .proportion = true};

enum class Fault { None, Minimum, Population };

struct GivenAllocation {
  stratified::StratifiedInput in;  // n_i of each group is its allocation
  int n, minimum;
  std::vector<double> share;  // the unrounded allocation over n
  Fault fault;
  double sd, totalSd;
};

bool Proportion(const stratified::StratifiedInput& in) { return in.layout->proportion; }

// The guessed standard deviation S_i (divisor N_i - 1), or sqrt(pi_i (1 - pi_i)).
double Spread(const stratified::StratifiedInput& in, const Stratum& s) {
  return Proportion(in) ? std::sqrt(s.pi * (1.0 - s.pi)) : s.sigma;
}

// The theoretical variance of the estimator of the mean (proportion) under
// the allocation; a group sampled whole, or without spread, adds nothing.
double Variance(const stratified::StratifiedInput& in) {
  double V = 0.0;
  for (const Stratum& s : in.strata) {
    const double spread = Spread(in, s);
    if (s.n == s.N || spread == 0.0) continue;
    V += Proportion(in) ? s.w * s.w * s.pi * (1.0 - s.pi) * (s.N - s.n) / ((s.N - 1.0) * s.n)
                        : s.w * s.w * spread * spread * (s.N - s.n) / (s.N * s.n);
  }
  return V;
}

GivenAllocation Compute(stratified::StratifiedInput in, int n, int minimum) {
  std::vector<double> a, lower, upper;
  for (const Stratum& s : in.strata) {
    a.push_back(s.N * Spread(in, s));
    lower.push_back(std::min<double>(minimum, s.N));
    upper.push_back(s.N);
  }
  const double least = std::accumulate(lower.begin(), lower.end(), 0.0);
  const double most = std::accumulate(upper.begin(), upper.end(), 0.0);
  const Fault fault = least > n ? Fault::Minimum : n > most ? Fault::Population : Fault::None;
  const double none = std::nan("");
  GivenAllocation r{in, n, minimum, std::vector<double>(in.strata.size(), none), fault, none, none};
  if (fault != Fault::None) {
    for (Stratum& s : r.in.strata) s.n = none;
    return r;
  }
  std::vector<double> exact;
  const std::vector<double> whole = WholeAllocation(a, lower, upper, n, &exact);
  for (std::size_t i = 0; i < whole.size(); ++i) {
    r.in.strata[i].n = whole[i];
    r.share[i] = exact[i] / n;
  }
  r.sd = std::sqrt(Variance(r.in));
  r.totalSd = r.in.N * r.sd;
  return r;
}

void Write(CTervoDoc& d, const GivenAllocation& r) {
  const bool proportion = Proportion(r.in), fault = r.fault != Fault::None;
  d.AppendSeparator();
  d.AppendLine(proportion ? "Target: Proportion and number in category" : "Target: Mean and total of variable");
  d.AppendLine("Method: Stratified random sampling");
  d.AppendLine("Objective: Allocation of a given sample size");
  d.AppendLine("Estimator: Stratified");
  const char* spread = proportion ? "      pi_i" : "   sigma_i";
  d.AppendLine(" Group no.        N_i %s%s", spread, fault ? "" : "      Share        n_i");
  for (std::size_t i = 0; i < r.in.strata.size(); ++i) {
    const Stratum& s = r.in.strata[i];
    const int number = static_cast<int>(i + 1);
    const double value = proportion ? s.pi : s.sigma;
    if (fault)
      d.AppendLine("%10d %10.0f %10f", number, s.N, value);
    else
      d.AppendLine("%10d %10.0f %10f %10.4f %10.0f", number, s.N, value, r.share[i], s.n);
  }
  d.AppendLine("Population size, N= %.0f", r.in.N);
  d.AppendLine("Total sample size, n= %d", r.n);
  d.AppendLine("Minimum sample size per group: %d", r.minimum);
  if (r.fault == Fault::Minimum)
    return d.AppendLine("No allocation: the minimum sizes of the groups add up to more than n.");
  if (r.fault == Fault::Population) return d.AppendLine("No allocation: n is larger than the population size N.");
  d.AppendLine(proportion ? "Std. deviation of estimator of pop. proportion: %f"
                          : "Std. deviation of estimator of pop. mean: %f",
               r.sd);
  d.AppendLine(
      proportion ? "Std. deviation of estimator of pop. number: %f" : "Std. deviation of estimator of pop. total: %f",
      r.totalSd);
}

Record ToRecord(const GivenAllocation& r) {
  Record rec = stratified::RecordStrata(r.in);
  rec.Input("sample_size", r.n).Input("minimum_size", r.minimum);
  Table& allocation = rec.AddTable(Section::Results, "allocation", {"share_i", "n_i"});
  for (std::size_t i = 0; i < r.share.size(); ++i) allocation.AddRow({r.share[i], r.in.strata[i].n});
  return RecordDeviations(rec, KeysOf(Proportion(r.in)), r.sd, r.totalSd);
}

int Run(CTervoDoc& doc, const stratified::StrataLayout& layout) {
  stratified::StratifiedEntry work(doc, layout);
  if (!work.Collect(doc)) return 0;
  return Report(doc, Compute(work.Input(), doc.m_nAllocationSize, doc.m_nAllocationMinimum));
}

// x_i = clamp(lambda a_i, lower_i, upper_i) adding up to n: between two
// neighbouring breakpoints of lambda each group is at a bound or free, and
// lambda shares what the bounds leave among the free ones.
std::vector<double> Clamped(const std::vector<double>& a, const std::vector<double>& lower,
                            const std::vector<double>& upper, double n) {
  const std::size_t K = a.size();
  auto at = [&](double lambda, std::size_t i) {
    return a[i] > 0.0 ? std::clamp(lambda * a[i], lower[i], upper[i]) : lower[i];
  };
  auto total = [&](double lambda) {
    double sum = 0.0;
    for (std::size_t i = 0; i < K; ++i) sum += at(lambda, i);
    return sum;
  };
  std::vector<double> breaks{0.0};
  for (std::size_t i = 0; i < K; ++i)
    if (a[i] > 0.0) breaks.insert(breaks.end(), {lower[i] / a[i], upper[i] / a[i]});
  std::sort(breaks.begin(), breaks.end());
  const auto reach = std::partition_point(breaks.begin(), breaks.end(), [&](double b) { return total(b) < n; });
  double lambda = reach == breaks.end() ? breaks.back() : *reach;
  if (reach != breaks.end() && reach != breaks.begin() && total(*reach) != n) {
    const double from = *std::prev(reach), to = *reach;
    double fixed = 0.0, free = 0.0;
    for (std::size_t i = 0; i < K; ++i) {
      if (a[i] > 0.0 && lower[i] / a[i] <= from && upper[i] / a[i] >= to)
        free += a[i];
      else
        fixed += at(0.5 * (from + to), i);
    }
    lambda = (n - fixed) / free;
  }
  std::vector<double> x(K);
  for (std::size_t i = 0; i < K; ++i) x[i] = at(lambda, i);
  return x;
}

// Largest remainders; remainders equal but for rounding go to the first group.
std::vector<double> Rounded(const std::vector<double>& x, const std::vector<double>& lower,
                            const std::vector<double>& upper, double n) {
  const std::size_t K = x.size();
  std::vector<double> whole(K);
  for (std::size_t i = 0; i < K; ++i) whole[i] = std::clamp(std::floor(x[i]), lower[i], upper[i]);
  std::vector<std::size_t> order(K);
  std::iota(order.begin(), order.end(), 0);
  std::stable_sort(order.begin(), order.end(),
                   [&](std::size_t i, std::size_t j) { return x[i] - whole[i] > x[j] - whole[j] + 1e-9; });
  double left = n - std::accumulate(whole.begin(), whole.end(), 0.0);
  for (std::size_t k = 0; left > 0.0 && k < K; ++k)
    if (whole[order[k]] + 1.0 <= upper[order[k]]) {
      whole[order[k]] += 1.0;
      left -= 1.0;
    }
  for (std::size_t k = K; left < 0.0 && k-- > 0;)
    if (whole[order[k]] - 1.0 >= lower[order[k]]) {
      whole[order[k]] -= 1.0;
      left += 1.0;
    }
  return whole;
}

}  // namespace

const PreliminaryStep kGivenAllocationStep{&kFirstForm, kFirstItems, FirstFormOk};

std::vector<double> WholeAllocation(const std::vector<double>& a, const std::vector<double>& lower,
                                    const std::vector<double>& upper, double n, std::vector<double>* exact) {
  double reach = 0.0;
  for (std::size_t i = 0; i < a.size(); ++i) reach += a[i] > 0.0 ? upper[i] : lower[i];
  std::vector<double> x;
  if (n <= reach) {
    x = Clamped(a, lower, upper, n);
  } else {
    // Every group with spread is taken whole; the rest goes by size.
    std::vector<double> bySize(a.size()), from(lower);
    for (std::size_t i = 0; i < a.size(); ++i) {
      if (a[i] > 0.0)
        from[i] = upper[i];
      else
        bySize[i] = upper[i];
    }
    x = Clamped(bySize, from, upper, n);
  }
  if (exact) *exact = x;
  return Rounded(x, lower, upper, n);
}

int StratifiedMeanGivenAllocation(CTervoDoc& doc) { return Run(doc, kMeanLayout); }
int StratifiedProportionGivenAllocation(CTervoDoc& doc) { return Run(doc, kProportionLayout); }

}  // namespace mirto::extras

// ---- The commands ---------------------------------------------------------------------

namespace mirto::extras {
namespace {

using M = Method;
using T = Target;
using O = Objective;
using E = Estimator;

std::vector<FormHelp> FormsHelp() {
  return {
      {"Allocation of a given n, the first form (Stratified > ... > Allocation of a given n)",
       {&kFirstForm},
       "**Enter the number of groups (strata):**, **Total sample size, n:** and **Minimum sample size per "
       "group:**, the least each group must get (a group with fewer elements gets all of them)."},
      {"Allocation of a given n, one form per group",
       {&kMeanForm, &kProportionForm},
       "**Number of elements, N_i:** and **Guesstimate of std. deviation of variable, sigma_i:** (the textbook "
       "S_i, divisor N_i − 1; not negative), or **Guesstimate of proportion in category, pi_i:** (0 to 1). The n "
       "elements go to the groups in proportion to N_i times the standard deviation (sqrt(pi_i (1 − pi_i)) for a "
       "proportion); a group that would get more than N_i takes all its elements and the rest is shared again "
       "among the others, and none gets less than the minimum. The shares are rounded to whole numbers that add "
       "up to n by largest remainders (equal remainders go to the first group). Groups whose standard deviation "
       "is 0 get only the minimum unless the others are full. The table shows N_i, the guess, the share of n "
       "before rounding and n_i; then the standard deviation of the estimator of the mean (proportion) and of "
       "the total (number) under that allocation. When the minimums add up to more than n, or n exceeds N, the "
       "report says so instead."},
  };
}

constexpr Command kCommands[] = {
    Leaf("stratified.mean.given-allocation", 32952, "Stratified > Mean/total of variable > Allocation of a given n",
         {M::Stratified, T::MeanTotal, O::GivenAllocation, E::Stratified},
         "M: Stratified, T: Mean/total, O: AllocationOfN, E: Stratified", &kGivenAllocationStep,
         &StratifiedMeanGivenAllocation, {&kMeanForm}),
    Leaf("stratified.proportion.given-allocation", 32953,
         "Stratified > Proportion/number in category > Allocation of a given n",
         {M::Stratified, T::ProportionNumber, O::GivenAllocation, E::Stratified},
         "M: Stratified, T: Proportion/number, O: AllocationOfN, E: Stratified", &kGivenAllocationStep,
         &StratifiedProportionGivenAllocation, {&kProportionForm}),
};

}  // namespace

const CommandTable kGivenAllocationTable{kCommands, {}, &FormsHelp};

}  // namespace mirto::extras
