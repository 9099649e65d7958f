// The batch front end: answers to forms, and errors that name the line.
#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "framework/Registry.h"
#include "support/ScriptRun.h"

namespace mirto::test {
namespace {

TEST(Batch, ScriptErrorsGiveLineAndStatusTwo) {
  struct Case {
    const char* name;
    const char* script;
    const char* error;  // expected start of the error line
  } cases[] = {
      {"wrong number of values", "command 32804\nok 1; 2; 3\n",
       "test:2: error: 3 values given, the form takes 2; the form \"Simple random sampling\" takes: "
       "\"Population size, N:\"; \"Sample average of variable, barY:\""},
      {"unknown list item", "\n# comment\ncommand 32810\nok 1; 2; 3; 4; 97%\n",
       "test:4: error: \"97%\" is not an item"},
      {"unknown button", "command 32818\nok 1; 2; Median; 1; 95%\n", "test:2: error: \"Median\" is not an item"},
      {"script ends in a form", "command 32804\n", "test:1: error: the script ends while a form is open"},
      {"command while a form is open", "command 32804\ncommand 32810\n", "test:2: error: \"command\" while a form"},
      {"ok with no form", "ok 1\n", "test:1: error: ok with no form open"},
      {"unknown statement", "calculate\n", "test:1: error: unknown statement \"calculate\""},
      {"unknown command id", "command 12345\n", "test:1: error: no command \"12345\""},
      {"unknown menu path", "command Simple > Median\n", "test:1: error: no command \"Simple > Median\""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto r = RunScript(c.script);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.rfind(c.error, 0), 0u) << r.err;
    EXPECT_TRUE(r.appended.empty());
  }
}

TEST(Batch, ErrorEndsTheRunAndKeepsEarlierWork) {
  Session s;
  auto r = s.Run("command 32804\nok 10; 1\ncommand 32804\nok 1; 2; 3\ncommand 32804\nok 10; 1\n");
  EXPECT_EQ(r.status, 2);
  EXPECT_EQ(r.appended.size(), 8u);  // one block: the first
}

TEST(Batch, OverlongTextIsRefusedAndTheFormStaysOpen) {
  auto r = RunScript("command 32804\nok 1234567890123456; 1\nok 10; 1\n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.messages, std::vector<std::string>{"Please enter no more than 15 characters."});
  ASSERT_EQ(r.appended.size(), 8u);
  EXPECT_EQ(r.appended[5], "Population size, N= 10");
}

TEST(Batch, FieldsWithoutLimitTakeLongText) {
  auto r = RunScript("command 32822\nok 100000000000000000000; 0.5\n");
  EXPECT_EQ(r.appended[5], "Population size, N= 100000000000000000000");
}

TEST(Batch, BlanksAndCaseInValues) {
  auto r = RunScript(
      "   command   simple > MEAN/TOTAL OF VARIABLE > sample size > simple  \n"
      "ok  1000 ;10;  total ; 1000 ; 95%  \n");
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.appended[1], "Target: Total of variable");
}

TEST(Batch, NewReplacesTheJournal) {
  Session s;
  s.Run("command 32804\nok 10; 1\nnew\n");
  EXPECT_EQ(s.doc.GetJournal().Lines(), Lines("Program Mirto, journal of calculations.\n"
                                              "To start program, click on `Select approach:'."));
}

TEST(Batch, FileErrorsGiveStatusOneAndTheJournalIsStillWritten) {
  std::ostringstream out, err;
  const std::string script = testing::TempDir() + "/mirto-open-missing.mirto";
  { std::ofstream(script) << "command 32804\nok 10; 1\nopen /nonexistent/journal\ncommand 32804\nok 1; 1\n"; }
  const char* argv[] = {script.c_str()};
  EXPECT_EQ(BatchMain(1, argv, out, err), 1);
  EXPECT_NE(err.str().find(":3: error: Cannot open /nonexistent/journal"), std::string::npos);
  EXPECT_EQ(Lines(out.str()).size(), 10u);  // headings and the first block
  std::remove(script.c_str());
  std::ostringstream out2, err2;
  const char* missing[] = {"/nonexistent/script"};
  EXPECT_EQ(BatchMain(1, missing, out2, err2), 1);
}

TEST(Batch, ListCommandsNamesEveryLeaf) {
  std::ostringstream out, err;
  const char* argv[] = {"mirto", "--list-commands"};
  EXPECT_EQ(RunCommandLine(2, argv, out, err), 0);
  const auto lines = Lines(out.str());
  EXPECT_EQ(lines.size(), Commands().size() + 2);  // and 32773, 32774
  EXPECT_EQ(lines.front(), "32804\tSimple > Mean/total of variable > Point estimates > Simple");
  const char* desktop[] = {"mirto", "journal.txt"};
  EXPECT_EQ(RunCommandLine(2, desktop, out, err), -1);
}

}  // namespace
}  // namespace mirto::test
