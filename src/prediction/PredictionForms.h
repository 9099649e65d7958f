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

// The rows of the per-element and per-variable forms, read in tab order. The
// element forms check their X-value under Model C (the form's context): one
// not greater than 0 is reported, and the entry goes on.
struct PredictionPairRow {
  double x = 0, y = 0;
};
struct PredictionXRow {
  double x = 0;
};
struct PredictionVariableRow {
  double b = 0, mu = 0, barX = 0;
};
PredictionPairRow ReadPairRow(const Form& form);
PredictionXRow ReadXRow(const Form& form);
PredictionVariableRow ReadVariableRow(const Form& form);

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
