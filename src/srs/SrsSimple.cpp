// Simple random sampling with the simple estimator: mean and total, proportion
// and number; point, interval, theoretical standard deviation, sample size.
#include <cmath>

#include "framework/FormCatalog.h"
#include "journal/CTervoDoc.h"

namespace mirto {
namespace {

constexpr std::string_view kTitle = "Simple random sampling";
constexpr std::string_view kEnter = "Enter the following:";
constexpr std::string_view kEnterSelect = "Enter or select the following:";

const FormTemplate kMeanPointForm{
    133, kTitle, {Static(kEnter), Field("Population size, N:", 15), Field("Sample average of variable, barY:", 20)}};
const FormTemplate kProportionPointForm{
    134, kTitle, {Static(kEnter), Field("Population size, N:", 0), Field("Sample proportion in category, P:", 0)}};
const FormTemplate kMeanIntervalForm{
    135,
    kTitle,
    {Static(kEnterSelect), Field("Population size:", 20), Field("Sample size:", 20),
     Field("Sample average of variable:", 20), Field("Sample std. deviation of variable:", 20),
     StoredLevelList("Confidence level:")}};
const FormTemplate kProportionIntervalForm{
    138,
    kTitle,
    {Static(kEnterSelect), Field("Population size, N:", 20), Field("Sample size, n:", 20),
     Field("Sample proportion in category, P:", 20), StoredLevelList("Confidence level:")}};
const FormTemplate kMeanSdForm{139,
                               kTitle,
                               {Static(kEnter), Field("Population size, N:", 20), Field("Sample size, n:", 20),
                                Field("Gesstimate of population standard deviation of variable, sigma:", 15)}};
const FormTemplate kProportionSdForm{140,
                                     kTitle,
                                     {Static(kEnter), Field("Population size, N:", 20), Field("Sample size, n:", 20),
                                      Field("Guesstimate of population proportion in category, pi:", 10)}};
const FormTemplate kMeanSampleSizeForm{
    141,
    kTitle,
    {Static(kEnterSelect), Field("Population size, N:", 20),
     Field("Guesstimate of population std. deviation of variable, sigma:", 15),
     Radio("Special target:", {"Mean", "Total"}, 1), Group("Sample accuracy requirements", 2), Field("Margin:", 15),
     StoredLevelList("Probability:")}};
const FormTemplate kProportionSampleSizeForm{
    142,
    kTitle,
    {Static(kEnterSelect), Field("Population size, N:", 20),
     Field("Guesstimate of population proportion in category, pi:", 10),
     Radio("Special target:", {"Proportion", "Number"}, 1), Group("Sample accuracy requirements", 2),
     Field("Margin:", 10), StoredLevelList("Probability:")}};

// The figures a form fills, in its tab order.
enum class Slot { N, n, Pi, Sigma, BarY, S, P, Margin, Level, Special };

// SrsInput: the operation's copy of the calculator state while its form is open.
struct SrsInput {
  virtual ~SrsInput() = default;
  double N = 0, n = 0, pi = 0, sigma = 0, barY = 0, s = 0, P = 0, z = 0, margin = 0, probability = 0;
  int specialTarget = 1;

  explicit SrsInput(const CTervoDoc& d)
      : N(d.m_dPopSize),
        n(d.m_dSampleSize),
        pi(d.m_dPi),
        sigma(d.m_dSigma),
        barY(d.m_dSampleMean),
        s(d.m_dSampleSd),
        P(d.m_dSampleProp),
        z(d.m_dZ),
        margin(d.m_dMargin),
        probability(d.m_dLevel),
        specialTarget(d.m_nSpecialTarget) {}

  double* Real(Slot slot) {
    switch (slot) {
      case Slot::N: return &N;
      case Slot::n: return &n;
      case Slot::Pi: return &pi;
      case Slot::Sigma: return &sigma;
      case Slot::BarY: return &barY;
      case Slot::S: return &s;
      case Slot::P: return &P;
      case Slot::Margin: return &margin;
      default: return nullptr;
    }
  }

  // The entry step: shows the form and, on OK, reads every slot it has.
  bool Enter(FormHost& host, const FormTemplate& tmpl, std::initializer_list<Slot> slots) {
    Form form(tmpl);
    if (!host.ShowForm(form)) return false;
    FormReader reader(form);
    for (Slot slot : slots) {
      if (slot == Slot::Level)
        reader.Level(probability, z);
      else if (slot == Slot::Special)
        specialTarget = reader.Choice();
      else
        *Real(slot) = reader.Real();
    }
    return true;
  }

