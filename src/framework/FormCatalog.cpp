#include "framework/FormCatalog.h"

#include <algorithm>
#include <functional>

#include "framework/Catalogue.h"

namespace mirto {
namespace {

void AddForms(std::vector<const FormTemplate*>& all, const PreliminaryStep* step, const RoutineForms& forms) {
  if (step) all.push_back(step->form);
  for (const FormTemplate* form : forms)
    if (form) all.push_back(form);
}

std::vector<const FormTemplate*> Collect() {
  std::vector<const FormTemplate*> all;
  for (const Family* family : CommandCatalogue().families) {
    for (const CommandTable* table : family->tables) {
      for (const Command& c : table->commands) AddForms(all, c.step, c.forms);
      for (const PredictionRoute& r : table->routes) AddForms(all, r.step, r.forms);
    }
  }
  std::sort(all.begin(), all.end(), [](const FormTemplate* a, const FormTemplate* b) {
    return a->id != b->id ? a->id < b->id : std::less<const FormTemplate*>()(a, b);
  });
  all.erase(std::unique(all.begin(), all.end()), all.end());
  return all;
}

}  // namespace

std::vector<const FormTemplate*> AllFormTemplates() {
  static const std::vector<const FormTemplate*> all = Collect();
  return all;
}

const FormTemplate* FindFormTemplate(int id) {
  for (const FormTemplate* t : AllFormTemplates())
    if (t->id == id) return t;
  return nullptr;
}

}  // namespace mirto
