// Stratified estimators, sample size and allocations. Nothing is guarded:
// degenerate figures give non-finite results, which the reports print.
#include <cmath>

#include "stratified/StratifiedWork.h"

namespace mirto::stratified {

double StratifiedWork::GroupVariance(long long i) const {
  const double x = (*this)[layout.spread][i];
  return layout.proportion ? x * (1 - x) : x * x;
}

double StratifiedWork::GroupSd(long long i) const {
  const double x = (*this)[layout.spread][i];
  return layout.proportion ? std::sqrt(x * (1 - x)) : x;
}

double StratifiedWork::Estimate(Q value) const {
  const double *w = (*this)[Q::w], *x = (*this)[value];
  return Sum([&](long long i) { return w[i] * x[i]; });
}

// From the sample: the divisor is N_i (n_i - 1).
double StratifiedWork::EstimatedVariance() const {
  const double *w = (*this)[Q::w], *Ni = (*this)[Q::N], *ni = (*this)[Q::n];
  return Sum([&](long long i) { return w[i] * w[i] * GroupVariance(i) * (Ni[i] - ni[i]) / (Ni[i] * (ni[i] - 1)); });
}

// From guesses of the population figures: the divisor is n_i (N_i - 1).
double StratifiedWork::TheoreticalVariance() const {
  const double *w = (*this)[Q::w], *Ni = (*this)[Q::N], *ni = (*this)[Q::n];
  return Sum([&](long long i) { return w[i] * w[i] * GroupVariance(i) * (Ni[i] - ni[i]) / (ni[i] * (Ni[i] - 1)); });
}

double StratifiedWork::RequiredSampleSize() const {
  const double *Ni = (*this)[Q::N], *v = (*this)[Q::V];
  const double A = Sum([&](long long i) { return Ni[i] * Ni[i] * GroupVariance(i) / v[i]; });
  const double B = Sum([&](long long i) { return Ni[i] * GroupVariance(i); });
  // A margin on the total is a margin of margin / N on each element.
  const double e = (specialTarget == SpecialTarget::MeanOrProportion ? margin : margin / N) / z;
  return A / (N * N * e * e + B);
}

void StratifiedWork::AllocateOptimally() {
  const double* Ni = (*this)[Q::N];
  double* a = (*this)[Q::A];
  const double S = Sum([&](long long i) { return Ni[i] * GroupSd(i); });
  for (long long i = 1; i <= K; ++i) a[i] = Ni[i] * GroupSd(i) / S;
}

void StratifiedWork::AllocateAtMinimumCost() {
  const double *Ni = (*this)[Q::N], *c = (*this)[Q::C];
  double* a = (*this)[Q::A];
  const double P = Sum([&](long long i) { return Ni[i] * GroupSd(i) / std::sqrt(c[i]); });
  const double Qsum = Sum([&](long long i) { return Ni[i] * GroupSd(i) * std::sqrt(c[i]); });
  n = (budget - fixedCost) * P / Qsum;
  for (long long i = 1; i <= K; ++i) a[i] = (Ni[i] * GroupSd(i) / std::sqrt(c[i])) / P;
}

}  // namespace mirto::stratified
