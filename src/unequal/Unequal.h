#pragma once
// Unequal-probability sampling, with replacement (the estimator that divides
// each drawn value by its selection probability, HHE) and without (by its
// inclusion probability, HTE): the work records the entry loops fill, the
// result of each calculation and the formulas that make one from the other.
// A routine runs its entry loop, computes its result, writes the block from
// the result and hands the result's record to the document (Report,
// framework/Routine.h). Everything here but the writers is free of report
// text.
#include <vector>

#include "framework/Catalogue.h"
#include "framework/Codes.h"
#include "framework/Form.h"
#include "framework/Record.h"
#include "journal/CTervoDoc.h"

namespace mirto::unequal {

extern const FormTemplate kHheElementForm;          // 183
extern const FormTemplate kHheCategoryElementForm;  // 184
extern const FormTemplate kHteElementForm;          // 187
extern const FormTemplate kHteCategoryElementForm;  // 188
extern const FormTemplate kJointProbabilityForm;    // 190

// ---- Work records: the operation's copy of the calculator state and what its
// entry loop keeps. `count` is the number of rows the loop asks for: n, or N
// for a theoretical deviation.

struct HheInput {
  HheInput(DoubleArray& y, DoubleArray& q, const CalculatorState& d, long long rows);
  HheInput(const HheInput&) = delete;
  HheInput& operator=(const HheInput&) = delete;

  DoubleArray& values;
  DoubleArray& probabilities;
  double N = 0.0;
  double n = 0.0;
  double mu = 0.0;
  double sumRatio = 0.0;
  double meanEstimate = 0.0;
  double sumSquares = 0.0;  // sum of Y^2/q (theoretical deviation)
  double z = 0.0;
  double level = 0.0;
  long long count = 0;
};

// sumSquares is the variance V in the theoretical deviation. Intervals work
// from the deviations of the elements' shares, over the arrays.
struct HteInput {
  HteInput(DoubleArray& y, DoubleArray& p, DoubleArray& pij, const CalculatorState& d, long long rows);
  HteInput(const HteInput&) = delete;
  HteInput& operator=(const HteInput&) = delete;

  DoubleArray& values;
  DoubleArray& probabilities;
  DoubleArray& joint;  // pair order (1,2), (1,3), ..., (N-1,N); the k-th pair at index k
  double N = 0.0;
  double n = 0.0;
  double A = 0.0;
  double sumRatio = 0.0;
  double meanEstimate = 0.0;
  double sumSquares = 0.0;
  double z = 0.0;
  double level = 0.0;
  long long count = 0;
};

// Entry loops; false on Cancel or a refused row ("Illegal entry" shown).
bool EnterHheElements(FormHost& host, const FormTemplate& form, HheInput& w, Objective objective);
bool EnterHteElements(FormHost& host, const FormTemplate& form, HteInput& w, Objective objective);

// ---- Results -------------------------------------------------------------------------
// `method` is WithReplacement or WithoutReplacement; `target` MeanTotal
// (mean, total) or ProportionNumber (proportion, number).

struct Element {
  double y, p;  // the value and its selection or inclusion probability
};

struct Pair {
  long long i, j;
  double p;  // joint inclusion probability
};

struct UnequalPoint {
  Method method;
  Target target;
  double N, n;
  std::vector<Element> elements;
  double mean, total;
};

struct UnequalInterval {
  Method method;
  Target target;
  double N, n, z, level;
  std::vector<Element> elements;
  double mean, total, sd, low, high, totalLow, totalHigh;
  bool warning;
};

// With replacement: n and mu are inputs; without: the pairs are, and n is not used.
struct UnequalSd {
  Method method;
  Target target;
  double N, n, mu;
  std::vector<Element> elements;
  std::vector<Pair> pairs;
  double sdMean, sdTotal;
};

UnequalPoint ComputeHhePoint(const HheInput& w, Target target);
UnequalInterval ComputeHheInterval(const HheInput& w, Target target);
UnequalSd ComputeHheSd(const HheInput& w, Target target);
UnequalPoint ComputeHtePoint(const HteInput& w, Target target);
UnequalInterval ComputeHteInterval(const HteInput& w, Target target);
UnequalSd ComputeHteSd(const HteInput& w, Target target);

void Write(CTervoDoc& d, const UnequalPoint& r);
void Write(CTervoDoc& d, const UnequalInterval& r);
void Write(CTervoDoc& d, const UnequalSd& r);

Record ToRecord(const UnequalPoint& r);
Record ToRecord(const UnequalInterval& r);
Record ToRecord(const UnequalSd& r);

// ---- The routines: operations on the document (collect, compute, write) ------------------
int HheMeanPoint(CTervoDoc& d);
int HheProportionPoint(CTervoDoc& d);
int HheMeanInterval(CTervoDoc& d);
int HheProportionInterval(CTervoDoc& d);
int HheMeanSd(CTervoDoc& d);
int HheProportionSd(CTervoDoc& d);
int HteMeanPoint(CTervoDoc& d);
int HteProportionPoint(CTervoDoc& d);
int HteMeanInterval(CTervoDoc& d);
int HteProportionInterval(CTervoDoc& d);
int HteMeanSd(CTervoDoc& d);
int HteProportionSd(CTervoDoc& d);

// ---- The family ---------------------------------------------------------------------------

// The commands of each method, at the end of its file.
extern const CommandTable kWithReplacementTable, kWithoutReplacementTable;

inline constexpr const CommandTable* kFamilyTables[] = {&kWithReplacementTable, &kWithoutReplacementTable};
inline constexpr LabelItem kFamilyLabels[] = {
    TargetLabel(32880, "Un.Prob.WithRepl."),
    TargetLabel(32885, "Un.Prob.WithoutRepl."),
    ObjectiveLabel(32895, "Un.Prob.WithRepl. > Mean/total of variable"),
    ObjectiveLabel(32881, "Un.Prob.WithRepl. > Proportion/number in category"),
    ObjectiveLabel(32891, "Un.Prob.WithoutRepl. > Mean/total of variable"),
    ObjectiveLabel(32887, "Un.Prob.WithoutRepl. > Proportion/number in category"),
};
// Its section of the help on forms, before its tables' entries.
FormHelpFamily FamilyHelp();
inline constexpr Family kFamily{"unequal", kFamilyTables, kFamilyLabels, &FamilyHelp};

}  // namespace mirto::unequal
