#pragma once
// What the with- and without-replacement routines share: their element forms,
// the element table layouts and the report lines both families write alike.
#include "framework/Codes.h"
#include "framework/Form.h"
#include "journal/CTervoDoc.h"

namespace mirto::unequal {

extern const FormTemplate kHheElementForm;          // 183
extern const FormTemplate kHheCategoryElementForm;  // 184
extern const FormTemplate kHteElementForm;          // 187
extern const FormTemplate kHteCategoryElementForm;  // 188
extern const FormTemplate kJointProbabilityForm;    // 190

// Row formats of the element tables; each variant keeps its own precision and
// trailing blank.
enum class RowStyle {
  Short,       // "%3d %10.3f %10.4f"
  ShortBlank,  // "%3d %10.3f %10.4f "
  Full,        // "%3d %10f %10f"
  FullBlank,   // "%3d %10f %10f "
};

struct TableLayout {
  const char* header;
  RowStyle row;
};

// Separator and the four header lines.
void AppendHeading(CTervoDoc& d, Target target, Objective objective, const char* method, const char* estimator);
void AppendElementTable(CTervoDoc& d, const TableLayout& layout, const double* y, const double* p, long long count);
// The two estimate lines of the point and interval blocks.
void AppendEstimates(CTervoDoc& d, Target target, Objective objective, double mean, double total);
// Estimated deviation, the warning when due, and the two intervals.
void AppendIntervals(CTervoDoc& d, Target target, double sd, double mean, double N, double n, double z, double level);
// The two deviation lines of a theoretical-deviation block.
void AppendTheoreticalSd(CTervoDoc& d, Target target, double sdMean, double sdTotal);

// Entry loop over sampled elements: Y and a probability that must exceed 0.
// Keeps sumRatio (sum of Y/p) and, when `sumSquares` is given, the sum of
// (Y / (N p))^2.
bool EnterSampledElements(FormHost& host, const FormTemplate& form, double* y, double* p, long long count, double N,
                          double& sumRatio, double* sumSquares);

}  // namespace mirto::unequal
