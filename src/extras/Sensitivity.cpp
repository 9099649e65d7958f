// The sensitivity table of the simple sample size.
#include "extras/Sensitivity.h"

#include <cmath>

#include "extras/Commands.h"
#include "framework/Routine.h"
#include "srs/Srs.h"

namespace mirto::extras {

SensitivityTable ComputeSensitivity(double margin, const std::function<double(double margin, double z)>& size) {
  SensitivityTable t;
  for (double factor : kMarginFactors) {
    t.margins.push_back(margin * factor);
    std::array<double, 3> row{};
    for (std::size_t k = 0; k < kSensitivityLevels.size(); ++k)
      row[k] = size(t.margins.back(), kSensitivityLevels[k].z);
    t.n.push_back(row);
  }
  return t;
}

SensitivityTable SrsSensitivity(const srs::SrsInput& in, Target target) {
  const double D = srs::ElementVariance(in, target);
  return ComputeSensitivity(in.margin, [&](double margin, double z) {
    srs::SrsInput cell = in;
    cell.margin = margin;
    cell.z = z;
    return srs::RequiredSampleSize(cell, D);
  });
}

std::optional<std::string> SrsSensitivityFault(const srs::SrsInput& in, Target target) {
  auto refusal = [&](const char* field, const char* why) {
    return std::string("Illegal entry: Sensitivity of n, \"") + field + "\" " + why + ".";
  };
  // A population of one with no spread leaves 0/0 in every cell.
  if (!(in.N >= 2.0 && std::isfinite(in.N))) return refusal("Population size, N:", "must be 2 or more");
  if (target == Target::MeanTotal) {
    if (!(in.sigma >= 0.0 && std::isfinite(in.sigma)))
      return refusal("Guesstimate of population std. deviation of variable, sigma:", "cannot be negative");
  } else if (!(in.pi >= 0.0 && in.pi <= 1.0)) {
    return refusal("Guesstimate of population proportion in category, pi:", "must lie between 0 and 1");
  }
  if (!(in.margin > 0.0 && std::isfinite(in.margin))) return refusal("Margin:", "must be greater than 0");
  return std::nullopt;
}

}  // namespace mirto::extras

// ---- The commands -------------------------------------------------------------------------

