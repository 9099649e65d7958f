// Stratified sampling with proportional allocation: the sample size that
// meets the margin of each of several variables; each variable's size is the
// one the stratified "Sample size" gives with v_i = w_i, and the largest is
// the one to take.
#include "extras/Commands.h"
#include "extras/MultiAllocation.h"
#include "framework/Routine.h"

namespace mirto::extras {
namespace {

struct Counts {
  double groups = 0, variables = 0;
};
struct GroupRow {
  double N = 0;
};
struct VariableRow {
  SpecialTarget kind = SpecialTarget::MeanOrProportion;
  double margin = 0, probability = 0, z = 0;
};
struct SpreadRow {
  double spread = 0;
};

constexpr std::string_view kTitle = "Stratified sampling, sample size for several variables";
constexpr std::string_view kEnterGroup = "Enter the following data for group (stratum) no.:";
constexpr std::string_view kNextGroup = "Press OK for the next group or Cancel to abort.";

const EntryForm<Counts> kFirstForm{
    {218, "Stratified sampling", {Digits("Number of groups (strata):", 10), Digits("Number of variables:", 10)}},
    {WholeAsRealItem(&Counts::groups), WholeAsRealItem(&Counts::variables)}};

FormTemplate GroupForm(int id, Control field) {
  return {id, kTitle, {Static(kEnterGroup), RowNumber("", 5), Static(kNextGroup), field}};
}
const FormTemplate kGroupForm = GroupForm(219, Digits("Number of elements, N_i:", 15));
const FormTemplate kMeanForm = GroupForm(221, Field("Guesstimate of std. deviation of variable, sigma_i:", 15));
const FormTemplate kProportionForm = GroupForm(222, Field("Guesstimate of proportion in category, pi_i:", 15));
constexpr Item<GroupRow> kGroupItems[] = {WholeAsRealItem(&GroupRow::N)};
constexpr Item<SpreadRow> kSpreadItems[] = {RealItem(&SpreadRow::spread)};

const FormTemplate kVariableForm{
    220,
    kTitle,
    {Static("Enter or select the following for the next variable:"),
     Radio("Special target:", {"Mean", "Proportion"}, 1), Field("Margin:", 15), LevelList("Probability:")}};
constexpr Item<VariableRow> kVariableItems[] = {ChoiceItem(&VariableRow::kind), RealItem(&VariableRow::margin),
                                                LevelItem(&VariableRow::probability, &VariableRow::z)};

struct StratifiedSeveralSize {
  MultiAllocationInput in;
  ProportionalSizes sizes;
  bool warning;
};

// One variable: its form, then its spread in each group.
bool CollectVariable(CTervoDoc& doc, MultiAllocationInput& in) {
  Form form(kVariableForm);
  if (!doc.Host().ShowForm(form)) return false;
  const VariableRow v = ReadRow<VariableRow>(form, kVariableItems);
  const bool proportion = v.kind == SpecialTarget::TotalOrNumber;
  in.variables.push_back({proportion, false, v.margin, v.z, v.probability});
  auto read = [&](const Form& row, long long i) {
    const double spread = ReadRow<SpreadRow>(row, kSpreadItems).spread;
    PlanStratum& s = in.strata[static_cast<std::size_t>(i - 1)];
    s.value.push_back(proportion ? spread : 0.0);
    s.sd.push_back(proportion ? 0.0 : spread);
    return true;
  };
  return RunEntryLoop(doc.Host(), proportion ? kProportionForm : kMeanForm, {},
                      static_cast<long long>(in.strata.size()), read);
}

int StratifiedSeveralSampleSize(CTervoDoc& doc) {
  Counts counts;
  if (!Collect(doc, counts, kFirstForm)) return 0;
  const auto groups = static_cast<long long>(counts.groups), variables = static_cast<long long>(counts.variables);
  if (const auto fault = CountsFault(groups, variables, 0.0, "Sample size for several variables")) {
    doc.Host().Message(*fault);
    return 0;
  }
  MultiAllocationInput in;
  auto readGroup = [&](const Form& row, long long) {
    in.strata.push_back({ReadRow<GroupRow>(row, kGroupItems).N, 1.0, {}, {}});
    return true;
  };
  if (!RunEntryLoop(doc.Host(), kGroupForm, {}, groups, readGroup)) return 0;
  for (long long j = 0; j < variables; ++j)
    if (!CollectVariable(doc, in)) return 0;
  if (const auto fault = MultiAllocationFault(in, "Sample size for several variables", "Margin:")) {
    doc.Host().Message(*fault);
    return 0;
  }
  const ProportionalSizes sizes = ComputeProportionalSizes(in);
  double N = 0.0;
  for (const PlanStratum& s : in.strata) N += s.N;
  return Report(doc, StratifiedSeveralSize{in, sizes, IsSmallSample(sizes.required, N)});
}

void Write(CTervoDoc& d, const StratifiedSeveralSize& r) {
  d.AppendSeparator();
  d.AppendLine("Target: Several variables");
  d.AppendLine("Method: Stratified random sampling");
  d.AppendLine("Objective: Sample size for several variables, proportional allocation");
  d.AppendLine("Estimator: Stratified");
  double N = 0.0;
  for (const PlanStratum& s : r.in.strata) N += s.N;
  d.AppendLine(" Group no.        N_i        w_i");
  for (std::size_t h = 0; h < r.in.strata.size(); ++h)
    d.AppendLine("%10zu %10.0f %10.4f", h + 1, r.in.strata[h].N, r.in.strata[h].N / N);
  d.AppendLine("Population size, N= %.0f", N);
  d.AppendLine(" Var. no. Target         Margin Probability       n_j");
  for (std::size_t j = 0; j < r.in.variables.size(); ++j) {
    const PlanVariable& v = r.in.variables[j];
    d.AppendLine("%9zu %-10s %10f %11f %9.0f", j + 1, v.proportion ? "Proportion" : "Mean", v.target, v.probability,
                 r.sizes.n[j]);
  }
  d.AppendLine("Required sample size is %.0f", r.sizes.required);
  if (r.warning) d.AppendWarning();
}

Record ToRecord(const StratifiedSeveralSize& r) {
  Record rec;
  Table& strata = rec.AddTable(Section::Inputs, "strata", {"N_i", "w_i"});
  double N = 0.0;
  for (const PlanStratum& s : r.in.strata) N += s.N;
  rec.Input("population_size", N);
  for (const PlanStratum& s : r.in.strata) strata.AddRow({s.N, s.N / N});
  Table& variables = rec.AddTable(Section::Inputs, "variables", {"proportion_j", "margin_j", "probability_j", "z_j"});
  for (const PlanVariable& v : r.in.variables)
    variables.AddRow({v.proportion ? 1.0 : 0.0, v.target, v.probability, v.z});
  // Row h: the sigma_i or pi_i of each variable in group h.
  std::vector<std::string> columns;
  for (std::size_t j = 0; j < r.in.variables.size(); ++j) columns.push_back("spread_" + std::to_string(j + 1));
  Table& spreads = rec.AddTable(Section::Inputs, "spreads", columns, 0);
  for (const PlanStratum& s : r.in.strata) {
    std::vector<double> row;
    for (std::size_t j = 0; j < r.in.variables.size(); ++j)
      row.push_back(r.in.variables[j].proportion ? s.value[j] : s.sd[j]);
    spreads.AddRow(row);
  }
  Table& sizes = rec.AddTable(Section::Results, "sizes", {"n_j"});
  for (double n : r.sizes.n) sizes.AddRow({n});
  return rec.Result("required_sample_size", r.sizes.required);
}

std::vector<FormHelp> FormsHelp() {
  return {
      {"Sample size for several variables (Stratified, proportional allocation)",
       {&kFirstForm.tmpl, &kGroupForm, &kVariableForm, &kMeanForm, &kProportionForm},
       "A first form asks **Number of groups (strata):** and **Number of variables:** (1 or more); one form per "
       "group then asks **Number of elements, N_i:**. For each variable a form asks its **Special target:** (Mean or "
       "Proportion), its **Margin:** for the mean (proportion) and its **Probability:**, followed by one form per "
       "group with **Guesstimate of std. deviation of variable, sigma_i:** or **Guesstimate of proportion in "
       "category, pi_i:**. Each variable's n_j is the one the stratified \"Sample size\" gives for the same figures "
       "with the allocation v_i = w_i (proportional), printed rounded to the nearest whole number; the required "
       "sample size is the largest."},
  };
}

constexpr Command kCommands[] = {
    Leaf("stratified.several.size", 32967, "Stratified > Sample size for several variables",
         {Method::Stratified, Target::MeanTotal, Objective::SeveralSampleSize, Estimator::Stratified},
         "M: Stratified, O: SampleSizeSeveral, E: Stratified", nullptr, &StratifiedSeveralSampleSize,
         {&kFirstForm.tmpl, &kGroupForm, &kVariableForm, &kMeanForm, &kProportionForm}, nullptr, kSeveralSizeTopic),
};

}  // namespace

const CommandTable kStratifiedSeveralSizeTable{kCommands, {}, &FormsHelp};

}  // namespace mirto::extras
