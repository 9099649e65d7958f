// Unequal-probability sampling: the element forms and the report lines shared
// by the with- and without-replacement routines.
#include "unequal/Unequal.h"

#include "framework/FormCatalog.h"

namespace mirto {
namespace unequal {
namespace {

constexpr std::string_view kWithTitle = "Unequal probabilities, with replacement";
constexpr std::string_view kWithoutTitle = "Unequal probabilities, without replacement";
constexpr std::string_view kElementNo = "Enter the following data for element no.:";
constexpr std::string_view kValue = "Y-value of element:";
constexpr std::string_view kCategoryValue = "Y'-value of element (1 if in category, 0 otherwise):";
constexpr std::string_view kNext = "Press OK for the next element or Cancel to abort.";

FormTemplate ElementForm(int id, std::string_view title, std::string_view value, std::string_view probability) {
  return {id, title, {RowNumber(kElementNo, 10), Field(value, 10), Field(probability, 10), Static(kNext)}};
}

}  // namespace

const FormTemplate kHheElementForm = ElementForm(183, kWithTitle, kValue, "Selection probability:");
const FormTemplate kHheCategoryElementForm = ElementForm(184, kWithTitle, kCategoryValue, "Selection probability:");
const FormTemplate kHteElementForm = ElementForm(187, kWithoutTitle, kValue, "Inclusion probability:");
const FormTemplate kHteCategoryElementForm = ElementForm(188, kWithoutTitle, kCategoryValue, "Inclusion probability:");
// Reads as one sentence: "... of elements [i] and [j]" followed by the probability.
const FormTemplate kJointProbabilityForm{
    190,
    kWithoutTitle,
    {RowNumber("Enter the joint inclusion probability of elements", 10), RowNumber("and", 10), Field("", 10)}};

void AppendHeading(CTervoDoc& d, Target target, Objective objective, const char* method, const char* estimator) {
  static constexpr const char* kObjectives[] = {"Objective: Point estimates", "Objective: Confidence intervals",
                                                "Objective: Theoretical std. deviation of estimator"};
  d.AppendSeparator();
  d.AppendLine("%s", target == Target::MeanTotal ? "Target: Mean and total of variable"
                                                 : "Target: Proportion and number in category");
  d.AppendLine("%s", method);
  d.AppendLine("%s", kObjectives[static_cast<int>(objective) - 1]);
  d.AppendLine("%s", estimator);
}

void AppendElementTable(CTervoDoc& d, const TableLayout& layout, const double* y, const double* p, long long count) {
  d.AppendLine("%s", layout.header);
  // One loop per format, so that every format stays a literal the compiler checks.
  switch (layout.row) {
    case RowStyle::Short:
      for (long long i = 1; i <= count; ++i) d.AppendLine("%3d %10.3f %10.4f", static_cast<int>(i), y[i], p[i]);
      break;
    case RowStyle::ShortBlank:
      for (long long i = 1; i <= count; ++i) d.AppendLine("%3d %10.3f %10.4f ", static_cast<int>(i), y[i], p[i]);
      break;
    case RowStyle::Full:
      for (long long i = 1; i <= count; ++i) d.AppendLine("%3d %10f %10f", static_cast<int>(i), y[i], p[i]);
      break;
    case RowStyle::FullBlank:
      for (long long i = 1; i <= count; ++i) d.AppendLine("%3d %10f %10f ", static_cast<int>(i), y[i], p[i]);
      break;
  }
}

void AppendEstimates(CTervoDoc& d, Target target, Objective objective, double mean, double total) {
  if (target == Target::MeanTotal) {
    d.AppendLine("Estimate of population mean: %f", mean);
    d.AppendLine("Estimate of population total: %f", total);
  } else if (objective == Objective::Point) {
    d.AppendLine("Estimate of population proportion in category: %f", mean);
    d.AppendLine("Estimate of population number in category: %.0f", total);
  } else {
    d.AppendLine("Estimate of population proportion: %f", mean);
    d.AppendLine("Estimate of population number: %.0f", total);
  }
}

void AppendIntervals(CTervoDoc& d, Target target, double sd, double mean, double N, double n, double z, double level) {
  const double low = mean - z * sd, high = mean + z * sd;
  if (target == Target::MeanTotal) {
    d.AppendLine("Estimated std. deviation of estimator of pop. mean, Sd(barY_hh), is %f ", sd);
    if (IsSmallSample(n, N)) d.AppendWarning();
    d.AppendIntervals(CTervoDoc::IntervalOf::MeanTotal, CTervoDoc::Wording::Pop, level, N, low, high);
  } else {
    d.AppendLine("Estimated std. deviation of estimator of pop. proportion, Sd(P_hh), is %f ", sd);
    if (IsSmallSample(n, N)) d.AppendWarning();
    d.AppendIntervals(CTervoDoc::IntervalOf::ProportionNumber, CTervoDoc::Wording::Pop, level, N, low, high);
  }
}

void AppendTheoreticalSd(CTervoDoc& d, Target target, double sdMean, double sdTotal) {
  if (target == Target::MeanTotal) {
    d.AppendLine("Std. deviation of estimator of pop. mean, Sd(barY_hh): %f", sdMean);
    d.AppendLine("Std. deviation of estimator of pop. total: %f", sdTotal);
  } else {
    d.AppendLine("Std. deviation of estimator of pop. proportion: %f", sdMean);
    d.AppendLine("Std. deviation of estimator of pop. number: %f", sdTotal);
  }
}

bool EnterSampledElements(FormHost& host, const FormTemplate& form, double* y, double* p, long long count, double N,
                          double& sumRatio, double* sumSquares) {
  sumRatio = 0.0;
  if (sumSquares) *sumSquares = 0.0;
  return RunEntryLoop(host, form, FormContext{}, count, [&](const Form& f, long long i) {
    FormReader r(f);
    y[i] = r.Real();
    p[i] = r.Real();
    if (!(p[i] > 0.0)) return false;
    sumRatio += y[i] / p[i];
    if (sumSquares) {
      const double u = y[i] / (N * p[i]);
      *sumSquares += u * u;
    }
    return true;
  });
}

}  // namespace unequal

std::vector<const FormTemplate*> UnequalFormTemplates() {
  using namespace unequal;
  return {&kHheElementForm, &kHheCategoryElementForm, &kHteElementForm, &kHteCategoryElementForm,
          &kJointProbabilityForm};
}

}  // namespace mirto
