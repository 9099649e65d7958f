// Stratified estimators, sample size and allocations. Nothing is guarded:
// degenerate figures give non-finite results, which the reports print.
#include <cmath>

#include "stratified/Stratified.h"

namespace mirto::stratified {
namespace {

// Sums run over the groups in entry order; an empty sum is 0.
template <class Term>
double Sum(const StratifiedInput& in, Term term) {
  double total = 0.0;
  for (const Stratum& s : in.strata) total += term(s);
  return total;
}

// The figure that gives the group's spread: S_i, P_i, sigma_i or pi_i.
double Spread(const StratifiedInput& in, const Stratum& s) {
  switch (in.layout->spread) {
    case Q::S: return s.S;
    case Q::P: return s.P;
    case Q::Pi: return s.pi;
    default: return s.sigma;
  }
}

double GroupVariance(const StratifiedInput& in, const Stratum& s) {
  const double x = Spread(in, s);
  return in.layout->proportion ? x * (1 - x) : x * x;
}

double GroupSd(const StratifiedInput& in, const Stratum& s) {
  const double x = Spread(in, s);
  return in.layout->proportion ? std::sqrt(x * (1 - x)) : x;
}

// The sum of w_i times the group's mean or proportion.
double Estimate(const StratifiedInput& in) {
  return Sum(in, [&](const Stratum& s) { return s.w * (in.layout->proportion ? s.P : s.barY); });
}

// From the sample: the divisor is N_i (n_i - 1).
double EstimatedVariance(const StratifiedInput& in) {
  return Sum(in, [&](const Stratum& s) { return s.w * s.w * GroupVariance(in, s) * (s.N - s.n) / (s.N * (s.n - 1)); });
}

// From guesses of the population figures: the divisor is n_i (N_i - 1).
double TheoreticalVariance(const StratifiedInput& in) {
  return Sum(in, [&](const Stratum& s) { return s.w * s.w * GroupVariance(in, s) * (s.N - s.n) / (s.n * (s.N - 1)); });
}

}  // namespace

StratifiedPoint ComputePoint(const StratifiedInput& in) {
  const double estimate = Estimate(in);
  return {in, estimate, in.N * estimate};
}

StratifiedInterval ComputeInterval(const StratifiedInput& in) {
  const double estimate = Estimate(in), s = std::sqrt(EstimatedVariance(in));
  const double low = estimate - in.z * s, high = estimate + in.z * s;
  bool small = false;
  for (const Stratum& group : in.strata) small = IsSmallSample(group.n, group.N) || small;
  return {in, estimate, in.N * estimate, s, low, high, in.N * low, in.N * high, small};
}

StratifiedSd ComputeSd(const StratifiedInput& in) {
  const double sd = std::sqrt(TheoreticalVariance(in));
  return {in, sd, in.N * sd};
}

StratifiedSampleSize ComputeSampleSize(const StratifiedInput& in) {
  const double A = Sum(in, [&](const Stratum& s) { return s.N * s.N * GroupVariance(in, s) / s.v; });
  const double B = Sum(in, [&](const Stratum& s) { return s.N * GroupVariance(in, s); });
  // A margin on the total is a margin of margin / N on each element.
  const double e = (in.specialTarget == SpecialTarget::MeanOrProportion ? in.margin : in.margin / in.N) / in.z;
  const double required = A / (in.N * in.N * e * e + B);
  return {in, required, IsSmallSample(required, in.N)};
}

StratifiedAllocation ComputeOptimalAllocation(const StratifiedInput& in) {
  const double S = Sum(in, [&](const Stratum& s) { return s.N * GroupSd(in, s); });
  std::vector<double> a;
  a.reserve(in.strata.size());
  for (const Stratum& s : in.strata) a.push_back(s.N * GroupSd(in, s) / S);
  return {in, std::move(a), false, 0.0};
}

StratifiedAllocation ComputeMinCostAllocation(const StratifiedInput& in) {
  const double P = Sum(in, [&](const Stratum& s) { return s.N * GroupSd(in, s) / std::sqrt(s.c); });
  const double Qsum = Sum(in, [&](const Stratum& s) { return s.N * GroupSd(in, s) * std::sqrt(s.c); });
  const double n = (in.budget - in.fixedCost) * P / Qsum;
  std::vector<double> a;
  a.reserve(in.strata.size());
  for (const Stratum& s : in.strata) a.push_back((s.N * GroupSd(in, s) / std::sqrt(s.c)) / P);
  return {in, std::move(a), true, n};
}

}  // namespace mirto::stratified
