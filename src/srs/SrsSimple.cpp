// Simple random sampling with the simple estimator: mean and total, proportion
// and number; point, interval, theoretical standard deviation, sample size.
#include <cmath>

#include "data/Figures.h"
#include "framework/Routine.h"
#include "journal/CTervoDoc.h"
#include "srs/Srs.h"

namespace mirto {
namespace srs {
namespace {

using D = CalculatorState;

constexpr std::string_view kProportionOutside =
    "P is outside 0 to 1, where every proportion lies: the estimates are P and N times P all the same";
constexpr std::string_view kSampleProportionOutside =
    "P is outside 0 to 1: P(1 - P) is negative, so the standard deviation shows as nan";
constexpr std::string_view kGuessOutside =
    "pi is outside 0 to 1: pi(1 - pi) is negative, so the variances are negative and the standard deviations nan";
constexpr std::string_view kGuessOutsideSize =
    "pi is outside 0 to 1: pi(1 - pi) is negative, and the required sample size means nothing";

Control N(std::string_view label, int maxLength) { return PopulationSize(Field(label, maxLength)); }
Control Proportion(std::string_view label, int maxLength, std::string_view advice) {
  return Field(label, maxLength).AtLeast(0, advice).AtMost(1, advice);
}
Control Sd(std::string_view label, int maxLength) { return Field(label, maxLength).AtLeast(0, kNegativeSd); }
using In = SrsInput;

constexpr Item<In> kN = RealItem(&In::N, &D::m_dPopSize);
constexpr Item<In> kSmallN = RealItem(&In::n, &D::m_dSampleSize);
constexpr Item<In> kPi = RealItem(&In::pi, &D::m_dPi);
constexpr Item<In> kSigma = RealItem(&In::sigma, &D::m_dSigma);
constexpr Item<In> kBarY = RealItem(&In::barY, &D::m_dSampleMean);
constexpr Item<In> kS = RealItem(&In::s, &D::m_dSampleSd);
constexpr Item<In> kP = RealItem(&In::P, &D::m_dSampleProp);
constexpr Item<In> kMargin = RealItem(&In::margin, &D::m_dMargin);
constexpr Item<In> kLevel = LevelItem(&In::probability, &In::z, &D::m_dLevel, &D::m_dZ);
constexpr Item<In> kChoice = ChoiceItem(&In::specialTarget, &D::m_nSpecialTarget);
constexpr Item<In> kState[] = {kN, kSmallN, kPi, kSigma, kBarY, kS, kP, kMargin, kLevel, kChoice};

const EntryForm<In> kMeanPointForm{
    {133, kTitle, {Static(kEnter), N("Population size, N:", 15), Field("Sample average of variable, barY:", 20)}},
    {kN, kBarY}};
const EntryForm<In> kProportionPointForm{{134,
                                          kTitle,
                                          {Static(kEnter), N("Population size, N:", 0),
                                           Proportion("Sample proportion in category, P:", 0, kProportionOutside)}},
                                         {kN, kP}};
const EntryForm<In> kMeanIntervalForm{
    {135,
     kTitle,
     {Static(kEnterSelect), N("Population size:", 20), SampleSize(Field("Sample size:", 20), "Population size:", true),
      Field("Sample average of variable:", 20), Sd("Sample std. deviation of variable:", 20),
      StoredLevelList("Confidence level:")}},
    {kN, kSmallN, kBarY, kS, kLevel}};
const EntryForm<In> kProportionIntervalForm{
    {138,
     kTitle,
     {Static(kEnterSelect), N("Population size, N:", 20),
      SampleSize(Field("Sample size, n:", 20), "Population size, N:", true),
      Proportion("Sample proportion in category, P:", 20, kSampleProportionOutside),
      StoredLevelList("Confidence level:")}},
    {kN, kSmallN, kP, kLevel}};
const EntryForm<In> kMeanSdForm{{139,
                                 kTitle,
                                 {Static(kEnter), PopulationOfMany(N("Population size, N:", 20)),
                                  SampleSize(Field("Sample size, n:", 20), "Population size, N:", false),
                                  Sd("Gesstimate of population standard deviation of variable, sigma:", 15)}},
                                {kN, kSmallN, kSigma}};
const EntryForm<In> kProportionSdForm{
    {140,
     kTitle,
     {Static(kEnter), PopulationOfMany(N("Population size, N:", 20)),
      SampleSize(Field("Sample size, n:", 20), "Population size, N:", false),
      Proportion("Guesstimate of population proportion in category, pi:", 10, kGuessOutside)}},
    {kN, kSmallN, kPi}};
const EntryForm<In> kMeanSampleSizeForm{
    {141,
     kTitle,
     {Static(kEnterSelect), N("Population size, N:", 20),
      Sd("Guesstimate of population std. deviation of variable, sigma:", 15),
      Radio("Special target:", {"Mean", "Total"}, 1), Group("Sample accuracy requirements", 2),
      Margin(Field("Margin:", 15)), StoredLevelList("Probability:")}},
    {kN, kSigma, kChoice, kMargin, kLevel}};
const EntryForm<In> kProportionSampleSizeForm{
    {142,
     kTitle,
     {Static(kEnterSelect), N("Population size, N:", 20),
      Proportion("Guesstimate of population proportion in category, pi:", 10, kGuessOutsideSize),
      Radio("Special target:", {"Proportion", "Number"}, 1), Group("Sample accuracy requirements", 2),
      Margin(Field("Margin:", 10)), StoredLevelList("Probability:")}},
    {kN, kPi, kChoice, kMargin, kLevel}};

bool IsMean(Target target) { return target == Target::MeanTotal; }

void Heading(CTervoDoc& d, const char* target, const char* objective) {
  d.AppendSeparator();
  d.AppendLine("%s", target);
  d.AppendLine("Method: Simple random sampling");
  d.AppendLine("%s", objective);
  d.AppendLine("Estimator: Simple");
}

constexpr const char* kMeanTarget = "Target: Mean and total of variable";
constexpr const char* kPropTarget = "Target: Proportion and number in category";

// The input a target estimates from: the sample mean or the sample proportion.
Record& EchoSample(Record& rec, const SrsInput& in, Target target) {
  return IsMean(target) ? rec.Input("sample_mean", in.barY) : rec.Input("sample_proportion", in.P);
}

// sqrt((N - n) s^2 / ((n - 1) N)). Where s^2 times N - n overflows though the
// deviation is finite (s near 1e154), the factor is taken apart from s; only
// then, so that every other figure keeps its bits.
double MeanSd(const SrsInput& in) {
  const double sd = std::sqrt((in.N - in.n) * in.s * in.s / ((in.n - 1) * in.N));
  if (!std::isinf(sd) || !std::isfinite(in.s)) return sd;
  return std::fabs(in.s) * std::sqrt((in.N - in.n) / ((in.n - 1) * in.N));
}

}  // namespace

SrsInput::SrsInput(const CalculatorState& state) { LoadState<In>(state, *this, kState); }

SrsPoint ComputePoint(const SrsInput& in, Target target) {
  const double estimate = IsMean(target) ? in.barY : in.P;
  return {in, target, estimate, in.N * estimate};
}

SrsInterval ComputeInterval(const SrsInput& in, Target target) {
  const double estimate = IsMean(target) ? in.barY : in.P;
  const double sd = IsMean(target) ? MeanSd(in) : std::sqrt((in.N - in.n) * in.P * (1 - in.P) / ((in.n - 1) * in.N));
  const double low = estimate - in.z * sd, high = estimate + in.z * sd;
  return {in, target, estimate, in.N * estimate, sd, low, high, in.N * low, in.N * high, IsSmallSample(in.n, in.N)};
}

SrsSd ComputeSd(const SrsInput& in, Target target) {
  if (IsMean(target)) {
    const double V = (in.N - in.n) * in.sigma * in.sigma / ((in.N - 1) * in.n);
    return {in, target, std::sqrt(V), V, std::sqrt(in.N * in.N * V), in.N * in.N * V};
  }
  const double V = (in.N - in.n) * in.pi * (1 - in.pi) / ((in.N - 1) * in.n);
  return {in, target, std::sqrt(V), V, in.N * std::sqrt(V), in.N * in.N * V};
}

double ElementVariance(const SrsInput& in, Target target) {
  return IsMean(target) ? in.sigma * in.sigma : in.pi * (1 - in.pi);
}

// A margin on the total is a margin of margin / N on the mean.
double RequiredSampleSize(const SrsInput& in, double D) {
  const double e = in.specialTarget == SpecialTarget::TotalOrNumber ? in.margin / (in.z * in.N) : in.margin / in.z;
  return in.N * D / ((in.N - 1) * e * e + D);
}

SrsSampleSize ComputeSampleSize(const SrsInput& in, Target target) {
  const double required = RequiredSampleSize(in, ElementVariance(in, target));
  return {in, target, required, IsSmallSample(required, in.N)};
}

void Write(CTervoDoc& d, const SrsPoint& r) {
  Heading(d, IsMean(r.target) ? kMeanTarget : kPropTarget, "Objective: Point estimates");
  d.AppendLine("Population size, N= %.0f", r.in.N);
  if (IsMean(r.target)) {
    d.AppendLine("Estimate of population mean: %f", r.estimate);
    d.AppendLine("Estimate of population total: %f", r.total);
  } else {
    d.AppendLine("Estimate of population proportion: %f", r.estimate);
    d.AppendLine("Estimate of population number in category: %.0f", r.total);
  }
}

void Write(CTervoDoc& d, const SrsInterval& r) {
  const bool mean = IsMean(r.target);
  Heading(d, mean ? kMeanTarget : "Target: Proportion or number in category",
          "Objective: Confidence interval estimates");
  d.AppendLine("Population size, N= %.0f", r.in.N);
  d.AppendLine("Sample size, n= %.0f", r.in.n);
  if (mean) {
    d.AppendLine("Point estimate of population mean: %f", r.estimate);
    d.AppendLine("Point estimate of population total: %f", r.total);
    d.AppendLine("Est. std. deviation of sample mean: %f", r.sd);
  } else {
    d.AppendLine("Point estimate of population proportion in category: %f", r.estimate);
    d.AppendLine("Point estimate of population number in category: %.0f", r.total);
    d.AppendLine("Est. std. deviation of sample proportion: %f", r.sd);
  }
  if (r.warning) d.AppendWarning();
  d.AppendIntervals(mean ? CTervoDoc::IntervalOf::MeanTotal : CTervoDoc::IntervalOf::ProportionNumber,
                    CTervoDoc::Wording::Population, r.in.probability, r.in.N, r.low, r.high);
}

void Write(CTervoDoc& d, const SrsSd& r) {
  Heading(d, IsMean(r.target) ? kMeanTarget : kPropTarget, "Objective: Theoretical std. deviation of estimators");
  d.AppendLine("Population size, N= %.0f", r.in.N);
  d.AppendLine("Sample size, n= %.0f", r.in.n);
  if (IsMean(r.target)) {
    d.AppendLine("Guesstimate of pop. std. deviation of variable: %f", r.in.sigma);
    d.AppendLine("Guesstimate of std. deviation of estimator of pop. mean: %f", r.sd);
    d.AppendLine("Guesstimate of variance of estimator of pop.  mean: %f", r.variance);
    d.AppendLine("Guesstimate of std. deviation of estimator of pop. total: %f", r.totalSd);
    d.AppendLine("Guesstimate of variance of estimator of pop. total: %f", r.totalVariance);
  } else {
    d.AppendLine("Guesstimate of population proportion in category: %f", r.in.pi);
    d.AppendLine("Guesstimate of std. deviation of estimator of pop. proportion: %f", r.sd);
    d.AppendLine("Guesstimate of variance of estimator of pop. proportion: %f", r.variance);
    d.AppendLine("Guesstimate of std. deviation of estimator of pop. number: %f", r.totalSd);
    d.AppendLine("Guesstimate of variance of estimator of pop. number: %f", r.totalVariance);
  }
}

void Write(CTervoDoc& d, const SrsSampleSize& r) {
  const bool second = r.in.specialTarget == SpecialTarget::TotalOrNumber;
  if (IsMean(r.target)) {
    Heading(d, second ? "Target: Total of variable" : "Target: Mean of variable",
            "Objective: Sample size determination");
    d.AppendLine("Population size, N= %.0f", r.in.N);
    d.AppendLine("Guesstimate of population std. deviation of variable: %f", r.in.sigma);
  } else {
    Heading(d, second ? "Target: Number in category" : "Target: Proportion in category",
            "Objective: Sample size determination");
    d.AppendLine("Population size, N= %.0f", r.in.N);
    d.AppendLine("Guesstimate of population proportion in category: %f", r.in.pi);
  }
  d.AppendLine("Accuracy requirements, margin: %f", r.in.margin);
  d.AppendLine("Accuracy requirements, probability: %f", r.in.probability);
  d.AppendLine("Required sample size is %.0f", r.required);
  if (r.warning) d.AppendWarning();
}

Record ToRecord(const SrsPoint& r) {
  Record rec;
  EchoSample(rec.Input("population_size", r.in.N), r.in, r.target);
  return RecordEstimates(rec, KeysOf(r.target), r.estimate, r.total);
}

Record ToRecord(const SrsInterval& r) {
  Record rec;
  rec.Input("population_size", r.in.N).Input("sample_size", r.in.n);
  EchoSample(rec, r.in, r.target);
  if (IsMean(r.target)) rec.Input("sample_sd", r.in.s);
  rec.Input("confidence", r.in.probability).Input("z", r.in.z);
  const EstimateKeys& keys = KeysOf(r.target);
  RecordEstimates(rec, keys, r.estimate, r.total);
  return RecordIntervals(rec, keys, r.sd, r.low, r.high, r.totalLow, r.totalHigh);
}

Record ToRecord(const SrsSd& r) {
  Record rec;
  rec.Input("population_size", r.in.N).Input("sample_size", r.in.n);
  if (IsMean(r.target)) {
    rec.Input("population_sd", r.in.sigma);
    return rec.Result("sd_mean", r.sd)
        .Result("var_mean", r.variance)
        .Result("sd_total", r.totalSd)
        .Result("var_total", r.totalVariance);
  }
  rec.Input("population_proportion", r.in.pi);
  return rec.Result("sd_proportion", r.sd)
      .Result("var_proportion", r.variance)
      .Result("sd_number", r.totalSd)
      .Result("var_number", r.totalVariance);
}

Record ToRecord(const SrsSampleSize& r) {
  Record rec;
  rec.Input("population_size", r.in.N);
  if (IsMean(r.target))
    rec.Input("population_sd", r.in.sigma);
  else
    rec.Input("population_proportion", r.in.pi);
  rec.Input("special_target", static_cast<int>(r.in.specialTarget));
  return RecordAccuracy(rec, r.in.margin, r.in.probability, r.in.z).Result("required_sample_size", r.required);
}

int SrsMeanPoint(CTervoDoc& d) {
  SrsInput in(d);
  if (!Collect(d, in, kMeanPointForm)) return 0;
  return Report(d, ComputePoint(in, Target::MeanTotal));
}

int SrsProportionPoint(CTervoDoc& d) {
  SrsInput in(d);
  if (!Collect(d, in, kProportionPointForm)) return 0;
  return Report(d, ComputePoint(in, Target::ProportionNumber));
}

int SrsMeanInterval(CTervoDoc& d) {
  SrsInput in(d);
  if (!Collect(d, in, kMeanIntervalForm)) return 0;
  return Report(d, ComputeInterval(in, Target::MeanTotal));
}

int SrsProportionInterval(CTervoDoc& d) {
  SrsInput in(d);
  if (!Collect(d, in, kProportionIntervalForm)) return 0;
  return Report(d, ComputeInterval(in, Target::ProportionNumber));
}

int SrsMeanSd(CTervoDoc& d) {
  SrsInput in(d);
  if (!Collect(d, in, kMeanSdForm)) return 0;
  return Report(d, ComputeSd(in, Target::MeanTotal));
}

int SrsProportionSd(CTervoDoc& d) {
  SrsInput in(d);
  if (!Collect(d, in, kProportionSdForm)) return 0;
  return Report(d, ComputeSd(in, Target::ProportionNumber));
}

int SrsMeanSampleSize(CTervoDoc& d) {
  SrsInput in(d);
  if (!Collect(d, in, kMeanSampleSizeForm)) return 0;
  return Report(d, ComputeSampleSize(in, Target::MeanTotal));
}

int SrsProportionSampleSize(CTervoDoc& d) {
  SrsInput in(d);
  if (!Collect(d, in, kProportionSampleSizeForm)) return 0;
  return Report(d, ComputeSampleSize(in, Target::ProportionNumber));
}

// ---- The commands ---------------------------------------------------------------------

namespace {

using M = Method;
using T = Target;
using O = Objective;
using E = Estimator;

// Data mode: the figures of the estimates from unit-level data. The simple
// interval divides s^2 by n - 1 itself, so it takes the deviation with
// divisor n.
using S = data::FieldSource;
const data::ScanPlan kY{.numeric = {data::Role::Y}, .by = std::nullopt};
const data::ScanPlan kZeroOne{.numeric = {data::Role::Y}, .by = std::nullopt, .zeroOne = true};
const data::CommandFigures kMeanPointFigures{
    kY, {{&kMeanPointForm.tmpl, false, {{"Sample average of variable, barY:", S::MeanY}}}}};
const data::CommandFigures kProportionPointFigures{
    kZeroOne, {{&kProportionPointForm.tmpl, false, {{"Sample proportion in category, P:", S::MeanY}}}}};
const data::CommandFigures kMeanIntervalFigures{kY,
                                                {{&kMeanIntervalForm.tmpl,
                                                  false,
                                                  {{"Sample size:", S::Count},
                                                   {"Sample average of variable:", S::MeanY},
                                                   {"Sample std. deviation of variable:", S::SdYByN}}}}};
const data::CommandFigures kProportionIntervalFigures{
    kZeroOne,
    {{&kProportionIntervalForm.tmpl,
      false,
      {{"Sample size, n:", S::Count}, {"Sample proportion in category, P:", S::MeanY}}}}};

std::vector<FormHelp> FormsHelp() {
  return {
      {"Point estimates of a mean and total (Simple > Mean/total of variable > Point estimates > Simple)",
       {&kMeanPointForm.tmpl},
       "**Population size, N:** the number of elements in the population. **Sample average of variable, barY:** "
       "the mean of the sampled values. The estimate of the mean is barY, that of the total N · barY."},
      {"Point estimates of a proportion and number (Proportion/number in category > Point estimates)",
       {&kProportionPointForm.tmpl},
       "**Population size, N:** as above. **Sample proportion in category, P:** the share of sampled elements "
       "that are in the category, as a fraction from 0 to 1 (0.3, not 30). The number is N · P."},
      {"Interval estimates of a mean and total (Interval estimates > Simple)",
       {&kMeanIntervalForm.tmpl},
       "**Population size:** N. **Sample size:** n. **Sample average of variable:** barY. **Sample std. "
       "deviation of variable:** s with divisor n, the root of the sum of (y − barY)² over n: Mirto divides s² "
       "by n − 1 itself, sd = sqrt((N − n) · s² / (N · (n − 1))), which is then the usual (1 − n/N) · S²/n "
       "with S² the sample variance with divisor n − 1. Entering S instead makes the standard deviation larger "
       "by the factor sqrt(n/(n − 1)). **Confidence level:** the level of both intervals.",
       "N 1000, n 100, barY 50, s 10 and the 95% level: the standard deviation of the mean is sqrt(900 · 100 / (1000 · "
       "99)) = 0.953463 and the interval for the mean runs from 48.131213 to 51.868787 (for the total, from "
       "48131.213325 to 51868.786675)."},
      {"Interval estimates of a proportion and number (Proportion/number in category > Interval estimates)",
       {&kProportionIntervalForm.tmpl},
       "**Population size, N:**, **Sample size, n:** and **Sample proportion in category, P:** (a fraction). "
       "The standard deviation is sqrt((N − n) · P(1 − P) / (N · (n − 1))), the usual unbiased estimate. "
       "**Confidence level:** as above. The limits are not cut at 0 and 1.",
       "N 1000, n 100, P 0.3 and the 95% level: the standard deviation is 0.043693, the interval for the proportion "
       "runs from 0.214361 to 0.385639 and that for the number from 214 to 386."},
      {"Theoretical standard deviation of the estimator of a mean (Th. std. dev. of estimator > Simple)",
       {&kMeanSdForm.tmpl},
       "**Population size, N:** and **Sample size, n:**, the size of the sample you plan. **Gesstimate of "
       "population standard deviation of variable, sigma:** (so spelled on the form) a guess of sigma, the "
       "standard deviation of the N population values with divisor N. The variance of the estimator of the "
       "mean is (N − n) · sigma² / ((N − 1) · n).",
       "N 1000, n 100 and sigma 10: the standard deviation of the estimator of the mean is sqrt(900 · 100 / (999 · "
       "100)) = 0.949158, that of the total 949.157996."},
      {"Theoretical standard deviation of the estimator of a proportion",
       {&kProportionSdForm.tmpl},
       "**Population size, N:**, **Sample size, n:** and **Guesstimate of population proportion in category, "
       "pi:**, a guess of the population proportion. The variance is (N − n) · pi(1 − pi) / ((N − 1) · n)."},
      {"Sample size for a mean or total (Sample size > Simple)",
       {&kMeanSampleSizeForm.tmpl},
       "**Population size, N:**; **Guesstimate of population std. deviation of variable, sigma:** with divisor "
       "N, as above; **Special target:** **Mean** or **Total**, the estimate that must reach the accuracy; "
       "**Margin:** the half-width of the interval to be reached, in the units of that estimate (of the mean, "
       "or of the total); **Probability:** the probability of staying within the margin. The required size "
       "N · sigma² / ((N − 1) · e² + sigma²), with e = margin / z (or margin / (z · N) for the total), is "
       "printed rounded to the nearest whole number: round it up for a plan.",
       "N 1000, sigma 10, **Mean**, margin 1 and probability 0.95 (z = 1.96): e = 1 / 1.96 and the size is 1000 · 100 "
       "/ (999 · e² + 100) = 277.74, printed 278."},
      {"Sample size for a proportion or number",
       {&kProportionSampleSizeForm.tmpl},
       "**Population size, N:**; **Guesstimate of population proportion in category, pi:** (0.5 when nothing "
       "is known: it gives the largest size); **Special target:** **Proportion** or **Number**; **Margin:** a "
       "fraction for the proportion (0.05 for five percentage points) or a count of elements for the number; "
       "**Probability:** as above.",
       "N 1000, pi 0.3, **Proportion**, margin 0.05 and probability 0.95: 244 (244.15); **Number** with margin 50 "
       "gives 244 as well."},
  };
}

constexpr Command kCommands[] = {
    Leaf("simple.mean.point", 32804, "Simple > Mean/total of variable > Point estimates > Simple",
         {M::Simple, T::MeanTotal, O::Point, E::Simple}, "M: Simple, T: Mean/variable, O: Point; E: Simple", nullptr,
         &SrsMeanPoint, {&kMeanPointForm.tmpl}, &kMeanPointFigures),
    Leaf("simple.mean.interval", 32810, "Simple > Mean/total of variable > Interval estimates > Simple",
         {M::Simple, T::MeanTotal, O::Interval, E::Simple}, "M: Simple, T: Mean/total, O: IntervalEst, E: Simple",
         nullptr, &SrsMeanInterval, {&kMeanIntervalForm.tmpl}, &kMeanIntervalFigures),
    Leaf("simple.mean.sd", 32814, "Simple > Mean/total of variable > Th. std. dev. of estimator > Simple",
         {M::Simple, T::MeanTotal, O::ThStdDev, E::Simple}, "M: Simple, T: Mean/total, O: ThStdDevEst, E: Simple",
         nullptr, &SrsMeanSd, {&kMeanSdForm.tmpl}),
    Leaf("simple.mean.size", 32818, "Simple > Mean/total of variable > Sample size > Simple",
         {M::Simple, T::MeanTotal, O::SampleSize, E::Simple}, "M: Simple, T: Mean/total, O: SampleSize, E: Simple",
         nullptr, &SrsMeanSampleSize, {&kMeanSampleSizeForm.tmpl}),
    Leaf("simple.proportion.point", 32822, "Simple > Proportion/number in category > Point estimates > Simple",
         {M::Simple, T::ProportionNumber, O::Point, E::Simple}, "M: Simple, T: Proportion/number, O: Point, E: Simple",
         nullptr, &SrsProportionPoint, {&kProportionPointForm.tmpl}, &kProportionPointFigures),
    Leaf("simple.proportion.interval", 32826, "Simple > Proportion/number in category > Interval estimates > Simple",
         {M::Simple, T::ProportionNumber, O::Interval, E::Simple},
         "M: Simple, T: Proportion/number, O: IntervalEst, E: Simple", nullptr, &SrsProportionInterval,
         {&kProportionIntervalForm.tmpl}, &kProportionIntervalFigures),
    Leaf("simple.proportion.sd", 32831, "Simple > Proportion/number in category > Th. std. dev. of estimator > Simple",
         {M::Simple, T::ProportionNumber, O::ThStdDev, E::Simple},
         "M: Simple, T: Proportion/number, O: ThStdDevEst, E: Simple", nullptr, &SrsProportionSd,
         {&kProportionSdForm.tmpl}),
    Leaf("simple.proportion.size", 32835, "Simple > Proportion/number in category > Sample size > Simple",
         {M::Simple, T::ProportionNumber, O::SampleSize, E::Simple},
         "M: Simple, T: Proportion/number, O: SampleSize, E: Simple", nullptr, &SrsProportionSampleSize,
         {&kProportionSampleSizeForm.tmpl}),
};

}  // namespace

FormHelpFamily FamilyHelp() {
  return {"srs",
          "Simple random sampling",
          {"Every form opens empty. A confidence or probability list left without a level uses the level chosen last "
           "by any calculation (none when Mirto has just started: the report then shows the probability 0.00 and an "
           "interval of width 0)."},
          {}};
}

const CommandTable kSimpleTable{kCommands, {}, &FormsHelp};

}  // namespace srs
}  // namespace mirto
