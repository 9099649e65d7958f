#pragma once
// Cluster and two-stage planning from an intraclass correlation and costs:
// the design effect of clusters of m̄ elements, the m̄ that buys the most
// precision per unit of cost, the clusters a margin needs and the margin a
// budget buys. No text but the refusals, which name the form and the field.
#include <optional>
#include <string>

#include "framework/Record.h"

namespace mirto {
class CTervoDoc;
}

namespace mirto::extras {

// What the form "Cluster planning from ICC and costs" takes, in tab order.
struct ClusterPlanInput {
  double rho = 0, c1 = 0, c2 = 0, cv = 0, S = 0, margin = 0, probability = 0, z = 0;
};

struct ClusterPlan {
  ClusterPlanInput in;
  double optimalSize;  // m̄ = sqrt((C1 / C2) (1 - rho) / rho), a real
  double size;         // the whole m̄ used: nearest, at least 1
  double deff;         // with that m̄
  double clusters;     // m = z^2 S^2 deff / (m̄ e^2), rounded up
  double cost;         // m C1 + m m̄ C2
};

// deff = 1 + rho ((m̄ - 1) + m̄ CV^2) (Kish; CV of the cluster sizes after Valliant, Dever and Kreuter).
double ClusterDesignEffect(double rho, double size, double cv);
// rho backed out of a design effect seen with clusters of m̄ elements; nullopt where m̄ = 1 and CV = 0.
std::optional<double> RhoFromDesignEffect(double deff, double size, double cv);
// sqrt((C1 / C2) (1 - rho) / rho); rho above 0.
double OptimalClusterSize(double rho, double c1, double c2);
// The whole clusters of m̄ elements a budget buys: floor(B / (C1 + m̄ C2)).
double ClustersForBudget(double budget, double c1, double c2, double size);
// The margin for the mean that a budget buys with clusters of m̄ elements.
double MarginForBudget(double budget, double c1, double c2, double size, double deff, double S, double z);

// Why the form cannot be computed, naming the form and the field; nullopt when it can.
std::optional<std::string> ClusterPlanFault(const ClusterPlanInput& in);
// The plan; `in` passes ClusterPlanFault.
ClusterPlan ComputeClusterPlan(const ClusterPlanInput& in);

// "Cluster planning from a design effect": rho backed out of a design effect
// observed with clusters of a mean size, then the plan of the ICC form.
struct DeffPlanInput {
  double deff = 0, size = 0, cv = 0, c1 = 0, c2 = 0, S = 0, margin = 0, probability = 0, z = 0;
};
struct DeffPlan {
  DeffPlanInput in;
  ClusterPlan plan;  // its rho the one backed out
};
std::optional<std::string> DeffPlanFault(const DeffPlanInput& in);
DeffPlan ComputeDeffPlan(const DeffPlanInput& in);

// "Cluster planning for a budget": the optimal whole m̄, the clusters the
// budget buys, m = floor(B / (C1 + m̄ C2)), and the margin they give.
struct BudgetPlanInput {
  double rho = 0, c1 = 0, c2 = 0, cv = 0, S = 0, budget = 0, probability = 0, z = 0;
};
struct BudgetPlan {
  BudgetPlanInput in;
  double optimalSize, size, deff, clusters, cost, margin;
};
std::optional<std::string> BudgetPlanFault(const BudgetPlanInput& in);
BudgetPlan ComputeBudgetPlan(const BudgetPlanInput& in);

// The plan's lines after the inputs, and its results in the record.
void WritePlan(CTervoDoc& d, const ClusterPlan& r);
Record& RecordPlan(Record& rec, const ClusterPlan& r);
void Write(CTervoDoc& d, const ClusterPlan& r);
Record ToRecord(const ClusterPlan& r);
void Write(CTervoDoc& d, const DeffPlan& r);
Record ToRecord(const DeffPlan& r);
void Write(CTervoDoc& d, const BudgetPlan& r);
Record ToRecord(const BudgetPlan& r);

}  // namespace mirto::extras
