#include "framework/Help.h"

#include "framework/FormCatalog.h"
#include "framework/Registry.h"

namespace mirto {
namespace {

HelpSection TopicSection(std::string_view anchor, std::string_view heading, std::span<const HelpTopic> topics) {
  HelpSection section{anchor, heading, {}, {}, {}};
  for (const HelpTopic& t : topics) section.entries.push_back({std::string(t.name), "", std::string(t.text)});
  return section;
}

HelpSection CommandSection() {
  HelpSection section{"commands", "The calculations", {}, {}, {}};
  for (const Command& c : Commands()) section.items.emplace_back(c.path);
  return section;
}

HelpSection FormSection() {
  HelpSection section{"forms",
                      "The forms",
                      {"Each calculation asks its figures in small forms. Press OK to go on or Cancel (Escape) to "
                       "abandon the calculation; nothing is added to the journal then. Text that is not a number "
                       "reads as 0, or as the number it starts with. A confidence list must have a level selected "
                       "where the calculation needs one."},
                      {},
                      {}};
  for (const FormTemplate* t : AllFormTemplates()) {
    std::string asks;
    for (const Control& c : t->controls) {
      if (!TakesValue(c)) continue;
      if (!asks.empty()) asks += "; ";
      asks += c.label;
    }
    section.entries.push_back({std::string(t->title), "(form " + std::to_string(t->id) + ")", asks});
  }
  return section;
}

}  // namespace

std::vector<HelpParagraph> Paragraphs(const CommandHelp& help) {
  std::vector<HelpParagraph> out;
  const std::pair<std::string_view, const HelpTopic*> parts[] = {{"Method", help.method},
                                                                 {"Target", help.target},
                                                                 {"Objective", help.objective},
                                                                 {"Estimator", help.estimator},
                                                                 {"", help.approach}};
  for (const auto& [heading, topic] : parts)
    if (topic) out.push_back({heading, topic});
  return out;
}

HelpDocument HelpTopics() {
  HelpDocument doc{"Mirto", {}};
  doc.sections.push_back(
      {"",
       "",
       {"Mirto computes survey-sampling estimates, intervals, standard deviations, sample sizes and allocations. "
        "Choose a calculation from the **Select approach:** menu, answer its forms, and the report is added to the "
        "journal at the bottom of the window. The journal can be saved as a plain text file, reopened (File > Open "
        "adds the file's lines after those already shown), and printed."},
       {},
       {}});
  doc.sections.push_back({"",
                          "Choosing a calculation",
                          {"**Random sampling** leads through the method, the target, the objective and, for simple "
                           "random sampling, the estimator. **Prediction** starts the model-based approach."},
                          {},
                          {}});
  doc.sections.push_back(TopicSection("methods", "Methods", kMethodTopics));
  doc.sections.push_back(TopicSection("targets", "Targets", kTargetTopics));
  doc.sections.push_back(TopicSection("objectives", "Objectives", kObjectiveTopics));
  doc.sections.push_back(TopicSection("estimators", "Estimators", kEstimatorTopics));
  doc.sections.push_back({"prediction", "Prediction", {"**Prediction**", kPredictionTopic.text}, {}, {}});
  doc.sections.push_back(CommandSection());
  doc.sections.push_back(FormSection());
  doc.sections.push_back({"",
                          "Context help",
                          {"Press Shift+F1 or the help button of the toolbar, then click a menu item, a button or "
                           "the journal to read what it does."},
                          {},
                          {}});
  return doc;
}

}  // namespace mirto
