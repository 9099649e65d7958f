// Unequal-probability sampling: the element forms and their row checks, the
// loop over sampled elements, and the report blocks and records of both
// families.
#include "unequal/Unequal.h"

#include <utility>

#include "framework/Entry.h"
#include "framework/RecordKeys.h"
#include "framework/Sums.h"
#include "unequal/Rows.h"

namespace mirto {
namespace unequal {
namespace {

constexpr std::string_view kWithTitle = "Unequal probabilities, with replacement";
constexpr std::string_view kWithoutTitle = "Unequal probabilities, without replacement";
constexpr std::string_view kElementNo = "Enter the following data for element no.:";
constexpr std::string_view kValue = "Y-value of element:";
constexpr std::string_view kCategoryValue = "Y'-value of element (1 if in category, 0 otherwise):";
constexpr std::string_view kNext = "Press OK for the next element or Cancel to abort.";

// The probability field of the element forms, and the field of the pair form.
constexpr std::size_t kProbabilityControl = 2;
constexpr std::size_t kJointControl = 2;

constexpr Item<ElementRow> kElementItems[] = {RealItem(&ElementRow::y), RealItem(&ElementRow::p)};
constexpr Item<PairRow> kPairItems[] = {RealItem(&PairRow::p)};

bool InUnitRange(double p) { return p >= 0.0 && p <= 1.0; }

// Every estimate divides by a selection probability.
RowVerdict CheckSelection(const Form& form) {
  if (ReadElement(form).p > 0.0) return {};
  return {RowCheck::Refuse, kProbabilityControl, "a selection probability must be greater than 0"};
}

// The estimates divide by p; the theoretical deviation takes every element,
// one that is never drawn (p = 0) included. The intervals from joint
// probabilities (src/extras) divide by p and by p_ij: above 0, at most 1.
bool ForJointInterval(const Form& form) { return form.Context().objective == Objective::JointInterval; }

RowVerdict CheckInclusion(const Form& form) {
  const double p = ReadElement(form).p;
  if (form.Context().objective == Objective::ThStdDev) {
    if (InUnitRange(p)) return {};
    return {RowCheck::Refuse, kProbabilityControl, "an inclusion probability lies between 0 and 1"};
  }
  if (p > 0.0 && (p <= 1.0 || !ForJointInterval(form))) return {};
  return {RowCheck::Refuse, kProbabilityControl,
          ForJointInterval(form) ? "an inclusion probability lies above 0 and at most 1"
                                 : "an inclusion probability must be greater than 0"};
}

RowVerdict CheckJoint(const Form& form) {
  const double p = ReadPair(form).p;
  if (InUnitRange(p) && (p > 0.0 || !ForJointInterval(form))) return {};
  return {RowCheck::Refuse, kJointControl,
          ForJointInterval(form) ? "a joint probability lies above 0 and at most 1"
                                 : "a joint probability lies between 0 and 1"};
}

FormTemplate ElementForm(int id, std::string_view title, std::string_view value, std::string_view probability,
                         RowVerdict (*check)(const Form&)) {
  return {
      id, title, {RowNumber(kElementNo, 10), Field(value, 10), Field(probability, 10), Static(kNext)}, nullptr, check};
}

}  // namespace

const FormTemplate kHheElementForm = ElementForm(183, kWithTitle, kValue, "Selection probability:", CheckSelection);
const FormTemplate kHheCategoryElementForm =
    ElementForm(184, kWithTitle, kCategoryValue, "Selection probability:", CheckSelection);
const FormTemplate kHteElementForm = ElementForm(187, kWithoutTitle, kValue, "Inclusion probability:", CheckInclusion);
const FormTemplate kHteCategoryElementForm =
    ElementForm(188, kWithoutTitle, kCategoryValue, "Inclusion probability:", CheckInclusion);
// Reads as one sentence: "... of elements [i] and [j]" followed by the probability.
const FormTemplate kJointProbabilityForm{190,
                                         kWithoutTitle,
                                         {RowNumber("Enter the joint inclusion probability of elements", 10),
                                          RowNumber("and", 10), Field("", 10).Named("p_ij")},
                                         nullptr,
                                         CheckJoint};

ElementRow ReadElement(const Form& form) { return ReadRow<ElementRow>(form, kElementItems); }
PairRow ReadPair(const Form& form) { return ReadRow<PairRow>(form, kPairItems); }

bool Refused(const Form& form) {
  const auto check = form.Template().checkRow;
  return check && check(form).check == RowCheck::Refuse;
}

bool EnterSampledElements(FormHost& host, const FormTemplate& form, FormContext context, double* y, double* p,
                          long long count, double& sumRatio) {
  sumRatio = 0.0;
  return RunEntryLoop(host, form, context, count, [&](const Form& f, long long i) {
    const ElementRow row = ReadElement(f);
    y[i] = row.y;
    p[i] = row.p;
    if (Refused(f)) return false;
    sumRatio += y[i] / p[i];
    return true;
  });
}

double SquaredDeviationsOfShares(const double* y, const double* p, long long count, double N) {
  std::vector<double> u;
  u.reserve(static_cast<std::size_t>(count > 0 ? count : 0));
  for (long long i = 1; i <= count; ++i) u.push_back(y[i] / (N * p[i]));
  return SquaredDeviations(u);
}

std::vector<Element> Elements(const double* y, const double* p, long long count) {
  std::vector<Element> rows;
  rows.reserve(static_cast<std::size_t>(count > 0 ? count : 0));
  for (long long i = 1; i <= count; ++i) rows.push_back({y[i], p[i]});
  return rows;
}

UnequalInterval IntervalFrom(Method method, Target target, double N, double n, double z, double level,
                             std::vector<Element> elements, double mean, double total, double sd) {
  const double low = mean - z * sd, high = mean + z * sd;
  return {method, target, N,   n,    z,       level,    std::move(elements), mean,
          total,  sd,     low, high, N * low, N * high, IsSmallSample(n, N)};
}

// ---- Report blocks ---------------------------------------------------------------------

namespace {

bool IsMean(Target target) { return target == Target::MeanTotal; }
bool WithReplacement(Method method) { return method == Method::WithReplacement; }

// Row formats of the element tables; each variant keeps its own precision and
// trailing blank.
enum class RowStyle {
  Short,       // "%3d %10.3f %10.4f"
  ShortBlank,  // "%3d %10.3f %10.4f "
  Full,        // "%3d %10f %10f"
  FullBlank,   // "%3d %10f %10f "
};

struct TableLayout {
  const char* header;
  RowStyle row;
};

// Header and row format per method (with, without replacement), target and objective.
constexpr TableLayout kTables[2][2][3] = {
    {{{" i        Y_i       q_i", RowStyle::Short},
      {" i        Y_i       q_i", RowStyle::Short},
      {" i        Y_i       q_i ", RowStyle::FullBlank}},
     {{" i       Y'_i       q_i", RowStyle::Short},
      {" i        Y'_i       q_i ", RowStyle::FullBlank},
      {" i        Y'_i       q_i ", RowStyle::Full}}},
    {{{" i        Y_i       p_i ", RowStyle::ShortBlank},
      {" i        Y_i       p_i ", RowStyle::ShortBlank},
      {" i        Y_i       p_i ", RowStyle::FullBlank}},
     {{" i       Y'_i       p_i ", RowStyle::ShortBlank},
      {" i        Y'_i       p_i ", RowStyle::FullBlank},
      {" i        Y'_i       p_i ", RowStyle::Full}}},
};

// Separator, the four header lines and the population size.
void AppendHeading(CTervoDoc& d, Method method, Target target, Objective objective, double N) {
  static constexpr const char* kObjectives[] = {"Objective: Point estimates", "Objective: Confidence intervals",
                                                "Objective: Theoretical std. deviation of estimator"};
  d.AppendSeparator();
  d.AppendLine("%s",
               IsMean(target) ? "Target: Mean and total of variable" : "Target: Proportion and number in category");
  d.AppendLine("%s", WithReplacement(method) ? "Method: Unequal probabilities, with replacement"
                                             : "Method: Unequal probabilities, without replacement");
  d.AppendLine("%s", kObjectives[static_cast<int>(objective) - 1]);
  d.AppendLine("%s", WithReplacement(method) ? "Estimator: HHE" : "Estimator: HTE");
  d.AppendLine("Population size, N= %.0f", N);
}

void AppendElementTable(CTervoDoc& d, Method method, Target target, Objective objective,
                        const std::vector<Element>& rows) {
  const TableLayout& layout =
      kTables[WithReplacement(method) ? 0 : 1][IsMean(target) ? 0 : 1][static_cast<int>(objective) - 1];
  d.AppendLine("%s", layout.header);
  int i = 0;
  // One call per format, so that every format stays a literal the compiler checks.
  for (const Element& e : rows) {
    ++i;
    switch (layout.row) {
      case RowStyle::Short: d.AppendLine("%3d %10.3f %10.4f", i, e.y, e.p); break;
      case RowStyle::ShortBlank: d.AppendLine("%3d %10.3f %10.4f ", i, e.y, e.p); break;
      case RowStyle::Full: d.AppendLine("%3d %10f %10f", i, e.y, e.p); break;
      case RowStyle::FullBlank: d.AppendLine("%3d %10f %10f ", i, e.y, e.p); break;
    }
  }
}

void AppendEstimates(CTervoDoc& d, Target target, Objective objective, double mean, double total) {
  if (IsMean(target)) {
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

}  // namespace

void Write(CTervoDoc& d, const UnequalPoint& r) {
  AppendHeading(d, r.method, r.target, Objective::Point, r.N);
  d.AppendLine("Sample size, n= %.0f", r.n);
  AppendElementTable(d, r.method, r.target, Objective::Point, r.elements);
  AppendEstimates(d, r.target, Objective::Point, r.mean, r.total);
}

void Write(CTervoDoc& d, const UnequalInterval& r) {
  AppendHeading(d, r.method, r.target, Objective::Interval, r.N);
  d.AppendLine("Sample size, n= %.0f", r.n);
  AppendElementTable(d, r.method, r.target, Objective::Interval, r.elements);
  AppendEstimates(d, r.target, Objective::Interval, r.mean, r.total);
  if (IsMean(r.target))
    d.AppendLine("Estimated std. deviation of estimator of pop. mean, Sd(barY_hh), is %f ", r.sd);
  else
    d.AppendLine("Estimated std. deviation of estimator of pop. proportion, Sd(P_hh), is %f ", r.sd);
  if (r.warning) d.AppendWarning();
  d.AppendIntervals(IsMean(r.target) ? CTervoDoc::IntervalOf::MeanTotal : CTervoDoc::IntervalOf::ProportionNumber,
                    CTervoDoc::Wording::Pop, r.level, r.N, r.low, r.high);
}

void Write(CTervoDoc& d, const UnequalSd& r) {
  AppendHeading(d, r.method, r.target, Objective::ThStdDev, r.N);
  if (WithReplacement(r.method)) {
    d.AppendLine("Sample size, n= %.0f", r.n);
    d.AppendLine(IsMean(r.target) ? "Population mean of variable, mu= %f" : "Population proportion, Pi= %f", r.mu);
  }
  AppendElementTable(d, r.method, r.target, Objective::ThStdDev, r.elements);
  if (!WithReplacement(r.method)) {
    d.AppendLine("  i   j      p_ij ");
    for (const Pair& pair : r.pairs)
      d.AppendLine("%3d %3d %10f ", static_cast<int>(pair.i), static_cast<int>(pair.j), pair.p);
  }
  if (IsMean(r.target)) {
    d.AppendLine("Std. deviation of estimator of pop. mean, Sd(barY_hh): %f", r.sdMean);
    d.AppendLine("Std. deviation of estimator of pop. total: %f", r.sdTotal);
  } else {
    d.AppendLine("Std. deviation of estimator of pop. proportion: %f", r.sdMean);
    d.AppendLine("Std. deviation of estimator of pop. number: %f", r.sdTotal);
  }
}

// ---- Records ---------------------------------------------------------------------------

namespace {

void RecordElements(Record& rec, Method method, const std::vector<Element>& rows) {
  Table& t = rec.AddTable(Section::Inputs, "elements", {"Y_i", WithReplacement(method) ? "q_i" : "p_i"});
  for (const Element& e : rows) t.AddRow({e.y, e.p});
}

}  // namespace

Record ToRecord(const UnequalPoint& r) {
  Record rec;
  rec.Input("population_size", r.N).Input("sample_size", r.n);
  RecordElements(rec, r.method, r.elements);
  return RecordEstimates(rec, KeysOf(r.target), r.mean, r.total);
}

Record ToRecord(const UnequalInterval& r) {
  Record rec;
  rec.Input("population_size", r.N).Input("sample_size", r.n).Input("confidence", r.level).Input("z", r.z);
  RecordElements(rec, r.method, r.elements);
  const EstimateKeys& keys = KeysOf(r.target);
  RecordEstimates(rec, keys, r.mean, r.total);
  return RecordIntervals(rec, keys, r.sd, r.low, r.high, r.totalLow, r.totalHigh);
}

Record ToRecord(const UnequalSd& r) {
  Record rec;
  rec.Input("population_size", r.N);
  if (WithReplacement(r.method))
    rec.Input("sample_size", r.n).Input(IsMean(r.target) ? "population_mean" : "population_proportion", r.mu);
  RecordElements(rec, r.method, r.elements);
  if (!WithReplacement(r.method)) {
    Table& t = rec.AddTable(Section::Inputs, "pairs", {"i", "j", "p_ij"});
    for (const Pair& pair : r.pairs) t.AddRow({static_cast<double>(pair.i), static_cast<double>(pair.j), pair.p});
  }
  return RecordDeviations(rec, KeysOf(r.target), r.sdMean, r.sdTotal);
}

}  // namespace unequal

}  // namespace mirto
