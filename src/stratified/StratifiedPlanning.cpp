// Stratified sampling plans: the sample size for a margin, the optimal
// allocation and the allocation that costs least within a budget. The mean
// and proportion twins differ only in their layouts.
#include "stratified/StratifiedWork.h"

namespace mirto {
namespace {

using stratified::StrataLayout;
using stratified::StratifiedWork;

int SampleSize(CTervoDoc& doc, const StrataLayout& layout) {
  StratifiedWork work(doc, layout);
  if (!work.Collect(doc)) return 0;
  const double required = work.RequiredSampleSize();
  work.WriteHead(doc);
  doc.AppendLine("Accuracy requirements, margin: %f", work.margin);
  doc.AppendLine("Accuracy requirements, probability: %f", work.probability);
  doc.AppendLine("Required sample size is %.0f", required);
  if (IsSmallSample(required, work.N)) doc.AppendWarning();
  doc.EndBlock();
  return 1;
}

int OptimalAllocation(CTervoDoc& doc, const StrataLayout& layout) {
  StratifiedWork work(doc, layout);
  if (!work.Collect(doc)) return 0;
  work.AllocateOptimally();
  work.WriteHead(doc);
  doc.EndBlock();
  return 1;
}

int MinCostAllocation(CTervoDoc& doc, const StrataLayout& layout) {
  StratifiedWork work(doc, layout);
  if (!work.Collect(doc)) return 0;
  work.AllocateAtMinimumCost();
  work.WriteHead(doc);
  doc.AppendLine("Optimal sample size, n= %.0f", work.n);
  doc.EndBlock();
  return 1;
}

}  // namespace

int CTervoDoc::StratifiedMeanSampleSize() { return m_nLastResult = SampleSize(*this, stratified::kMeanSize); }
int CTervoDoc::StratifiedProportionSampleSize() {
  return m_nLastResult = SampleSize(*this, stratified::kProportionSize);
}
int CTervoDoc::StratifiedMeanOptimalAllocation() {
  return m_nLastResult = OptimalAllocation(*this, stratified::kMeanOptimal);
}
int CTervoDoc::StratifiedProportionOptimalAllocation() {
  return m_nLastResult = OptimalAllocation(*this, stratified::kProportionOptimal);
}
int CTervoDoc::StratifiedMeanMinCostAllocation() {
  return m_nLastResult = MinCostAllocation(*this, stratified::kMeanCost);
}
int CTervoDoc::StratifiedProportionMinCostAllocation() {
  return m_nLastResult = MinCostAllocation(*this, stratified::kProportionCost);
}

}  // namespace mirto
