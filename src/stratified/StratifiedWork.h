#pragma once
// Stratified sampling: what the twelve routines share. Each routine is one
// layout (its per-group form, the figures the form fills, its heading and its
// group table) and a short body of formulas and result lines; the work record
// runs the entry loop, holds the per-group arrays and writes the common lines.
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "journal/CTervoDoc.h"

namespace mirto::stratified {

// Per-group figures. A routine reserves only those its layout names.
enum class Q : std::uint8_t { N, w, n, BarY, S, P, Sigma, Pi, V, C, A, Count };

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
  bool proportion = false;      // variance pi (1 - pi) rather than sigma^2
  bool flagsSmall = false;      // each row may raise the small-sample flag
};

extern const StrataLayout kMeanPoint, kProportionPoint, kMeanInterval, kProportionInterval, kMeanSd, kProportionSd,
    kMeanSize, kProportionSize, kMeanOptimal, kProportionOptimal, kMeanCost, kProportionCost;

class StratifiedWork {
 public:
  StratifiedWork(const CTervoDoc& doc, const StrataLayout& layout);
  virtual ~StratifiedWork() = default;
  StratifiedWork(const StratifiedWork&) = delete;
  StratifiedWork& operator=(const StratifiedWork&) = delete;

  // Arrays, then the entry loop; on success the document's population size
  // becomes N. False, with the document untouched, on Cancel or no memory.
  bool Collect(CTervoDoc& doc);
  // One form per group; false on Cancel. Then the weights.
  bool EnterStrata(FormHost& host);
  // Separator, heading, group table and population size.
  void WriteHead(CTervoDoc& doc);

  double* operator[](Q q) const { return m_arrays[static_cast<std::size_t>(q)].get(); }

  template <class Term>
  double Sum(Term term) const {
    double total = 0.0;
    for (long long i = 1; i <= K; ++i) total += term(i);
    return total;
  }

  // Formulas.
  double GroupVariance(long long i) const;
  double GroupSd(long long i) const;
  double Estimate(Q value) const;  // sum of w_i times the value
  double EstimatedVariance() const;
  double TheoreticalVariance() const;
  double RequiredSampleSize() const;
  void AllocateOptimally();
  void AllocateAtMinimumCost();  // also sets n

  const StrataLayout& layout;
  int K;
  double N = 0.0;
  double z, probability, margin;
  SpecialTarget specialTarget;
  double budget, fixedCost;
  double n = 0.0;
  bool smallSample = false;

 private:
  bool Reserve(CTervoDoc& doc);
  void WriteRow(CTervoDoc& doc, long long i);
  std::array<DoubleArray, static_cast<std::size_t>(Q::Count)> m_arrays;
};

}  // namespace mirto::stratified
