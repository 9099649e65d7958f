#pragma once
// Simple random sampling: the work records its forms fill, the result record
// of each calculation and the formulas that make one from the other. A
// routine collects a work record (Collect, framework/Entry.h), computes its
// result, writes the block from the result and hands the result's record to
// the document (Report, framework/Routine.h). Everything here but the writers
// is free of report text and can be tested on its own.
#include "framework/Catalogue.h"
#include "framework/Codes.h"
#include "framework/Entry.h"
#include "framework/Record.h"
#include "framework/RecordKeys.h"

namespace mirto {
class CTervoDoc;
}

namespace mirto::srs {

// ---- Work records: the routine's copy of the calculator state ----------------

// The simple estimator.
struct SrsInput {
  SrsInput() = default;
  explicit SrsInput(const CalculatorState& state);
  double N = 0, n = 0, pi = 0, sigma = 0, barY = 0, s = 0, P = 0, z = 0, margin = 0, probability = 0;
  SpecialTarget specialTarget = SpecialTarget::MeanOrProportion;
};

// The ratio and regression estimators; one record serves both.
struct SrsAuxInput {
  SrsAuxInput() = default;
  explicit SrsAuxInput(const CalculatorState& state);
  bool Regression() const { return estimator == Estimator::Regression; }
  Estimator estimator = Estimator::Ratio;
  double barY = 0, barX = 0, muX = 0, muY = 0, N = 0, S = 0, n = 0, sigmaY = 0, sigmaX = 0, rhoXY = 0, b = 0, z = 0,
         margin = 0, probability = 0;
  SpecialTarget specialTarget = SpecialTarget::MeanOrProportion;
};

// The ratio of two variables, with the work values u and e of the sample size.
struct SrsMeansRatioInput {
  SrsMeansRatioInput() = default;
  explicit SrsMeansRatioInput(const CalculatorState& state);
  double N = 0, n = 0, u = 0, e = 0, barY1 = 0, barY2 = 0, S2_1 = 0, S2_2 = 0, S_12 = 0, sigma2_1 = 0, sigma2_2 = 0,
         sigma_12 = 0, mu_1 = 0, mu_2 = 0, z = 0, probability = 0, margin = 0;
};

// ---- The simple estimator -------------------------------------------------------
// `target` is MeanTotal (barY, sigma) or ProportionNumber (P, pi).

struct SrsPoint {
  SrsInput in;
  Target target;
  double estimate, total;  // the mean (proportion) and the total (number)
};

struct SrsInterval {
  SrsInput in;
  Target target;
  double estimate, total, sd, low, high, totalLow, totalHigh;
  bool warning;
};

struct SrsSd {
  SrsInput in;
  Target target;
  double sd, variance, totalSd, totalVariance;
};

struct SrsSampleSize {
  SrsInput in;
  Target target;
  double required;
  bool warning;
};

SrsPoint ComputePoint(const SrsInput& in, Target target);
SrsInterval ComputeInterval(const SrsInput& in, Target target);
SrsSd ComputeSd(const SrsInput& in, Target target);
SrsSampleSize ComputeSampleSize(const SrsInput& in, Target target);
// The variance D of one element the sample size works from: sigma^2, or pi (1 - pi).
double ElementVariance(const SrsInput& in, Target target);
// The required sample size for the margin and level of `in` with element variance D.
double RequiredSampleSize(const SrsInput& in, double D);

// ---- Ratio and regression estimators ----------------------------------------------

struct AuxPoint {
  SrsAuxInput in;
  double mean, total;
};

struct AuxInterval {
  SrsAuxInput in;
  double mean, total, sd, low, high, totalLow, totalHigh;
  bool warning;
};

struct AuxSd {
  SrsAuxInput in;
  double sd, totalSd;
  bool warning;
};

struct AuxSampleSize {
  SrsAuxInput in;
  double required;
  bool warning;
};

AuxPoint ComputeAuxPoint(const SrsAuxInput& in);
AuxInterval ComputeAuxInterval(const SrsAuxInput& in);
AuxSd ComputeAuxSd(const SrsAuxInput& in);
AuxSampleSize ComputeAuxSampleSize(const SrsAuxInput& in);

// ---- Ratio of two variables ----------------------------------------------------------

struct RatioPoint {
  SrsMeansRatioInput in;
  double ratio;
};

struct RatioInterval {
  SrsMeansRatioInput in;
  double ratio, sd, low, high;
  bool warning;
};

struct RatioSd {
  SrsMeansRatioInput in;
  double ratio, sd;  // the ratio of the guessed means
  bool warning;
};

struct RatioSampleSize {
  SrsMeansRatioInput in;  // with u and e
  double ratio, sd, required;
  bool warning;
};

RatioPoint ComputeRatioPoint(const SrsMeansRatioInput& in);
RatioInterval ComputeRatioInterval(const SrsMeansRatioInput& in);
RatioSd ComputeRatioSd(const SrsMeansRatioInput& in);
RatioSampleSize ComputeRatioSampleSize(const SrsMeansRatioInput& in);

// ---- Writers and records ----------------------------------------------------------------

void Write(CTervoDoc& d, const SrsPoint& r);
void Write(CTervoDoc& d, const SrsInterval& r);
void Write(CTervoDoc& d, const SrsSd& r);
void Write(CTervoDoc& d, const SrsSampleSize& r);
void Write(CTervoDoc& d, const AuxPoint& r);
void Write(CTervoDoc& d, const AuxInterval& r);
void Write(CTervoDoc& d, const AuxSd& r);
void Write(CTervoDoc& d, const AuxSampleSize& r);
void Write(CTervoDoc& d, const RatioPoint& r);
void Write(CTervoDoc& d, const RatioInterval& r);
void Write(CTervoDoc& d, const RatioSd& r);
void Write(CTervoDoc& d, const RatioSampleSize& r);

Record ToRecord(const SrsPoint& r);
Record ToRecord(const SrsInterval& r);
Record ToRecord(const SrsSd& r);
Record ToRecord(const SrsSampleSize& r);
Record ToRecord(const AuxPoint& r);
Record ToRecord(const AuxInterval& r);
Record ToRecord(const AuxSd& r);
Record ToRecord(const AuxSampleSize& r);
Record ToRecord(const RatioPoint& r);
Record ToRecord(const RatioInterval& r);
Record ToRecord(const RatioSd& r);
Record ToRecord(const RatioSampleSize& r);

// ---- Form texts the three kinds share -------------------------------------------------------

inline constexpr std::string_view kTitle = "Simple random sampling";
inline constexpr std::string_view kEnter = "Enter the following:";
inline constexpr std::string_view kEnterSelect = "Enter or select the following:";
inline constexpr std::string_view kGuessNote = "*Guesstimates";

// Values outside the domain of the formulas: taken, and
// pointed out before OK with what the report makes of them.
inline constexpr std::string_view kNoPopulation =
    "N is 0 or less: no population is that small, and the figures computed from it mean nothing";
inline constexpr std::string_view kOneElement =
    "N is 1 or less: the variance divides by N - 1, so the report shows inf, nan or a meaningless figure";
inline constexpr std::string_view kSampleAboveN =
    "n is larger than N: the finite population correction (N - n) is negative, so the standard deviation shows as "
    "nan";
inline constexpr std::string_view kSampleOfOne =
    "n is 1 or less: the sample variance divides by n - 1, so the standard deviation shows as inf or nan";
inline constexpr std::string_view kNoSample =
    "n is 0 or less: the variance divides by n, so the report shows inf, or a negative variance and nan";
inline constexpr std::string_view kNegativeSd =
    "A standard deviation is not negative: the formula squares it, so the figures are those of its absolute value";
inline constexpr std::string_view kNegativeVariance =
    "A variance is not negative: the figures computed from it mean nothing (a standard deviation may show as nan)";
inline constexpr std::string_view kNegativeMargin =
    "The margin is negative: the formula squares it, so the sample size is the one for its absolute value";
inline constexpr std::string_view kNoMargin = "A margin of 0 asks for the whole population: the sample size is N";
inline constexpr std::string_view kNoCorrelation =
    "rhoXY is outside -1 to 1, where every correlation lies: the figures computed from it mean nothing";

// The population size N (1 or more where a variance divides by N - 1); a
// sample size n at most N (and above 1 where a sample variance divides by
// n - 1, above 0 where a variance divides by n); a margin above 0.
inline Control PopulationSize(Control c) { return c.Above(0, kNoPopulation); }
inline Control PopulationOfMany(Control c) { return c.Above(1, kOneElement); }
inline Control SampleSize(Control c, std::string_view population, bool sampleVariance) {
  c = c.AtMostField(population, kSampleAboveN);
  return sampleVariance ? c.Above(1, kSampleOfOne) : c.Above(0, kNoSample);
}
inline Control Margin(Control c) { return c.AtLeast(0, kNegativeMargin).Above(0, kNoMargin); }

// ---- The routines: operations on the document (collect, compute, write) ------------------
// The ratio and regression routines (SrsAux...) take their estimator from the codes.
int SrsMeanPoint(CTervoDoc& d);
int SrsProportionPoint(CTervoDoc& d);
int SrsMeanInterval(CTervoDoc& d);
int SrsProportionInterval(CTervoDoc& d);
int SrsMeanSd(CTervoDoc& d);
int SrsProportionSd(CTervoDoc& d);
int SrsMeanSampleSize(CTervoDoc& d);
int SrsProportionSampleSize(CTervoDoc& d);
int SrsAuxPoint(CTervoDoc& d);
int SrsAuxInterval(CTervoDoc& d);
int SrsAuxSd(CTervoDoc& d);
int SrsAuxSampleSize(CTervoDoc& d);
int SrsMeansRatioPoint(CTervoDoc& d);
int SrsMeansRatioInterval(CTervoDoc& d);
int SrsMeansRatioSd(CTervoDoc& d);
int SrsMeansRatioSampleSize(CTervoDoc& d);

// ---- The family ---------------------------------------------------------------------------

// The commands of each file, at its end.
extern const CommandTable kSimpleTable, kAuxTable, kMeansRatioTable;

inline constexpr const CommandTable* kFamilyTables[] = {&kSimpleTable, &kAuxTable, &kMeansRatioTable};
inline constexpr LabelItem kFamilyLabels[] = {
    TargetLabel(32802, "Simple"),
    ObjectiveLabel(32803, "Simple > Mean/total of variable"),
    ObjectiveLabel(32809, "Simple > Proportion/number in category"),
    ObjectiveLabel(32838, "Simple > Ratio of means/totals"),
    EstimatorLabel(32807, "Simple > Mean/total of variable > Point estimates"),
    EstimatorLabel(32813, "Simple > Mean/total of variable > Interval estimates"),
    EstimatorLabel(32817, "Simple > Mean/total of variable > Th. std. dev. of estimator"),
    EstimatorLabel(32821, "Simple > Mean/total of variable > Sample size"),
    EstimatorLabel(32825, "Simple > Proportion/number in category > Point estimates"),
    EstimatorLabel(32829, "Simple > Proportion/number in category > Interval estimates"),
    EstimatorLabel(32830, "Simple > Proportion/number in category > Th. std. dev. of estimator"),
    EstimatorLabel(32834, "Simple > Proportion/number in category > Sample size"),
};
// Its section of the help on forms, before its tables' entries.
FormHelpFamily FamilyHelp();
inline constexpr Family kFamily{"srs", kFamilyTables, kFamilyLabels, &FamilyHelp};

}  // namespace mirto::srs
