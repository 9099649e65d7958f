// Cluster and two-stage sampling: point estimates and confidence intervals
// from the m selected groups, weighted by the population size N.
#include "cluster/Cluster.h"
#include "framework/RecordKeys.h"

namespace mirto {
namespace cluster {
namespace {

constexpr const char* kMeanTarget = "Target: Mean and total of variable";
constexpr const char* kPointObjective = "Objective: Point estimates";
constexpr const char* kIntervalObjective = "Objective: Confidence intervals";

const EstimateKeys& KeysFor(const ClusterInput& in) { return KeysOf(in.form->target); }

void WriteIntervalTable(CTervoDoc& d, const ClusterInterval& r) {
  const std::vector<Group>& rows = r.in.rows;
  const bool mean = r.in.Mean();
  if (r.in.TwoStage()) {
    d.AppendLine(mean ? " Group no.        N_i        w_i        n_i     barY_i        S_i"
                      : " Group no.        N_i        w_i        n_i        P_i");
    for (std::size_t i = 0; i < rows.size(); ++i) {
      const int number = static_cast<int>(i + 1);
      if (mean)
        d.AppendLine("%10d %10.0f %10.4f %10.0f %10f %10f", number, rows[i].N, r.w[i], rows[i].n, rows[i].value,
                     rows[i].spread);
      else
        d.AppendLine("%10d %10.0f %10.4f %10.0f %10f", number, rows[i].N, r.w[i], rows[i].n, rows[i].value);
    }
    return;
  }
  d.AppendLine(mean ? " Group no.    n_i=N_i        w_i     barY_i        S_i"
                    : " Group no.        N_i        w_i        P_i");
  for (std::size_t i = 0; i < rows.size(); ++i) {
    const int number = static_cast<int>(i + 1);
    if (mean)
      d.AppendLine("%10d %10.0f %10.4f %10f %10f", number, rows[i].N, r.w[i], rows[i].value, rows[i].spread);
    else
      d.AppendLine("%10d %10.0f %10.4f %10f", number, rows[i].N, r.w[i], rows[i].value);
  }
}

}  // namespace

void Write(CTervoDoc& d, const ClusterPoint& r) {
  const bool mean = r.in.Mean();
  WriteHeading(d, r.in, mean ? kMeanTarget : "Target: Proportion and number in category", kPointObjective);
  d.AppendLine(mean ? " Group no.       N_i       w_i     barY_i" : " Group no.       N_i       w_i        P_i");
  for (std::size_t i = 0; i < r.in.rows.size(); ++i)
    d.AppendLine("%10d %10.0f %10.4f %10f", static_cast<int>(i + 1), r.in.rows[i].N, r.w[i], r.in.rows[i].value);
  if (mean) {
    d.AppendLine("Estimate of population mean: %f", r.estimate);
    d.AppendLine("Estimate of population total: %f", r.total);
  } else {
    d.AppendLine("Estimate of population proportion in category: %f", r.estimate);
    d.AppendLine("Estimate of population number in category: %.0f", r.total);
  }
}

void Write(CTervoDoc& d, const ClusterInterval& r) {
  const bool mean = r.in.Mean();
  WriteHeading(d, r.in, mean ? kMeanTarget : "Target:  Proportion and number in category", kIntervalObjective);
  WriteIntervalTable(d, r);
  if (mean) {
    d.AppendLine("Estimate of population mean: %f", r.estimate);
    d.AppendLine("Estimate of population total: %f", r.total);
    d.AppendLine("Estimated std. deviation of estimator of pop. mean, Sd(barY_ts), is %f ", r.sd);
  } else {
    d.AppendLine("Estimate of population proportion: %f", r.estimate);
    d.AppendLine("Estimate of population number: %.0f", r.total);
    d.AppendLine("Estimated std. deviation of estimator of pop. proportion, Sd(P_ts), is %f ", r.sd);
  }
  if (r.warning) d.AppendWarning();
  d.AppendIntervals(mean ? CTervoDoc::IntervalOf::MeanTotal : CTervoDoc::IntervalOf::ProportionNumber,
                    CTervoDoc::Wording::Pop, r.in.probability, r.in.N, r.low, r.high);
}

Record ToRecord(const ClusterPoint& r) {
  Record rec = RecordClusters(r.in, &r.w);
  return RecordEstimates(rec, KeysFor(r.in), r.estimate, r.total);
}

Record ToRecord(const ClusterInterval& r) {
  Record rec = RecordClusters(r.in, &r.w);
  rec.Input("confidence", r.in.probability).Input("z", r.in.z);
  const EstimateKeys& keys = KeysFor(r.in);
  RecordEstimates(rec, keys, r.estimate, r.total);
  return RecordIntervals(rec, keys, r.sd, r.low, r.high, r.totalLow, r.totalHigh);
}

int ClusterMeanPoint(CTervoDoc& d) { return Run<ComputePoint>(d, d.m_nSampledGroups, kMeanPointForm); }
int ClusterProportionPoint(CTervoDoc& d) { return Run<ComputePoint>(d, d.m_nSampledGroups, kProportionPointForm); }
int ClusterMeanInterval(CTervoDoc& d) { return Run<ComputeInterval>(d, d.m_nSampledGroups, kMeanIntervalForm); }
int ClusterProportionInterval(CTervoDoc& d) {
  return Run<ComputeInterval>(d, d.m_nSampledGroups, kProportionIntervalForm);
}

}  // namespace cluster

}  // namespace mirto
