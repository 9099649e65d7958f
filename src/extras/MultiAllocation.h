#pragma once
// Stratified planning for several variables at once: the least-cost
// allocation that meets a target CV or margin for every variable, and the
// sample sizes under proportional allocation. No text but the refusals,
// which name the form and the field.
#include <optional>
#include <string>
#include <vector>

namespace mirto::extras {

// One variable: a mean (stratum means and standard deviations) or a
// proportion (stratum proportions), with a target CV of the estimator of
// the mean (proportion) or a margin for it at the normal quantile z.
struct PlanVariable {
  bool proportion = false;
  bool byCv = false;
  double target = 0, z = 0, probability = 0;  // the level of z, for the report
};

// One stratum: N_h, the cost of one element, and per variable its mean
// (or proportion) and its standard deviation S_h (divisor N_h - 1; not used
// for a proportion).
struct PlanStratum {
  double N = 0, cost = 0;
  std::vector<double> value, sd;
};

struct MultiAllocationInput {
  std::vector<PlanStratum> strata;
  std::vector<PlanVariable> variables;
  double minimum = 0;  // per stratum, capped at N_h
};

struct MultiAllocation {
  MultiAllocationInput in;
  std::vector<double> exact;  // the continuous optimum n_h
  std::vector<double> whole;  // in whole numbers, every target still met
  double n = 0, cost = 0;     // of the whole allocation
  // Per variable: the population mean (proportion), the variance the
  // target allows, and the standard deviation and CV the whole allocation gives.
  std::vector<double> mean, allowed, sd, cv;
};

// The variance of the estimator of the mean of variable j under allocation n.
double PlanVariance(const MultiAllocationInput& in, std::size_t j, const std::vector<double>& n);

// Why the counts of the first form cannot be used, naming the form and the field.
inline constexpr const char* kAllocationForm = "Allocation for several variables";
std::optional<std::string> CountsFault(long long groups, long long variables, double minimum,
                                       const char* form = kAllocationForm);
// Why the figures cannot be computed, naming the form, the variable or group and the field
// (the target's field is "Margin:" where the form asks only margins).
std::optional<std::string> MultiAllocationFault(const MultiAllocationInput& in, const char* form = kAllocationForm,
                                                const char* targetField = "Target CV or margin:");
// The least-cost allocation (Chromy's iteration on the Lagrange multipliers,
// within minimum <= n_h <= N_h), then whole numbers by the capped rounding
// of the allocation of a given n. `in` passes MultiAllocationFault.
MultiAllocation ComputeMultiAllocation(const MultiAllocationInput& in);

// Proportional allocation: per variable, the size the stratified sample-size
// command gives with v_h = W_h (its margin z e, on the mean), and the largest.
struct ProportionalSizes {
  std::vector<double> n;
  double required = 0;
};
ProportionalSizes ComputeProportionalSizes(const MultiAllocationInput& in);

}  // namespace mirto::extras
