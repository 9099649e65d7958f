#pragma once
// The forms of the prediction approach: the specifications form, whose two
// radio groups act on each other, and the preliminary and per-row forms.
#include "framework/Form.h"

namespace mirto {

enum PredictionModel { kModelA = 1, kModelB, kModelC, kModelD, kModelE };
enum PredictionObjective { kPredictPoint = 1, kPredictInterval, kPredictErrorVariance };

extern const FormTemplate kPredictionSpecTemplate;  // 191
extern const FormTemplate kPredictionPointForm;     // 192
extern const FormTemplate kPredictionPairForm;      // 193
extern const FormTemplate kPredictionIntervalForm;  // 194
extern const FormTemplate kPredictionVarianceForm;  // 195
extern const FormTemplate kPredictionXForm;         // 196
extern const FormTemplate kPredictionModelEForm;    // 197
extern const FormTemplate kPredictionVariableForm;  // 198

// One showing of the specifications form, opened on the document's model and
// objective. Model E allows the point estimate only.
class PredictionSpecForm : public Form {
 public:
  PredictionSpecForm(int model, int objective);
  int Model() const;
  int Objective() const;
};

}  // namespace mirto
