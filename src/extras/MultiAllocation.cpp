// The least-cost stratified allocation for several variables, and the
// proportional sample sizes of several variables.
#include "extras/MultiAllocation.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "extras/Commands.h"

namespace mirto::extras {
namespace {

std::string Refusal(const char* form, const std::string& where, const char* field, const char* why) {
  return std::string("Illegal entry: ") + form + ", " + where + ", \"" + field + "\" " + why + ".";
}

std::string Numbered(const char* what, std::size_t i) { return what + std::to_string(i + 1); }

double Total(const MultiAllocationInput& in) {
  double N = 0.0;
  for (const PlanStratum& s : in.strata) N += s.N;
  return N;
}

// a_hj of V_j = sum a_hj (1/n_h - 1/N_h): W^2 S^2, or W^2 P (1 - P) N_h / (N_h - 1),
// which a stratum of one element, taken whole, does not need.
double Weight(const MultiAllocationInput& in, std::size_t h, std::size_t j, double N) {
  const PlanStratum& s = in.strata[h];
  const double W = s.N / N;
  if (!in.variables[j].proportion) return W * W * s.sd[j] * s.sd[j];
  if (s.N <= 1.0) return 0.0;
  const double P = s.value[j];
  return W * W * P * (1.0 - P) * s.N / (s.N - 1.0);
}

double Mean(const MultiAllocationInput& in, std::size_t j, double N) {
  double mean = 0.0;
  for (const PlanStratum& s : in.strata) mean += s.N / N * s.value[j];
  return mean;
}

double Allowed(const PlanVariable& v, double mean) {
  const double sd = v.byCv ? v.target * mean : v.target / v.z;
  return sd * sd;
}

struct Problem {
  std::vector<std::vector<double>> a;  // [h][j]
  std::vector<double> lower, upper, cost, b;
};

Problem Build(const MultiAllocationInput& in, const std::vector<double>& allowed) {
  const double N = Total(in);
  Problem p;
  for (std::size_t h = 0; h < in.strata.size(); ++h) {
    const PlanStratum& s = in.strata[h];
    std::vector<double> row;
    for (std::size_t j = 0; j < in.variables.size(); ++j) row.push_back(Weight(in, h, j, N));
    p.a.push_back(std::move(row));
    p.lower.push_back(std::min(in.minimum, s.N));
    p.upper.push_back(s.N);
    p.cost.push_back(s.cost);
  }
  // V_j <= allowed_j is sum a_hj / n_h <= b_j.
  p.b = allowed;
  for (std::size_t h = 0; h < p.a.size(); ++h)
    for (std::size_t j = 0; j < p.b.size(); ++j) p.b[j] += p.a[h][j] / p.upper[h];
  return p;
}

// The minimiser of the Lagrangian for multipliers lambda, within the bounds.
std::vector<double> AllocationFor(const Problem& p, const std::vector<double>& lambda) {
  std::vector<double> n(p.a.size());
  for (std::size_t h = 0; h < n.size(); ++h) {
    const double weight = std::inner_product(lambda.begin(), lambda.end(), p.a[h].begin(), 0.0);
    n[h] = std::clamp(std::sqrt(weight / p.cost[h]), p.lower[h], p.upper[h]);
  }
  return n;
}

double Load(const Problem& p, std::size_t j, const std::vector<double>& n) {
  double u = 0.0;
  for (std::size_t h = 0; h < n.size(); ++h)
    if (p.a[h][j] > 0.0) u += p.a[h][j] / n[h];
  return u;
}

// Chromy's iteration: each multiplier is scaled by the square of how far
// its variable is from its target, which closes the gap of a lone binding
// variable in one step; slack ones decay towards 0.
std::vector<double> Solve(const Problem& p) {
  std::vector<double> lambda(p.b.size(), 1.0);
  std::vector<double> n = AllocationFor(p, lambda);
  for (int iteration = 0; iteration < 200000; ++iteration) {
    for (std::size_t j = 0; j < lambda.size(); ++j) {
      const double ratio = Load(p, j, n) / p.b[j];
      lambda[j] *= ratio * ratio;
    }
    std::vector<double> next = AllocationFor(p, lambda);
    double change = 0.0;
    for (std::size_t h = 0; h < n.size(); ++h) change = std::max(change, std::fabs(next[h] - n[h]) / next[h]);
    n = std::move(next);
    if (change <= 1e-14) break;
  }
  return n;
}

bool Meets(const Problem& p, const std::vector<double>& n) {
  for (std::size_t j = 0; j < p.b.size(); ++j)
    if (Load(p, j, n) > p.b[j] * (1.0 + 1e-12)) return false;
  return true;
}

// The capped rounding of the optimum to a total of n, raised until every target holds.
std::vector<double> Whole(const Problem& p, const std::vector<double>& exact) {
  const double most = std::accumulate(p.upper.begin(), p.upper.end(), 0.0);
  double n = std::max(RoundUp(std::accumulate(exact.begin(), exact.end(), 0.0)),
                      std::accumulate(p.lower.begin(), p.lower.end(), 0.0));
  for (;; n += 1.0) {
    std::vector<double> whole = WholeAllocation(exact, p.lower, p.upper, std::min(n, most));
    if (n >= most || Meets(p, whole)) return whole;
  }
}

}  // namespace

double PlanVariance(const MultiAllocationInput& in, std::size_t j, const std::vector<double>& n) {
  const double N = Total(in);
  double V = 0.0;
  for (std::size_t h = 0; h < n.size(); ++h) {
    const double a = Weight(in, h, j, N);
    if (a > 0.0) V += a * (1.0 / n[h] - 1.0 / in.strata[h].N);
  }
  return V;
}

std::optional<std::string> CountsFault(long long groups, long long variables, double minimum, const char* form) {
  if (variables < 1) return Refusal(form, "first form", "Number of variables:", "must be 1 or more");
  if (groups < 1) return Refusal(form, "first form", "Number of groups (strata):", "must be 1 or more");
  if (!(minimum >= 0.0 && minimum == std::floor(minimum)))
    return Refusal(form, "first form", "Minimum sample size per group:", "must be a whole number, 0 or more");
  return std::nullopt;
}

std::optional<std::string> MultiAllocationFault(const MultiAllocationInput& in, const char* form,
                                                const char* targetField) {
  if (auto fault = CountsFault(static_cast<long long>(in.strata.size()), static_cast<long long>(in.variables.size()),
                               in.minimum, form))
    return fault;
  for (std::size_t j = 0; j < in.variables.size(); ++j) {
    const PlanVariable& v = in.variables[j];
    if (!(v.target > 0.0 && std::isfinite(v.target)))
      return Refusal(form, Numbered("variable ", j), targetField, "must be greater than 0");
    if (!v.byCv && !(v.z > 0.0)) return Refusal(form, Numbered("variable ", j), "Probability:", "must be chosen");
  }
  for (std::size_t h = 0; h < in.strata.size(); ++h) {
    const PlanStratum& s = in.strata[h];
    const std::string group = Numbered("group ", h);
    if (!(s.N >= 1.0 && s.N == std::floor(s.N) && std::isfinite(s.N)))
      return Refusal(form, group, "Number of elements, N_i:", "must be a whole number, 1 or more");
    if (!(s.cost > 0.0 && std::isfinite(s.cost)))
      return Refusal(form, group, "Cost of sampling one element, c_i:", "must be greater than 0");
    for (std::size_t j = 0; j < in.variables.size(); ++j) {
      const std::string where = group + ", variable " + std::to_string(j + 1);
      if (in.variables[j].proportion) {
        if (!(s.value[j] >= 0.0 && s.value[j] <= 1.0))
          return Refusal(form, where, "Guesstimate of proportion in category, pi_i:", "must lie between 0 and 1");
      } else {
        if (!std::isfinite(s.value[j]))
          return Refusal(form, where, "Guesstimate of mean of variable, mu_i:", "must be a number");
        if (!(s.sd[j] >= 0.0 && std::isfinite(s.sd[j])))
          return Refusal(form, where, "Guesstimate of std. deviation of variable, sigma_i:", "cannot be negative");
      }
    }
  }
  const double N = Total(in);
  for (std::size_t j = 0; j < in.variables.size(); ++j)
    if (in.variables[j].byCv && !(Mean(in, j, N) > 0.0))
      return Refusal(form, Numbered("variable ", j), targetField,
                     "is a CV, and the CV of a population mean that is not above 0 is undefined");
  return std::nullopt;
}

MultiAllocation ComputeMultiAllocation(const MultiAllocationInput& in) {
  MultiAllocation r;
  r.in = in;
  const double N = Total(in);
  for (std::size_t j = 0; j < in.variables.size(); ++j) {
    r.mean.push_back(Mean(in, j, N));
    r.allowed.push_back(Allowed(in.variables[j], r.mean.back()));
  }
  const Problem p = Build(in, r.allowed);
  r.exact = Solve(p);
  r.whole = Whole(p, r.exact);
  for (std::size_t h = 0; h < r.whole.size(); ++h) {
    r.n += r.whole[h];
    r.cost += r.whole[h] * in.strata[h].cost;
  }
  for (std::size_t j = 0; j < in.variables.size(); ++j) {
    r.sd.push_back(std::sqrt(PlanVariance(in, j, r.whole)));
    r.cv.push_back(r.sd.back() / r.mean[j]);
  }
  return r;
}

ProportionalSizes ComputeProportionalSizes(const MultiAllocationInput& in) {
  const double N = Total(in);
  ProportionalSizes r;
  for (std::size_t j = 0; j < in.variables.size(); ++j) {
    const PlanVariable& v = in.variables[j];
    double A = 0.0, B = 0.0;
    for (const PlanStratum& s : in.strata) {
      const double s2 = v.proportion ? s.value[j] * (1.0 - s.value[j]) : s.sd[j] * s.sd[j];
      A += s.N * s.N * s2 / (s.N / N);
      B += s.N * s2;
    }
    const double e = v.byCv ? v.target * Mean(in, j, N) : v.target / v.z;
    r.n.push_back(A / (N * N * e * e + B));
    r.required = std::max(r.required, r.n.back());
  }
  return r;
}

}  // namespace mirto::extras
