// The prediction calculations: point prediction, confidence interval and
// theoretical error variance under Models A to D, and Model E.
#include <limits>

#include "framework/Routine.h"
#include "journal/CTervoDoc.h"
#include "prediction/Prediction.h"
#include "prediction/PredictionForms.h"

namespace mirto {
namespace prediction {
namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

bool IsC(PredictionModel model) { return model == PredictionModel::C; }

std::vector<XY> Pairs(const PredictionInput& w) {
  std::vector<XY> rows;
  for (long long i = 1; i <= w.Elements(); ++i) rows.push_back({w.x[i], w.y[i]});
  return rows;
}

// The estimates of a work record whose pairs are entered; the copy keeps the
// formula steps' figures.
PredictionPoint Estimated(PredictionInput& w) {
  const bool estimated = w.Estimate();
  return {w.model, w.N, w.n, w.popSumX, Pairs(w), w.slope, w.intercept, w.T / w.N, w.T, estimated};
}

}  // namespace

PredictionPoint ComputePoint(const PredictionInput& in) {
  PredictionInput w = in;
  return Estimated(w);
}

PredictionInterval ComputeInterval(const PredictionInput& in, double level) {
  PredictionInput w = in;
  PredictionInterval r{};
  r.point = Estimated(w);
  r.popSumX2 = w.popSumX2;
  r.z = w.z;
  r.level = level;
  r.s2Defined = w.EstimateErrorSd();
  r.hatSdE = w.hatSdE;
  // Without s2 there is no interval: its bounds are not numbers, rather than
  // a zero-width interval that would claim certainty.
  const double sd = r.s2Defined ? w.hatSdE : kNaN;
  r.totalLow = w.T - w.z * sd;
  r.totalHigh = w.T + w.z * sd;
  r.meanLow = r.totalLow / w.N;
  r.meanHigh = r.totalHigh / w.N;
  r.warning = IsSmallSample(w.n, w.N);
  return r;
}

PredictionErrorVariance ComputeErrorVariance(const PredictionInput& in) {
  PredictionInput w = in;
  const bool known = w.TheoreticalErrorVariance();
  return {w.model, w.N,  w.n, w.popSumX, w.popSumX2, w.sigma2, std::vector<double>(w.x + 1, w.x + 1 + w.Elements()),
          w.varE,  known};
}

ModelEPoint ComputeModelE(const PredictionInput& w) {
  std::vector<Variable> variables;
  for (long long j = 1; j <= w.Variables(); ++j) variables.push_back({w.b[j], w.mu[j], w.barX[j]});
  return {w.N, w.barY, std::move(variables), w.T / w.N, w.T};
}

// ---- Report blocks ---------------------------------------------------------------------

namespace {

const char* ModelLine(PredictionModel model, const char* unknown) {
  static constexpr const char* kLines[] = {"Prediction approach, Model A", "Prediction approach, Model B",
                                           "Prediction approach, Model C", "Prediction approach, Model D"};
  return model >= PredictionModel::A && model <= PredictionModel::D ? kLines[static_cast<int>(model) - 1] : unknown;
}

void Heading(CTervoDoc& d, const char* modelLine, const char* objective) {
  d.AppendSeparator();
  d.AppendLine("Target: Mean and total of variable");
  d.AppendLine("%s", modelLine);
  d.AppendLine("%s", objective);
}

// The sizes and population sums; the sum of squares for Model C where `sumOfSquares`.
void Sizes(CTervoDoc& d, PredictionModel model, double N, double n, double popSumX, bool sumOfSquares,
           double popSumX2) {
  d.AppendLine("Population size, N= %.0f", N);
  d.AppendLine("Sample size, n= %.0f", n);
  d.AppendLine("Sum of X-values in population = %f", popSumX);
  if (sumOfSquares && IsC(model)) d.AppendLine("Sum of squared X-values in population = %f", popSumX2);
}

void WriteEstimates(CTervoDoc& d, const PredictionPoint& r, bool interval, double popSumX2) {
  Heading(d, ModelLine(r.model, "Model unknown."),
          interval ? "Objective: Confidence intervals" : "Objective: Point estimates");
  Sizes(d, r.model, r.N, r.n, r.popSumX, interval, popSumX2);
  d.AppendLine(" i        X_i       Y_i ");
  int i = 0;
  for (const XY& e : r.elements) d.AppendLine("%3d %10.3f %10.3f ", ++i, e.x, e.y);
  if (r.model == PredictionModel::D) d.AppendLine("Best estimate a = %f", r.intercept);
  d.AppendLine("Best estimate b = %f", r.slope);
  d.AppendLine("Estimate of population mean: %f", r.mean);
  d.AppendLine("Estimate of population total: %f", r.total);
}

}  // namespace

void Write(CTervoDoc& d, const PredictionPoint& r) { WriteEstimates(d, r, false, 0.0); }

void Write(CTervoDoc& d, const PredictionInterval& r) {
  WriteEstimates(d, r.point, true, r.popSumX2);
  d.AppendLine("Estimated error std. deviation, hatSdE*, is %f ", r.hatSdE);
  if (r.warning) d.AppendWarning();
  d.AppendLine("Approx. %.2f confidence interval for pop. mean is from %f to %f", r.level, r.meanLow, r.meanHigh);
  d.AppendLine("Approx. %.2f confidence interval for pop. total is from %f to %f", r.level, r.totalLow, r.totalHigh);
}

void Write(CTervoDoc& d, const PredictionErrorVariance& r) {
  Heading(d, ModelLine(r.model, "Illegal model number."), "Objective: Theoretical error variance");
  Sizes(d, r.model, r.N, r.n, r.popSumX, true, r.popSumX2);
  d.AppendLine("Variance of deviations = %f", r.sigma2);
  d.AppendLine(" i        X_i");
  int i = 0;
  for (double x : r.x) d.AppendLine("%3d %10.3f", ++i, x);
  d.AppendLine("Theoretical error variance, VarE*, is %f ", r.varE);
}

void Write(CTervoDoc& d, const ModelEPoint& r) {
  d.AppendSeparator();
  d.AppendLine("Target: Mean and total of variable");
  d.AppendLine("Prediction approach, Model E");
  d.AppendLine("Objective: Point estimates");
  d.AppendLine("Population size, N= %.0f", r.N);
  d.AppendLine("Sample mean of Y, barY = %f", r.barY);
  d.AppendLine("  i        b_i       mu_i     barX_i ");
  int j = 0;
  for (const Variable& v : r.variables) d.AppendLine("%3d %10.4f %10.3f %10.3f ", ++j, v.b, v.mu, v.barX);
  d.AppendLine("Estimate of population mean: %f", r.mean);
  d.AppendLine("Estimate of population total: %f", r.total);
}

// ---- Records ---------------------------------------------------------------------------

namespace {

Record& RecordSizes(Record& rec, PredictionModel model, double N, double n, double popSumX) {
  return rec.Input("model", static_cast<int>(model))
      .Input("population_size", N)
      .Input("sample_size", n)
      .Input("population_sum_x", popSumX);
}

void RecordEstimates(Record& rec, const PredictionPoint& r) {
  Table& t = rec.AddTable(Section::Inputs, "elements", {"X_i", "Y_i"});
  for (const XY& e : r.elements) t.AddRow({e.x, e.y});
  if (r.model == PredictionModel::D) rec.Result("intercept", r.intercept);
  rec.Result("slope", r.slope).Result("mean", r.mean).Result("total", r.total);
}

}  // namespace

Record ToRecord(const PredictionPoint& r) {
  Record rec;
  RecordSizes(rec, r.model, r.N, r.n, r.popSumX);
  RecordEstimates(rec, r);
  return rec;
}

Record ToRecord(const PredictionInterval& r) {
  Record rec;
  RecordSizes(rec, r.point.model, r.point.N, r.point.n, r.point.popSumX);
  if (IsC(r.point.model)) rec.Input("population_sum_x2", r.popSumX2);
  rec.Input("confidence", r.level).Input("z", r.z);
  RecordEstimates(rec, r.point);
  return rec.Result("error_sd", r.hatSdE)
      .Result("mean_low", r.meanLow)
      .Result("mean_high", r.meanHigh)
      .Result("total_low", r.totalLow)
      .Result("total_high", r.totalHigh);
}

Record ToRecord(const PredictionErrorVariance& r) {
  Record rec;
  RecordSizes(rec, r.model, r.N, r.n, r.popSumX);
  if (IsC(r.model)) rec.Input("population_sum_x2", r.popSumX2);
  rec.Input("deviation_variance", r.sigma2);
  Table& t = rec.AddTable(Section::Inputs, "elements", {"X_i"});
  for (double x : r.x) t.AddRow({x});
  return rec.Result("error_variance", r.varE);
}

Record ToRecord(const ModelEPoint& r) {
  Record rec;
  rec.Input("model", static_cast<int>(PredictionModel::E)).Input("population_size", r.N).Input("sample_mean", r.barY);
  Table& t = rec.AddTable(Section::Inputs, "variables", {"b_i", "mu_i", "barX_i"});
  for (const Variable& v : r.variables) t.AddRow({v.b, v.mu, v.barX});
  return rec.Result("mean", r.mean).Result("total", r.total);
}

namespace {

// The pairs entered, or 0 with nothing appended. `ys` and `xs` hold them.
bool EnterPairs(CTervoDoc& d, PredictionInput& w, DoubleArray& ys, DoubleArray& xs) {
  const long long count = w.Elements();
  if (!(ys = d.AllocArray(count)) || !(xs = d.AllocArray(count))) return false;
  w.y = ys.get();
  w.x = xs.get();
  return w.EnterPairs(d.Host());
}

void ReportModel(CTervoDoc& d, const PredictionPoint& r) {
  if (!r.estimated) d.Host().Message("Illegal model.");
}

}  // namespace

int PredictPoint(CTervoDoc& d) {
  PredictionInput w(d);
  DoubleArray ys, xs;
  if (!EnterPairs(d, w, ys, xs)) return 0;
  const PredictionPoint r = ComputePoint(w);
  ReportModel(d, r);
  return Report(d, r);
}

int PredictInterval(CTervoDoc& d) {
  PredictionInput w(d);
  DoubleArray ys, xs;
  if (!EnterPairs(d, w, ys, xs)) return 0;
  const PredictionInterval r = ComputeInterval(w, d.m_dLevel);
  ReportModel(d, r.point);
  if (!r.s2Defined) d.Host().Message("An X-value is zero... S2 not defined.");
  return Report(d, r);
}

int PredictErrorVariance(CTervoDoc& d) {
  PredictionInput w(d);
  DoubleArray xs = d.AllocArray(w.Elements());
  if (!xs) return 0;
  w.x = xs.get();
  if (!w.EnterXValues(d.Host())) return 0;
  const PredictionErrorVariance r = ComputeErrorVariance(w);
  if (!r.modelKnown) d.Host().Message("Illegal model");
  return Report(d, r);
}

int PredictModelE(CTervoDoc& d) {
  PredictionInput w(d);
  const long long count = w.Variables();
  DoubleArray coefficients = d.AllocArray(count);
  if (!coefficients) return 0;
  DoubleArray popMeans = d.AllocArray(count);
  if (!popMeans) return 0;
  DoubleArray sampleMeans = d.AllocArray(count);
  if (!sampleMeans) return 0;
  w.b = coefficients.get();
  w.mu = popMeans.get();
  w.barX = sampleMeans.get();
  if (!w.EnterVariables(d.Host())) return 0;
  return Report(d, ComputeModelE(w));
}

}  // namespace prediction

}  // namespace mirto
