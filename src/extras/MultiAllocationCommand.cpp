// Stratified sampling: the command "Allocation for several variables", its
// forms, block and record.
#include <cmath>

#include "extras/Commands.h"
#include "extras/MultiAllocation.h"
#include "framework/Routine.h"

namespace mirto::extras {
namespace {

struct Counts {
  double groups = 0, variables = 0, minimum = 0;
};
struct GroupRow {
  double N = 0, cost = 0;
};
// The two radio pairs: Mean (1) or Proportion (2); CV (1) or Margin (2).
struct VariableRow {
  SpecialTarget kind = SpecialTarget::MeanOrProportion, by = SpecialTarget::MeanOrProportion;
  double target = 0, probability = 0.95, z = 1.96;
};
struct MeanRow {
  double mean = 0, sd = 0;
};
struct ProportionRow {
  double pi = 0;
};

constexpr std::string_view kTitle = "Stratified sampling, allocation for several variables";
constexpr std::string_view kEnterGroup = "Enter the following data for group (stratum) no.:";
constexpr std::string_view kNextGroup = "Press OK for the next group or Cancel to abort.";

const EntryForm<Counts> kFirstForm{
    {213,
     "Stratified sampling",
     {Digits("Number of groups (strata):", 10), Digits("Number of variables:", 10),
      Digits("Minimum sample size per group:", 10)}},
    {WholeAsRealItem(&Counts::groups), WholeAsRealItem(&Counts::variables), WholeAsRealItem(&Counts::minimum)}};

const FormTemplate kGroupForm{
    214,
    kTitle,
    {Static(kEnterGroup), RowNumber("", 5), Static(kNextGroup), Digits("Number of elements, N_i:", 15),
     Field("Cost of sampling one element, c_i:", 15)}};
constexpr Item<GroupRow> kGroupItems[] = {WholeAsRealItem(&GroupRow::N), RealItem(&GroupRow::cost)};

const FormTemplate kVariableForm{
    215,
    kTitle,
    {Static("Enter or select the following for the next variable:"),
     Radio("Special target:", {"Mean", "Proportion"}, 1), Radio("Accuracy target:", {"CV", "Margin"}, 1),
     Field("Target CV or margin:", 15), StoredLevelList("Probability:")}};
constexpr Item<VariableRow> kVariableItems[] = {ChoiceItem(&VariableRow::kind), ChoiceItem(&VariableRow::by),
                                                RealItem(&VariableRow::target),
                                                LevelItem(&VariableRow::probability, &VariableRow::z)};

const FormTemplate kMeanForm{
    216,
    kTitle,
    {Static(kEnterGroup), RowNumber("", 5), Static(kNextGroup), Field("Guesstimate of mean of variable, mu_i:", 15),
     Field("Guesstimate of std. deviation of variable, sigma_i:", 15)}};
constexpr Item<MeanRow> kMeanItems[] = {RealItem(&MeanRow::mean), RealItem(&MeanRow::sd)};

const FormTemplate kProportionForm{217,
                                   kTitle,
                                   {Static(kEnterGroup), RowNumber("", 5), Static(kNextGroup),
                                    Field("Guesstimate of proportion in category, pi_i:", 15)}};
constexpr Item<ProportionRow> kProportionItems[] = {RealItem(&ProportionRow::pi)};

bool Refused(CTervoDoc& doc, const std::optional<std::string>& fault) {
  if (fault) doc.Host().Message(*fault);
  return fault.has_value();
}

// One variable: its form, then its figures in each group.
bool CollectVariable(CTervoDoc& doc, MultiAllocationInput& in) {
  Form form(kVariableForm);
  if (!doc.Host().ShowForm(form)) return false;
  const VariableRow v = ReadRow<VariableRow>(form, kVariableItems);
  const bool proportion = v.kind == SpecialTarget::TotalOrNumber;
  in.variables.push_back({proportion, v.by == SpecialTarget::MeanOrProportion, v.target, v.z, v.probability});
  auto read = [&](const Form& row, long long i) {
    PlanStratum& s = in.strata[static_cast<std::size_t>(i - 1)];
    if (proportion) {
      s.value.push_back(ReadRow<ProportionRow>(row, kProportionItems).pi);
      s.sd.push_back(0.0);
    } else {
      const MeanRow m = ReadRow<MeanRow>(row, kMeanItems);
      s.value.push_back(m.mean);
      s.sd.push_back(m.sd);
    }
    return true;
  };
  return RunEntryLoop(doc.Host(), proportion ? kProportionForm : kMeanForm, {},
                      static_cast<long long>(in.strata.size()), read);
}

int StratifiedSeveralAllocation(CTervoDoc& doc) {
  Counts counts;
  if (!Collect(doc, counts, kFirstForm)) return 0;
  const auto groups = static_cast<long long>(counts.groups), variables = static_cast<long long>(counts.variables);
  if (Refused(doc, CountsFault(groups, variables, counts.minimum))) return 0;
  MultiAllocationInput in;
  in.minimum = counts.minimum;
  auto readGroup = [&](const Form& row, long long) {
    const GroupRow g = ReadRow<GroupRow>(row, kGroupItems);
    in.strata.push_back({g.N, g.cost, {}, {}});
    return true;
  };
  if (!RunEntryLoop(doc.Host(), kGroupForm, {}, groups, readGroup)) return 0;
  for (long long j = 0; j < variables; ++j)
    if (!CollectVariable(doc, in)) return 0;
  if (Refused(doc, MultiAllocationFault(in))) return 0;
  return Report(doc, ComputeMultiAllocation(in));
}

std::vector<FormHelp> FormsHelp() {
  return {
      {"Allocation for several variables (Stratified)",
       {&kFirstForm.tmpl, &kGroupForm, &kVariableForm, &kMeanForm, &kProportionForm},
       "A first form asks **Number of groups (strata):**, **Number of variables:** (1 or more) and **Minimum sample "
       "size per group:**; one form per group then asks **Number of elements, N_i:** and **Cost of sampling one "
       "element, c_i:** (above 0). Then, for each variable, a form asks its **Special target:** (Mean or "
       "Proportion), its **Accuracy target:** (a CV of the estimator of the mean or proportion, or a margin for it "
       "at the **Probability:** chosen) and the **Target CV or margin:** (above 0), followed by one form per group "
       "with **Guesstimate of mean of variable, mu_i:** and **Guesstimate of std. deviation of variable, sigma_i:** "
       "(divisor N_i − 1), or **Guesstimate of proportion in category, pi_i:**. The allocation is the one of least "
       "cost, the sum of c_i n_i, for which the variance of every variable's estimator, the sum of W_i² S_i² (1/n_i − "
       "1/N_i), is at most the target's ((CV times the mean)², or (margin / z)²), with every n_i between the minimum "
       "(or N_i, if smaller) and N_i (Chromy's iteration on the Lagrange multipliers of the targets, after Bethel). "
       "It is then put in whole numbers as \"Allocation of a given n\" does, for the total rounded up, raised by one "
       "until every target still holds. The report gives the optimal n_i, the whole n_i, their total and cost, and "
       "each variable's standard deviation and CV under the whole allocation (no CV where the mean is not above 0)."},
  };
}

using M = Method;
using T = Target;
using O = Objective;
using E = Estimator;

constexpr HelpTopic kObjectiveTopic{
    "Allocation for several variables",
    "The least-cost allocation of a stratified sample that meets a target CV or margin for every one of several "
    "variables at once, in whole numbers within the group sizes and a minimum per group, with the CV each variable "
    "reaches."};

constexpr Command kCommands[] = {
    Leaf("stratified.several.allocation", 32966, "Stratified > Allocation for several variables",
         {M::Stratified, T::MeanTotal, O::SeveralAllocation, E::Stratified},
         "M: Stratified, T: Several variables, O: SeveralAllocation, E: Stratified", nullptr,
         &StratifiedSeveralAllocation, {&kFirstForm.tmpl, &kGroupForm, &kVariableForm, &kMeanForm, &kProportionForm},
         nullptr, kObjectiveTopic),
};

}  // namespace

void Write(CTervoDoc& d, const MultiAllocation& r) {
  d.AppendSeparator();
  d.AppendLine("Target: Several variables");
  d.AppendLine("Method: Stratified random sampling");
  d.AppendLine("Objective: Allocation for several variables");
  d.AppendLine("Estimator: Stratified");
  d.AppendLine(" Var. no.       Kind     By     Target      Prob.   Mean (P)  Std. dev.         CV");
  for (std::size_t j = 0; j < r.in.variables.size(); ++j) {
    const PlanVariable& v = r.in.variables[j];
    const char* kind = v.proportion ? "Proportion" : "Mean";
    const char* by = v.byCv ? "CV" : "Margin";
    // A CV over a mean that is not above 0 means nothing.
    if (r.mean[j] > 0.0)
      d.AppendLine("%9zu %10s %6s %10f %10.2f %10f %10f %10f", j + 1, kind, by, v.target, v.probability, r.mean[j],
                   r.sd[j], r.cv[j]);
    else
      d.AppendLine("%9zu %10s %6s %10f %10.2f %10f %10f not defined", j + 1, kind, by, v.target, v.probability,
                   r.mean[j], r.sd[j]);
  }
  d.AppendLine(" Group no.        N_i        c_i   Opt. n_i        n_i");
  for (std::size_t h = 0; h < r.whole.size(); ++h) {
    const PlanStratum& s = r.in.strata[h];
    d.AppendLine("%10zu %10.0f %10f %10.4f %10.0f", h + 1, s.N, s.cost, r.exact[h], r.whole[h]);
  }
  d.AppendLine("Minimum sample size per group: %.0f", r.in.minimum);
  d.AppendLine("Total sample size, n= %.0f", r.n);
  d.AppendLine("Cost of the sample: %f", r.cost);
}

Record ToRecord(const MultiAllocation& r) {
  Record rec;
  rec.Input("minimum_size", r.in.minimum);
  Table& variables = rec.AddTable(Section::Inputs, "variables", {"proportion", "by_cv", "target", "probability", "z"});
  for (const PlanVariable& v : r.in.variables)
    variables.AddRow({v.proportion ? 1.0 : 0.0, v.byCv ? 1.0 : 0.0, v.target, v.probability, v.z});
  Table& strata = rec.AddTable(Section::Inputs, "strata", {"N_i", "c_i"});
  for (const PlanStratum& s : r.in.strata) strata.AddRow({s.N, s.cost});
  Table& reached = rec.AddTable(Section::Results, "reached", {"mean", "sd", "cv"});
  for (std::size_t j = 0; j < r.mean.size(); ++j)
    reached.AddRow({r.mean[j], r.sd[j], r.mean[j] > 0.0 ? r.cv[j] : std::nan("")});
  Table& allocation = rec.AddTable(Section::Results, "allocation", {"optimal_n_i", "n_i"});
  for (std::size_t h = 0; h < r.whole.size(); ++h) allocation.AddRow({r.exact[h], r.whole[h]});
  return rec.Result("sample_size", r.n).Result("cost", r.cost);
}

const CommandTable kSeveralAllocationTable{kCommands, {}, &FormsHelp};

}  // namespace mirto::extras
