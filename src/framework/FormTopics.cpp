// The help a form opens, and the search of Help Topics.
#include <algorithm>
#include <string>

#include "framework/Form.h"
#include "framework/Help.h"

namespace mirto {
namespace {

// Letters in one case, and the minus sign of the texts (U+2212) as the
// hyphen a keyboard types.
std::string Folded(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text.substr(i, 3) == "\u2212") {
      out += '-';
      i += 2;
    } else {
      const char c = text[i];
      out += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    }
  }
  return out;
}

bool Holds(std::string_view text, std::string_view folded) { return Folded(text).find(folded) != std::string::npos; }

bool SectionHolds(const HelpSection& s, std::string_view query) {
  if (Holds(s.heading, query)) return true;
  for (std::string_view p : s.paragraphs)
    if (Holds(p, query)) return true;
  for (const HelpEntry& e : s.entries)
    if (Holds(e.term, query) || Holds(e.note, query) || Holds(e.text, query)) return true;
  for (const std::string& item : s.items)
    if (Holds(item, query)) return true;
  return std::any_of(s.links.begin(), s.links.end(), [&](const HelpLink& l) { return Holds(l.text, query); });
}

}  // namespace

FormTopic FormTopicFor(const FormTemplate& form) {
  for (const FormHelpFamily& family : FormHelpFamilies())
    for (const FormHelp& help : family.forms) {
      if (std::find(help.templates.begin(), help.templates.end(), &form) == help.templates.end()) continue;
      FormTopic topic{std::string(help.calculation), {std::string(help.text)}};
      if (!help.example.empty()) topic.paragraphs.push_back("**Worked example.** " + std::string(help.example));
      topic.paragraphs.push_back("**" + std::string(family.heading) + ".**");
      topic.paragraphs.insert(topic.paragraphs.end(), family.intro.begin(), family.intro.end());
      topic.paragraphs.push_back("**Standard deviations.** " + std::string(kStandardDeviationHelp));
      return topic;
    }
  const std::vector<HelpSection> conventions = ConventionSections();
  FormTopic topic{std::string(form.title), {}};
  for (std::string_view p : conventions.front().paragraphs) topic.paragraphs.emplace_back(p);
  topic.paragraphs.push_back("**Standard deviations.** " + std::string(kStandardDeviationHelp));
  return topic;
}

std::vector<std::size_t> MatchingSections(const HelpDocument& doc, std::string_view query) {
  const std::string folded = Folded(query);
  std::vector<std::size_t> found;
  for (std::size_t i = 0; i < doc.sections.size(); ++i)
    if (folded.empty() || SectionHolds(doc.sections[i], folded)) found.push_back(i);
  return found;
}

std::string SearchSummary(std::string_view query, std::size_t found) {
  const std::string quoted = "\"" + std::string(query) + "\"";
  if (found == 0) return "No topic holds " + quoted;
  return std::to_string(found) + (found == 1 ? " topic holds " : " topics hold ") + quoted;
}

}  // namespace mirto