namespace mirto::extras {
namespace {

struct SensitivityOfN {
  srs::SrsInput in;
  Target target;
  SensitivityTable table;
};

using D = CalculatorState;
using In = srs::SrsInput;

// The fields of the simple sample-size forms but the list, kept as there.
constexpr Item<In> kN = RealItem<In>(&In::N, &D::m_dPopSize);
constexpr Item<In> kSigma = RealItem<In>(&In::sigma, &D::m_dSigma);
constexpr Item<In> kPi = RealItem<In>(&In::pi, &D::m_dPi);
constexpr Item<In> kChoice = ChoiceItem<In>(&In::specialTarget, &D::m_nSpecialTarget);
constexpr Item<In> kMargin = RealItem<In>(&In::margin, &D::m_dMargin);

FormTemplate GridForm(int id, Control guess, std::vector<std::string_view> buttons, int marginLength) {
  return {id,
          srs::kTitle,
          {Static(srs::kEnter), srs::PopulationSize(Field("Population size, N:", 20)), guess,
           Radio("Special target:", std::move(buttons), 1), Group("Sample accuracy requirements", 1),
           srs::Margin(Field("Margin:", marginLength))}};
}

const EntryForm<In> kMeanForm{
    GridForm(211, Field("Guesstimate of population std. deviation of variable, sigma:", 15), {"Mean", "Total"}, 15),
    {kN, kSigma, kChoice, kMargin}};
const EntryForm<In> kProportionForm{
    GridForm(212, Field("Guesstimate of population proportion in category, pi:", 10), {"Proportion", "Number"}, 10),
    {kN, kPi, kChoice, kMargin}};

int Run(CTervoDoc& doc, const EntryForm<In>& form, Target target) {
  In in(doc);
  if (!Collect(doc, in, form)) return 0;
  if (const auto fault = SrsSensitivityFault(in, target)) {
    doc.Host().Message(*fault);
    return 0;
  }
  return Report(doc, SensitivityOfN{in, target, SrsSensitivity(in, target)});
}

void Write(CTervoDoc& d, const SensitivityOfN& r) {
  WriteSizeHeading(d, r.in, r.target, "Objective: Sensitivity of n");
  d.AppendLine("Required sample size by margin and probability:");
  d.AppendLine("    Margin %10.2f %10.2f %10.2f", kSensitivityLevels[0].probability, kSensitivityLevels[1].probability,
               kSensitivityLevels[2].probability);
  for (std::size_t i = 0; i < r.table.margins.size(); ++i)
    d.AppendLine("%10f %10.0f %10.0f %10.0f", r.table.margins[i], r.table.n[i][0], r.table.n[i][1], r.table.n[i][2]);
}

Record ToRecord(const SensitivityOfN& r) {
  Record rec;
  rec.Input("population_size", r.in.N);
  if (r.target == Target::MeanTotal)
    rec.Input("population_sd", r.in.sigma);
  else
    rec.Input("population_proportion", r.in.pi);
  rec.Input("special_target", static_cast<int>(r.in.specialTarget)).Input("margin", r.in.margin);
  Table& levels = rec.AddTable(Section::Inputs, "levels", {"probability", "z"});
  for (const ConfidenceLevel& level : kSensitivityLevels) levels.AddRow({level.probability, level.z});
  Table& grid = rec.AddTable(Section::Results, "sample_sizes", {"margin", "n_90", "n_95", "n_99"});
  for (std::size_t i = 0; i < r.table.margins.size(); ++i)
    grid.AddRow({r.table.margins[i], r.table.n[i][0], r.table.n[i][1], r.table.n[i][2]});
  return rec;
}

int SrsMeanSensitivity(CTervoDoc& doc) { return Run(doc, kMeanForm, Target::MeanTotal); }
int SrsProportionSensitivity(CTervoDoc& doc) { return Run(doc, kProportionForm, Target::ProportionNumber); }

std::vector<FormHelp> FormsHelp() {
  return {
      {"Sensitivity of n (Simple > Mean/total of variable, or Proportion/number in category)",
       {&kMeanForm.tmpl, &kProportionForm.tmpl},
       "The form of \"Sample size\" without the list: **Population size, N:** (2 or more), **Guesstimate of "
       "population std. deviation of variable, sigma:** or **Guesstimate of population proportion in category, "
       "pi:**, the **Special target:** and the **Margin:** (above 0). The report's table gives, for the margin times "
       "0.5, 0.75, 1, 1.25, 1.5 and 2 (rows) and the probabilities 0.90, 0.95 and 0.99 (columns, z = 1.645, 1.96 "
       "and 2.576), the required sample size that \"Sample size\" gives for those figures, rounded as it rounds."},
  };
}

using M = Method;
using T = Target;
using O = Objective;
using E = Estimator;

constexpr HelpTopic kObjectiveTopic{
    "Sensitivity of n",
    "The required sample size of \"Sample size\" over a grid: the margin entered times 0.5, 0.75, 1, 1.25, 1.5 and 2, "
    "at the levels 90%, 95% and 99%."};

constexpr Command kCommands[] = {
    Leaf("simple.mean.sensitivity", 32964, "Simple > Mean/total of variable > Sensitivity of n",
         {M::Simple, T::MeanTotal, O::Sensitivity, E::Simple}, "M: Simple, T: Mean/total, O: Sensitivity, E: Simple",
         nullptr, &SrsMeanSensitivity, {&kMeanForm.tmpl}, nullptr, kObjectiveTopic),
    Leaf("simple.proportion.sensitivity", 32965, "Simple > Proportion/number in category > Sensitivity of n",
         {M::Simple, T::ProportionNumber, O::Sensitivity, E::Simple},
         "M: Simple, T: Proportion/number, O: Sensitivity, E: Simple", nullptr, &SrsProportionSensitivity,
         {&kProportionForm.tmpl}, nullptr, kObjectiveTopic),
};

}  // namespace

const CommandTable kSensitivityTable{kCommands, {}, &FormsHelp};

}  // namespace mirto::extras
