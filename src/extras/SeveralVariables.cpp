// Simple random sampling: the sample size that meets the margin of each of
// several variables, a mean or a proportion each; every variable's size is
// the one "Sample size" gives for the same figures, and the largest is the one
// to take.
#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "extras/Commands.h"
#include "framework/Format.h"
#include "framework/Routine.h"
#include "srs/Srs.h"

namespace mirto::extras {
namespace {

struct SeveralInput {
  double N = 0;
  int count = 0;
};

struct VariableInput {
  bool proportion = false, level = false;  // level: one was selected
  double guess = 0, margin = 0, probability = 0, z = 0;
};

using D = CalculatorState;
using In = SeveralInput;

const EntryForm<In> kFirstForm{
    {206,
     srs::kTitle,
     {Static(srs::kEnter), srs::PopulationSize(Field("Population size, N:", 20)), Digits("Number of variables:", 10)}},
    {RealItem<In>(&In::N, &D::m_dPopSize), WholeItem<In>(&In::count)}};

// The fields of a variable's form after its number: the target, the guess, the margin, the level.
constexpr std::size_t kGuessControl = 4, kMarginControl = 5, kLevelControl = 6;

VariableInput ReadVariable(const Form& form) {
  FormReader reader(form);
  VariableInput v;
  v.proportion = reader.Choice() == 2;
  v.guess = reader.Real();
  v.margin = reader.Real();
  v.level = reader.Level(v.probability, v.z);
  return v;
}

RowVerdict CheckVariable(const Form& form) {
  const VariableInput v = ReadVariable(form);
  if (v.proportion && !(v.guess >= 0.0 && v.guess <= 1.0))
    return {RowCheck::Refuse, kGuessControl, "a proportion lies between 0 and 1"};
  if (!v.proportion && !(v.guess >= 0.0)) return {RowCheck::Refuse, kGuessControl, "a standard deviation is 0 or more"};
  if (!(v.margin > 0.0)) return {RowCheck::Refuse, kMarginControl, "a margin is greater than 0"};
  // A row fed from a table of text cells has no level: z = 0 would give n = 0.
  if (!v.level) return {RowCheck::Refuse, kLevelControl, "a probability is chosen from the list"};
  return {};
}

FormTemplate VariableForm() {
  FormTemplate form{207,
                    srs::kTitle,
                    {Static("Enter the following data for variable no.:"), RowNumber("", 5),
                     Static("Press OK for the next variable or Cancel to abort."),
                     Radio("Special target:", {"Mean", "Proportion"}, 1), Field("Guesstimate of sigma or pi:", 15),
                     Field("Margin:", 15), LevelList("Probability:")}};
  form.checkRow = CheckVariable;
  return form;
}

const FormTemplate kVariableForm = VariableForm();

struct SeveralSampleSize {
  SeveralInput in;
  std::vector<VariableInput> variables;
  std::vector<double> sizes;  // each variable's, unrounded
  double required;            // the largest
  bool warning;
};

SeveralSampleSize Compute(const SeveralInput& in, std::vector<VariableInput> variables) {
  SeveralSampleSize r{in, std::move(variables), {}, 0.0, false};
  for (const VariableInput& v : r.variables) {
    srs::SrsInput one;
    one.N = in.N;
    one.margin = v.margin;
    one.z = v.z;
    (v.proportion ? one.pi : one.sigma) = v.guess;
    const Target target = v.proportion ? Target::ProportionNumber : Target::MeanTotal;
    r.sizes.push_back(srs::RequiredSampleSize(one, srs::ElementVariance(one, target)));
  }
  r.required = *std::max_element(r.sizes.begin(), r.sizes.end());
  r.warning = IsSmallSample(r.required, in.N);
  return r;
}

void Write(CTervoDoc& d, const SeveralSampleSize& r) {
  d.AppendSeparator();
  d.AppendLine("Target: Several variables");
  d.AppendLine("Method: Simple random sampling");
  d.AppendLine("Objective: Sample size for several variables");
  d.AppendLine("Estimator: Simple");
  d.AppendLine("Population size, N= %.0f", r.in.N);
  d.AppendLine("Number of variables: %d", r.in.count);
  d.AppendLine(" Var. no. Target          Guess     Margin Probability       n_j");
  for (std::size_t j = 0; j < r.variables.size(); ++j) {
    const VariableInput& v = r.variables[j];
    d.AppendLine("%9d %-10s %10f %10f %11f %9.0f", static_cast<int>(j + 1), v.proportion ? "Proportion" : "Mean",
                 v.guess, v.margin, v.probability, r.sizes[j]);
  }
  d.AppendLine("Required sample size is %.0f", r.required);
  if (r.warning) d.AppendWarning();
}

Record ToRecord(const SeveralSampleSize& r) {
  Record rec;
  rec.Input("population_size", r.in.N).Input("variable_count", r.in.count);
  Table& variables =
      rec.AddTable(Section::Inputs, "variables", {"proportion_j", "guess_j", "margin_j", "probability_j", "z_j"});
  for (const VariableInput& v : r.variables)
    variables.AddRow({v.proportion ? 1.0 : 0.0, v.guess, v.margin, v.probability, v.z});
  Table& sizes = rec.AddTable(Section::Results, "sizes", {"n_j"});
  for (double n : r.sizes) sizes.AddRow({n});
  return rec.Result("required_sample_size", r.required);
}

}  // namespace

int SrsSeveralSampleSize(CTervoDoc& doc) {
  SeveralInput in;
  LoadState<In>(doc, in, kFirstForm.items);
  if (!Collect(doc, in, kFirstForm)) return 0;
  if (in.count < 1) {
    doc.Host().Message("Illegal entry: the number of variables must be 1 or more.");
    return 0;
  }
  std::vector<VariableInput> variables;
  const FormContext context{.method = Method::Simple, .objective = Objective::SeveralSampleSize};
  const bool entered = RunEntryLoop(doc.Host(), kVariableForm, context, in.count, [&](const Form& f, long long j) {
    variables.push_back(ReadVariable(f));
    const RowVerdict verdict = CheckVariable(f);
    if (verdict.check != RowCheck::Refuse) return std::optional<std::string>();
    return std::optional<std::string>(Format("Illegal entry for variable %lld: in \"%s\", %s.", j,
                                             std::string(f.ControlAt(verdict.control).label).c_str(),
                                             std::string(verdict.reason).c_str()));
  });
  if (!entered) return 0;
  return Report(doc, Compute(in, std::move(variables)));
}

}  // namespace mirto::extras

