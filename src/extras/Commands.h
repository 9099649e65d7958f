#pragma once
// The commands added to the "Select approach:" tree, registered like every
// other (src/catalogue lists the family): a sample size adjusted for a design effect
// and a response rate, the allocation of a given n in whole numbers, and
// intervals from the joint inclusion probabilities of a sample drawn without
// replacement, and the sample size for several variables. Each collects, computes a result with no text, then writes
// its block from it and hands over its record.
#include <vector>

#include "framework/Catalogue.h"
#include "framework/Form.h"

namespace mirto::srs {
struct SrsInput;
}

namespace mirto {
class CTervoDoc;
struct PreliminaryStep;
}  // namespace mirto

namespace mirto::extras {

int SrsMeanAdjustedSampleSize(CTervoDoc& doc);
int SrsProportionAdjustedSampleSize(CTervoDoc& doc);
int StratifiedMeanGivenAllocation(CTervoDoc& doc);
int StratifiedProportionGivenAllocation(CTervoDoc& doc);
int HteMeanJointInterval(CTervoDoc& doc);
int HteProportionJointInterval(CTervoDoc& doc);
int SrsSeveralSampleSize(CTervoDoc& doc);

// The first form of the allocation of a given n: K, n and the minimum per group.
extern const PreliminaryStep kGivenAllocationStep;

// ---- The formulas, for the tests ------------------------------------------------------

// The lines a simple sample-size block starts with: separator, target,
// method, `objective`, estimator, N, the guess and the margin.
void WriteSizeHeading(CTervoDoc& d, const srs::SrsInput& in, Target target, const char* objective);

// x rounded up, except that a value whole but for rounding error stays that whole number.
double RoundUp(double x);

// Whole n_i adding up to n with lower_i <= n_i <= upper_i (the bounds whole
// numbers, their sums enclosing n): the continuous optimum x_i = lambda
// a_i held within the bounds, then largest remainders, ties to the first
// group. Groups with a_i = 0 keep their lower bound unless the others are
// full, when the rest is shared among them in proportion to their upper
// bounds. `exact` receives the x_i.
std::vector<double> WholeAllocation(const std::vector<double>& a, const std::vector<double>& lower,
                                    const std::vector<double>& upper, double n, std::vector<double>* exact = nullptr);

// The Sen-Yates-Grundy variance of the estimator of the total from the
// sampled values y, their inclusion probabilities p and the joint ones in
// pair order (1,2), (1,3), ..., (n-1,n).
double SenYatesGrundyVariance(const std::vector<double>& y, const std::vector<double>& p,
                              const std::vector<double>& joint);

// ---- The family ---------------------------------------------------------------------------

// The objective both sample sizes for several variables bring, simple and stratified.
// Defined here, not in one file: a row's constant address of it must be known
// wherever a row is built (sanitizer builds check it).
inline constexpr HelpTopic kSeveralSizeTopic{
    "Sample size for several variables",
    "The sample size of \"Sample size\" for each of several variables, a mean or a proportion each with its own "
    "margin and probability, and the largest of them: the size that meets every requirement."};

// The commands of each file, at its end; each ends a submenu of another family.
extern const CommandTable kAdjustedSizeTable, kGivenAllocationTable, kJointIntervalTable, kSeveralSizeTable,
    kClusterPlanningTable, kClusterPlanningFromTable, kSensitivityTable, kSeveralAllocationTable,
    kStratifiedSeveralSizeTable;

inline constexpr const CommandTable* kFamilyTables[] = {
    &kAdjustedSizeTable, &kGivenAllocationTable,   &kJointIntervalTable,
    &kSeveralSizeTable,  &kClusterPlanningTable,   &kClusterPlanningFromTable,
    &kSensitivityTable,  &kSeveralAllocationTable, &kStratifiedSeveralSizeTable};
// Its section of the help on forms, before its tables' entries.
FormHelpFamily FamilyHelp();
inline constexpr Family kFamily{"extras", kFamilyTables, {}, &FamilyHelp};

}  // namespace mirto::extras
