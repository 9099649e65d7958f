// The prediction calculations: point prediction, confidence interval and
// theoretical error variance under Models A to D, and Model E.
#include <limits>

#include "journal/CTervoDoc.h"
#include "prediction/PredictionForms.h"
#include "prediction/PredictionWork.h"

namespace mirto {
namespace {

const char* ModelLine(PredictionModel model, const char* unknown) {
  static constexpr const char* kLines[] = {"Prediction approach, Model A", "Prediction approach, Model B",
                                           "Prediction approach, Model C", "Prediction approach, Model D"};
  return model >= PredictionModel::A && model <= PredictionModel::D ? kLines[static_cast<int>(model) - 1] : unknown;
}

int Result(CTervoDoc& d, int result) {
  d.m_nLastResult = result;
  return result;
}

void Heading(CTervoDoc& d, const char* modelLine, const char* objective) {
  d.AppendSeparator();
  d.AppendLine("Target: Mean and total of variable");
  d.AppendLine("%s", modelLine);
  d.AppendLine("%s", objective);
}

void Sizes(CTervoDoc& d, const PredictionWork& w, bool sumOfSquares) {
  d.AppendLine("Population size, N= %.0f", w.N);
  d.AppendLine("Sample size, n= %.0f", w.n);
  d.AppendLine("Sum of X-values in population = %f", w.popSumX);
  if (sumOfSquares && w.model == PredictionModel::C)
    d.AppendLine("Sum of squared X-values in population = %f", w.popSumX2);
}

void AppendInterval(CTervoDoc& d, PredictionWork& w) {
  // Without s2 there is no interval: its bounds are not numbers, rather than
  // a zero-width interval that would claim certainty.
  const bool defined = w.EstimateErrorSd(d.Host());
  const double sd = defined ? w.hatSdE : std::numeric_limits<double>::quiet_NaN();
  d.AppendLine("Estimated error std. deviation, hatSdE*, is %f ", w.hatSdE);
  if (IsSmallSample(w.n, w.N)) d.AppendWarning();
  const double low = w.T - w.z * sd, high = w.T + w.z * sd;
  d.AppendLine("Approx. %.2f confidence interval for pop. mean is from %f to %f", d.m_dLevel, low / w.N, high / w.N);
  d.AppendLine("Approx. %.2f confidence interval for pop. total is from %f to %f", d.m_dLevel, low, high);
}

// Point prediction, and with `interval` the confidence interval as well.
int PredictFromPairs(CTervoDoc& d, bool interval) {
  PredictionWork w(d);
  const long long count = w.Elements();
  DoubleArray ys = d.AllocArray(count);
  if (!ys) return Result(d, 0);
  DoubleArray xs = d.AllocArray(count);
  if (!xs) return Result(d, 0);
  w.y = ys.get();
  w.x = xs.get();
  if (!w.EnterPairs(d.Host())) return Result(d, 0);

  Heading(d, ModelLine(w.model, "Model unknown."),
          interval ? "Objective: Confidence intervals" : "Objective: Point estimates");
  Sizes(d, w, interval);
  d.AppendLine(" i        X_i       Y_i ");
  for (long long i = 1; i <= count; ++i) d.AppendLine("%3d %10.3f %10.3f ", static_cast<int>(i), w.x[i], w.y[i]);
  w.Estimate(d.Host());
  if (w.model == PredictionModel::D) d.AppendLine("Best estimate a = %f", w.intercept);
  d.AppendLine("Best estimate b = %f", w.slope);
  d.AppendLine("Estimate of population mean: %f", w.T / w.N);
  d.AppendLine("Estimate of population total: %f", w.T);
  if (interval) AppendInterval(d, w);
  d.EndBlock();
  return Result(d, 1);
}

}  // namespace

int CTervoDoc::PredictPoint() { return PredictFromPairs(*this, false); }

int CTervoDoc::PredictInterval() { return PredictFromPairs(*this, true); }

int CTervoDoc::PredictErrorVariance() {
  PredictionWork w(*this);
  const long long count = w.Elements();
  DoubleArray xs = AllocArray(count);
  if (!xs) return Result(*this, 0);
  w.x = xs.get();
  if (!w.EnterXValues(Host())) return Result(*this, 0);

  Heading(*this, ModelLine(w.model, "Illegal model number."), "Objective: Theoretical error variance");
  Sizes(*this, w, true);
  AppendLine("Variance of deviations = %f", w.sigma2);
  AppendLine(" i        X_i");
  for (long long i = 1; i <= count; ++i) AppendLine("%3d %10.3f", static_cast<int>(i), w.x[i]);
  w.TheoreticalErrorVariance(Host());
  AppendLine("Theoretical error variance, VarE*, is %f ", w.varE);
  EndBlock();
  return Result(*this, 1);
}

int CTervoDoc::PredictModelE() {
  PredictionWork w(*this);
  const long long count = w.Variables();
  DoubleArray coefficients = AllocArray(count);
  if (!coefficients) return Result(*this, 0);
  DoubleArray popMeans = AllocArray(count);
  if (!popMeans) return Result(*this, 0);
  DoubleArray sampleMeans = AllocArray(count);
  if (!sampleMeans) return Result(*this, 0);
  w.b = coefficients.get();
  w.mu = popMeans.get();
  w.barX = sampleMeans.get();
  if (!w.EnterVariables(Host())) return Result(*this, 0);

  AppendSeparator();
  AppendLine("Target: Mean and total of variable");
  AppendLine("Prediction approach, Model E");
  AppendLine("Objective: Point estimates");
  AppendLine("Population size, N= %.0f", w.N);
  AppendLine("Sample mean of Y, barY = %f", w.barY);
  AppendLine("  i        b_i       mu_i     barX_i ");
  for (long long j = 1; j <= count; ++j)
    AppendLine("%3d %10.4f %10.3f %10.3f ", static_cast<int>(j), w.b[j], w.mu[j], w.barX[j]);
  AppendLine("Estimate of population mean: %f", w.T / w.N);
  AppendLine("Estimate of population total: %f", w.T);
  EndBlock();
  return Result(*this, 1);
}

}  // namespace mirto
