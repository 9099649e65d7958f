#pragma once
// Every form template of the program, so that hosts and tests can reach each one.
#include <vector>

#include "framework/Form.h"

namespace mirto {

std::vector<const FormTemplate*> AllFormTemplates();
const FormTemplate* FindFormTemplate(int id);

// Each family lists its own templates (defined in its folder).
std::vector<const FormTemplate*> SrsFormTemplates();
std::vector<const FormTemplate*> StratifiedFormTemplates();
std::vector<const FormTemplate*> ClusterFormTemplates();
std::vector<const FormTemplate*> UnequalFormTemplates();
std::vector<const FormTemplate*> PredictionFormTemplates();
std::vector<const FormTemplate*> ExtrasFormTemplates();

}  // namespace mirto
