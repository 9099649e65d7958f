// Cluster and two-stage sampling: theoretical standard deviations from
// guesstimates for all M groups. The groups are weighed by the population
// size they imply (N' = sum of N_i); the total's deviation uses N as entered.
#include <cmath>

#include "cluster/ClusterWork.h"

namespace mirto {
namespace {

constexpr const char* kSdObjective = "Objective: Theoretical std. deviation of estimator";

}  // namespace

int CTervoDoc::ClusterMeanSd() {
  ClusterWork work(*this, m_nGroups);
  if (!work.Collect(*this, kClusterMeanSdForm, ClusterWork::kSampled | ClusterWork::kSpread)) return 0;
  const double sd = std::sqrt(work.TheoreticalVariance());
  work.Heading(*this, "Target: Mean and total of variable", kSdObjective);
  if (work.TwoStage()) {
    AppendLine(" Group no.        N_i        n_i       mu_i    sigma_i");
    for (int i = 1; i <= work.G; ++i)
      AppendLine("%10d %10.0f %10.0f %10f %10f", i, work.Ni[i], work.ni[i], work.value[i], work.spread[i]);
  } else {
    AppendLine(" Group no.    n_i=N_i       mu_i    sigma_i");
    for (int i = 1; i <= work.G; ++i) AppendLine("%10d %10.0f %10f %10f", i, work.Ni[i], work.value[i], work.spread[i]);
  }
  AppendLine("Std. deviation of estimator of pop. mean: %f", sd);
  AppendLine("Std. deviation of estimator of pop. total: %f", work.N * sd);
  EndBlock();
  return 1;
}

int CTervoDoc::ClusterProportionSd() {
  ClusterWork work(*this, m_nGroups);
  if (!work.Collect(*this, kClusterProportionSdForm, ClusterWork::kSampled)) return 0;
  const double sd = std::sqrt(work.TheoreticalVariance());
  work.Heading(*this, "Target: Proportion and number in category", kSdObjective);
  if (work.TwoStage()) {
    AppendLine(" Group no.        N_i        n_i       pi_i");
    for (int i = 1; i <= work.G; ++i) AppendLine("%10d %10.0f %10.0f %10f", i, work.Ni[i], work.ni[i], work.value[i]);
  } else {
    AppendLine(" Group no.    n_i=N_i       pi_i");
    for (int i = 1; i <= work.G; ++i) AppendLine("%10d %10.0f %10f", i, work.Ni[i], work.value[i]);
  }
  AppendLine("Std. deviation of estimator of pop. proportion: %f", sd);
  AppendLine("Std. deviation of estimator of pop. number: %f", work.N * sd);
  EndBlock();
  return 1;
}

}  // namespace mirto