  // Stores back the items the form dealt with.
  void Store(CTervoDoc& d, std::initializer_list<Slot> slots) const {
    for (Slot slot : slots) {
      switch (slot) {
        case Slot::N: d.m_dPopSize = N; break;
        case Slot::n: d.m_dSampleSize = n; break;
        case Slot::Pi: d.m_dPi = pi; break;
        case Slot::Sigma: d.m_dSigma = sigma; break;
        case Slot::BarY: d.m_dSampleMean = barY; break;
        case Slot::S: d.m_dSampleSd = s; break;
        case Slot::P: d.m_dSampleProp = P; break;
        case Slot::Margin: d.m_dMargin = margin; break;
        case Slot::Level:
          d.m_dLevel = probability;
          d.m_dZ = z;
          break;
        case Slot::Special: d.m_nSpecialTarget = specialTarget; break;
      }
    }
  }
};

// Runs the form of one operation; false on Cancel (nothing stored).
bool Collect(CTervoDoc& d, SrsInput& in, const FormTemplate& tmpl, std::initializer_list<Slot> slots) {
  if (!in.Enter(d.Host(), tmpl, slots)) return false;
  in.Store(d, slots);
  return true;
}

void Heading(CTervoDoc& d, const char* target, const char* objective) {
  d.AppendSeparator();
  d.AppendLine("%s", target);
  d.AppendLine("Method: Simple random sampling");
  d.AppendLine("%s", objective);
  d.AppendLine("Estimator: Simple");
}

constexpr const char* kMeanTarget = "Target: Mean and total of variable";
constexpr const char* kPropTarget = "Target: Proportion and number in category";

// Required sample size for a margin on the chosen special target; D is the
// variance term (sigma^2, or pi (1 - pi)).
double RequiredSampleSize(const SrsInput& in, double D) {
  const double e = in.specialTarget == 2 ? in.margin / (in.z * in.N) : in.margin / in.z;
  return in.N * D / ((in.N - 1) * e * e + D);
}

// The closing lines of both sample-size blocks.
int AppendAccuracyAndSize(CTervoDoc& d, const SrsInput& in, double required) {
  d.AppendLine("Accuracy requirements, margin: %f", in.margin);
  d.AppendLine("Accuracy requirements, probability: %f", in.probability);
  d.AppendLine("Required sample size is %.0f", required);
  if (IsSmallSample(required, in.N)) d.AppendWarning();
  d.EndBlock();
  return 1;
}

}  // namespace

std::vector<const FormTemplate*> SrsSimpleFormTemplates() {
  return {&kMeanPointForm, &kProportionPointForm, &kMeanIntervalForm,   &kProportionIntervalForm,
          &kMeanSdForm,    &kProportionSdForm,    &kMeanSampleSizeForm, &kProportionSampleSizeForm};
}

int CTervoDoc::SrsMeanPoint() {
  SrsInput in(*this);
  if (!Collect(*this, in, kMeanPointForm, {Slot::N, Slot::BarY})) return 0;
  Heading(*this, kMeanTarget, "Objective: Point estimates");
  AppendLine("Population size, N= %.0f", in.N);
  AppendLine("Estimate of population mean: %f", in.barY);
  AppendLine("Estimate of population total: %f", in.N * in.barY);
  EndBlock();
  return 1;
}

int CTervoDoc::SrsProportionPoint() {
  SrsInput in(*this);
  if (!Collect(*this, in, kProportionPointForm, {Slot::N, Slot::P})) return 0;
  Heading(*this, kPropTarget, "Objective: Point estimates");
  AppendLine("Population size, N= %.0f", in.N);
  AppendLine("Estimate of population proportion: %f", in.P);
  AppendLine("Estimate of population number in category: %.0f", in.N * in.P);
  EndBlock();
  return 1;
}

int CTervoDoc::SrsMeanInterval() {
  SrsInput in(*this);
  if (!Collect(*this, in, kMeanIntervalForm, {Slot::N, Slot::n, Slot::BarY, Slot::S, Slot::Level})) return 0;
  const double sd = std::sqrt((in.N - in.n) * in.s * in.s / ((in.n - 1) * in.N));
  const double low = in.barY - in.z * sd, high = in.barY + in.z * sd;
  Heading(*this, kMeanTarget, "Objective: Confidence interval estimates");
  AppendLine("Population size, N= %.0f", in.N);
  AppendLine("Sample size, n= %.0f", in.n);
  AppendLine("Point estimate of population mean: %f", in.barY);
  AppendLine("Point estimate of population total: %f", in.N * in.barY);
  AppendLine("Est. std. deviation of sample mean: %f", sd);
  if (IsSmallSample(in.n, in.N)) AppendWarning();
  AppendIntervals(IntervalOf::MeanTotal, Wording::Population, in.probability, in.N, low, high);
  EndBlock();
  return 1;
}

int CTervoDoc::SrsProportionInterval() {
  SrsInput in(*this);
  if (!Collect(*this, in, kProportionIntervalForm, {Slot::N, Slot::n, Slot::P, Slot::Level})) return 0;
  const double sd = std::sqrt((in.N - in.n) * in.P * (1 - in.P) / ((in.n - 1) * in.N));
  const double low = in.P - in.z * sd, high = in.P + in.z * sd;
  Heading(*this, "Target: Proportion or number in category", "Objective: Confidence interval estimates");
  AppendLine("Population size, N= %.0f", in.N);
  AppendLine("Sample size, n= %.0f", in.n);
  AppendLine("Point estimate of population proportion in category: %f", in.P);
  AppendLine("Point estimate of population number in category: %.0f", in.N * in.P);
  AppendLine("Est. std. deviation of sample proportion: %f", sd);
  if (IsSmallSample(in.n, in.N)) AppendWarning();
  AppendIntervals(IntervalOf::ProportionNumber, Wording::Population, in.probability, in.N, low, high);
  EndBlock();
  return 1;
}

int CTervoDoc::SrsMeanSd() {
  SrsInput in(*this);
  if (!Collect(*this, in, kMeanSdForm, {Slot::N, Slot::n, Slot::Sigma})) return 0;
  const double V = (in.N - in.n) * in.sigma * in.sigma / ((in.N - 1) * in.n);
  Heading(*this, kMeanTarget, "Objective: Theoretical std. deviation of estimators");
  AppendLine("Population size, N= %.0f", in.N);
  AppendLine("Sample size, n= %.0f", in.n);
  AppendLine("Guesstimate of pop. std. deviation of variable: %f", in.sigma);
  AppendLine("Guesstimate of std. deviation of estimator of pop. mean: %f", std::sqrt(V));
  AppendLine("Guesstimate of variance of estimator of pop.  mean: %f", V);
  AppendLine("Guesstimate of std. deviation of estimator of pop. total: %f", std::sqrt(in.N * in.N * V));
  AppendLine("Guesstimate of variance of estimator of pop. total: %f", in.N * in.N * V);
  EndBlock();
  return 1;
}

int CTervoDoc::SrsProportionSd() {
  SrsInput in(*this);
  if (!Collect(*this, in, kProportionSdForm, {Slot::N, Slot::n, Slot::Pi})) return 0;
  const double V = (in.N - in.n) * in.pi * (1 - in.pi) / ((in.N - 1) * in.n);
  Heading(*this, kPropTarget, "Objective: Theoretical std. deviation of estimators");
  AppendLine("Population size, N= %.0f", in.N);
  AppendLine("Sample size, n= %.0f", in.n);
  AppendLine("Guesstimate of population proportion in category: %f", in.pi);
  AppendLine("Guesstimate of std. deviation of estimator of pop. proportion: %f", std::sqrt(V));
  AppendLine("Guesstimate of variance of estimator of pop. proportion: %f", V);
  AppendLine("Guesstimate of std. deviation of estimator of pop. number: %f", in.N * std::sqrt(V));
  AppendLine("Guesstimate of variance of estimator of pop. number: %f", in.N * in.N * V);
  EndBlock();
  return 1;
}

int CTervoDoc::SrsMeanSampleSize() {
  SrsInput in(*this);
  if (!Collect(*this, in, kMeanSampleSizeForm, {Slot::N, Slot::Sigma, Slot::Special, Slot::Margin, Slot::Level}))
    return 0;
  const double required = RequiredSampleSize(in, in.sigma * in.sigma);
  Heading(*this, in.specialTarget == 2 ? "Target: Total of variable" : "Target: Mean of variable",
          "Objective: Sample size determination");
  AppendLine("Population size, N= %.0f", in.N);
  AppendLine("Guesstimate of population std. deviation of variable: %f", in.sigma);
  return AppendAccuracyAndSize(*this, in, required);
}

int CTervoDoc::SrsProportionSampleSize() {
  SrsInput in(*this);
  if (!Collect(*this, in, kProportionSampleSizeForm, {Slot::N, Slot::Pi, Slot::Special, Slot::Margin, Slot::Level}))
    return 0;
  const double required = RequiredSampleSize(in, in.pi * (1 - in.pi));
  Heading(*this, in.specialTarget == 2 ? "Target: Number in category" : "Target: Proportion in category",
          "Objective: Sample size determination");
  AppendLine("Population size, N= %.0f", in.N);
  AppendLine("Guesstimate of population proportion in category: %f", in.pi);
  return AppendAccuracyAndSize(*this, in, required);
}

}  // namespace mirto
