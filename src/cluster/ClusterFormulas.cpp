// Cluster and two-stage estimators and their variances. Nothing is guarded:
// degenerate figures give non-finite results, which the reports print.
#include <cmath>

#include "cluster/Cluster.h"

namespace mirto::cluster {
namespace {

// w_i = N_i / population.
std::vector<double> Weights(const ClusterInput& in, double population) {
  std::vector<double> w;
  w.reserve(in.rows.size());
  for (const Group& g : in.rows) w.push_back(g.N / population);
  return w;
}

// (M / m) * sum of w_i * value_i.
double Estimate(const ClusterInput& in, const std::vector<double>& w) {
  double sum = 0.0;
  for (std::size_t i = 0; i < in.rows.size(); ++i) sum += w[i] * in.rows[i].value;
  return in.M / in.m * sum;
}

// S_i^2 or sigma_i^2; P_i (1 - P_i) or pi_i (1 - pi_i).
double RowVariance(const ClusterInput& in, const Group& g) {
  return in.form->Spread() ? g.spread * g.spread : g.value * (1.0 - g.value);
}

// The sum of (N_i value_i - the mean of them)^2.
double BetweenSquares(const ClusterInput& in) {
  double total = 0.0;
  for (const Group& g : in.rows) total += g.N * g.value;
  const double B = total / static_cast<double>(in.rows.size());
  double C = 0.0;
  for (const Group& g : in.rows) {
    const double d = g.N * g.value - B;
    C += d * d;
  }
  return C;
}

// The within-group term, over `divisor(g)`; nothing when whole groups are observed.
template <class Divisor>
double WithinGroups(const ClusterInput& in, const std::vector<double>& w, Divisor divisor) {
  double sum = 0.0;
  if (!in.TwoStage()) return sum;
  for (std::size_t i = 0; i < in.rows.size(); ++i) {
    const Group& g = in.rows[i];
    sum += w[i] * w[i] * RowVariance(in, g) * (g.N - g.n) / divisor(g);
  }
  return sum;
}

}  // namespace

ClusterPoint ComputePoint(const ClusterInput& in) {
  std::vector<double> w = Weights(in, in.N);
  const double estimate = Estimate(in, w);
  return {in, std::move(w), estimate, in.N * estimate};
}

ClusterInterval ComputeInterval(const ClusterInput& in) {
  std::vector<double> w = Weights(in, in.N);
  const double estimate = Estimate(in, w);
  const double W = WithinGroups(in, w, [](const Group& g) { return g.N * (g.n - 1.0); });
  const double v = in.M * (in.M - in.m) * BetweenSquares(in) / (in.m * (in.m - 1.0) * in.N * in.N) + in.M / in.m * W;
  const double s = std::sqrt(v);
  const double low = estimate - in.z * s, high = estimate + in.z * s;
  bool small = IsSmallSample(in.m, in.M);
  if (in.TwoStage())
    for (const Group& g : in.rows) small = IsSmallSample(g.n, g.N) || small;
  return {in, std::move(w), estimate, in.N * estimate, s, low, high, in.N * low, in.N * high, small};
}

// The groups are weighed by the population size they imply (N' = sum of N_i);
// the total's deviation uses N as entered.
ClusterSd ComputeSd(const ClusterInput& in) {
  double population = 0.0;
  for (const Group& g : in.rows) population += g.N;
  const std::vector<double> w = Weights(in, population);
  const double X = WithinGroups(in, w, [](const Group& g) { return g.n * (g.N - 1.0); });
  const double V =
      in.M * (in.M - in.m) * BetweenSquares(in) / ((in.M - 1.0) * in.m * population * population) + in.M / in.m * X;
  const double sd = std::sqrt(V);
  return {in, sd, in.N * sd};
}

}  // namespace mirto::cluster
