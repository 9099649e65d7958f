// Simple random sampling: the ratio of the means (or totals) of two variables
// Y1 and Y2 measured on the same elements.
#include <cmath>

#include "journal/CTervoDoc.h"
#include "srs/SrsEntry.h"

namespace mirto {
namespace {

using srs::kEnter;
using srs::kEnterSelect;
using srs::kGuessNote;
using srs::kTitle;

// SrsMeansRatioInput: the routine's copy of the calculator state while its form
// is open, with the work values u and e of the sample size.
struct SrsMeansRatioInput {
  virtual ~SrsMeansRatioInput() = default;
  double N = 0, n = 0, u = 0, e = 0, barY1 = 0, barY2 = 0, S2_1 = 0, S2_2 = 0, S_12 = 0, sigma2_1 = 0, sigma2_2 = 0,
         sigma_12 = 0, mu_1 = 0, mu_2 = 0, z = 0, probability = 0, margin = 0;

  explicit SrsMeansRatioInput(const CTervoDoc& d);
};

using RatioItem = srs::Item<SrsMeansRatioInput>;
using RatioForm = srs::EntryForm<SrsMeansRatioInput>;

constexpr RatioItem kN{RatioItem::Real, &SrsMeansRatioInput::N, &CTervoDoc::m_dPopSize};
constexpr RatioItem kSmallN{RatioItem::Real, &SrsMeansRatioInput::n, &CTervoDoc::m_dSampleSize};
constexpr RatioItem kBarY1{RatioItem::Real, &SrsMeansRatioInput::barY1, &CTervoDoc::m_dSampleMean1};
constexpr RatioItem kBarY2{RatioItem::Real, &SrsMeansRatioInput::barY2, &CTervoDoc::m_dSampleMean2};
constexpr RatioItem kS2_1{RatioItem::Real, &SrsMeansRatioInput::S2_1, &CTervoDoc::m_dSampleVar1};
constexpr RatioItem kS2_2{RatioItem::Real, &SrsMeansRatioInput::S2_2, &CTervoDoc::m_dSampleVar2};
constexpr RatioItem kS_12{RatioItem::Real, &SrsMeansRatioInput::S_12, &CTervoDoc::m_dSampleCov12};
constexpr RatioItem kMu1{RatioItem::Real, &SrsMeansRatioInput::mu_1, &CTervoDoc::m_dPopMean1};
constexpr RatioItem kMu2{RatioItem::Real, &SrsMeansRatioInput::mu_2, &CTervoDoc::m_dPopMean2};
constexpr RatioItem kSigma2_1{RatioItem::Real, &SrsMeansRatioInput::sigma2_1, &CTervoDoc::m_dPopVar1};
constexpr RatioItem kSigma2_2{RatioItem::Real, &SrsMeansRatioInput::sigma2_2, &CTervoDoc::m_dPopVar2};
constexpr RatioItem kSigma_12{RatioItem::Real, &SrsMeansRatioInput::sigma_12, &CTervoDoc::m_dPopCov12};
constexpr RatioItem kMargin{RatioItem::Real, &SrsMeansRatioInput::margin, &CTervoDoc::m_dMargin};
constexpr RatioItem kLevel = srs::kLevelItem<SrsMeansRatioInput>;
constexpr RatioItem kAllItems[] = {kN,   kSmallN, kBarY1,    kBarY2,    kS2_1,     kS2_2,  kS_12,
                                   kMu1, kMu2,    kSigma2_1, kSigma2_2, kSigma_12, kMargin};

SrsMeansRatioInput::SrsMeansRatioInput(const CTervoDoc& d) { srs::Load(d, *this, kAllItems); }

// The forms with a list take over-long text while typing and refuse it at OK.
Control Loose(std::string_view label, int maxLength) { return Field(label, maxLength).WithoutTypingLimit(); }

const RatioForm kPointForm{
    {151,
     kTitle,
     {Static(kEnter), Field("Sample average of Y1, barY1:", 15), Field("Sample average of Y2, barY2:", 15)}},
    {kBarY1, kBarY2}};

const RatioForm kIntervalForm{
    {152,
     kTitle,
     {Static(kEnterSelect), Loose("Population size, N:", 15), Loose("Sample size, n:", 15),
      Loose("Sample average of Y1, barY1:", 15), Loose("Sample average of Y2, barY2:", 15),
      Loose("Sample variance of Y1, S^2_1:", 15), Loose("Sample variance of Y2, S^2_2:", 15),
      Loose("Sample covariance of Y1 and Y2, S_12:", 15), StoredLevelList("Confidence level:").Right()}},
    {kN, kSmallN, kBarY1, kBarY2, kS2_1, kS2_2, kS_12, kLevel}};

const RatioForm kSdForm{
    {153,
     kTitle,
     {Static(kEnter), Field("Population size, N:", 15), Field("Sample size, n:", 15),
      Field("Population average of Y1 *, mu_1:", 15), Field("Population average of Y2 *, mu_2:", 15),
      Field("Population variance of Y1 *, sigma^2_1:", 15).Right(),
      Field("Population variance of Y2 *, sigma^2_2:", 15).Right(),
      Field("Population covariance of Y1 and Y2 *, sigma_12:", 15), Static(kGuessNote)}},
    {kN, kSmallN, kMu1, kMu2, kSigma2_1, kSigma2_2, kSigma_12}};

const RatioForm kSampleSizeForm{
    {154,
     kTitle,
     {Static("Enter or select the following information"), Loose("Population size, N:", 15),
      Loose("Population average of Y1 *, mu_1:", 15), Loose("Population average of Y2 *, mu_2:", 15),
      Loose("Population variance of Y1 *, sigma^2_1:", 0).Right(),
      Loose("Population variance of Y2 *, sigma^2_2:", 15).Right(),
      Loose("Population covariance of Y1 and Y2 *, sigma_12:", 15), Group("Sample accuracy requirements", 2),
      Loose("Margin:", 15), StoredLevelList("Probability:"), Static(kGuessNote)}},
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

}  // namespace

namespace srs {
std::vector<const FormTemplate*> SrsMeansRatioFormTemplates() {
  return {&kPointForm.tmpl, &kIntervalForm.tmpl, &kSdForm.tmpl, &kSampleSizeForm.tmpl};
}
}  // namespace srs

int CTervoDoc::SrsMeansRatioPoint() {
  SrsMeansRatioInput in(*this);
  if (!srs::Collect(*this, in, kPointForm)) return 0;
  Heading(*this, "Objective: Point estimate");
  AppendLine("Sample average of numerator, barY1= %f", in.barY1);
  AppendLine("Sample average of denominator, barY2= %f", in.barY2);
  AppendLine("Point estimate of ratio is %f", in.barY1 / in.barY2);
  EndBlock();
  return 1;
}

int CTervoDoc::SrsMeansRatioInterval() {
  SrsMeansRatioInput in(*this);
  if (!srs::Collect(*this, in, kIntervalForm)) return 0;
  const double R = in.barY1 / in.barY2;
  const double Q = in.S2_1 + R * R * in.S2_2 - 2 * R * in.S_12;
  const double sd = std::sqrt((in.N - in.n) * Q / (in.N * (in.n - 1) * in.barY2 * in.barY2));
  Heading(*this, "Objective: Confidence interval estimate");
  AppendLine("Population size, N= %.0f", in.N);
  AppendLine("Sample size, n= %.0f", in.n);
  AppendLine("Sample average of Y1= %f", in.barY1);
  AppendLine("Sample average of Y2= %f", in.barY2);
  AppendLine("Sample variance of Y1= %f", in.S2_1);
  AppendLine("Sample variance of Y2= %f", in.S2_2);
  AppendLine("Sample covariance of Y1 and Y2= %f", in.S_12);
  AppendLine("Point estimate of ratio is %f", R);
  if (IsSmallSample(in.n, in.N)) AppendWarning();
  AppendLine("Estimate of the std. deviation of the estimator: %f", sd);
  AppendLine("Approx. %.2f confidence interval for population ratio is from %f to %f", in.probability, R - in.z * sd,
             R + in.z * sd);
  EndBlock();
  return 1;
}

int CTervoDoc::SrsMeansRatioSd() {
  SrsMeansRatioInput in(*this);
  if (!srs::Collect(*this, in, kSdForm)) return 0;
  Heading(*this, "Objective: Theoretical standard deviation of estimator");
  AppendLine("Population size, N= %.0f", in.N);
  AppendLine("Sample size, n= %.0f", in.n);
  EchoGuesses(*this, in);
  AppendLine("Population ratio of Y1 and Y2= %f", GuessedRatio(in));
  if (IsSmallSample(in.n, in.N)) AppendWarning();
  AppendLine("Approx. std. deviation of the estimator: %f", TheoreticalSd(in));
  EndBlock();
  return 1;
}

int CTervoDoc::SrsMeansRatioSampleSize() {
  SrsMeansRatioInput in(*this);  // n stays as stored: the block reports the deviation there
  if (!srs::Collect(*this, in, kSampleSizeForm)) return 0;
  in.u = GuessedQ(in) / (in.mu_2 * in.mu_2);
  in.e = in.margin / in.z;
  const double required = in.N * in.u / ((in.N - 1) * in.e * in.e + in.u);
  Heading(*this, "Objective: Sample size calculation");
  AppendLine("Population size, N= %.0f", in.N);
  AppendLine("Sample size, n= %.0f", in.n);
  EchoGuesses(*this, in);
  AppendLine("Accuracy requirements, margin: %f", in.margin);
  AppendLine("Accuracy requirements, probability: %f", in.probability);
  AppendLine("Population ratio of Y1 and Y2= %f", GuessedRatio(in));
  AppendLine("Approx. std. deviation of the estimator: %f", TheoreticalSd(in));
  AppendLine("Required sample size is %.0f", required);
  if (IsSmallSample(required, in.N)) AppendWarning();
  EndBlock();
  return 1;
}

}  // namespace mirto
