#include "framework/Help.h"

#include <algorithm>

#include "framework/Catalogue.h"
#include "framework/Registry.h"

namespace mirto {
namespace {

HelpSection TopicSection(std::string_view anchor, std::string_view heading, std::span<const HelpTopic> topics) {
  HelpSection section{anchor, heading, {}};
  for (const HelpTopic& t : topics) section.entries.push_back({std::string(t.name), "", std::string(t.text)});
  return section;
}

// The framework's objectives, then those the families' rows bring.
std::vector<HelpTopic> ObjectiveTopics() {
  std::vector<HelpTopic> topics(std::begin(kObjectiveTopics), std::end(kObjectiveTopics));
  for (const Command& c : Commands()) {
    const HelpTopic* topic = c.help.objective;
    if (!topic || std::any_of(topics.begin(), topics.end(), [&](const HelpTopic& t) { return t.name == topic->name; }))
      continue;
    topics.push_back(*topic);
  }
  return topics;
}

HelpSection CommandSection() {
  HelpSection section{"commands", "The calculations", {"Every command of the menu, by its path:"}};
  for (const Command& c : Commands()) section.items.emplace_back(c.path);
  return section;
}

HelpSection FamilySection(const FormHelpFamily& family) {
  HelpSection section{family.anchor, family.heading, family.intro};
  for (const FormHelp& f : family.forms) {
    std::string text(f.text);
    if (!f.example.empty()) text += " **Worked example.** " + std::string(f.example);
    section.entries.push_back({std::string(f.calculation), "", std::move(text)});
  }
  return section;
}

// A link to every other section that has an anchor, in order.
HelpSection Contents(const std::vector<HelpSection>& sections) {
  HelpSection contents{"contents", "Contents", {}};
  for (const HelpSection& s : sections)
    if (!s.anchor.empty() && !s.heading.empty()) contents.links.push_back({s.anchor, s.heading});
  return contents;
}

}  // namespace

std::vector<FormHelpFamily> FormHelpFamilies() {
  std::vector<FormHelpFamily> families;
  for (const Family* family : CommandCatalogue().families) {
    if (!family->help) continue;
    FormHelpFamily section = family->help();
    for (const CommandTable* table : family->tables)
      if (table->help)
        for (FormHelp& entry : table->help()) section.forms.push_back(std::move(entry));
    families.push_back(std::move(section));
  }
  return families;
}

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
  std::vector<HelpSection> sections;
  sections.push_back({"choosing",
                      "Choosing a calculation",
                      {"**Random sampling** leads through the method, the target, the objective and, for simple "
                       "random sampling, the estimator; **Prediction** starts the model-based approach. What "
                       "each choice means is told under [Methods](#methods), [Targets](#targets), "
                       "[Objectives](#objectives) and [Estimators](#estimators); what each calculation asks, under "
                       "its method below."}});
  for (HelpSection& s : ConventionSections()) sections.push_back(std::move(s));
  sections.push_back(TopicSection("methods", "Methods", kMethodTopics));
  sections.push_back(TopicSection("targets", "Targets", kTargetTopics));
  sections.push_back(TopicSection("objectives", "Objectives", ObjectiveTopics()));
  sections.push_back(TopicSection("estimators", "Estimators", kEstimatorTopics));
  for (const FormHelpFamily& family : FormHelpFamilies()) sections.push_back(FamilySection(family));
  for (HelpSection& s : GuideSections()) sections.push_back(std::move(s));
  sections.push_back(CommandSection());

  HelpDocument doc{"Mirto", {}};
  doc.sections.push_back(
      {"",
       "",
       {"Mirto computes survey-sampling estimates, intervals, standard deviations, sample sizes and allocations. "
        "Choose a calculation from the **Select approach:** menu, answer its forms, and the report is added to the "
        "journal at the bottom of the window. The journal can be saved as a plain text file, reopened (File > Open "
        "adds the file's lines after those already shown), printed and exported."}});
  doc.sections.push_back(Contents(sections));
  for (HelpSection& s : sections) doc.sections.push_back(std::move(s));
  return doc;
}

}  // namespace mirto
