// Cluster planning from an intraclass correlation and the two costs.
#include "extras/ClusterPlanning.h"

#include <cmath>

#include "extras/Commands.h"
#include "framework/Routine.h"

namespace mirto::extras {
namespace {

constexpr const char* kFormName = "Cluster planning from ICC and costs";

std::string Refusal(const char* field, const char* why) {
  return std::string("Illegal entry: ") + kFormName + ", \"" + field + "\" " + why + ".";
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

// ---- The command ------------------------------------------------------------------------

namespace mirto::extras {
namespace {

using In = ClusterPlanInput;

const EntryForm<In> kForm{
    {210,
     "Cluster sampling, planning from ICC and costs",
     {Static("Enter or select the following:"), Field("Intraclass correlation, rho:", 15),
      Field("Cost per cluster, C1:", 15), Field("Cost per element, C2:", 15), Field("CV of cluster sizes:", 15),
      Field("Element std. deviation, S:", 15), Field("Margin for the mean:", 15), LevelList("Probability:")}},
    {RealItem<In>(&In::rho), RealItem<In>(&In::c1), RealItem<In>(&In::c2), RealItem<In>(&In::cv), RealItem<In>(&In::S),
     RealItem<In>(&In::margin), LevelItem<In>(&In::probability, &In::z)}};

int ClusterPlanRoutine(CTervoDoc& doc) {
  In in;
  if (!Collect(doc, in, kForm)) return 0;
  if (const auto fault = ClusterPlanFault(in)) {
    doc.Host().Message(*fault);
    return 0;
  }
  return Report(doc, ComputeClusterPlan(in));
}

std::vector<FormHelp> FormsHelp() {
  return {
      {"Cluster planning from ICC and costs (Cluster)",
       {&kForm.tmpl},
       "**Intraclass correlation, rho:** (at least 0, below 1; 0 is refused, as no cluster size is then best), "
       "**Cost per cluster, C1:** and **Cost per element, C2:** (above 0), **CV of cluster sizes:** (0 for clusters "
       "of one size), **Element std. deviation, S:**, **Margin for the mean:** and **Probability:**. The report "
       "gives the optimal mean cluster size m̄ = √((C1/C2)(1 − rho)/rho) (Kish), the whole size used (the nearest "
       "whole number, at least 1), the design effect with that size, deff = 1 + rho((m̄ − 1) + m̄·CV²) (Kish; the "
       "CV term after Valliant, Dever and Kreuter), the clusters needed, m = z²S²·deff/(m̄e²) rounded up, and their "
       "cost m·C1 + m·m̄·C2."},
  };
}

using M = Method;
using T = Target;
using O = Objective;
using E = Estimator;

constexpr HelpTopic kObjectiveTopic{
    "Cluster planning from ICC and costs",
    "Plans a sample of clusters from the intraclass correlation rho and the costs C1 per cluster and C2 per element: "
    "the mean cluster size that buys the most precision for the cost, the design effect of clusters of that size, "
    "the number of clusters a margin for the mean needs and what they cost."};

constexpr Command kCommands[] = {
    Leaf("cluster.mean.planning", 32963, "Cluster > Cluster planning from ICC and costs",
         {M::Cluster, T::MeanTotal, O::ClusterPlanning, E::TwoStage},
         "M: Cluster, T: Mean/total, O: ClusterPlanning, E: Two-stage", nullptr, &ClusterPlanRoutine, {&kForm.tmpl},
         nullptr, kObjectiveTopic),
};

}  // namespace

void Write(CTervoDoc& d, const ClusterPlan& r) {
  d.AppendSeparator();
  d.AppendLine("Target: Mean of variable");
  d.AppendLine("Method: Cluster random sampling");
  d.AppendLine("Objective: Cluster planning from ICC and costs");
  d.AppendLine("Estimator: Two-stage");
  d.AppendLine("Intraclass correlation, rho: %f", r.in.rho);
  d.AppendLine("Cost per cluster, C1: %f", r.in.c1);
  d.AppendLine("Cost per element, C2: %f", r.in.c2);
  d.AppendLine("CV of cluster sizes: %f", r.in.cv);
  d.AppendLine("Element std. deviation, S: %f", r.in.S);
  d.AppendLine("Accuracy requirements, margin: %f", r.in.margin);
  d.AppendLine("Accuracy requirements, probability: %f", r.in.probability);
  d.AppendLine("Optimal mean cluster size: %f", r.optimalSize);
  d.AppendLine("Mean cluster size used: %.0f", r.size);
  d.AppendLine("Design effect, deff: %f", r.deff);
  d.AppendLine("Clusters needed: %.0f", r.clusters);
  d.AppendLine("Cost of the sample: %.0f", r.cost);
}

Record ToRecord(const ClusterPlan& r) {
  Record rec;
  rec.Input("rho", r.in.rho)
      .Input("cost_cluster", r.in.c1)
      .Input("cost_element", r.in.c2)
      .Input("cv_cluster_sizes", r.in.cv)
      .Input("element_sd", r.in.S)
      .Input("margin", r.in.margin)
      .Input("probability", r.in.probability)
      .Input("z", r.in.z);
  return rec.Result("optimal_cluster_size", r.optimalSize)
      .Result("cluster_size", r.size)
      .Result("deff", r.deff)
      .Result("clusters", r.clusters)
      .Result("cost", r.cost);
}

const CommandTable kClusterPlanningTable{kCommands, {}, &FormsHelp};

}  // namespace mirto::extras
