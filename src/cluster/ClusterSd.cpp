// Cluster and two-stage sampling: theoretical standard deviations from
// guesstimates for all M groups.
#include "cluster/Cluster.h"
#include "framework/RecordKeys.h"

namespace mirto {
namespace cluster {

void Write(CTervoDoc& d, const ClusterSd& r) {
  const std::vector<Group>& rows = r.in.rows;
  const bool mean = r.in.Mean();
  WriteHeading(d, r.in, mean ? "Target: Mean and total of variable" : "Target: Proportion and number in category",
               "Objective: Theoretical std. deviation of estimator");
  if (r.in.TwoStage()) {
    d.AppendLine(mean ? " Group no.        N_i        n_i       mu_i    sigma_i"
                      : " Group no.        N_i        n_i       pi_i");
    for (std::size_t i = 0; i < rows.size(); ++i) {
      if (mean)
        d.AppendLine("%10d %10.0f %10.0f %10f %10f", static_cast<int>(i + 1), rows[i].N, rows[i].n, rows[i].value,
                     rows[i].spread);
      else
        d.AppendLine("%10d %10.0f %10.0f %10f", static_cast<int>(i + 1), rows[i].N, rows[i].n, rows[i].value);
    }
  } else {
    d.AppendLine(mean ? " Group no.    n_i=N_i       mu_i    sigma_i" : " Group no.    n_i=N_i       pi_i");
    for (std::size_t i = 0; i < rows.size(); ++i) {
      if (mean)
        d.AppendLine("%10d %10.0f %10f %10f", static_cast<int>(i + 1), rows[i].N, rows[i].value, rows[i].spread);
      else
        d.AppendLine("%10d %10.0f %10f", static_cast<int>(i + 1), rows[i].N, rows[i].value);
    }
  }
  if (mean) {
    d.AppendLine("Std. deviation of estimator of pop. mean: %f", r.sd);
    d.AppendLine("Std. deviation of estimator of pop. total: %f", r.totalSd);
  } else {
    d.AppendLine("Std. deviation of estimator of pop. proportion: %f", r.sd);
    d.AppendLine("Std. deviation of estimator of pop. number: %f", r.totalSd);
  }
}

Record ToRecord(const ClusterSd& r) {
  Record rec = RecordClusters(r.in, nullptr);
  return RecordDeviations(rec, KeysOf(r.in.form->target), r.sd, r.totalSd);
}

int ClusterMeanSd(CTervoDoc& d) { return Run<ComputeSd>(d, d.m_nGroups, kMeanSdForm); }
int ClusterProportionSd(CTervoDoc& d) { return Run<ComputeSd>(d, d.m_nGroups, kProportionSdForm); }

}  // namespace cluster

}  // namespace mirto
