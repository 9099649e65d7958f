// The entry loop, the weights and the lines every stratified block shares.
#include "stratified/StratifiedWork.h"

#include <string>

#include "framework/Format.h"

namespace mirto::stratified {
namespace {

std::string FormatCell(Cell cell, double value) {
  switch (cell) {
    case Cell::Size: return Format("%10.0f", value);
    case Cell::Share: return Format("%10.4f", value);
    case Cell::Value: return Format("%10f", value);
  }
  return {};
}

}  // namespace

StratifiedWork::StratifiedWork(const CTervoDoc& doc, const StrataLayout& routineLayout)
    : layout(routineLayout),
      K(doc.m_nGroups),
      z(doc.m_dZ),
      probability(doc.m_dLevel),
      margin(doc.m_dMargin),
      specialTarget(doc.m_nSpecialTarget),
      budget(doc.m_dBudget),
      fixedCost(doc.m_dFixedCost) {}

bool StratifiedWork::Reserve(CTervoDoc& doc) {
  auto reserve = [&](Q q) {
    DoubleArray& array = m_arrays[static_cast<std::size_t>(q)];
    if (!array) array = doc.AllocArray(K);
    return array != nullptr;
  };
  if (!reserve(Q::w)) return false;
  for (Q q : layout.fields)
    if (!reserve(q)) return false;
  for (const Column& column : layout.columns)
    if (!reserve(column.q)) return false;
  return true;
}

bool StratifiedWork::EnterStrata(FormHost& host) {
  N = 0.0;
  const bool entered = RunEntryLoop(host, *layout.form, FormContext{}, K, [this](const Form& form, long long i) {
    FormReader reader(form);
    for (Q q : layout.fields) (*this)[q][i] = reader.Real();
    N += (*this)[Q::N][i];
    return true;
  });
  if (!entered) return false;
  double* w = (*this)[Q::w];
  const double* Ni = (*this)[Q::N];
  for (long long i = 1; i <= K; ++i) w[i] = Ni[i] / N;
  return true;
}

bool StratifiedWork::Collect(CTervoDoc& doc) {
  if (!Reserve(doc) || !EnterStrata(doc.Host())) return false;
  doc.m_dPopSize = N;
  return true;
}

void StratifiedWork::WriteHead(CTervoDoc& doc) {
  doc.AppendSeparator();
  doc.AppendLine("%s", specialTarget != SpecialTarget::MeanOrProportion && layout.totalTarget ? layout.totalTarget
                                                                                              : layout.target);
  doc.AppendLine("Method: Stratified random sampling");
  doc.AppendLine("%s", layout.objective);
  doc.AppendLine("Estimator: Stratified");
  doc.AppendLine("%s", layout.header);
  smallSample = false;
  for (long long i = 1; i <= K; ++i) WriteRow(doc, i);
  doc.AppendLine("Population size, N= %.0f", N);
}

void StratifiedWork::WriteRow(CTervoDoc& doc, long long i) {
  // The group number never exceeds K, an int.
  std::string row = Format("%10d", static_cast<int>(i));
  for (const Column& column : layout.columns) {
    row += ' ';
    row += FormatCell(column.cell, (*this)[column.q][i]);
  }
  doc.AppendLine("%s", row.c_str());
  if (layout.flagsSmall && IsSmallSample((*this)[Q::n][i], (*this)[Q::N][i])) smallSample = true;
}

}  // namespace mirto::stratified
