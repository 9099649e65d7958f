// The per-group entry loop of the stratified commands: which form each shows,
// what Cancel leaves behind, and a group count that cannot be reserved.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "support/ScriptRun.h"

namespace mirto {
namespace {

// Answers the preliminary form with `groups` (and 95%, and the preset special
// target), every group form with ones, and cancels group `cancelAt`.
class GroupHost : public FormHost {
 public:
  GroupHost(int groups, int cancelAt) : m_groups(std::to_string(groups)), m_cancelAt(cancelAt) {}

  bool ShowForm(Form& form) override {
    const std::vector<std::size_t> inputs = form.Inputs();
    if (m_prelim) {
      m_prelim = false;
      form.SetText(inputs.front(), m_groups);
      for (std::size_t i : inputs)
        if (form.ControlAt(i).kind == ControlKind::List) form.SetSelection(i, 1);
      return true;
    }
    shown.emplace_back(form.Template().id, form.Text(1));
    if (static_cast<int>(shown.size()) == m_cancelAt) return false;
    for (std::size_t i : inputs) form.SetText(i, "1");
    return true;
  }
  void Message(std::string_view text) override { messages.emplace_back(text); }

  std::vector<std::pair<int, std::string>> shown;  // template id, group number
  std::vector<std::string> messages;

 private:
  std::string m_groups;
  int m_cancelAt;
  bool m_prelim = true;
};

struct Command {
  int id;
  int form;
};
constexpr Command kCommands[] = {
    {32852, 157}, {32845, 158}, {32853, 160}, {32846, 161}, {32854, 162}, {32847, 163},
    {32855, 165}, {32848, 166}, {32856, 168}, {32849, 169}, {32857, 171}, {32850, 172},
};

TEST(StratifiedEntry, EachCommandAsksForEveryGroupOnItsOwnForm) {
  for (const Command& c : kCommands) {
    SCOPED_TRACE(c.id);
    GroupHost host(3, 0);
    CTervoDoc doc(host);
    doc.OnNewDocument();
    EXPECT_EQ(doc.OnCommand(c.id), true);
    EXPECT_EQ(doc.m_nLastResult, 1);
    const std::vector<std::pair<int, std::string>> expected{{c.form, "1"}, {c.form, "2"}, {c.form, "3"}};
    EXPECT_EQ(host.shown, expected);
    EXPECT_EQ(doc.m_dPopSize, 3.0);
    EXPECT_TRUE(host.messages.empty());
  }
}

TEST(StratifiedEntry, CancelOnTheThirdOfFiveGroupsLeavesNoTrace) {
  for (const Command& c : kCommands) {
    SCOPED_TRACE(c.id);
    GroupHost host(5, 3);
    CTervoDoc doc(host);
    doc.OnNewDocument();
    doc.m_dPopSize = 1234;
    doc.m_nLastResult = 1;
    const std::vector<std::string> before = doc.GetJournal().Lines();
    doc.OnCommand(c.id);
    EXPECT_EQ(host.shown.size(), 3u);
    EXPECT_EQ(doc.GetJournal().Lines(), before);
    EXPECT_EQ(doc.m_dPopSize, 1234.0);
    EXPECT_EQ(doc.m_nLastResult, 0);
    EXPECT_FALSE(doc.IsModified());
    EXPECT_TRUE(host.messages.empty());
  }
}

TEST(StratifiedEntry, FiguresAreTakenWithoutChecks) {
  // An empty field reads as 0 (text that is not wholly a number, and a
  // fraction or an exponent in a digits-only field, are refused: rows_test).
  auto r = test::RunScript(
      "command Stratified > Mean/total of variable > Point estimates\n"
      "ok 2\nok 1000; 12\nok 250;\n");
  ASSERT_EQ(r.appended.size(), 11u);
  EXPECT_EQ(r.appended[6], "         1       1000     0.8000  12.000000");
  EXPECT_EQ(r.appended[7], "         2        250     0.2000   0.000000");
  EXPECT_EQ(r.appended[8], "Population size, N= 1250");
}

// Under a 4 GiB address-space limit, 2147483647 groups cannot be reserved.
[[noreturn]] void RunBeyondMemory() {
  const rlim_t limit = rlim_t{4} << 30;
  const rlimit space{limit, limit};
  setrlimit(RLIMIT_AS, &space);
  test::Session s;
  s.doc.m_dPopSize = 5;
  auto r = s.Run(
      "command Stratified > Mean/total of variable > Interval estimates\n"
      "ok 2147483647; 95%\n");
  const bool clean = r.status == 0 && r.appended.empty() &&
                     r.messages == std::vector<std::string>{"Memory allocation failure."} && s.doc.m_dPopSize == 5 &&
                     s.doc.m_nLastResult == 0;
  std::_Exit(clean ? 0 : 1);
}

// A group count the machine cannot hold ends the command cleanly.
TEST(StratifiedEntry, GroupCountBeyondMemoryIsRefused) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "the sanitizer's shadow memory needs more address space than the limit leaves";
#endif
  EXPECT_EXIT(RunBeyondMemory(), ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace mirto
