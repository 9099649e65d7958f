// Cluster and two-stage sampling: point estimates and confidence intervals
// from the m selected groups, weighted by the population size N.
#include <cmath>

#include "cluster/ClusterWork.h"

namespace mirto {
namespace {

constexpr const char* kMeanTarget = "Target: Mean and total of variable";
constexpr const char* kPointObjective = "Objective: Point estimates";
constexpr const char* kIntervalObjective = "Objective: Confidence intervals";

// The interval routines' small-sample test on the group counts; two-stage rows
// add their own test as they are written.
bool SmallGroupCounts(const ClusterWork& work) { return IsSmallSample(work.m, work.M); }

}  // namespace

int CTervoDoc::ClusterMeanPoint() {
  ClusterWork work(*this, m_nSampledGroups);
  if (!work.Collect(*this, kClusterMeanPointForm, 0)) return 0;
  work.Weigh(work.N);
  const double mean = work.Estimate();
  work.Heading(*this, kMeanTarget, kPointObjective);
  work.PointTable(*this, " Group no.       N_i       w_i     barY_i");
  AppendLine("Estimate of population mean: %f", mean);
  AppendLine("Estimate of population total: %f", work.N * mean);
  EndBlock();
  return 1;
}

int CTervoDoc::ClusterProportionPoint() {
  ClusterWork work(*this, m_nSampledGroups);
  if (!work.Collect(*this, kClusterProportionPointForm, 0)) return 0;
  work.Weigh(work.N);
  const double proportion = work.Estimate();
  work.Heading(*this, "Target: Proportion and number in category", kPointObjective);
  work.PointTable(*this, " Group no.       N_i       w_i        P_i");
  AppendLine("Estimate of population proportion in category: %f", proportion);
  AppendLine("Estimate of population number in category: %.0f", work.N * proportion);
  EndBlock();
  return 1;
}

int CTervoDoc::ClusterMeanInterval() {
  ClusterWork work(*this, m_nSampledGroups);
  if (!work.Collect(*this, kClusterMeanIntervalForm, ClusterWork::kSampled | ClusterWork::kSpread)) return 0;
  work.Weigh(work.N);
  const double mean = work.Estimate(), s = std::sqrt(work.SampleVariance());
  const double low = mean - work.z * s, high = mean + work.z * s;
  work.Heading(*this, kMeanTarget, kIntervalObjective);
  bool small = SmallGroupCounts(work);
  if (work.TwoStage()) {
    AppendLine(" Group no.        N_i        w_i        n_i     barY_i        S_i");
    for (int i = 1; i <= work.G; ++i) {
      AppendLine("%10d %10.0f %10.4f %10.0f %10f %10f", i, work.Ni[i], work.w[i], work.ni[i], work.value[i],
                 work.spread[i]);
      small = IsSmallSample(work.ni[i], work.Ni[i]) || small;
    }
  } else {
    AppendLine(" Group no.    n_i=N_i        w_i     barY_i        S_i");
    for (int i = 1; i <= work.G; ++i)
      AppendLine("%10d %10.0f %10.4f %10f %10f", i, work.Ni[i], work.w[i], work.value[i], work.spread[i]);
  }
  AppendLine("Estimate of population mean: %f", mean);
  AppendLine("Estimate of population total: %f", work.N * mean);
  AppendLine("Estimated std. deviation of estimator of pop. mean, Sd(barY_ts), is %f ", s);
  if (small) AppendWarning();
  AppendIntervals(IntervalOf::MeanTotal, Wording::Pop, work.probability, work.N, low, high);
  EndBlock();
  return 1;
}

int CTervoDoc::ClusterProportionInterval() {
  ClusterWork work(*this, m_nSampledGroups);
  if (!work.Collect(*this, kClusterProportionIntervalForm, ClusterWork::kSampled)) return 0;
  work.Weigh(work.N);
  const double proportion = work.Estimate(), s = std::sqrt(work.SampleVariance());
  const double low = proportion - work.z * s, high = proportion + work.z * s;
  work.Heading(*this, "Target:  Proportion and number in category", kIntervalObjective);
  bool small = SmallGroupCounts(work);
  if (work.TwoStage()) {
    AppendLine(" Group no.        N_i        w_i        n_i        P_i");
    for (int i = 1; i <= work.G; ++i) {
      AppendLine("%10d %10.0f %10.4f %10.0f %10f", i, work.Ni[i], work.w[i], work.ni[i], work.value[i]);
      small = IsSmallSample(work.ni[i], work.Ni[i]) || small;
    }
  } else {
    AppendLine(" Group no.        N_i        w_i        P_i");
    for (int i = 1; i <= work.G; ++i) AppendLine("%10d %10.0f %10.4f %10f", i, work.Ni[i], work.w[i], work.value[i]);
  }
  AppendLine("Estimate of population proportion: %f", proportion);
  AppendLine("Estimate of population number: %.0f", work.N * proportion);
  AppendLine("Estimated std. deviation of estimator of pop. proportion, Sd(P_ts), is %f ", s);
  if (small) AppendWarning();
  AppendIntervals(IntervalOf::ProportionNumber, Wording::Pop, work.probability, work.N, low, high);
  EndBlock();
  return 1;
}

}  // namespace mirto
