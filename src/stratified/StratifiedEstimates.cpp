// Stratified sampling: point estimates, confidence intervals and theoretical
// standard deviations, for a mean and total or a proportion and number.
#include "framework/RecordKeys.h"
#include "stratified/Stratified.h"

namespace mirto {
namespace stratified {
namespace {

bool IsMean(const StratifiedInput& in) { return !in.layout->proportion; }

const EstimateKeys& KeysFor(const StratifiedInput& in) { return KeysOf(in.layout->proportion); }

}  // namespace

void Write(CTervoDoc& d, const StratifiedPoint& r) {
  WriteHead(d, r.in);
  if (IsMean(r.in)) {
    d.AppendLine("Estimate of population mean: %f", r.estimate);
    d.AppendLine("Estimate of population total: %f", r.total);
  } else {
    d.AppendLine("Estimate of population proportion: %f", r.estimate);
    d.AppendLine("Estimate of population number: %.0f", r.total);
  }
}

void Write(CTervoDoc& d, const StratifiedInterval& r) {
  WriteHead(d, r.in);
  const bool mean = IsMean(r.in);
  if (mean) {
    d.AppendLine("Estimate of population mean: %f", r.estimate);
    d.AppendLine("Estimate of population total: %f", r.total);
    d.AppendLine("Estimated std. deviation of barY_s is %f ", r.sd);
  } else {
    d.AppendLine("Estimate of population proportion: %f", r.estimate);
    d.AppendLine("Estimate of population number in category: %.0f", r.total);
    d.AppendLine("Estimated std. deviation of P_s is %f ", r.sd);
  }
  if (r.warning) d.AppendWarning();
  d.AppendIntervals(mean ? CTervoDoc::IntervalOf::MeanTotal : CTervoDoc::IntervalOf::ProportionNumber,
                    CTervoDoc::Wording::Population, r.in.probability, r.in.N, r.low, r.high);
}

void Write(CTervoDoc& d, const StratifiedSd& r) {
  WriteHead(d, r.in);
  if (IsMean(r.in)) {
    d.AppendLine("Std. deviation of estimator of pop. mean is %f", r.sd);
    d.AppendLine("Std. deviation of estimator of pop. total is %f", r.totalSd);
  } else {
    d.AppendLine("Std. deviation of estimator of pop. category is %f", r.sd);
    d.AppendLine("Std. deviation of estimator of number in category is %.0f", r.totalSd);
  }
}

Record ToRecord(const StratifiedPoint& r) {
  Record rec = RecordStrata(r.in);
  RecordEstimates(rec, KeysFor(r.in), r.estimate, r.total);
  return rec;
}

Record ToRecord(const StratifiedInterval& r) {
  Record rec = RecordStrata(r.in);
  rec.Input("confidence", r.in.probability).Input("z", r.in.z);
  const EstimateKeys& keys = KeysFor(r.in);
  RecordEstimates(rec, keys, r.estimate, r.total);
  RecordIntervals(rec, keys, r.sd, r.low, r.high, r.totalLow, r.totalHigh);
  return rec;
}

Record ToRecord(const StratifiedSd& r) {
  Record rec = RecordStrata(r.in);
  return RecordDeviations(rec, KeysFor(r.in), r.sd, r.totalSd);
}

int StratifiedMeanPoint(CTervoDoc& d) { return Run<ComputePoint>(d, kMeanPoint); }
int StratifiedProportionPoint(CTervoDoc& d) { return Run<ComputePoint>(d, kProportionPoint); }
int StratifiedMeanInterval(CTervoDoc& d) { return Run<ComputeInterval>(d, kMeanInterval); }
int StratifiedProportionInterval(CTervoDoc& d) { return Run<ComputeInterval>(d, kProportionInterval); }
int StratifiedMeanSd(CTervoDoc& d) { return Run<ComputeSd>(d, kMeanSd); }
int StratifiedProportionSd(CTervoDoc& d) { return Run<ComputeSd>(d, kProportionSd); }

}  // namespace stratified

}  // namespace mirto
