#pragma once
// Stratified sampling: the work record the per-group entry loop fills, the
// result of each calculation and the formulas that make one from the other.
// A routine collects its groups (StratifiedEntry), computes a result from the
// work record the entry hands over (StratifiedInput), writes the block from the
// result and hands its record to the document (Report, framework/Routine.h).
// Each of the twelve routines is one layout: its per-group form, the figures
// the form fills, its heading and its group table.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "framework/Catalogue.h"
#include "framework/Codes.h"
#include "framework/Entry.h"
#include "framework/Record.h"
#include "framework/Routine.h"
#include "journal/CTervoDoc.h"

namespace mirto::stratified {

// Per-group figures. A routine reserves w_i and those its form fills; the
// allocation a_i is computed, never entered.
enum class Q : std::uint8_t { N, w, n, BarY, S, P, Sigma, Pi, V, C, A, Count };

// One group's figures as entered, with its weight w_i = N_i / N; what the
// command does not ask for stays 0.
struct Stratum {
  double N = 0, w = 0, n = 0, barY = 0, S = 0, P = 0, sigma = 0, pi = 0, v = 0, c = 0;
};

// How a table cell prints: sizes "%10.0f", shares "%10.4f", values "%10f".
enum class Cell : std::uint8_t { Size, Share, Value };

struct Column {
  Q q;
  Cell cell;
};

struct StrataLayout {
  const FormTemplate* form = nullptr;
  std::vector<Q> fields;  // what the form fills, in tab order
  const char* target = "";
  const char* totalTarget = nullptr;  // the target line for special target 2, where it differs
  const char* objective = "";
  const char* header = "";
  std::vector<Column> columns;  // after the group number
  Q spread = Q::Sigma;          // the figure that gives the group's variance
  bool proportion = false;      // the target is a proportion: estimates from P_i, variances x (1 - x), not x^2
};

extern const StrataLayout kMeanPoint, kProportionPoint, kMeanInterval, kProportionInterval, kMeanSd, kProportionSd,
    kMeanSize, kProportionSize, kMeanOptimal, kProportionOptimal, kMeanCost, kProportionCost;

// ---- The work record: what a calculation starts from -------------------------------

// The groups in entry order and the calculator state the command reads.
struct StratifiedInput {
  const StrataLayout* layout = nullptr;
  std::vector<Stratum> strata;
  double N = 0;  // the sum of the N_i
  double z = 0, probability = 0;
  double margin = 0;
  SpecialTarget specialTarget = SpecialTarget::MeanOrProportion;
  double budget = 0, fixedCost = 0;
};

// The entry loop of one command: per-group arrays (entries 1..K) it fills,
// released when the routine returns.
class StratifiedEntry {
 public:
  StratifiedEntry(const CalculatorState& doc, const StrataLayout& layout);
  StratifiedEntry(const StratifiedEntry&) = delete;
  StratifiedEntry& operator=(const StratifiedEntry&) = delete;

  // Arrays, then the entry loop; on success the document's population size
  // becomes N. False, with the document untouched, on Cancel or no memory.
  bool Collect(CTervoDoc& doc);
  // One form per group; false on Cancel. Then the weights.
  bool EnterStrata(FormHost& host);
  // The figures entered, for the formulas.
  StratifiedInput Input() const;

  const StrataLayout& layout;
  int K;
  long long row = 0;  // the group being entered
  double N = 0.0;
  double z, probability, margin;
  SpecialTarget specialTarget;
  double budget, fixedCost;

