#pragma once
// The preliminary forms and steps of the randomization dispatcher.
#include "framework/Form.h"
#include "framework/Registry.h"

namespace mirto {

extern const FormTemplate kGroupCountForm;         // 156
extern const FormTemplate kGroupCountLevelForm;    // 159
extern const FormTemplate kMeanAccuracyForm;       // 164
extern const FormTemplate kPropAccuracyForm;       // 167
extern const FormTemplate kBudgetForm;             // 170
extern const FormTemplate kClusterSizesForm;       // 173
extern const FormTemplate kClusterSizesLevelForm;  // 177
extern const FormTemplate kUnequalSizesForm;       // 182
extern const FormTemplate kUnequalSizesLevelForm;  // 185
extern const FormTemplate kUnequalSizesMeanForm;   // 186
extern const FormTemplate kPopSizeForm;            // 189

extern const PreliminaryStep kGroupCountStep, kGroupCountLevelStep, kMeanAccuracyStep, kPropAccuracyStep, kBudgetStep,
    kClusterSizesStep, kClusterSizesLevelStep, kUnequalSizesStep, kUnequalSizesLevelStep, kUnequalSizesMeanStep,
    kPopSizeStep;

// The check of a population and a sample size read as integers (N > 0,
// 0 < n <= N); once it passes, both are stored as doubles too.
bool AcceptSampleSizes(CalculatorState& d);

}  // namespace mirto
