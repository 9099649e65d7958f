// Stratified sampling plans: the sample size for a margin, the optimal
// allocation and the allocation that costs least within a budget. The mean
// and proportion twins differ only in their layouts.
#include "framework/RecordKeys.h"
#include "stratified/Stratified.h"

namespace mirto {
namespace stratified {

void Write(CTervoDoc& d, const StratifiedSampleSize& r) {
  WriteHead(d, r.in);
  d.AppendLine("Accuracy requirements, margin: %f", r.in.margin);
  d.AppendLine("Accuracy requirements, probability: %f", r.in.probability);
  d.AppendLine("Required sample size is %.0f", r.required);
  if (r.warning) d.AppendWarning();
}

void Write(CTervoDoc& d, const StratifiedAllocation& r) {
  WriteHead(d, r.in, &r.allocation);
  if (r.minCost) d.AppendLine("Optimal sample size, n= %.0f", r.n);
}

Record ToRecord(const StratifiedSampleSize& r) {
  Record rec = RecordStrata(r.in);
  rec.Input("special_target", static_cast<int>(r.in.specialTarget));
  return RecordAccuracy(rec, r.in.margin, r.in.probability, r.in.z).Result("required_sample_size", r.required);
}

Record ToRecord(const StratifiedAllocation& r) {
  Record rec = RecordStrata(r.in, &r.allocation);
  if (r.minCost) rec.Input("budget", r.in.budget).Input("fixed_cost", r.in.fixedCost).Result("sample_size", r.n);
  return rec;
}

int StratifiedMeanSampleSize(CTervoDoc& d) { return Run<ComputeSampleSize>(d, kMeanSize); }
int StratifiedProportionSampleSize(CTervoDoc& d) { return Run<ComputeSampleSize>(d, kProportionSize); }
int StratifiedMeanOptimalAllocation(CTervoDoc& d) { return Run<ComputeOptimalAllocation>(d, kMeanOptimal); }
int StratifiedProportionOptimalAllocation(CTervoDoc& d) { return Run<ComputeOptimalAllocation>(d, kProportionOptimal); }
int StratifiedMeanMinCostAllocation(CTervoDoc& d) { return Run<ComputeMinCostAllocation>(d, kMeanCost); }
int StratifiedProportionMinCostAllocation(CTervoDoc& d) { return Run<ComputeMinCostAllocation>(d, kProportionCost); }

}  // namespace stratified

}  // namespace mirto
