#include "framework/FormCatalog.h"

#include <algorithm>

#include "framework/PreliminaryForms.h"

namespace mirto {

std::vector<const FormTemplate*> AllFormTemplates() {
  std::vector<const FormTemplate*> all = {
      &kGroupCountForm,   &kGroupCountLevelForm,   &kMeanAccuracyForm, &kPropAccuracyForm,      &kBudgetForm,
      &kClusterSizesForm, &kClusterSizesLevelForm, &kUnequalSizesForm, &kUnequalSizesLevelForm, &kUnequalSizesMeanForm,
      &kPopSizeForm,
  };
  for (auto family : {SrsFormTemplates, StratifiedFormTemplates, ClusterFormTemplates, UnequalFormTemplates,
                      PredictionFormTemplates, ExtrasFormTemplates}) {
    auto more = family();
    all.insert(all.end(), more.begin(), more.end());
  }
  std::sort(all.begin(), all.end(), [](const FormTemplate* a, const FormTemplate* b) { return a->id < b->id; });
  return all;
}

const FormTemplate* FindFormTemplate(int id) {
  for (const FormTemplate* t : AllFormTemplates())
    if (t->id == id) return t;
  return nullptr;
}

}  // namespace mirto
