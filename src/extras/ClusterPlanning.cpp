// Cluster planning from an intraclass correlation and the two costs.
#include "extras/ClusterPlanning.h"

#include <cmath>

#include "extras/Commands.h"

namespace mirto::extras {
namespace {

constexpr const char* kForm = "Cluster planning from ICC and costs";

std::string Refusal(const char* field, const char* why) {
  return std::string("Illegal entry: ") + kForm + ", \"" + field + "\" " + why + ".";
}

}  // namespace

double ClusterDesignEffect(double rho, double size, double cv) { return 1.0 + rho * ((size - 1.0) + size * cv * cv); }

std::optional<double> RhoFromDesignEffect(double deff, double size, double cv) {
  const double spread = (size - 1.0) + size * cv * cv;
  if (!(spread > 0.0)) return std::nullopt;
  return (deff - 1.0) / spread;
}

double OptimalClusterSize(double rho, double c1, double c2) { return std::sqrt(c1 / c2 * (1.0 - rho) / rho); }

double MarginForBudget(double budget, double c1, double c2, double size, double deff, double S, double z) {
  const double clusters = budget / (c1 + size * c2);
  return z * S * std::sqrt(deff / (clusters * size));
}

std::optional<std::string> ClusterPlanFault(const ClusterPlanInput& in) {
  constexpr const char* kRho = "Intraclass correlation, rho:";
  // Finite checks first: a NaN passes no comparison below.
  if (!(in.rho >= 0.0 && in.rho < 1.0)) return Refusal(kRho, "must be at least 0 and below 1");
  // With rho 0 every extra element per cluster is as good as a new cluster: no optimum exists.
  if (in.rho == 0.0) return Refusal(kRho, "is 0: the optimal cluster size has no bound, so give rho above 0");
  if (!(in.c1 > 0.0 && std::isfinite(in.c1))) return Refusal("Cost per cluster, C1:", "must be greater than 0");
  if (!(in.c2 > 0.0 && std::isfinite(in.c2))) return Refusal("Cost per element, C2:", "must be greater than 0");
  if (!(in.cv >= 0.0 && std::isfinite(in.cv))) return Refusal("CV of cluster sizes:", "cannot be negative");
  if (!(in.S > 0.0 && std::isfinite(in.S))) return Refusal("Element std. deviation, S:", "must be greater than 0");
  if (!(in.margin > 0.0 && std::isfinite(in.margin))) return Refusal("Margin for the mean:", "must be greater than 0");
  if (!(in.z > 0.0)) return Refusal("Probability:", "must be one of the levels of the list");
  return std::nullopt;
}

ClusterPlan ComputeClusterPlan(const ClusterPlanInput& in) {
  const double optimal = OptimalClusterSize(in.rho, in.c1, in.c2);
  const double size = std::fmax(1.0, std::round(optimal));
  const double deff = ClusterDesignEffect(in.rho, size, in.cv);
  const double clusters = RoundUp(in.z * in.z * in.S * in.S * deff / (size * in.margin * in.margin));
  return {in, optimal, size, deff, clusters, clusters * in.c1 + clusters * size * in.c2};
}

}  // namespace mirto::extras
