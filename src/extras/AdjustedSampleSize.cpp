// Simple random sampling, the sample size for a margin as "Sample size"
// computes it, with the variance multiplied by a design effect and the
// result divided by the expected response rate and rounded up.
#include <cmath>

#include "extras/Commands.h"
#include "framework/Routine.h"
#include "srs/Srs.h"

namespace mirto::extras {
namespace {

struct AdjustedInput : srs::SrsInput {
  using SrsInput::SrsInput;
  double deff = 0, rate = 0;
};

using D = CalculatorState;
using In = AdjustedInput;

// The fields of the simple sample-size forms, carried in and stored back as there; then deff and the rate.
constexpr Item<In> kN = RealItem<In>(&In::N, &D::m_dPopSize);
constexpr Item<In> kSigma = RealItem<In>(&In::sigma, &D::m_dSigma);
constexpr Item<In> kPi = RealItem<In>(&In::pi, &D::m_dPi);
constexpr Item<In> kChoice = ChoiceItem<In>(&In::specialTarget, &D::m_nSpecialTarget);
constexpr Item<In> kMargin = RealItem<In>(&In::margin, &D::m_dMargin);
constexpr Item<In> kLevel = LevelItem<In>(&In::probability, &In::z, &D::m_dLevel, &D::m_dZ);
constexpr Item<In> kDeff = RealItem<In>(&In::deff);
constexpr Item<In> kRate = RealItem<In>(&In::rate);

FormTemplate SizeForm(int id, Control guess, std::vector<std::string_view> buttons, int marginLength) {
  return {id,
          srs::kTitle,
          {Static(srs::kEnterSelect), Field("Population size, N:", 20), guess,
           Radio("Special target:", std::move(buttons), 1), Group("Sample accuracy requirements", 2),
           Field("Margin:", marginLength), StoredLevelList("Probability:"), Field("Design effect, deff:", 15),
           Field("Expected response rate:", 15)}};
}

const EntryForm<In> kMeanForm{
    SizeForm(201, Field("Guesstimate of population std. deviation of variable, sigma:", 15), {"Mean", "Total"}, 15),
    {kN, kSigma, kChoice, kMargin, kLevel, kDeff, kRate}};
const EntryForm<In> kProportionForm{
    SizeForm(202, Field("Guesstimate of population proportion in category, pi:", 10), {"Proportion", "Number"}, 10),
    {kN, kPi, kChoice, kMargin, kLevel, kDeff, kRate}};

struct AdjustedSampleSize {
  AdjustedInput in;
  Target target;
  double withDeff, contacted, required;
  bool warning;
};

AdjustedSampleSize Compute(const AdjustedInput& in, Target target) {
  const double withDeff = srs::RequiredSampleSize(in, in.deff * srs::ElementVariance(in, target));
  const double contacted = withDeff / in.rate, required = RoundUp(contacted);
  return {in, target, withDeff, contacted, required, IsSmallSample(required, in.N)};
}

bool IsMean(Target target) { return target == Target::MeanTotal; }

void Write(CTervoDoc& d, const AdjustedSampleSize& r) {
  WriteSizeHeading(d, r.in, r.target, "Objective: Sample size with adjustments");
  d.AppendLine("Accuracy requirements, probability: %f", r.in.probability);
  d.AppendLine("Design effect, deff: %f", r.in.deff);
  d.AppendLine("Expected response rate: %f", r.in.rate);
  d.AppendLine("Sample size with the variance times deff: %f", r.withDeff);
  d.AppendLine("Divided by the response rate: %f", r.contacted);
  d.AppendLine("Required sample size, rounded up: %.0f", r.required);
  if (r.required > r.in.N) d.AppendLine("Note: more elements than the population size N.");
  if (r.warning) d.AppendWarning();
}

// The record of "Sample size" with the size for the variance times deff, then the adjustments.
Record ToRecord(const AdjustedSampleSize& r) {
  Record rec = srs::ToRecord(srs::SrsSampleSize{r.in, r.target, r.withDeff, r.warning});
  return rec.Input("deff", r.in.deff)
      .Input("response_rate", r.in.rate)
      .Result("contacted_sample_size", r.contacted)
      .Result("rounded_sample_size", r.required);
}

int Run(CTervoDoc& doc, const EntryForm<In>& form, Target target) {
  In in(doc);
  if (!Collect(doc, in, form)) return 0;
  if (!(in.deff > 0.0 && std::isfinite(in.deff))) {
    doc.Host().Message("Illegal entry: the design effect must be greater than 0.");
    return 0;
  }
  if (!(in.rate > 0.0 && in.rate <= 1.0)) {
    doc.Host().Message("Illegal entry: the response rate must be greater than 0 and at most 1.");
    return 0;
  }
  return Report(doc, Compute(in, target));
}

}  // namespace

void WriteSizeHeading(CTervoDoc& d, const srs::SrsInput& in, Target target, const char* objective) {
  const bool second = in.specialTarget == SpecialTarget::TotalOrNumber;
  const bool mean = IsMean(target);
  d.AppendSeparator();
  d.AppendLine("%s", mean ? (second ? "Target: Total of variable" : "Target: Mean of variable")
                          : (second ? "Target: Number in category" : "Target: Proportion in category"));
  d.AppendLine("Method: Simple random sampling");
  d.AppendLine("%s", objective);
  d.AppendLine("Estimator: Simple");
  d.AppendLine("Population size, N= %.0f", in.N);
  if (mean)
    d.AppendLine("Guesstimate of population std. deviation of variable: %f", in.sigma);
  else
    d.AppendLine("Guesstimate of population proportion in category: %f", in.pi);
  d.AppendLine("Accuracy requirements, margin: %f", in.margin);
}

double RoundUp(double x) {
  const double nearest = std::round(x);
  // 400 / 0.8 may come out a hair above 500.
  if (std::fabs(x - nearest) <= 1e-12 * std::fmax(1.0, std::fabs(x))) return nearest;
  return std::ceil(x);
}

int SrsMeanAdjustedSampleSize(CTervoDoc& doc) { return Run(doc, kMeanForm, Target::MeanTotal); }
int SrsProportionAdjustedSampleSize(CTervoDoc& doc) { return Run(doc, kProportionForm, Target::ProportionNumber); }

}  // namespace mirto::extras

