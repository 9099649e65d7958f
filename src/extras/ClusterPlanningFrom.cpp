// Cluster planning from a design effect instead of rho, and for a budget
// instead of a margin.
#include "extras/ClusterPlanning.h"
#include "extras/Commands.h"
#include "framework/Routine.h"

namespace mirto::extras {
namespace {

void WriteHeading(CTervoDoc& d, const char* objective) {
  d.AppendSeparator();
  d.AppendLine("Target: Mean of variable");
  d.AppendLine("Method: Cluster random sampling");
  d.AppendLine("%s", objective);
  d.AppendLine("Estimator: Two-stage");
}

void WriteCosts(CTervoDoc& d, double c1, double c2) {
  d.AppendLine("Cost per cluster, C1: %f", c1);
  d.AppendLine("Cost per element, C2: %f", c2);
}

const EntryForm<DeffPlanInput> kDeffForm{
    {223,
     "Cluster sampling, planning from a design effect",
     {Static("Enter or select the following:"), Field("Design effect observed, deff:", 15),
      Field("Mean cluster size observed:", 15), Field("CV of cluster sizes:", 15), Field("Cost per cluster, C1:", 15),
      Field("Cost per element, C2:", 15), Field("Element std. deviation, S:", 15), Field("Margin for the mean:", 15),
      LevelList("Probability:")}},
    {RealItem<DeffPlanInput>(&DeffPlanInput::deff), RealItem<DeffPlanInput>(&DeffPlanInput::size),
     RealItem<DeffPlanInput>(&DeffPlanInput::cv), RealItem<DeffPlanInput>(&DeffPlanInput::c1),
     RealItem<DeffPlanInput>(&DeffPlanInput::c2), RealItem<DeffPlanInput>(&DeffPlanInput::S),
     RealItem<DeffPlanInput>(&DeffPlanInput::margin),
     LevelItem<DeffPlanInput>(&DeffPlanInput::probability, &DeffPlanInput::z)}};

const EntryForm<BudgetPlanInput> kBudgetForm{
    {224,
     "Cluster sampling, planning for a budget",
     {Static("Enter or select the following:"), Field("Intraclass correlation, rho:", 15),
      Field("Cost per cluster, C1:", 15), Field("Cost per element, C2:", 15), Field("CV of cluster sizes:", 15),
      Field("Element std. deviation, S:", 15), Field("Budget, B:", 15), LevelList("Probability:")}},
    {RealItem<BudgetPlanInput>(&BudgetPlanInput::rho), RealItem<BudgetPlanInput>(&BudgetPlanInput::c1),
     RealItem<BudgetPlanInput>(&BudgetPlanInput::c2), RealItem<BudgetPlanInput>(&BudgetPlanInput::cv),
     RealItem<BudgetPlanInput>(&BudgetPlanInput::S), RealItem<BudgetPlanInput>(&BudgetPlanInput::budget),
     LevelItem<BudgetPlanInput>(&BudgetPlanInput::probability, &BudgetPlanInput::z)}};

template <typename In, typename Fault, typename Compute>
int Run(CTervoDoc& doc, const EntryForm<In>& form, Fault fault, Compute compute) {
  In in;
  if (!Collect(doc, in, form)) return 0;
  if (const auto refusal = fault(in)) {
    doc.Host().Message(*refusal);
    return 0;
  }
  return Report(doc, compute(in));
}

int DeffPlanRoutine(CTervoDoc& doc) { return Run(doc, kDeffForm, &DeffPlanFault, &ComputeDeffPlan); }
int BudgetPlanRoutine(CTervoDoc& doc) { return Run(doc, kBudgetForm, &BudgetPlanFault, &ComputeBudgetPlan); }

std::vector<FormHelp> FormsHelp() {
  return {
      {"Cluster planning from a design effect (Cluster)",
       {&kDeffForm.tmpl},
       "**Design effect observed, deff:** (at least 1) and **Mean cluster size observed:** (at least 1), the design "
       "effect of an earlier survey and the mean size m̄ of its clusters, **CV of cluster sizes:**, then **Cost per "
       "cluster, C1:** and **Cost per element, C2:** (above 0), **Element std. deviation, S:**, **Margin for the "
       "mean:** and **Probability:** as in \"Cluster planning from "
       "ICC and costs\". rho = (deff − 1)/((m̄ − 1) + m̄·CV²) (Kish's deff solved for rho), printed, then the plan "
       "of that command for this rho. A deff of 1 (rho 0), or one that gives rho of 1 or more, is refused."},
      {"Cluster planning for a budget (Cluster)",
       {&kBudgetForm.tmpl},
       "**Intraclass correlation, rho:**, **Cost per cluster, C1:** and **Cost per element, C2:** (above 0), **CV of "
       "cluster sizes:** and **Element std. deviation, S:** as in "
       "\"Cluster planning from ICC and costs\", **Budget, B:** (at least the cost of one cluster) and "
       "**Probability:**. The report gives the optimal m̄ (Kish) and the whole size used, deff with it, the clusters "
       "the budget buys, m = floor(B/(C1 + m̄·C2)), their cost and the margin for the mean they give, "
       "e = z·S·√(deff/(m·m̄)) (Valliant, Dever and Kreuter)."},
  };
}

using M = Method;
using T = Target;
using O = Objective;
using E = Estimator;

constexpr HelpTopic kDeffTopic{
    "Cluster planning from a design effect",
    "Plans a sample of clusters as \"Cluster planning from ICC and costs\" does, with rho backed out of the design "
    "effect an earlier survey observed with clusters of a given mean size."};
constexpr HelpTopic kBudgetTopic{
    "Cluster planning for a budget",
    "The mean cluster size that buys the most precision for the costs, the clusters a budget buys at that size, and "
    "the margin for the mean they give."};

constexpr Command kCommands[] = {
    Leaf("cluster.mean.planning-deff", 32968, "Cluster > Cluster planning from a design effect",
         {M::Cluster, T::MeanTotal, O::ClusterPlanningDeff, E::TwoStage},
         "M: Cluster, T: Mean/total, O: ClusterPlanningDeff, E: Two-stage", nullptr, &DeffPlanRoutine,
         {&kDeffForm.tmpl}, nullptr, kDeffTopic),
    Leaf("cluster.mean.planning-budget", 32969, "Cluster > Cluster planning for a budget",
         {M::Cluster, T::MeanTotal, O::ClusterBudget, E::TwoStage},
         "M: Cluster, T: Mean/total, O: ClusterBudget, E: Two-stage", nullptr, &BudgetPlanRoutine, {&kBudgetForm.tmpl},
         nullptr, kBudgetTopic),
};

}  // namespace

void Write(CTervoDoc& d, const DeffPlan& r) {
  WriteHeading(d, "Objective: Cluster planning from a design effect");
  d.AppendLine("Design effect observed, deff: %f", r.in.deff);
  d.AppendLine("Mean cluster size observed: %f", r.in.size);
  d.AppendLine("CV of cluster sizes: %f", r.in.cv);
  WriteCosts(d, r.in.c1, r.in.c2);
  d.AppendLine("Element std. deviation, S: %f", r.in.S);
  d.AppendLine("Accuracy requirements, margin: %f", r.in.margin);
  d.AppendLine("Accuracy requirements, probability: %f", r.in.probability);
  d.AppendLine("Intraclass correlation, rho: %f", r.plan.in.rho);
  WritePlan(d, r.plan);
}

Record ToRecord(const DeffPlan& r) {
  Record rec;
  rec.Input("deff_observed", r.in.deff)
      .Input("cluster_size_observed", r.in.size)
      .Input("cv_cluster_sizes", r.in.cv)
      .Input("cost_cluster", r.in.c1)
      .Input("cost_element", r.in.c2)
      .Input("element_sd", r.in.S)
      .Input("margin", r.in.margin)
      .Input("probability", r.in.probability)
      .Input("z", r.in.z)
      .Result("rho", r.plan.in.rho);
  return RecordPlan(rec, r.plan);
}

void Write(CTervoDoc& d, const BudgetPlan& r) {
  WriteHeading(d, "Objective: Cluster planning for a budget");
  d.AppendLine("Intraclass correlation, rho: %f", r.in.rho);
  WriteCosts(d, r.in.c1, r.in.c2);
  d.AppendLine("CV of cluster sizes: %f", r.in.cv);
  d.AppendLine("Element std. deviation, S: %f", r.in.S);
  d.AppendLine("Budget, B: %f", r.in.budget);
  d.AppendLine("Accuracy requirements, probability: %f", r.in.probability);
  d.AppendLine("Optimal mean cluster size: %f", r.optimalSize);
  d.AppendLine("Mean cluster size used: %.0f", r.size);
  d.AppendLine("Design effect, deff: %f", r.deff);
  d.AppendLine("Clusters the budget buys: %.0f", r.clusters);
  d.AppendLine("Cost of the sample: %.0f", r.cost);
  d.AppendLine("Margin for the mean: %f", r.margin);
}

Record ToRecord(const BudgetPlan& r) {
  Record rec;
  return rec.Input("rho", r.in.rho)
      .Input("cost_cluster", r.in.c1)
      .Input("cost_element", r.in.c2)
      .Input("cv_cluster_sizes", r.in.cv)
      .Input("element_sd", r.in.S)
      .Input("budget", r.in.budget)
      .Input("probability", r.in.probability)
      .Input("z", r.in.z)
      .Result("optimal_cluster_size", r.optimalSize)
      .Result("cluster_size", r.size)
      .Result("deff", r.deff)
      .Result("clusters", r.clusters)
      .Result("cost", r.cost)
      .Result("margin", r.margin);
}

const CommandTable kClusterPlanningFromTable{kCommands, {}, &FormsHelp};

}  // namespace mirto::extras
