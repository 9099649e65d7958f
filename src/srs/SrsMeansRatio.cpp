// Simple random sampling: the ratio of the means (or totals) of two variables
// Y1 and Y2 measured on the same elements.
#include <cmath>

#include "data/Figures.h"
#include "framework/Routine.h"
#include "journal/CTervoDoc.h"
#include "srs/Srs.h"

namespace mirto {
namespace srs {
namespace {

using D = CalculatorState;
using In = SrsMeansRatioInput;

constexpr Item<In> kN = RealItem(&In::N, &D::m_dPopSize);
constexpr Item<In> kSmallN = RealItem(&In::n, &D::m_dSampleSize);
constexpr Item<In> kBarY1 = RealItem(&In::barY1, &D::m_dSampleMean1);
constexpr Item<In> kBarY2 = RealItem(&In::barY2, &D::m_dSampleMean2);
constexpr Item<In> kS2_1 = RealItem(&In::S2_1, &D::m_dSampleVar1);
constexpr Item<In> kS2_2 = RealItem(&In::S2_2, &D::m_dSampleVar2);
constexpr Item<In> kS_12 = RealItem(&In::S_12, &D::m_dSampleCov12);
constexpr Item<In> kMu1 = RealItem(&In::mu_1, &D::m_dPopMean1);
constexpr Item<In> kMu2 = RealItem(&In::mu_2, &D::m_dPopMean2);
constexpr Item<In> kSigma2_1 = RealItem(&In::sigma2_1, &D::m_dPopVar1);
constexpr Item<In> kSigma2_2 = RealItem(&In::sigma2_2, &D::m_dPopVar2);
constexpr Item<In> kSigma_12 = RealItem(&In::sigma_12, &D::m_dPopCov12);
constexpr Item<In> kMargin = RealItem(&In::margin, &D::m_dMargin);
constexpr Item<In> kLevel = LevelItem(&In::probability, &In::z, &D::m_dLevel, &D::m_dZ);
constexpr Item<In> kState[] = {kN,   kSmallN, kBarY1,    kBarY2,    kS2_1,     kS2_2,   kS_12,
                               kMu1, kMu2,    kSigma2_1, kSigma2_2, kSigma_12, kMargin, kLevel};

// The forms with a list take over-long text while typing and refuse it at OK.
Control Loose(std::string_view label, int maxLength) { return Field(label, maxLength).WithoutTypingLimit(); }

constexpr std::string_view kNoBarY2 = "barY2 is 0: the ratio divides by it and shows as inf or nan";
constexpr std::string_view kNoMu2 = "mu_2 is 0: the formulas divide by it, so the report shows inf or nan";

Control N(Control c) { return PopulationSize(c); }
Control Variance(Control c) { return c.AtLeast(0, kNegativeVariance); }

const EntryForm<In> kPointForm{{151,
                                kTitle,
                                {Static(kEnter), Field("Sample average of Y1, barY1:", 15),
                                 Field("Sample average of Y2, barY2:", 15).NotZero(kNoBarY2)}},
                               {kBarY1, kBarY2}};

const EntryForm<In> kIntervalForm{
    {152,
     kTitle,
     {Static(kEnterSelect), N(Loose("Population size, N:", 15)),
      SampleSize(Loose("Sample size, n:", 15), "Population size, N:", true), Loose("Sample average of Y1, barY1:", 15),
      Loose("Sample average of Y2, barY2:", 15).NotZero(kNoBarY2), Variance(Loose("Sample variance of Y1, S^2_1:", 15)),
      Variance(Loose("Sample variance of Y2, S^2_2:", 15)), Loose("Sample covariance of Y1 and Y2, S_12:", 15),
      StoredLevelList("Confidence level:").Right()}},
    {kN, kSmallN, kBarY1, kBarY2, kS2_1, kS2_2, kS_12, kLevel}};

const EntryForm<In> kSdForm{
    {153,
     kTitle,
     {Static(kEnter), PopulationOfMany(N(Field("Population size, N:", 15))),
      SampleSize(Field("Sample size, n:", 15), "Population size, N:", false),
      Field("Population average of Y1 *, mu_1:", 15), Field("Population average of Y2 *, mu_2:", 15).NotZero(kNoMu2),
      Variance(Field("Population variance of Y1 *, sigma^2_1:", 15)).Right(),
      Variance(Field("Population variance of Y2 *, sigma^2_2:", 15)).Right(),
      Field("Population covariance of Y1 and Y2 *, sigma_12:", 15), Static(kGuessNote)}},
    {kN, kSmallN, kMu1, kMu2, kSigma2_1, kSigma2_2, kSigma_12}};

const EntryForm<In> kSampleSizeForm{
    {154,
     kTitle,
     {Static("Enter or select the following information"), N(Loose("Population size, N:", 15)),
      Loose("Population average of Y1 *, mu_1:", 15), Loose("Population average of Y2 *, mu_2:", 15).NotZero(kNoMu2),
      Variance(Loose("Population variance of Y1 *, sigma^2_1:", 0)).Right(),
      Variance(Loose("Population variance of Y2 *, sigma^2_2:", 15)).Right(),
      Loose("Population covariance of Y1 and Y2 *, sigma_12:", 15), Group("Sample accuracy requirements", 2),
      Margin(Loose("Margin:", 15)), StoredLevelList("Probability:"), Static(kGuessNote)}},
    {kN, kMu1, kMu2, kSigma2_1, kSigma2_2, kSigma_12, kMargin, kLevel}};

void Heading(CTervoDoc& d, const char* objective) {
  d.AppendSeparator();
  d.AppendLine("Target: Ratio of totals or means of two variables");
  d.AppendLine("Method: Simple random sampling");
  d.AppendLine("%s", objective);
}

// The population ratio P of the guessed averages.
double GuessedRatio(const SrsMeansRatioInput& in) { return in.mu_1 / in.mu_2; }

// Q of the guessed values: the variance of Y1 - P Y2.
double GuessedQ(const SrsMeansRatioInput& in) {
  const double P = GuessedRatio(in);
  return in.sigma2_1 + P * P * in.sigma2_2 - 2 * P * in.sigma_12;
}

// The theoretical standard deviation of the estimator at the record's n.
double TheoreticalSd(const SrsMeansRatioInput& in) {
  return std::sqrt((in.N - in.n) * GuessedQ(in) / ((in.N - 1) * in.n * in.mu_2 * in.mu_2));
}

void EchoGuesses(CTervoDoc& d, const SrsMeansRatioInput& in) {
  d.AppendLine("Population average of Y1= %f", in.mu_1);
  d.AppendLine("Population average of Y2= %f", in.mu_2);
  d.AppendLine("Population variance of Y1= %f", in.sigma2_1);
  d.AppendLine("Population variance of Y2= %f", in.sigma2_2);
  d.AppendLine("Population covariance of Y1 and Y2= %f", in.sigma_12);
}

Record& RecordGuesses(Record& rec, const SrsMeansRatioInput& in) {
  return rec.Input("population_mean_1", in.mu_1)
      .Input("population_mean_2", in.mu_2)
      .Input("population_var_1", in.sigma2_1)
      .Input("population_var_2", in.sigma2_2)
      .Input("population_cov_12", in.sigma_12);
}

}  // namespace

SrsMeansRatioInput::SrsMeansRatioInput(const CalculatorState& state) { LoadState<In>(state, *this, kState); }

RatioPoint ComputeRatioPoint(const SrsMeansRatioInput& in) { return {in, in.barY1 / in.barY2}; }

RatioInterval ComputeRatioInterval(const SrsMeansRatioInput& in) {
  const double R = in.barY1 / in.barY2;
  const double Q = in.S2_1 + R * R * in.S2_2 - 2 * R * in.S_12;
  const double sd = std::sqrt((in.N - in.n) * Q / (in.N * (in.n - 1) * in.barY2 * in.barY2));
  return {in, R, sd, R - in.z * sd, R + in.z * sd, IsSmallSample(in.n, in.N)};
}

RatioSd ComputeRatioSd(const SrsMeansRatioInput& in) {
  return {in, GuessedRatio(in), TheoreticalSd(in), IsSmallSample(in.n, in.N)};
}

// n stays as stored: the block reports the deviation there.
RatioSampleSize ComputeRatioSampleSize(const SrsMeansRatioInput& input) {
  SrsMeansRatioInput in = input;
  in.u = GuessedQ(in) / (in.mu_2 * in.mu_2);
  in.e = in.margin / in.z;
  const double required = in.N * in.u / ((in.N - 1) * in.e * in.e + in.u);
  return {in, GuessedRatio(in), TheoreticalSd(in), required, IsSmallSample(required, in.N)};
}

void Write(CTervoDoc& d, const RatioPoint& r) {
  Heading(d, "Objective: Point estimate");
  d.AppendLine("Sample average of numerator, barY1= %f", r.in.barY1);
  d.AppendLine("Sample average of denominator, barY2= %f", r.in.barY2);
  d.AppendLine("Point estimate of ratio is %f", r.ratio);
}

void Write(CTervoDoc& d, const RatioInterval& r) {
  Heading(d, "Objective: Confidence interval estimate");
  d.AppendLine("Population size, N= %.0f", r.in.N);
  d.AppendLine("Sample size, n= %.0f", r.in.n);
  d.AppendLine("Sample average of Y1= %f", r.in.barY1);
  d.AppendLine("Sample average of Y2= %f", r.in.barY2);
  d.AppendLine("Sample variance of Y1= %f", r.in.S2_1);
  d.AppendLine("Sample variance of Y2= %f", r.in.S2_2);
  d.AppendLine("Sample covariance of Y1 and Y2= %f", r.in.S_12);
  d.AppendLine("Point estimate of ratio is %f", r.ratio);
  if (r.warning) d.AppendWarning();
  d.AppendLine("Estimate of the std. deviation of the estimator: %f", r.sd);
  d.AppendLine("Approx. %.2f confidence interval for population ratio is from %f to %f", r.in.probability, r.low,
               r.high);
}

void Write(CTervoDoc& d, const RatioSd& r) {
  Heading(d, "Objective: Theoretical standard deviation of estimator");
  d.AppendLine("Population size, N= %.0f", r.in.N);
  d.AppendLine("Sample size, n= %.0f", r.in.n);
  EchoGuesses(d, r.in);
  d.AppendLine("Population ratio of Y1 and Y2= %f", r.ratio);
  if (r.warning) d.AppendWarning();
  d.AppendLine("Approx. std. deviation of the estimator: %f", r.sd);
}

void Write(CTervoDoc& d, const RatioSampleSize& r) {
  Heading(d, "Objective: Sample size calculation");
  d.AppendLine("Population size, N= %.0f", r.in.N);
  d.AppendLine("Sample size, n= %.0f", r.in.n);
  EchoGuesses(d, r.in);
  d.AppendLine("Accuracy requirements, margin: %f", r.in.margin);
  d.AppendLine("Accuracy requirements, probability: %f", r.in.probability);
  d.AppendLine("Population ratio of Y1 and Y2= %f", r.ratio);
  d.AppendLine("Approx. std. deviation of the estimator: %f", r.sd);
  d.AppendLine("Required sample size is %.0f", r.required);
  if (r.warning) d.AppendWarning();
}

Record ToRecord(const RatioPoint& r) {
  Record rec;
  return rec.Input("sample_mean_1", r.in.barY1).Input("sample_mean_2", r.in.barY2).Result("ratio", r.ratio);
}

Record ToRecord(const RatioInterval& r) {
  Record rec;
  return rec.Input("population_size", r.in.N)
      .Input("sample_size", r.in.n)
      .Input("sample_mean_1", r.in.barY1)
      .Input("sample_mean_2", r.in.barY2)
      .Input("sample_var_1", r.in.S2_1)
      .Input("sample_var_2", r.in.S2_2)
      .Input("sample_cov_12", r.in.S_12)
      .Input("confidence", r.in.probability)
      .Input("z", r.in.z)
      .Result("ratio", r.ratio)
      .Result("sd_ratio", r.sd)
      .Result("ratio_low", r.low)
      .Result("ratio_high", r.high);
}

Record ToRecord(const RatioSd& r) {
  Record rec;
  RecordGuesses(rec.Input("population_size", r.in.N).Input("sample_size", r.in.n), r.in);
  return rec.Result("population_ratio", r.ratio).Result("sd_ratio", r.sd);
}

Record ToRecord(const RatioSampleSize& r) {
  Record rec;
  RecordGuesses(rec.Input("population_size", r.in.N).Input("sample_size", r.in.n), r.in);
  return RecordAccuracy(rec, r.in.margin, r.in.probability, r.in.z)
      .Result("population_ratio", r.ratio)
      .Result("sd_ratio", r.sd)
      .Result("required_sample_size", r.required);
}

int SrsMeansRatioPoint(CTervoDoc& d) {
  SrsMeansRatioInput in(d);
  if (!Collect(d, in, kPointForm)) return 0;
  return Report(d, ComputeRatioPoint(in));
}

int SrsMeansRatioInterval(CTervoDoc& d) {
  SrsMeansRatioInput in(d);
  if (!Collect(d, in, kIntervalForm)) return 0;
  return Report(d, ComputeRatioInterval(in));
}

int SrsMeansRatioSd(CTervoDoc& d) {
  SrsMeansRatioInput in(d);
  if (!Collect(d, in, kSdForm)) return 0;
  return Report(d, ComputeRatioSd(in));
}

int SrsMeansRatioSampleSize(CTervoDoc& d) {
  SrsMeansRatioInput in(d);
  if (!Collect(d, in, kSampleSizeForm)) return 0;
  return Report(d, ComputeRatioSampleSize(in));
}

// ---- The commands ---------------------------------------------------------------------

namespace {

using M = Method;
using T = Target;
using O = Objective;
using E = Estimator;

// Data mode: the figures of the estimates from unit-level data, y1 and y2.
// The interval divides the (co)variances by n - 1 itself, so it takes them
// with divisor n.
using S = data::FieldSource;
const data::ScanPlan kY1Y2{.numeric = {data::Role::Y1, data::Role::Y2}, .by = std::nullopt};
const data::CommandFigures kPointFigures{
    kY1Y2,
    {{&kPointForm.tmpl,
      false,
      {{"Sample average of Y1, barY1:", S::MeanY}, {"Sample average of Y2, barY2:", S::MeanX}}}}};
const data::CommandFigures kIntervalFigures{kY1Y2,
                                            {{&kIntervalForm.tmpl,
                                              false,
                                              {{"Sample size, n:", S::Count},
                                               {"Sample average of Y1, barY1:", S::MeanY},
                                               {"Sample average of Y2, barY2:", S::MeanX},
                                               {"Sample variance of Y1, S^2_1:", S::VarYByN},
                                               {"Sample variance of Y2, S^2_2:", S::VarXByN},
                                               {"Sample covariance of Y1 and Y2, S_12:", S::CovByN}}}}};

std::vector<FormHelp> FormsHelp() {
  return {
      {"Ratio of two variables, point estimate (Ratio of means/totals > Point estimates)",
       {&kPointForm.tmpl},
       "**Sample average of Y1, barY1:** the numerator and **Sample average of Y2, barY2:** the denominator; "
       "the estimate of the ratio of the means (and of the totals) is barY1 / barY2. No population size is "
       "needed."},
      {"Ratio of two variables, interval estimate",
       {&kIntervalForm.tmpl},
       "**Population size, N:**, **Sample size, n:**, **Sample average of Y1, barY1:**, **Sample average of "
       "Y2, barY2:**, **Sample variance of Y1, S^2_1:**, **Sample variance of Y2, S^2_2:** and **Sample "
       "covariance of Y1 and Y2, S_12:**, all three with divisor n: as for the mean, Mirto divides by n − 1 "
       "itself, sd = sqrt((N − n) · Q / (N · (n − 1) · barY2²)) with Q = S²_1 + R² · S²_2 − 2 · R · S_12. "
       "**Confidence level:** the level of the interval."},
      {"Ratio of two variables, theoretical standard deviation",
       {&kSdForm.tmpl},
       "**Population size, N:**, **Sample size, n:**, and the guesses (marked *): **Population average of Y1 "
       "*, mu_1:**, **Population average of Y2 *, mu_2:**, **Population variance of Y1 *, sigma^2_1:**, "
       "**Population variance of Y2 *, sigma^2_2:** and **Population covariance of Y1 and Y2 *, sigma_12:**, "
       "variances and covariance with divisor N."},
      {"Ratio of two variables, sample size",
       {&kSampleSizeForm.tmpl},
       "**Population size, N:**, the guesses **Population average of Y1 *, mu_1:**, **Population average of "
       "Y2 *, mu_2:**, **Population variance of Y1 *, sigma^2_1:**, **Population variance of Y2 *, "
       "sigma^2_2:**, **Population covariance of Y1 and Y2 *, sigma_12:**, then **Margin:** (on the ratio "
       "itself) and **Probability:**. The report also shows the standard deviation at the sample size of the "
       "last calculation that had one, since this form asks none."},
  };
}

constexpr Command kCommands[] = {
    Leaf("simple.ratio.point", 32839, "Simple > Ratio of means/totals > Point estimates",
         {M::Simple, T::RatioOfMeans, O::Point, E::Special}, "M: Simple, T: Ratio; O: Point, E: Special", nullptr,
         &SrsMeansRatioPoint, {&kPointForm.tmpl}, &kPointFigures),
    Leaf("simple.ratio.interval", 32840, "Simple > Ratio of means/totals > Interval estimates",
         {M::Simple, T::RatioOfMeans, O::Interval, E::Special}, "M: Simple, T: Ratio, O: IntervalEst, E: Special",
         nullptr, &SrsMeansRatioInterval, {&kIntervalForm.tmpl}, &kIntervalFigures),
    Leaf("simple.ratio.sd", 32841, "Simple > Ratio of means/totals > Th. std. dev. of estimator",
         {M::Simple, T::RatioOfMeans, O::ThStdDev, E::Special}, "M: Simple, T: Ratio, O: ThStdDevEst, E: Special",
         nullptr, &SrsMeansRatioSd, {&kSdForm.tmpl}),
    Leaf("simple.ratio.size", 32842, "Simple > Ratio of means/totals > Sample size",
         {M::Simple, T::RatioOfMeans, O::SampleSize, E::Special}, "M: Simple, T: Ratio, O: SampleSize, E: Special",
         nullptr, &SrsMeansRatioSampleSize, {&kSampleSizeForm.tmpl}),
};

}  // namespace

const CommandTable kMeansRatioTable{kCommands, {}, &FormsHelp};

}  // namespace srs
}  // namespace mirto
