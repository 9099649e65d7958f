#pragma once
// Every form template of the program, so that hosts and tests can reach each
// one: those the catalogue's commands and prediction routes show.
#include <vector>

#include "framework/Form.h"

namespace mirto {

std::vector<const FormTemplate*> AllFormTemplates();
const FormTemplate* FindFormTemplate(int id);

}  // namespace mirto
