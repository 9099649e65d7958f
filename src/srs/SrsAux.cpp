// Simple random sampling with an auxiliary variable: the ratio and the linear
// regression estimators of a mean and total. Each routine serves both
// estimators and picks its form and wording by the estimator code.
#include <cmath>

#include "data/Figures.h"
#include "framework/Routine.h"
#include "framework/Sums.h"
#include "journal/CTervoDoc.h"
#include "srs/Srs.h"

namespace mirto {
namespace srs {
namespace {

using D = CalculatorState;
using In = SrsAuxInput;

constexpr Item<In> kN = RealItem(&In::N, &D::m_dPopSize);
constexpr Item<In> kSmallN = RealItem(&In::n, &D::m_dSampleSize);
constexpr Item<In> kBarY = RealItem(&In::barY, &D::m_dSampleMean);
constexpr Item<In> kBarX = RealItem(&In::barX, &D::m_dSampleMeanX);
constexpr Item<In> kMuX = RealItem(&In::muX, &D::m_dPopMeanX);
constexpr Item<In> kMuY = RealItem(&In::muY, &D::m_dPopMeanY);
constexpr Item<In> kS = RealItem(&In::S, &D::m_dResidSd);
constexpr Item<In> kSigmaY = RealItem(&In::sigmaY, &D::m_dSigmaY);
constexpr Item<In> kSigmaX = RealItem(&In::sigmaX, &D::m_dSigmaX);
constexpr Item<In> kRhoXY = RealItem(&In::rhoXY, &D::m_dRhoXY);
constexpr Item<In> kB = RealItem(&In::b, &D::m_dSlope);
constexpr Item<In> kMargin = RealItem(&In::margin, &D::m_dMargin);
constexpr Item<In> kLevel = LevelItem(&In::probability, &In::z, &D::m_dLevel, &D::m_dZ);
constexpr Item<In> kChoice = ChoiceItem(&In::specialTarget, &D::m_nSpecialTarget);
constexpr Item<In> kState[] = {kN,      kSmallN, kBarY,  kBarX, kMuX,    kMuY,   kS,
                               kSigmaY, kSigmaX, kRhoXY, kB,    kMargin, kLevel, kChoice};

constexpr std::string_view kNoBarX = "barX is 0: the ratio estimate divides by it and shows as inf or nan";
constexpr std::string_view kNegativeResidualSd =
    "A standard deviation is not negative: the estimator's one comes out negative and the interval's ends swap";
constexpr std::string_view kRegressionCorrelation =
    "rhoXY is outside -1 to 1: 1 - rhoXY^2 is negative, so the variance is negative and the standard deviation nan";
constexpr std::string_view kRegressionCorrelationSize =
    "rhoXY is outside -1 to 1: 1 - rhoXY^2 is negative, and the required sample size means nothing";

Control N(std::string_view label, int maxLength) { return PopulationSize(Field(label, maxLength)); }
Control Sd(std::string_view label, int maxLength) { return Field(label, maxLength).AtLeast(0, kNegativeSd); }
// In the ratio estimator's variance sigmaX and sigmaY also multiply each other: their signs count.
Control RatioSd(std::string_view label, int maxLength) { return Field(label, maxLength).AtLeast(0, kNegativeVariance); }
Control BarX(std::string_view label, int maxLength) { return Field(label, maxLength).NotZero(kNoBarX); }
Control Correlation(std::string_view label, int maxLength, std::string_view advice) {
  return Field(label, maxLength).AtLeast(-1, advice).AtMost(1, advice);
}

// The forms, ratio then regression, for each objective.
const EntryForm<In> kPointForms[2] = {
    {{143,
      kTitle,
      {Static(kEnter), N("Population size:", 15), Field("Sample average of variable of interest:", 15),
       BarX("Sample average of auxiliary variable:", 10), Field("Population average of auxiliary variable:", 15)}},
     {kN, kBarY, kBarX, kMuX}},
    {{144,
      kTitle,
      {Static(kEnter), N("Population size:", 15), Field("Sample average of variable of interest:", 15),
       Field("Sample average of auxiliary variable:", 15), Field("Population average of auxiliary variable:", 15),
       Field("Least squares estimate:", 15)}},
     {kN, kBarY, kBarX, kMuX, kB}},
};

const EntryForm<In> kIntervalForms[2] = {
    {{145,
      kTitle,
      {Static(kEnterSelect), N("Population size, N:", 15),
       SampleSize(Field("Sample size, n:", 15), "Population size, N:", false),
       Field("Sample average of variable of interest, barY:", 15),
       BarX("Sample average of auxiliary variable, barX:", 15),
       Field("Population average of auxiliary variable, muX:", 15),
       Field("Sample std. deviation of residuals, S_r:", 15).AtLeast(0, kNegativeResidualSd),
       StoredLevelList("Confidence level:").Right()}},
     {kN, kSmallN, kBarY, kBarX, kMuX, kS, kLevel}},
    {{146,
      kTitle,
      {Static(kEnterSelect), N("Population size, N:", 15),
       SampleSize(Field("Sample size, n:", 15), "Population size, N:", false),
       Field("Sample average of variable of interest, barY:", 15),
       Field("Sample average of auxiliary variable, barX:", 15),
       Field("Population average of auxiliary variable, muX:", 15),
       Field("Sample std. deviation of residuals, S_lr:", 15).AtLeast(0, kNegativeResidualSd),
       Field("Least squares estimate, b:", 15).Right(), StoredLevelList("Confidence level:").Right()}},
     {kN, kSmallN, kBarY, kBarX, kMuX, kS, kB, kLevel}},
};

const EntryForm<In> kSdForms[2] = {
    {{147,
      kTitle,
      {Static(kEnterSelect), PopulationOfMany(N("Population size, N:", 15)),
       SampleSize(Field("Sample size, n:", 15), "Population size, N:", false),
       Field("Population average of auxiliary variable, muX:", 15),
       Field("*Population average of variable of interest, muY:", 15),
       RatioSd("*Population std. deviation of auxiliary variable, sigmaX:", 15),
       RatioSd("*Population std. deviation of variable of interest, sigmaY:", 15),
       Correlation("*Population correlation coefficient of X and Y, rhoXY:", 15, kNoCorrelation), Static(kGuessNote)}},
     {kN, kSmallN, kMuX, kMuY, kSigmaX, kSigmaY, kRhoXY}},
    {{148,
      kTitle,
      {Static(kEnterSelect), PopulationOfMany(N("Population size, N:", 15)),
       SampleSize(Field("Sample size, n:", 15), "Population size, N:", false),
       Sd("*Population std. deviation of variable of interest, sigmaY:", 15),
       Correlation("*Population correlation coefficient of X and Y, rhoXY:", 15, kRegressionCorrelation),
       Static(kGuessNote)}},
     {kN, kSmallN, kSigmaY, kRhoXY}},
};

const EntryForm<In> kSampleSizeForms[2] = {
    {{149,
      kTitle,
      {Static(kEnterSelect), N("Population size, N:", 15), Field("Population average of auxiliary variable, muX:", 15),
       Field("*Population average of variable of interest, muY:", 15),
       RatioSd("*Population std. deviation of auxiliary variable, sigmaX:", 15),
       RatioSd("*Population std. deviation of variable of interest, sigmaY:", 15).Right(),
       Correlation("*Population correlation coefficient of X and Y, rhoXY:", 15, kNoCorrelation).Right(),
       Radio("Special target:", {"Mean", "Total"}, 1), Group("Sample accuracy requirements", 2),
       Margin(Field("Margin, c:", 15)), StoredLevelList("Probability, 1-alpha:"), Static(kGuessNote)}},
     {kN, kMuX, kMuY, kSigmaX, kSigmaY, kRhoXY, kChoice, kMargin, kLevel}},
    {{150,
      kTitle,
      {Static(kEnterSelect), N("Population size, N:", 15),
       Sd("*Population std. deviation of variable of interest, sigmaY:", 15),
       Correlation("*Population correlation coefficient of X and Y, rhoXY:", 0, kRegressionCorrelationSize),
       Radio("Special target:", {"Mean", "Total"}, 1), Group("Sample accuracy requirements", 2),
       Margin(Field("Margin, c:", 15)), StoredLevelList("Probability, 1-alpha:"), Static(kGuessNote)}},
     {kN, kSigmaY, kRhoXY, kChoice, kMargin, kLevel}},
};

// The estimator's form of one objective.
const EntryForm<In>& FormOf(const SrsAuxInput& in, const EntryForm<In> (&forms)[2]) {
  return forms[in.Regression() ? 1 : 0];
}

void Heading(CTervoDoc& d, const SrsAuxInput& in, const char* target, const char* objective) {
  d.AppendSeparator();
  d.AppendLine("%s", target);
  d.AppendLine("Method: Simple random sampling");
  d.AppendLine("%s", objective);
  d.AppendLine("%s", in.Regression() ? "Estimator: Regression" : "Estimator: Ratio");
}

constexpr const char* kMeanTarget = "Target: Mean and total of variable";

const char* SizeTarget(const SrsAuxInput& in) {
  return in.specialTarget == SpecialTarget::TotalOrNumber ? "Target: Total of variable" : "Target: Mean of variable";
}

// The estimate of the population mean from the sample.
double Estimate(const SrsAuxInput& in) {
  return in.Regression() ? in.barY + in.b * (in.muX - in.barX) : (in.barY / in.barX) * in.muX;
}

// The variance term of the estimator from the guessed population values.
double GuessedVariance(const SrsAuxInput& in) {
  if (in.Regression()) return in.sigmaY * in.sigmaY * (1 - in.rhoXY * in.rhoXY);
  // With rhoXY = 1 and sigmaY = R sigmaX the terms cancel to 0: in twice
  // the precision they do not come out below it.
  const Wide sigmaX = Exact(in.sigmaX), sigmaY = Exact(in.sigmaY);
  return VarianceOfDifference(sigmaY * sigmaY, Exact(in.rhoXY) * sigmaX * sigmaY, sigmaX * sigmaX,
                              Quotient(in.muY, in.muX));
}

void EchoAverages(CTervoDoc& d, const SrsAuxInput& in) {
  d.AppendLine("Sample average of variable of interest, barY= %f", in.barY);
  d.AppendLine("Sample average of auxiliary variable, barX= %f", in.barX);
  d.AppendLine("Population average of auxiliary variable, muX= %f", in.muX);
}

void EchoSlope(CTervoDoc& d, const SrsAuxInput& in) {
  if (in.Regression()) d.AppendLine("Sample least squares estimator, b= %f", in.b);
}

// The guessed values only the ratio estimator needs, then sigmaY.
void EchoGuesses(CTervoDoc& d, const SrsAuxInput& in) {
  if (!in.Regression()) {
    d.AppendLine("Population average of auxiliary variable, muX= %f", in.muX);
    d.AppendLine("Population average of variable of interest, muY= %f", in.muY);
    d.AppendLine("Population std. deviation of auxiliary variable, sigmaX= %f", in.sigmaX);
  }
  d.AppendLine("Population std. deviation of variable of interest, sigmaY= %f", in.sigmaY);
}

Record& RecordAverages(Record& rec, const SrsAuxInput& in) {
  rec.Input("sample_mean_y", in.barY).Input("sample_mean_x", in.barX).Input("population_mean_x", in.muX);
  if (in.Regression()) rec.Input("slope", in.b);
  return rec;
}

Record& RecordGuesses(Record& rec, const SrsAuxInput& in) {
  if (!in.Regression())
    rec.Input("population_mean_x", in.muX).Input("population_mean_y", in.muY).Input("population_sd_x", in.sigmaX);
  return rec.Input("population_sd_y", in.sigmaY).Input("correlation", in.rhoXY);
}

}  // namespace

SrsAuxInput::SrsAuxInput(const CalculatorState& state) : estimator(state.m_nEstimator) {
  LoadState<In>(state, *this, kState);
}

AuxPoint ComputeAuxPoint(const SrsAuxInput& in) {
  const double est = Estimate(in);
  return {in, est, in.N * est};
}

AuxInterval ComputeAuxInterval(const SrsAuxInput& in) {
  const double est = Estimate(in);
  const double sd = in.S * std::sqrt((in.N - in.n) / (in.N * in.n));
  const double low = est - in.z * sd, high = est + in.z * sd;
  return {in, est, in.N * est, sd, low, high, in.N * low, in.N * high, IsSmallSample(in.n, in.N)};
}

AuxSd ComputeAuxSd(const SrsAuxInput& in) {
  const double V = (in.N - in.n) * GuessedVariance(in) / ((in.N - 1) * in.n);
  return {in, std::sqrt(V), in.N * std::sqrt(V), IsSmallSample(in.n, in.N)};
}

AuxSampleSize ComputeAuxSampleSize(const SrsAuxInput& in) {
  const double D = GuessedVariance(in);
  const double e = in.specialTarget == SpecialTarget::TotalOrNumber ? in.margin / (in.z * in.N) : in.margin / in.z;
  const double required = in.N * D / ((in.N - 1) * e * e + D);
  return {in, required, IsSmallSample(required, in.N)};
}

void Write(CTervoDoc& d, const AuxPoint& r) {
  Heading(d, r.in, kMeanTarget, "Objective: Point estimates");
  d.AppendLine("Population size, N= %.0f", r.in.N);
  EchoAverages(d, r.in);
  EchoSlope(d, r.in);
  d.AppendLine("Estimate of population mean: %f", r.mean);
  d.AppendLine("Estimate of population total: %f", r.total);
}

void Write(CTervoDoc& d, const AuxInterval& r) {
  const char* suffix = r.in.Regression() ? "lr" : "r";
  Heading(d, r.in, kMeanTarget, "Objective: Confidence intervals");
  d.AppendLine("Population size, N= %.0f", r.in.N);
  d.AppendLine("Sample size, n= %.0f", r.in.n);
  EchoAverages(d, r.in);
  d.AppendLine("Sample std. deviation of residuals, S_%s= %f", suffix, r.in.S);
  d.AppendLine("Estimated std. deviation of estimator, HatSdbarY_%s= %f", suffix, r.sd);
  EchoSlope(d, r.in);
  d.AppendLine("Estimate of population mean: %f", r.mean);
  d.AppendLine("Estimate of population total: %f", r.total);
  if (r.warning) d.AppendWarning();
  d.AppendIntervals(CTervoDoc::IntervalOf::MeanTotal, CTervoDoc::Wording::Population, r.in.probability, r.in.N, r.low,
                    r.high);
}

void Write(CTervoDoc& d, const AuxSd& r) {
  Heading(d, r.in, kMeanTarget, "Objective: Theoretical standard deviation of estimator");
  d.AppendLine("Population size, N= %.0f", r.in.N);
  d.AppendLine("Sample size, n= %.0f", r.in.n);
  EchoGuesses(d, r.in);
  d.AppendLine("Population correlation coefficient of X and Y %f", r.in.rhoXY);
  if (r.warning) d.AppendWarning();
  d.AppendLine("Std. deviation of estimator of population mean= %f", r.sd);
  d.AppendLine("Std. deviation of estimator of population total= %f", r.totalSd);
}

void Write(CTervoDoc& d, const AuxSampleSize& r) {
  Heading(d, r.in, SizeTarget(r.in), "Objective: Sample size determination");
  d.AppendLine("Population size, N= %.0f", r.in.N);
  EchoGuesses(d, r.in);
  d.AppendLine("Population correlation coefficient of X and Y, rhoXY= %f", r.in.rhoXY);
  d.AppendLine("Accuracy requirements, margin= %f", r.in.margin);
  d.AppendLine("Accuracy requirements, probability= %f", r.in.probability);
  d.AppendLine("Required sample size is %.0f", r.required);
  if (r.warning) d.AppendWarning();
}

Record ToRecord(const AuxPoint& r) {
  Record rec;
  RecordAverages(rec.Input("population_size", r.in.N), r.in);
  return RecordEstimates(rec, kMeanKeys, r.mean, r.total);
}

Record ToRecord(const AuxInterval& r) {
  Record rec;
  RecordAverages(rec.Input("population_size", r.in.N).Input("sample_size", r.in.n), r.in);
  rec.Input("residual_sd", r.in.S).Input("confidence", r.in.probability).Input("z", r.in.z);
  RecordEstimates(rec, kMeanKeys, r.mean, r.total);
  return RecordIntervals(rec, kMeanKeys, r.sd, r.low, r.high, r.totalLow, r.totalHigh);
}

Record ToRecord(const AuxSd& r) {
  Record rec;
  RecordGuesses(rec.Input("population_size", r.in.N).Input("sample_size", r.in.n), r.in);
  return RecordDeviations(rec, kMeanKeys, r.sd, r.totalSd);
}

Record ToRecord(const AuxSampleSize& r) {
  Record rec;
  RecordGuesses(rec.Input("population_size", r.in.N), r.in);
  rec.Input("special_target", static_cast<int>(r.in.specialTarget));
  return RecordAccuracy(rec, r.in.margin, r.in.probability, r.in.z).Result("required_sample_size", r.required);
}

int SrsAuxPoint(CTervoDoc& d) {
  SrsAuxInput in(d);
  if (!Collect(d, in, FormOf(in, kPointForms))) return 0;
  return Report(d, ComputeAuxPoint(in));
}

int SrsAuxInterval(CTervoDoc& d) {
  SrsAuxInput in(d);
  if (!Collect(d, in, FormOf(in, kIntervalForms))) return 0;
  return Report(d, ComputeAuxInterval(in));
}

int SrsAuxSd(CTervoDoc& d) {
  SrsAuxInput in(d);
  if (!Collect(d, in, FormOf(in, kSdForms))) return 0;
  return Report(d, ComputeAuxSd(in));
}

int SrsAuxSampleSize(CTervoDoc& d) {
  SrsAuxInput in(d);
  if (!Collect(d, in, FormOf(in, kSampleSizeForms))) return 0;
  return Report(d, ComputeAuxSampleSize(in));
}

// ---- The commands ---------------------------------------------------------------------

namespace {

using M = Method;
using T = Target;
using O = Objective;
using E = Estimator;

// Data mode: the figures of the estimates from unit-level data, y and x.
using S = data::FieldSource;
const data::ScanPlan kYX{.numeric = {data::Role::Y, data::Role::X}, .by = std::nullopt};
const data::CommandFigures kRatioPointFigures{
    kYX,
    {{&kPointForms[0].tmpl,
      false,
      {{"Sample average of variable of interest:", S::MeanY}, {"Sample average of auxiliary variable:", S::MeanX}}}}};
const data::CommandFigures kRegressionPointFigures{kYX,
                                                   {{&kPointForms[1].tmpl,
                                                     false,
                                                     {{"Sample average of variable of interest:", S::MeanY},
                                                      {"Sample average of auxiliary variable:", S::MeanX},
                                                      {"Least squares estimate:", S::Slope}}}}};
const data::CommandFigures kRatioIntervalFigures{kYX,
                                                 {{&kIntervalForms[0].tmpl,
                                                   false,
                                                   {{"Sample size, n:", S::Count},
                                                    {"Sample average of variable of interest, barY:", S::MeanY},
                                                    {"Sample average of auxiliary variable, barX:", S::MeanX},
                                                    {"Sample std. deviation of residuals, S_r:", S::RatioResidSd}}}}};
const data::CommandFigures kRegressionIntervalFigures{
    kYX,
    {{&kIntervalForms[1].tmpl,
      false,
      {{"Sample size, n:", S::Count},
       {"Sample average of variable of interest, barY:", S::MeanY},
       {"Sample average of auxiliary variable, barX:", S::MeanX},
       {"Sample std. deviation of residuals, S_lr:", S::RegressResidSd},
       {"Least squares estimate, b:", S::Slope}}}}};

std::vector<FormHelp> FormsHelp() {
  return {
      {"Ratio estimator, point estimates (Point estimates > Ratio)",
       {&kPointForms[0].tmpl},
       "**Population size:** N. **Sample average of variable of interest:** barY. **Sample average of "
       "auxiliary variable:** barX. **Population average of auxiliary variable:** muX, which must be known. "
       "The estimate of the mean is (barY / barX) · muX.",
       "N 1000, barY 20, barX 10 and muX 12: the mean is 20 / 10 · 12 = 24.000000 and the total 24000.000000."},
      {"Regression estimator, point estimates (Point estimates > Regression)",
       {&kPointForms[1].tmpl},
       "As for the ratio estimator (**Population size:**, **Sample average of variable of interest:**, "
       "**Sample average of auxiliary variable:**, **Population average of auxiliary variable:**), and **Least "
       "squares estimate:** b, the slope of the least squares line of y on x in the sample. The estimate of "
       "the mean is barY + b · (muX − barX).",
       "The same figures with b 1.5: the mean is 20 + 1.5 · (12 − 10) = 23.000000 and the total 23000.000000."},
      {"Ratio estimator, interval estimates",
       {&kIntervalForms[0].tmpl},
       "**Population size, N:**, **Sample size, n:**, **Sample average of variable of interest, barY:**, "
       "**Sample average of auxiliary variable, barX:**, **Population average of auxiliary variable, muX:**, "
       "and **Sample std. deviation of residuals, S_r:** the standard deviation of the residuals y − (barY / "
       "barX) · x with divisor n − 1. Mirto takes it as entered: sd = S_r · sqrt((N − n) / (N · n)). "
       "**Confidence level:** the level of the intervals.",
       "N 1000, n 100, barY 20, barX 10, muX 12, S_r 5 and the 95% level: sd = 5 · sqrt(900 / 100000) = 0.474342 and "
       "the interval for the mean runs from 23.070290 to 24.929710."},
      {"Regression estimator, interval estimates",
       {&kIntervalForms[1].tmpl},
       "**Population size, N:**, **Sample size, n:**, **Sample average of variable of interest, barY:**, "
       "**Sample average of auxiliary variable, barX:**, **Population average of auxiliary variable, muX:**, "
       "**Sample std. deviation of residuals, S_lr:** the standard deviation of the residuals of the least "
       "squares line with divisor n − 2, taken as entered as for the ratio estimator; **Least squares "
       "estimate, b:** the slope; **Confidence level:**."},
      {"Ratio estimator, theoretical standard deviation",
       {&kSdForms[0].tmpl},
       "**Population size, N:**, **Sample size, n:** (planned) and **Population average of auxiliary variable, "
       "muX:** (known); the guesses, marked with an asterisk: ***Population average of variable of interest, "
       "muY:**, ***Population std. deviation of auxiliary variable, sigmaX:** and ***Population std. "
       "deviation of variable of interest, sigmaY:** (both with divisor N), ***Population correlation "
       "coefficient of X and Y, rhoXY:**. With R = muY / muX the variance is (N − n) · D / ((N − 1) · n), "
       "D = sigmaY² + R² · sigmaX² − 2 · R · rhoXY · sigmaX · sigmaY."},
      {"Regression estimator, theoretical standard deviation",
       {&kSdForms[1].tmpl},
       "**Population size, N:**, **Sample size, n:**, ***Population std. deviation of variable of interest, "
       "sigmaY:** (divisor N) and ***Population correlation coefficient of X and Y, rhoXY:**; D = sigmaY² · "
       "(1 − rhoXY²) in the same variance."},
      {"Ratio estimator, sample size",
       {&kSampleSizeForms[0].tmpl},
       "The fields of the theoretical standard deviation without the sample size (**Population size, N:**, "
       "**Population average of auxiliary variable, muX:**, ***Population average of variable of interest, "
       "muY:**, ***Population std. deviation of auxiliary variable, sigmaX:**, ***Population std. "
       "deviation of variable of interest, sigmaY:**, ***Population correlation coefficient of X and Y, "
       "rhoXY:**), then **Special target:**, **Margin, c:** and **Probability, 1-alpha:** as for the simple "
       "estimator; the size is N · D / ((N − 1) · e² + D)."},
      {"Regression estimator, sample size",
       {&kSampleSizeForms[1].tmpl},
       "**Population size, N:**, ***Population std. deviation of variable of interest, sigmaY:**, "
       "***Population correlation coefficient of X and Y, rhoXY:**, **Special target:**, **Margin, c:** and "
       "**Probability, 1-alpha:**."},
  };
}

constexpr Command kCommands[] = {
    Leaf("simple.mean.point.ratio", 32805, "Simple > Mean/total of variable > Point estimates > Ratio",
         {M::Simple, T::MeanTotal, O::Point, E::Ratio}, "M: Simple, T: Mean/total, O: Point, E: Ratio", nullptr,
         &SrsAuxPoint, {&kPointForms[0].tmpl}, &kRatioPointFigures),
    Leaf("simple.mean.point.regression", 32806, "Simple > Mean/total of variable > Point estimates > Regression",
         {M::Simple, T::MeanTotal, O::Point, E::Regression}, "M: Simple, T: Mean/total, O: Point, E: Regression",
         nullptr, &SrsAuxPoint, {&kPointForms[1].tmpl}, &kRegressionPointFigures),
    Leaf("simple.mean.interval.ratio", 32811, "Simple > Mean/total of variable > Interval estimates > Ratio",
         {M::Simple, T::MeanTotal, O::Interval, E::Ratio}, "M: Simple, T: Mean/total, O: IntervalEst, E: Ratio",
         nullptr, &SrsAuxInterval, {&kIntervalForms[0].tmpl}, &kRatioIntervalFigures),
    Leaf("simple.mean.interval.regression", 32812, "Simple > Mean/total of variable > Interval estimates > Regression",
         {M::Simple, T::MeanTotal, O::Interval, E::Regression},
         "M: Simple, T: Mean/total, O: IntervalEst, E: Regression", nullptr, &SrsAuxInterval, {&kIntervalForms[1].tmpl},
         &kRegressionIntervalFigures),
    Leaf("simple.mean.sd.ratio", 32815, "Simple > Mean/total of variable > Th. std. dev. of estimator > Ratio",
         {M::Simple, T::MeanTotal, O::ThStdDev, E::Ratio}, "M: Simple, T: Mean/total, O: ThStdDevEst, E: Ratio",
         nullptr, &SrsAuxSd, {&kSdForms[0].tmpl}),
    Leaf("simple.mean.sd.regression", 32816,
         "Simple > Mean/total of variable > Th. std. dev. of estimator > Regression",
         {M::Simple, T::MeanTotal, O::ThStdDev, E::Regression},
         "M: Simple, T: Mean/total, O: ThStdDevEst, E: Regression", nullptr, &SrsAuxSd, {&kSdForms[1].tmpl}),
    Leaf("simple.mean.size.ratio", 32819, "Simple > Mean/total of variable > Sample size > Ratio",
         {M::Simple, T::MeanTotal, O::SampleSize, E::Ratio}, "M: Simple, T: Mean/total, O: SampleSize, E: Ratio",
         nullptr, &SrsAuxSampleSize, {&kSampleSizeForms[0].tmpl}),
    Leaf("simple.mean.size.regression", 32820, "Simple > Mean/total of variable > Sample size > Regression",
         {M::Simple, T::MeanTotal, O::SampleSize, E::Regression},
         "M: Simple, T: Mean/total, O: SampleSize, E: Regression", nullptr, &SrsAuxSampleSize,
         {&kSampleSizeForms[1].tmpl}),
};

}  // namespace

const CommandTable kAuxTable{kCommands, {}, &FormsHelp};

}  // namespace srs
}  // namespace mirto
