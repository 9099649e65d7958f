// Cluster planning from an intraclass correlation and the two costs.
#include "extras/ClusterPlanning.h"

#include <cmath>

#include "extras/Commands.h"
#include "framework/Format.h"
#include "framework/Routine.h"

namespace mirto::extras {
namespace {

constexpr const char* kIccForm = "Cluster planning from ICC and costs";
constexpr const char* kDeffForm = "Cluster planning from a design effect";
constexpr const char* kBudgetForm = "Cluster planning for a budget";
constexpr const char* kRho = "Intraclass correlation, rho:";

std::string Refusal(const char* form, const char* field, const char* why) {
  return std::string("Illegal entry: ") + form + ", \"" + field + "\" " + why + ".";
}

// Finite checks first: a NaN passes no comparison below.
std::optional<std::string> RhoFault(const char* form, double rho) {
  if (!(rho >= 0.0 && rho < 1.0)) return Refusal(form, kRho, "must be at least 0 and below 1");
  // With rho 0 every extra element per cluster is as good as a new cluster: no optimum exists.
  if (rho == 0.0) return Refusal(form, kRho, "is 0: the optimal cluster size has no bound, so give rho above 0");
  return std::nullopt;
}

std::optional<std::string> CostsFault(const char* form, double c1, double c2, double cv, double S) {
  if (!(c1 > 0.0 && std::isfinite(c1))) return Refusal(form, "Cost per cluster, C1:", "must be greater than 0");
  if (!(c2 > 0.0 && std::isfinite(c2))) return Refusal(form, "Cost per element, C2:", "must be greater than 0");
  if (!(cv >= 0.0 && std::isfinite(cv))) return Refusal(form, "CV of cluster sizes:", "cannot be negative");
  if (!(S > 0.0 && std::isfinite(S))) return Refusal(form, "Element std. deviation, S:", "must be greater than 0");
  return std::nullopt;
}

std::optional<std::string> LevelFault(const char* form, double z) {
  if (!(z > 0.0)) return Refusal(form, "Probability:", "must be one of the levels of the list");
  return std::nullopt;
}

// The optimal m̄ rounded to the nearest whole number, at least 1.
double WholeSize(double optimal) { return std::fmax(1.0, std::round(optimal)); }

}  // namespace

double ClusterDesignEffect(double rho, double size, double cv) { return 1.0 + rho * ((size - 1.0) + size * cv * cv); }

std::optional<double> RhoFromDesignEffect(double deff, double size, double cv) {
  const double spread = (size - 1.0) + size * cv * cv;
  if (!(spread > 0.0)) return std::nullopt;
  return (deff - 1.0) / spread;
}

double OptimalClusterSize(double rho, double c1, double c2) { return std::sqrt(c1 / c2 * (1.0 - rho) / rho); }

double ClustersForBudget(double budget, double c1, double c2, double size) {
  const double x = budget / (c1 + size * c2);
  const double nearest = std::round(x);
  // 0.3 / 0.1 may come out a hair below 3.
  if (std::fabs(x - nearest) <= 1e-12 * std::fmax(1.0, std::fabs(x))) return nearest;
  return std::floor(x);
}

double MarginForBudget(double budget, double c1, double c2, double size, double deff, double S, double z) {
  return z * S * std::sqrt(deff / (ClustersForBudget(budget, c1, c2, size) * size));
}

std::optional<std::string> ClusterPlanFault(const ClusterPlanInput& in) {
  if (auto fault = RhoFault(kIccForm, in.rho)) return fault;
  if (auto fault = CostsFault(kIccForm, in.c1, in.c2, in.cv, in.S)) return fault;
  if (!(in.margin > 0.0 && std::isfinite(in.margin)))
    return Refusal(kIccForm, "Margin for the mean:", "must be greater than 0");
  return LevelFault(kIccForm, in.z);
}

ClusterPlan ComputeClusterPlan(const ClusterPlanInput& in) {
  const double optimal = OptimalClusterSize(in.rho, in.c1, in.c2);
  const double size = WholeSize(optimal);
  const double deff = ClusterDesignEffect(in.rho, size, in.cv);
  const double clusters = RoundUp(in.z * in.z * in.S * in.S * deff / (size * in.margin * in.margin));
  return {in, optimal, size, deff, clusters, clusters * in.c1 + clusters * size * in.c2};
}

std::optional<std::string> DeffPlanFault(const DeffPlanInput& in) {
  constexpr const char* kDeff = "Design effect observed, deff:";
  if (!(in.deff >= 1.0 && std::isfinite(in.deff))) return Refusal(kDeffForm, kDeff, "must be at least 1");
  if (!(in.size >= 1.0 && std::isfinite(in.size)))
    return Refusal(kDeffForm, "Mean cluster size observed:", "must be at least 1");
  if (auto fault = CostsFault(kDeffForm, in.c1, in.c2, in.cv, in.S)) return fault;
  const std::optional<double> rho = RhoFromDesignEffect(in.deff, in.size, in.cv);
  if (!rho)
    return Refusal(kDeffForm, "Mean cluster size observed:",
                   "is 1 with a CV of 0: clusters of one element have no design effect to learn rho from");
  if (*rho == 0.0) return Refusal(kDeffForm, kDeff, "is 1: rho is then 0 and the optimal cluster size has no bound");
  if (!(*rho < 1.0))
    return Refusal(kDeffForm, kDeff, "is too large for the cluster size observed: rho would be 1 or more");
  if (!(in.margin > 0.0 && std::isfinite(in.margin)))
    return Refusal(kDeffForm, "Margin for the mean:", "must be greater than 0");
  return LevelFault(kDeffForm, in.z);
}

DeffPlan ComputeDeffPlan(const DeffPlanInput& in) {
  const double rho = *RhoFromDesignEffect(in.deff, in.size, in.cv);
  return {in, ComputeClusterPlan({rho, in.c1, in.c2, in.cv, in.S, in.margin, in.probability, in.z})};
}

std::optional<std::string> BudgetPlanFault(const BudgetPlanInput& in) {
  if (auto fault = RhoFault(kBudgetForm, in.rho)) return fault;
  if (auto fault = CostsFault(kBudgetForm, in.c1, in.c2, in.cv, in.S)) return fault;
  if (auto fault = LevelFault(kBudgetForm, in.z)) return fault;
  const double size = WholeSize(OptimalClusterSize(in.rho, in.c1, in.c2));
  if (!(std::isfinite(in.budget) && ClustersForBudget(in.budget, in.c1, in.c2, size) >= 1.0))
    return Refusal(
        kBudgetForm, "Budget, B:",
        Format("is below the cost of one cluster of %.0f elements, C1 + %.0f C2 = %f", size, size, in.c1 + size * in.c2)
            .c_str());
  return std::nullopt;
}

BudgetPlan ComputeBudgetPlan(const BudgetPlanInput& in) {
  const double optimal = OptimalClusterSize(in.rho, in.c1, in.c2);
  const double size = WholeSize(optimal);
  const double deff = ClusterDesignEffect(in.rho, size, in.cv);
  const double clusters = ClustersForBudget(in.budget, in.c1, in.c2, size);
  return {in,
          optimal,
          size,
          deff,
          clusters,
          clusters * in.c1 + clusters * size * in.c2,
          in.z * in.S * std::sqrt(deff / (clusters * size))};
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
  WritePlan(d, r);
}

void WritePlan(CTervoDoc& d, const ClusterPlan& r) {
  d.AppendLine("Optimal mean cluster size: %f", r.optimalSize);
  d.AppendLine("Mean cluster size used: %.0f", r.size);
  d.AppendLine("Design effect, deff: %f", r.deff);
  d.AppendLine("Clusters needed: %.0f", r.clusters);
  d.AppendLine("Cost of the sample: %.0f", r.cost);
}

Record& RecordPlan(Record& rec, const ClusterPlan& r) {
  return rec.Result("optimal_cluster_size", r.optimalSize)
      .Result("cluster_size", r.size)
      .Result("deff", r.deff)
      .Result("clusters", r.clusters)
      .Result("cost", r.cost);
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
  return RecordPlan(rec, r);
}

const CommandTable kClusterPlanningTable{kCommands, {}, &FormsHelp};

}  // namespace mirto::extras
