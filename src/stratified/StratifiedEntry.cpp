// The entry loop and weights, and the lines and record every stratified block shares.
#include <iterator>
#include <string>

#include "framework/Format.h"
#include "stratified/Stratified.h"

namespace mirto::stratified {
namespace {

// Where each figure lives in a group's row (the allocation is not in it), and
// its name as a record column: the symbol the group table heads it with.
struct GroupFigure {
  double Stratum::*member;
  std::string_view column;
};
constexpr GroupFigure kFigures[] = {
    {&Stratum::N, "N_i"},         {&Stratum::w, "w_i"},   {&Stratum::n, "n_i"},
    {&Stratum::barY, "barY_i"},   {&Stratum::S, "S_i"},   {&Stratum::P, "P_i"},
    {&Stratum::sigma, "sigma_i"}, {&Stratum::pi, "pi_i"}, {&Stratum::v, "v_i"},
    {&Stratum::c, "c_i"},         {nullptr, "a_i"},
};
static_assert(std::size(kFigures) == static_cast<std::size_t>(Q::Count));

const GroupFigure& FigureOf(Q q) { return kFigures[static_cast<std::size_t>(q)]; }

std::string FormatCell(Cell cell, double value) {
  switch (cell) {
    case Cell::Size: return Format("%10.0f", value);
    case Cell::Share: return Format("%10.4f", value);
    case Cell::Value: return Format("%10f", value);
  }
  return {};
}

void WriteRow(CTervoDoc& d, const StratifiedInput& in, std::size_t i, const std::vector<double>* allocation) {
  // The group number never exceeds K, an int.
  std::string row = Format("%10d", static_cast<int>(i + 1));
  for (const Column& column : in.layout->columns) {
    row += ' ';
    row += FormatCell(column.cell, column.q == Q::A ? (*allocation)[i] : in.strata[i].*FigureOf(column.q).member);
  }
  d.AppendLine("%s", row.c_str());
}

}  // namespace

StratifiedEntry::StratifiedEntry(const CalculatorState& doc, const StrataLayout& routineLayout)
    : layout(routineLayout),
      K(doc.m_nGroups),
      z(doc.m_dZ),
      probability(doc.m_dLevel),
      margin(doc.m_dMargin),
      specialTarget(doc.m_nSpecialTarget),
      budget(doc.m_dBudget),
      fixedCost(doc.m_dFixedCost) {}

bool StratifiedEntry::Reserve(CTervoDoc& doc) {
  auto reserve = [&](Q q) {
    DoubleArray& array = m_arrays[static_cast<std::size_t>(q)];
    if (!array) array = doc.AllocArray(K);
    return array != nullptr;
  };
  if (!reserve(Q::w)) return false;
  for (Q q : layout.fields)
    if (!reserve(q)) return false;
  return true;
}

bool StratifiedEntry::EnterStrata(FormHost& host) {
  // Each figure as its field reads: the counts N_i and n_i are whole numbers.
  std::vector<Item<Stratum>> items;
  std::size_t control = 0;
  for (Q q : layout.fields) {
    const std::vector<Control>& controls = layout.form->controls;
    while (control < controls.size() && !TakesValue(controls[control])) ++control;
    const bool whole = control < controls.size() && controls[control++].number == NumberKind::Whole;
    items.push_back(whole ? WholeAsRealItem(FigureOf(q).member) : RealItem(FigureOf(q).member));
  }
  N = 0.0;
  const bool entered = RunEntryLoop(host, *layout.form, FormContext{}, K, [&](const Form& form, long long i) {
    row = i;
    // A form that checks its rows (the added allocation) refuses what its check refuses.
    if (layout.form->checkRow && layout.form->checkRow(form).check == RowCheck::Refuse) return false;
    Stratum entry;
    ReadItems<Stratum>(form, entry, items);
    for (Q q : layout.fields) (*this)[q][i] = entry.*FigureOf(q).member;
    N += entry.N;
    return true;
  });
  if (!entered) return false;
  double* w = (*this)[Q::w];
  const double* Ni = (*this)[Q::N];
  for (long long i = 1; i <= K; ++i) w[i] = Ni[i] / N;
  return true;
}

bool StratifiedEntry::Collect(CTervoDoc& doc) {
  if (!Reserve(doc) || !EnterStrata(doc.Host())) return false;
  doc.m_dPopSize = N;
  return true;
}

StratifiedInput StratifiedEntry::Input() const {
  StratifiedInput in{&layout, {}, N, z, probability, margin, specialTarget, budget, fixedCost};
  in.strata.resize(static_cast<std::size_t>(K > 0 ? K : 0));
  for (Q q : layout.fields) {
    const double* figure = (*this)[q];
    for (std::size_t i = 0; i < in.strata.size(); ++i) in.strata[i].*FigureOf(q).member = figure[i + 1];
  }
  const double* w = (*this)[Q::w];
  for (std::size_t i = 0; i < in.strata.size(); ++i) in.strata[i].w = w[i + 1];
  return in;
}

void WriteHead(CTervoDoc& d, const StratifiedInput& in, const std::vector<double>* allocation) {
  const StrataLayout& layout = *in.layout;
  d.AppendSeparator();
  d.AppendLine("%s", in.specialTarget != SpecialTarget::MeanOrProportion && layout.totalTarget ? layout.totalTarget
                                                                                               : layout.target);
  d.AppendLine("Method: Stratified random sampling");
  d.AppendLine("%s", layout.objective);
  d.AppendLine("Estimator: Stratified");
  d.AppendLine("%s", layout.header);
  for (std::size_t i = 0; i < in.strata.size(); ++i) WriteRow(d, in, i, allocation);
  d.AppendLine("Population size, N= %.0f", in.N);
}

Record RecordStrata(const StratifiedInput& in, const std::vector<double>* allocation) {
  Record rec;
  rec.Input("groups", static_cast<double>(in.strata.size()));
  std::vector<std::string_view> entered;
  for (Q q : in.layout->fields) entered.push_back(FigureOf(q).column);
  Table& inputs = rec.AddTable(Section::Inputs, "strata", entered);
  std::vector<double> values(entered.size());
  for (const Stratum& s : in.strata) {
    for (std::size_t c = 0; c < values.size(); ++c) values[c] = s.*FigureOf(in.layout->fields[c]).member;
    inputs.AddRow(values);
  }
  rec.Result("population_size", in.N);
  Table& results =
      rec.AddTable(Section::Results, "strata",
                   allocation ? std::vector<std::string_view>{"w_i", "a_i"} : std::vector<std::string_view>{"w_i"});
  for (std::size_t i = 0; i < in.strata.size(); ++i) {
    if (allocation)
      results.AddRow({in.strata[i].w, (*allocation)[i]});
    else
      results.AddRow({in.strata[i].w});
  }
  return rec;
}

}  // namespace mirto::stratified