 private:
  bool Reserve(CTervoDoc& doc);
  double* operator[](Q q) const { return m_arrays[static_cast<std::size_t>(q)].get(); }
  std::array<DoubleArray, static_cast<std::size_t>(Q::Count)> m_arrays;
};

// ---- Results ------------------------------------------------------------------------
// The mean or the proportion is the layout's (`in.layout->proportion`).

struct StratifiedPoint {
  StratifiedInput in;
  double estimate, total;
};

struct StratifiedInterval {
  StratifiedInput in;
  double estimate, total, sd, low, high, totalLow, totalHigh;
  bool warning;
};

struct StratifiedSd {
  StratifiedInput in;
  double sd, totalSd;
};

struct StratifiedSampleSize {
  StratifiedInput in;
  double required;
  bool warning;
};

// The optimal allocation, or the minimum-cost one with the sample size the
// budget affords.
struct StratifiedAllocation {
  StratifiedInput in;
  std::vector<double> allocation;  // a_i, in group order
  bool minCost;
  double n;  // minimum cost only
};

StratifiedPoint ComputePoint(const StratifiedInput& in);
StratifiedInterval ComputeInterval(const StratifiedInput& in);
StratifiedSd ComputeSd(const StratifiedInput& in);
StratifiedSampleSize ComputeSampleSize(const StratifiedInput& in);
StratifiedAllocation ComputeOptimalAllocation(const StratifiedInput& in);
StratifiedAllocation ComputeMinCostAllocation(const StratifiedInput& in);

// ---- Writers and records ------------------------------------------------------------

void Write(CTervoDoc& d, const StratifiedPoint& r);
void Write(CTervoDoc& d, const StratifiedInterval& r);
void Write(CTervoDoc& d, const StratifiedSd& r);
void Write(CTervoDoc& d, const StratifiedSampleSize& r);
void Write(CTervoDoc& d, const StratifiedAllocation& r);

Record ToRecord(const StratifiedPoint& r);
Record ToRecord(const StratifiedInterval& r);
Record ToRecord(const StratifiedSd& r);
Record ToRecord(const StratifiedSampleSize& r);
Record ToRecord(const StratifiedAllocation& r);

// What every block starts with: separator, heading, group table (with the
// allocation column from `allocation` where the layout has one) and the
// population size.
void WriteHead(CTervoDoc& d, const StratifiedInput& in, const std::vector<double>* allocation = nullptr);
// The groups and the population size, in every stratified record.
Record RecordStrata(const StratifiedInput& in, const std::vector<double>* allocation = nullptr);

// Entry loop, formulas, block: the whole of a stratified routine.
template <auto compute>
int Run(CTervoDoc& doc, const StrataLayout& layout) {
  StratifiedEntry work(doc, layout);
  if (!work.Collect(doc)) return 0;
  return Report(doc, compute(work.Input()));
}

// ---- The routines: operations on the document (collect, compute, write) ------------------
int StratifiedMeanPoint(CTervoDoc& d);
int StratifiedProportionPoint(CTervoDoc& d);
int StratifiedMeanInterval(CTervoDoc& d);
int StratifiedProportionInterval(CTervoDoc& d);
int StratifiedMeanSd(CTervoDoc& d);
int StratifiedProportionSd(CTervoDoc& d);
int StratifiedMeanSampleSize(CTervoDoc& d);
int StratifiedProportionSampleSize(CTervoDoc& d);
int StratifiedMeanOptimalAllocation(CTervoDoc& d);
int StratifiedProportionOptimalAllocation(CTervoDoc& d);
int StratifiedMeanMinCostAllocation(CTervoDoc& d);
int StratifiedProportionMinCostAllocation(CTervoDoc& d);

// ---- The family ---------------------------------------------------------------------------

// The commands, at the end of StratumForms.cpp beside their forms.
extern const CommandTable kTable;

inline constexpr const CommandTable* kFamilyTables[] = {&kTable};
inline constexpr LabelItem kFamilyLabels[] = {
    TargetLabel(32843, "Stratified"),
    ObjectiveLabel(32851, "Stratified > Mean/total of variable"),
    ObjectiveLabel(32844, "Stratified > Proportion/number in category"),
};
// Its section of the help on forms, before its tables' entries.
FormHelpFamily FamilyHelp();
inline constexpr Family kFamily{"stratified", kFamilyTables, kFamilyLabels, &FamilyHelp};

}  // namespace mirto::stratified
