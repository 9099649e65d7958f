// The help document: every field of every form described under its label,
// a contents list whose links all lead somewhere, no internal form numbers.
#include "framework/Help.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <regex>
#include <set>

#include "framework/FormCatalog.h"
#include "framework/Registry.h"

namespace mirto {
namespace {

TEST(Help, EveryFieldOfEveryFormIsDescribedUnderItsLabel) {
  std::set<int> described;
  for (const FormHelpFamily& family : FormHelpFamilies()) {
    for (const FormHelp& help : family.forms) {
      for (const FormTemplate* form : help.templates) {
        const int id = form->id;
        EXPECT_EQ(FindFormTemplate(id), form) << help.calculation << ": form " << id << " is not in the catalogue";
        described.insert(id);
        for (const Control& c : form->controls) {
          const bool named = (c.kind == ControlKind::Text && !c.readOnly) || c.kind == ControlKind::List ||
                             c.kind == ControlKind::Radio;
          if (!named || c.label.empty()) continue;
          const std::string bold = "**" + std::string(c.label) + "**";
          EXPECT_NE(help.text.find(bold), std::string_view::npos)
              << help.calculation << " does not describe " << bold << " of form " << id;
        }
      }
    }
  }
  for (const FormTemplate* form : AllFormTemplates())
    EXPECT_TRUE(described.count(form->id)) << "form " << form->id << " (" << form->title << ") is not described";
}

// An objective a family adds brings its topic in its row: it must reach the
// Objectives section once, however many rows share it.
TEST(Help, EveryObjectiveOfTheMenuIsExplainedOnce) {
  const HelpDocument doc = HelpTopics();
  const auto section = std::find_if(doc.sections.begin(), doc.sections.end(),
                                    [](const HelpSection& s) { return s.anchor == "objectives"; });
  ASSERT_NE(section, doc.sections.end());
  std::multiset<std::string> terms;
  for (const HelpEntry& e : section->entries) terms.insert(e.term);
  for (const Command& c : Commands()) {
    if (!c.help.objective) continue;
    EXPECT_EQ(terms.count(std::string(c.help.objective->name)), 1u) << c.path;
  }
}

TEST(Help, ContentsLinkEverySectionAndEveryLinkLeadsToOne) {
  const HelpDocument doc = HelpTopics();
  std::set<std::string> anchors, linked;
  std::string text;
  const HelpSection* contents = nullptr;
  for (const HelpSection& s : doc.sections) {
    if (!s.anchor.empty()) {
      EXPECT_TRUE(anchors.insert(std::string(s.anchor)).second) << "twice: " << s.anchor;
    }
    if (s.anchor == "contents") contents = &s;
    for (std::string_view p : s.paragraphs) text += std::string(p) + "\n";
    for (const HelpEntry& e : s.entries) text += e.term + " " + e.note + " " + e.text + "\n";
    for (const std::string& item : s.items) text += item + "\n";
  }
  ASSERT_NE(contents, nullptr);
  for (const HelpLink& l : contents->links) linked.insert(std::string(l.anchor));
  for (const std::string& anchor : anchors) {
    EXPECT_TRUE(anchor == "contents" || linked.count(anchor)) << anchor << " is not in the contents";
  }
  for (const std::string& anchor : linked) EXPECT_TRUE(anchors.count(anchor)) << anchor;
  const std::regex link(R"(\[[^\]]+\]\(#([\w-]+)\))");
  int links = 0;
  for (auto it = std::sregex_iterator(text.begin(), text.end(), link); it != std::sregex_iterator(); ++it, ++links)
    EXPECT_TRUE(anchors.count((*it)[1])) << (*it)[0];
  EXPECT_GT(links, 0);
  for (const char* topic :
       {"reports", "keys", "journal", "batch", "conventions", "srs", "stratified", "cluster", "unequal", "prediction"})
    EXPECT_TRUE(anchors.count(topic)) << topic;
  EXPECT_FALSE(std::regex_search(text, std::regex(R"(\(form \d+\))"))) << "internal form numbers";
}

// The worked figure by hand: sqrt(900 · 100 / (1000 · 99)) = 0.953463.
TEST(Help, AFormsTopicGivesItsDivisorFormulaAndWorkedExample) {
  const Command* c = FindCommand(FindCommandId("Simple > Mean/total of variable > Interval estimates > Simple"));
  ASSERT_TRUE(c && c->forms[0]);
  const FormTopic topic = FormTopicFor(*c->forms[0]);
  std::string text;
  for (const std::string& p : topic.paragraphs) text += p + "\n";
  for (const char* part : {"**Sample std. deviation of variable:** s with divisor n", "(N − n) · s² / (N · (n − 1))",
                           "**Worked example.**", "0.953463", "**Standard deviations.**"})
    EXPECT_NE(text.find(part), std::string::npos) << part;
}

TEST(Help, SearchIgnoresCaseAndReadsAHyphenAsTheMinusSign) {
  const HelpDocument doc = HelpTopics();
  const std::size_t all = doc.sections.size();
  EXPECT_EQ(MatchingSections(doc, "").size(), all);
  EXPECT_TRUE(MatchingSections(doc, "no such words").empty());
  const auto residuals = MatchingSections(doc, "RESIDUALS");
  EXPECT_EQ(residuals, MatchingSections(doc, "residuals"));
  EXPECT_FALSE(residuals.empty());
  EXPECT_LT(residuals.size(), all);
  const auto minus = MatchingSections(doc, "n \u2212 2");
  EXPECT_FALSE(minus.empty());
  EXPECT_EQ(MatchingSections(doc, "N - 2"), minus);
}

}  // namespace
}  // namespace mirto
