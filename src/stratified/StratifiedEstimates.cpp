// Stratified sampling: point estimates, confidence intervals and theoretical
// standard deviations, for a mean and total or a proportion and number.
#include <cmath>

#include "stratified/StratifiedWork.h"

namespace mirto {

using stratified::Q;
using stratified::StratifiedWork;

int CTervoDoc::StratifiedMeanPoint() {
  StratifiedWork work(*this, stratified::kMeanPoint);
  if (!work.Collect(*this)) return m_nLastResult = 0;
  const double mean = work.Estimate(Q::BarY);
  work.WriteHead(*this);
  AppendLine("Estimate of population mean: %f", mean);
  AppendLine("Estimate of population total: %f", work.N * mean);
  EndBlock();
  return m_nLastResult = 1;
}

int CTervoDoc::StratifiedProportionPoint() {
  StratifiedWork work(*this, stratified::kProportionPoint);
  if (!work.Collect(*this)) return m_nLastResult = 0;
  const double proportion = work.Estimate(Q::P);
  work.WriteHead(*this);
  AppendLine("Estimate of population proportion: %f", proportion);
  AppendLine("Estimate of population number: %.0f", work.N * proportion);
  EndBlock();
  return m_nLastResult = 1;
}

int CTervoDoc::StratifiedMeanInterval() {
  StratifiedWork work(*this, stratified::kMeanInterval);
  if (!work.Collect(*this)) return m_nLastResult = 0;
  const double mean = work.Estimate(Q::BarY), s = std::sqrt(work.EstimatedVariance());
  const double low = mean - work.z * s, high = mean + work.z * s;
  work.WriteHead(*this);
  AppendLine("Estimate of population mean: %f", mean);
  AppendLine("Estimate of population total: %f", work.N * mean);
  AppendLine("Estimated std. deviation of barY_s is %f ", s);
  if (work.smallSample) AppendWarning();
  AppendIntervals(IntervalOf::MeanTotal, Wording::Population, work.probability, work.N, low, high);
  EndBlock();
  return m_nLastResult = 1;
}

int CTervoDoc::StratifiedProportionInterval() {
  StratifiedWork work(*this, stratified::kProportionInterval);
  if (!work.Collect(*this)) return m_nLastResult = 0;
  const double proportion = work.Estimate(Q::P), s = std::sqrt(work.EstimatedVariance());
  const double low = proportion - work.z * s, high = proportion + work.z * s;
  work.WriteHead(*this);
  AppendLine("Estimate of population proportion: %f", proportion);
  AppendLine("Estimate of population number in category: %.0f", work.N * proportion);
  AppendLine("Estimated std. deviation of P_s is %f ", s);
  if (work.smallSample) AppendWarning();
  AppendIntervals(IntervalOf::ProportionNumber, Wording::Population, work.probability, work.N, low, high);
  EndBlock();
  return m_nLastResult = 1;
}

int CTervoDoc::StratifiedMeanSd() {
  StratifiedWork work(*this, stratified::kMeanSd);
  if (!work.Collect(*this)) return m_nLastResult = 0;
  const double sd = std::sqrt(work.TheoreticalVariance());
  work.WriteHead(*this);
  AppendLine("Std. deviation of estimator of pop. mean is %f", sd);
  AppendLine("Std. deviation of estimator of pop. total is %f", work.N * sd);
  EndBlock();
  return m_nLastResult = 1;
}

int CTervoDoc::StratifiedProportionSd() {
  StratifiedWork work(*this, stratified::kProportionSd);
  if (!work.Collect(*this)) return m_nLastResult = 0;
  const double sd = std::sqrt(work.TheoreticalVariance());
  work.WriteHead(*this);
  AppendLine("Std. deviation of estimator of pop. category is %f", sd);
  AppendLine("Std. deviation of estimator of number in category is %.0f", work.N * sd);
  EndBlock();
  return m_nLastResult = 1;
}

}  // namespace mirto