// ---- The command ---------------------------------------------------------------------

namespace mirto::extras {

namespace {

std::vector<FormHelp> FormsHelp() {
  return {
      {"Sample size for several variables, the first form (Simple > Sample size for several variables)",
       {&kFirstForm.tmpl},
       "**Population size, N:** and **Number of variables:** (1 or more), the number of forms that follow."},
      {"Sample size for several variables, one form per variable",
       {&kVariableForm},
       "**Special target:** **Mean** or **Proportion**; **Guesstimate of sigma or pi:**, the population standard "
       "deviation of the variable (divisor N, 0 or more) or the proportion in the category (0 to 1; 0.5 when "
       "nothing is known); **Margin:** the half-width of the interval for the mean or the proportion (greater than "
       "0); **Probability:** the probability of staying within the margin. Each variable's size is "
       "N · D / ((N − 1) · e² + D) with e = margin / z and D = sigma² or pi (1 − pi), the size \"Sample size\" "
       "gives for the same figures; the table shows it rounded to the nearest whole number, and the report ends "
       "with the largest: round it up for a plan."},
  };
}

constexpr Command kCommands[] = {
    Leaf("simple.several.size", 32956, "Simple > Sample size for several variables",
         {Method::Simple, Target::MeanTotal, Objective::SeveralSampleSize, Estimator::Simple},
         "M: Simple, O: SampleSizeSeveral, E: Simple", nullptr, &SrsSeveralSampleSize,
         {&kFirstForm.tmpl, &kVariableForm}, nullptr, kSeveralSizeTopic),
};

}  // namespace

const CommandTable kSeveralSizeTable{kCommands, {}, &FormsHelp};

}  // namespace mirto::extras
