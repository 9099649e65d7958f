// Simple random sampling with an auxiliary variable: the ratio and the linear
// regression estimators of a mean and total. Each routine serves both
// estimators and picks its form and wording by the estimator code.
#include <cmath>

#include "framework/FormCatalog.h"
#include "journal/CTervoDoc.h"
#include "srs/SrsEntry.h"

namespace mirto {
namespace {

using srs::kEnter;
using srs::kEnterSelect;
using srs::kGuessNote;
using srs::kTitle;

constexpr int kRegression = 3;

// SrsAuxInput: the routine's copy of the calculator state while its form is open.
struct SrsAuxInput {
  virtual ~SrsAuxInput() = default;
  int estimator = 0;
  double barY = 0, barX = 0, muX = 0, muY = 0, N = 0, S = 0, n = 0, sigmaY = 0, sigmaX = 0, rhoXY = 0, b = 0, z = 0,
         margin = 0, probability = 0;
  int specialTarget = 1;

  explicit SrsAuxInput(const CTervoDoc& d);
  bool Regression() const { return estimator == kRegression; }
};

using AuxItem = srs::Item<SrsAuxInput>;
using AuxForm = srs::EntryForm<SrsAuxInput>;

constexpr AuxItem kN{AuxItem::Real, &SrsAuxInput::N, &CTervoDoc::m_dPopSize};
constexpr AuxItem kSmallN{AuxItem::Real, &SrsAuxInput::n, &CTervoDoc::m_dSampleSize};
constexpr AuxItem kBarY{AuxItem::Real, &SrsAuxInput::barY, &CTervoDoc::m_dSampleMean};
constexpr AuxItem kBarX{AuxItem::Real, &SrsAuxInput::barX, &CTervoDoc::m_dSampleMeanX};
constexpr AuxItem kMuX{AuxItem::Real, &SrsAuxInput::muX, &CTervoDoc::m_dPopMeanX};
constexpr AuxItem kMuY{AuxItem::Real, &SrsAuxInput::muY, &CTervoDoc::m_dPopMeanY};
constexpr AuxItem kS{AuxItem::Real, &SrsAuxInput::S, &CTervoDoc::m_dResidSd};
constexpr AuxItem kSigmaY{AuxItem::Real, &SrsAuxInput::sigmaY, &CTervoDoc::m_dSigmaY};
constexpr AuxItem kSigmaX{AuxItem::Real, &SrsAuxInput::sigmaX, &CTervoDoc::m_dSigmaX};
constexpr AuxItem kRhoXY{AuxItem::Real, &SrsAuxInput::rhoXY, &CTervoDoc::m_dRhoXY};
constexpr AuxItem kB{AuxItem::Real, &SrsAuxInput::b, &CTervoDoc::m_dSlope};
constexpr AuxItem kMargin{AuxItem::Real, &SrsAuxInput::margin, &CTervoDoc::m_dMargin};
constexpr AuxItem kLevel = srs::kLevelItem<SrsAuxInput>;
constexpr AuxItem kChoice = srs::kChoiceItem<SrsAuxInput>;
constexpr AuxItem kAllItems[] = {kN, kSmallN, kBarY, kBarX, kMuX, kMuY, kS, kSigmaY, kSigmaX, kRhoXY, kB, kMargin};

SrsAuxInput::SrsAuxInput(const CTervoDoc& d) : estimator(d.m_nEstimator) { srs::Load(d, *this, kAllItems); }

// The forms, ratio then regression, for each objective.
const AuxForm kPointForms[2] = {
    {{143,
      kTitle,
      {Static(kEnter), Field("Population size:", 15), Field("Sample average of variable of interest:", 15),
       Field("Sample average of auxiliary variable:", 10), Field("Population average of auxiliary variable:", 15)}},
     {kN, kBarY, kBarX, kMuX}},
    {{144,
      kTitle,
      {Static(kEnter), Field("Population size:", 15), Field("Sample average of variable of interest:", 15),
       Field("Sample average of auxiliary variable:", 15), Field("Population average of auxiliary variable:", 15),
       Field("Least squares estimate:", 15)}},
     {kN, kBarY, kBarX, kMuX, kB}},
};

const AuxForm kIntervalForms[2] = {
    {{145,
      kTitle,
      {Static(kEnterSelect), Field("Population size, N:", 15), Field("Sample size, n:", 15),
       Field("Sample average of variable of interest, barY:", 15),
       Field("Sample average of auxiliary variable, barX:", 15),
       Field("Population average of auxiliary variable, muX:", 15),
       Field("Sample std. deviation of residuals, S_r:", 15), StoredLevelList("Confidence level:").Right()}},
     {kN, kSmallN, kBarY, kBarX, kMuX, kS, kLevel}},
    {{146,
      kTitle,
      {Static(kEnterSelect), Field("Population size, N:", 15), Field("Sample size, n:", 15),
       Field("Sample average of variable of interest, barY:", 15),
       Field("Sample average of auxiliary variable, barX:", 15),
       Field("Population average of auxiliary variable, muX:", 15),
       Field("Sample std. deviation of residuals, S_lr:", 15), Field("Least squares estimate, b:", 15).Right(),
       StoredLevelList("Confidence level:").Right()}},
     {kN, kSmallN, kBarY, kBarX, kMuX, kS, kB, kLevel}},
};

const AuxForm kSdForms[2] = {
    {{147,
      kTitle,
      {Static(kEnterSelect), Field("Population size, N:", 15), Field("Sample size, n:", 15),
       Field("Population average of auxiliary variable, muX:", 15),
       Field("*Population average of variable of interest, muY:", 15),
       Field("*Population std. deviation of auxiliary variable, sigmaX:", 15),
       Field("*Population std. deviation of variable of interest, sigmaY:", 15),
       Field("*Population correlation coefficient of X and Y, rhoXY:", 15), Static(kGuessNote)}},
     {kN, kSmallN, kMuX, kMuY, kSigmaX, kSigmaY, kRhoXY}},
    {{148,
      kTitle,
      {Static(kEnterSelect), Field("Population size, N:", 15), Field("Sample size, n:", 15),
       Field("*Population std. deviation of variable of interest, sigmaY:", 15),
       Field("*Population correlation coefficient of X and Y, rhoXY:", 15), Static(kGuessNote)}},
     {kN, kSmallN, kSigmaY, kRhoXY}},
};

const AuxForm kSampleSizeForms[2] = {
    {{149,
      kTitle,
      {Static(kEnterSelect), Field("Population size, N:", 15),
       Field("Population average of auxiliary variable, muX:", 15),
       Field("*Population average of variable of interest, muY:", 15),
       Field("*Population std. deviation of auxiliary variable, sigmaX:", 15),
       Field("*Population std. deviation of variable of interest, sigmaY:", 15).Right(),
       Field("*Population correlation coefficient of X and Y, rhoXY:", 15).Right(),
       Radio("Special target:", {"Mean", "Total"}, 1), Group("Sample accuracy requirements", 2),
       Field("Margin, c:", 15), StoredLevelList("Probability, 1-alpha:"), Static(kGuessNote)}},
     {kN, kMuX, kMuY, kSigmaX, kSigmaY, kRhoXY, kChoice, kMargin, kLevel}},
    {{150,
      kTitle,
      {Static(kEnterSelect), Field("Population size, N:", 15),
       Field("*Population std. deviation of variable of interest, sigmaY:", 15),
       Field("*Population correlation coefficient of X and Y, rhoXY:", 0),
       Radio("Special target:", {"Mean", "Total"}, 1), Group("Sample accuracy requirements", 2),
       Field("Margin, c:", 15), StoredLevelList("Probability, 1-alpha:"), Static(kGuessNote)}},
     {kN, kSigmaY, kRhoXY, kChoice, kMargin, kLevel}},
};

// Runs the estimator's form of one objective and stores what it filled;
// false on Cancel, with nothing stored.
bool Collect(CTervoDoc& d, SrsAuxInput& in, const AuxForm (&forms)[2]) {
  return srs::Collect(d, in, forms[in.Regression() ? 1 : 0]);
}

void Heading(CTervoDoc& d, const SrsAuxInput& in, const char* target, const char* objective) {
  d.AppendSeparator();
  d.AppendLine("%s", target);
  d.AppendLine("Method: Simple random sampling");
  d.AppendLine("%s", objective);
  d.AppendLine("%s", in.Regression() ? "Estimator: Regression" : "Estimator: Ratio");
}

constexpr const char* kMeanTarget = "Target: Mean and total of variable";

// The estimate of the population mean from the sample.
double Estimate(const SrsAuxInput& in) {
  return in.Regression() ? in.barY + in.b * (in.muX - in.barX) : (in.barY / in.barX) * in.muX;
}

// The variance term of the estimator from the guessed population values.
double GuessedVariance(const SrsAuxInput& in) {
  if (in.Regression()) return in.sigmaY * in.sigmaY * (1 - in.rhoXY * in.rhoXY);
  const double R = in.muY / in.muX;
  return in.sigmaY * in.sigmaY + R * R * in.sigmaX * in.sigmaX - 2 * R * in.rhoXY * in.sigmaX * in.sigmaY;
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

}  // namespace

std::vector<const FormTemplate*> SrsAuxFormTemplates() {
  std::vector<const FormTemplate*> all;
  for (const AuxForm* forms : {kPointForms, kIntervalForms, kSdForms, kSampleSizeForms})
    for (int i = 0; i < 2; ++i) all.push_back(&forms[i].tmpl);
  for (const FormTemplate* t : srs::SrsMeansRatioFormTemplates()) all.push_back(t);
  return all;
}

int CTervoDoc::SrsAuxPoint() {
  SrsAuxInput in(*this);
  if (!Collect(*this, in, kPointForms)) return 0;
  const double est = Estimate(in);
  Heading(*this, in, kMeanTarget, "Objective: Point estimates");
  AppendLine("Population size, N= %.0f", in.N);
  EchoAverages(*this, in);
  EchoSlope(*this, in);
  AppendLine("Estimate of population mean: %f", est);
  AppendLine("Estimate of population total: %f", in.N * est);
  EndBlock();
  return 1;
}

int CTervoDoc::SrsAuxInterval() {
  SrsAuxInput in(*this);
  if (!Collect(*this, in, kIntervalForms)) return 0;
  const double est = Estimate(in);
  const double sd = in.S * std::sqrt((in.N - in.n) / (in.N * in.n));
  const double low = est - in.z * sd, high = est + in.z * sd;
  const char* suffix = in.Regression() ? "lr" : "r";
  Heading(*this, in, kMeanTarget, "Objective: Confidence intervals");
  AppendLine("Population size, N= %.0f", in.N);
  AppendLine("Sample size, n= %.0f", in.n);
  EchoAverages(*this, in);
  AppendLine("Sample std. deviation of residuals, S_%s= %f", suffix, in.S);
  AppendLine("Estimated std. deviation of estimator, HatSdbarY_%s= %f", suffix, sd);
  EchoSlope(*this, in);
  AppendLine("Estimate of population mean: %f", est);
  AppendLine("Estimate of population total: %f", in.N * est);
  if (IsSmallSample(in.n, in.N)) AppendWarning();
  AppendIntervals(IntervalOf::MeanTotal, Wording::Population, in.probability, in.N, low, high);
  EndBlock();
  return 1;
}

int CTervoDoc::SrsAuxSd() {
  SrsAuxInput in(*this);
  if (!Collect(*this, in, kSdForms)) return 0;
  const double V = (in.N - in.n) * GuessedVariance(in) / ((in.N - 1) * in.n);
  Heading(*this, in, kMeanTarget, "Objective: Theoretical standard deviation of estimator");
  AppendLine("Population size, N= %.0f", in.N);
  AppendLine("Sample size, n= %.0f", in.n);
  EchoGuesses(*this, in);
  AppendLine("Population correlation coefficient of X and Y %f", in.rhoXY);
  if (IsSmallSample(in.n, in.N)) AppendWarning();
  AppendLine("Std. deviation of estimator of population mean= %f", std::sqrt(V));
  AppendLine("Std. deviation of estimator of population total= %f", in.N * std::sqrt(V));
  EndBlock();
  return 1;
}

int CTervoDoc::SrsAuxSampleSize() {
  SrsAuxInput in(*this);
  if (!Collect(*this, in, kSampleSizeForms)) return 0;
  const double D = GuessedVariance(in);
  const double e = in.specialTarget == 2 ? in.margin / (in.z * in.N) : in.margin / in.z;
  const double required = in.N * D / ((in.N - 1) * e * e + D);
  Heading(*this, in, in.specialTarget == 2 ? "Target: Total of variable" : "Target: Mean of variable",
          "Objective: Sample size determination");
  AppendLine("Population size, N= %.0f", in.N);
  EchoGuesses(*this, in);
  AppendLine("Population correlation coefficient of X and Y, rhoXY= %f", in.rhoXY);
  AppendLine("Accuracy requirements, margin= %f", in.margin);
  AppendLine("Accuracy requirements, probability= %f", in.probability);
  AppendLine("Required sample size is %.0f", required);
  if (IsSmallSample(required, in.N)) AppendWarning();
  EndBlock();
  return 1;
}

}  // namespace mirto
