#pragma once
// The forms of the prediction approach: the specifications form, whose two
// radio groups act on each other, and the preliminary and per-row forms.
#include "framework/Codes.h"
#include "framework/Form.h"
#include "framework/Registry.h"

namespace mirto {

// Under the prediction approach the theoretical objective is the error variance.
inline constexpr Objective kErrorVariance = Objective::ThStdDev;

extern const FormTemplate kPredictionSpecTemplate;  // 191
extern const FormTemplate kPredictionPointForm;     // 192
extern const FormTemplate kPredictionPairForm;      // 193
extern const FormTemplate kPredictionIntervalForm;  // 194
extern const FormTemplate kPredictionVarianceForm;  // 195
extern const FormTemplate kPredictionXForm;         // 196
extern const FormTemplate kPredictionModelEForm;    // 197
extern const FormTemplate kPredictionVariableForm;  // 198

// The preliminary steps of the prediction dispatcher.
extern const PreliminaryStep kPredictionPointStep, kPredictionIntervalStep, kPredictionVarianceStep,
    kPredictionModelEStep;

// One showing of the specifications form, opened on the document's model and
// objective. Model E allows the point estimate only.
class PredictionSpecForm : public Form {
 public:
  PredictionSpecForm(PredictionModel model, Objective objective);
  PredictionModel Model() const;
  Objective ChosenObjective() const;
};

}  // namespace mirto