// ---- The commands ---------------------------------------------------------------------

namespace mirto::extras {
namespace {

using M = Method;
using T = Target;
using O = Objective;
using E = Estimator;

std::vector<FormHelp> FormsHelp() {
  return {
      {"Sample size with adjustments (Simple > Mean/total of variable, or Proportion/number in category)",
       {&kMeanForm.tmpl, &kProportionForm.tmpl},
       "The form of \"Sample size\": **Population size, N:**, **Guesstimate of population std. deviation of "
       "variable, sigma:** (divisor N) or **Guesstimate of population proportion in category, pi:**, the "
       "**Special target:** and, as accuracy requirements, the **Margin:** and the **Probability:**; then "
       "**Design effect, deff:**, the variance of the planned design over that of simple random sampling "
       "(greater than 0; 1 for simple random sampling), and **Expected response rate:**, the share of the "
       "selected elements that will respond (greater than 0, at most 1). The report shows the size of "
       "\"Sample size\" with the variance multiplied by deff (unrounded), that size divided by the response "
       "rate, and the number to select: that quotient rounded up."},
  };
}

constexpr Command kCommands[] = {
    Leaf("simple.mean.adjusted-size", 32950, "Simple > Mean/total of variable > Sample size with adjustments",
         {M::Simple, T::MeanTotal, O::AdjustedSampleSize, E::Simple},
         "M: Simple, T: Mean/total, O: SampleSizeAdjusted, E: Simple", nullptr, &SrsMeanAdjustedSampleSize,
         {&kMeanForm.tmpl}),
    Leaf("simple.proportion.adjusted-size", 32951,
         "Simple > Proportion/number in category > Sample size with adjustments",
         {M::Simple, T::ProportionNumber, O::AdjustedSampleSize, E::Simple},
         "M: Simple, T: Proportion/number, O: SampleSizeAdjusted, E: Simple", nullptr, &SrsProportionAdjustedSampleSize,
         {&kProportionForm.tmpl}),
};

}  // namespace

const CommandTable kAdjustedSizeTable{kCommands, {}, &FormsHelp};

}  // namespace mirto::extras
