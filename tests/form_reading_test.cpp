// Issue 23, items 1, 8, 9, 20 and 21: text in a form, a table cell or a
// script value is read only when it is wholly a number of the field's kind;
// values outside the formulas' domain are pointed out, never refused; a
// `rows` header that names a column twice, or names none, says so.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "data/EntryTable.h"
#include "framework/FormCatalog.h"
#include "framework/Format.h"
#include "support/Files.h"
#include "support/ScriptRun.h"

namespace mirto::test {
namespace {

constexpr NumberKind R = NumberKind::Real, W = NumberKind::Whole;

TEST(FormReading, WhollyANumberOrNothing) {
  struct Case {
    const char* text;
    NumberKind kind;
    bool read;
    double value;
  } cases[] = {
      {"", R, true, 0},
      {"  ", W, true, 0},
      {" 12 ", W, true, 12},
      {"+5", W, true, 5},
      {"-0", W, true, 0},
      {"007", W, true, 7},
      {"2147483647", W, true, 2147483647},
      {"-2147483648", W, true, -2147483648.0},
      {"2147483648", W, false, 2147483647},
      {"99999999999999999999", W, false, 2147483647},
      {"2e1", W, false, 0},
      {"100.7", W, false, 0},
      {"12abc", W, false, 0},
      {"- 5", W, false, 0},
      {"+-1", W, false, 0},
      {"1 2", W, false, 0},
      {"2.5e2", R, true, 250},
      {"\t-.5\n", R, true, -0.5},
      {"5.", R, true, 5},
      {"1E-3", R, true, 0.001},
      {"1e-400", R, true, 0},
      {"1,5", R, false, 0},
      {"50,5", R, false, 0},
      {"12abc", R, false, 0},
      {"abc", R, false, 0},
      {"inf", R, false, 0},
      {"nan", R, false, 0},
      {"0x10", R, false, 0},
      {"1e", R, false, 0},
      {".", R, false, 0},
      {"1e999", R, false, HUGE_VAL},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    const NumberReading r = ReadNumber(c.text, c.kind);
    EXPECT_EQ(r.Read(), c.read);
    EXPECT_EQ(r.value, c.value);
  }
}

// A value an ok line gives: refused with status 2, the line and the field
// named, nothing appended; or taken, with the same block as ever.
TEST(FormReading, OkLinesRefuseWhatIsNotWhollyANumber) {
  struct Case {
    const char* script;
    const char* error;  // empty: taken
  } cases[] = {
      {"command 32928\nok 1000; 2e1; 95%\n", "test:2: error: In \"Sample size, n:\", \"2e1\" is not a whole number"},
      {"command 32928\nok 1000; 20.0; 95%\n", "test:2: error: In \"Sample size, n:\", \"20.0\" is not a whole number"},
      {"command 32853\nok 2; 95%\nok 100.7; 10; 5; 1\n",
       "test:3: error: In \"Number of elements, N_i:\", \"100.7\" is not a whole number"},
      {"command 32804\nok 50,5; 2\n",
       "test:2: error: In \"Population size, N:\", \"50,5\" is not a number: the decimal mark is a point"},
      {"command 32804\nok 1000; 12abc\n",
       "test:2: error: In \"Sample average of variable, barY:\", \"12abc\" is not a number"},
      {"command 32804\nok abc; 2\n", "test:2: error: In \"Population size, N:\", \"abc\" is not a number"},
      {"command 32804\nok inf; 2\n", "test:2: error: In \"Population size, N:\", \"inf\" is not a number"},
      {"command 32804\nok 1e999; 2\n", "test:2: error: In \"Population size, N:\", \"1e999\" is too large a number"},
      {"command 32804\nok  1e3 ; +2.5\n", ""},
      {"command 32804\nok ; 2\n", ""},  // an empty field still reads as 0
      {"command 32928\nok 1000; 2; 95%\nok 1; 0.1\nok 2; 0.2\n", ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.script);
    const ScriptResult r = RunScript(c.script);
    if (*c.error == '\0') {
      EXPECT_EQ(r.status, 0) << r.err;
      continue;
    }
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.appended.empty());
    EXPECT_EQ(r.err.rfind(std::string(c.error) + "; the form \"", 0), 0u) << r.err;
  }
}

// Item 20: a `rows` file and an ok line take and refuse the same values.
TEST(FormReading, RowsAndOkLinesAgree) {
  struct Case {
    const char* Ni;
    bool taken;
  } cases[] = {{"100", true}, {" +100 ", true}, {"100.7", false}, {"1e2", false}, {"100abc", false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.Ni);
    TempDir dir;
    WriteBytes(dir / "r.csv", std::string(c.Ni) + ";10;5;1\n");
    const std::string start = "command 32853\nok 1; 95%\n";
    const ScriptResult typed = RunScript(start + "ok " + c.Ni + "; 10; 5; 1\n");
    const ScriptResult read = RunScript(start + "rows " + std::string(dir / "r.csv") + "\n");
    EXPECT_EQ(typed.status, c.taken ? 0 : 2) << typed.err;
    EXPECT_EQ(read.status, c.taken ? 0 : 2) << read.err;
    EXPECT_EQ(read.appended, typed.appended);
  }
}

// Item 9: advice, one message a field, the block unchanged; none for legal values.
TEST(FormReading, ValuesOutsideTheDomainArePointedOutNotRefused) {
  struct Case {
    const char* name;
    const char* script;
    std::vector<std::string> messages;
  } cases[] = {
      {"n larger than N",
       "command 32826\nok 100; 200; 0.3; 95%\n",
       {"n is larger than N: the finite population correction (N - n) is negative, so the standard deviation shows "
        "as nan."}},
      {"n equal to N", "command 32826\nok 100; 100; 0.3; 95%\n", {}},
      {"P above 1 and a sample of one",
       "command 32826\nok 100; 1; 1.5; 95%\n",
       {"n is 1 or less: the sample variance divides by n - 1, so the standard deviation shows as inf or nan.",
        "P is outside 0 to 1: P(1 - P) is negative, so the standard deviation shows as nan."}},
      {"negative deviation",
       "command 32810\nok 1000; 100; 50; -10; 95%\n",
       {"A standard deviation is not negative: the formula squares it, so the figures are those of its absolute "
        "value."}},
      {"n_i larger than N_i",
       "command 32853\nok 1; 95%\nok 10; 20; 5; 1\n",
       {"n_i is larger than N_i: the group's finite population correction (N_i - n_i) is negative, and so is its "
        "term of the variance (the standard deviation may show as nan)."}},
      {"N zero",
       "command 32804\nok 0; 2\n",
       {"N is 0 or less: no population is that small, and the figures computed from it mean nothing."}},
      {"budget below the fixed cost",
       "command 32857\nok 1; 10; 20\nok 100; 2; 1\n",
       {"c_0 is larger than C: what is left for sampling, C - c_0, is negative, and so are the sample sizes."}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ScriptResult r = RunScript(c.script);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(r.appended.empty());
    EXPECT_EQ(r.messages, c.messages);
  }
  // The figures are what they always were.
  const ScriptResult n = RunScript("command 32826\nok 100; 200; 0.3; 95%\n");
  EXPECT_NE(std::find(n.appended.begin(), n.appended.end(), "Est. std. deviation of sample proportion: nan"),
            n.appended.end());
}

// In a table and in `rows`, advice marks the cell and names where it stands.
TEST(FormReading, RowsAdviceNamesTheFileLineAndColumn) {
  TempDir dir;
  WriteBytes(dir / "r.csv", "10;20;5;1\n10;5;5;1\n");
  const ScriptResult r = RunScript("command 32853\nok 2; 95%\nrows " + std::string(dir / "r.csv") + "\n");
  EXPECT_EQ(r.status, 0) << r.err;
  ASSERT_EQ(r.messages.size(), 1u);
  EXPECT_EQ(r.messages[0].rfind("n_i is larger than N_i:", 0), 0u);
  EXPECT_NE(r.messages[0].find("(" + std::string(dir / "r.csv") + ", line 1, column 2 (\"n_i\"))"), std::string::npos)
      << r.messages[0];

  const FormTemplate& tmpl = *FindFormTemplate(160);
  data::EntryTable table(EntryLoop{.tmpl = &tmpl, .context = {}, .count = 1});
  const std::size_t Ni = 1, ni = 2;  // columns after the group number
  table.SetText(0, Ni, "10");
  table.SetText(0, ni, "20");
  table.SetText(0, 3, "5");
  table.SetText(0, 4, "1");
  EXPECT_EQ(table.MarkAt(0, ni), data::Mark::Advised);
  EXPECT_EQ(table.Blocking(), 0);
  EXPECT_EQ(table.Why(0, ni).rfind("n_i is larger than N_i:", 0), 0u);
  table.SetText(0, ni, "2e1");
  EXPECT_EQ(table.MarkAt(0, ni), data::Mark::Misread);
  EXPECT_EQ(table.Why(0, ni), "\"2e1\" is not a whole number.");
}

// Item 21: a header naming a column twice, or a name that is no column.
TEST(FormReading, RowsHeaderWithADuplicateOrUnknownName) {
  struct Case {
    const char* file;
    std::string error;
  } cases[] = {
      {"N_i;n_i;barY_i;S_i;comment\n600;60;10;3;a\n400;40;20;4;b",
       "line 1, column 5: the header names \"comment\", which is no column of this form "
       "(its columns: i, N_i, n_i, barY_i, S_i)"},
      {"N_i;n_i;n_i;S_i\n600;60;10;3\n400;40;20;4", "line 1, column 3: the header names the column \"n_i\" twice"},
      {"N_i;n_i;barY_i;S_I\n600;60;10;3\n400;40;20;4",
       "line 1, column 4: the header names \"S_I\", which is no column"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    TempDir dir;
    const std::string path = dir / "r.csv";
    WriteBytes(path, std::string(c.file) + "\n");
    const ScriptResult r = RunScript("command 32853\nok 2; 95%\nrows " + path + "\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.appended.empty());
    EXPECT_EQ(r.err.rfind("test:3: error: " + path + ", " + c.error, 0), 0u) << r.err;
  }
}

// A template and its reader cannot disagree unseen: digits-only fields are
// whole-number fields, and every bound names a field of its own form. (The
// debug build's readers assert the field's kind, tests/entry_test.cpp, and
// the registry walk reads every form of every command.)
TEST(FormReading, TemplatesDeclareWhatTheirFieldsAre) {
  for (const FormTemplate* t : AllFormTemplates()) {
    SCOPED_TRACE(t->id);
    for (const Control& c : t->controls) {
      if (c.digitsOnly) {
        EXPECT_EQ(c.number, NumberKind::Whole) << c.label;
      }
      for (const Bound& b : c.bounds) {
        EXPECT_EQ(c.kind, ControlKind::Text);
        EXPECT_FALSE(b.advice.empty());
        EXPECT_FALSE(b.advice.ends_with('.'));
        if (b.field.empty()) continue;
        bool found = false;
        for (const Control& other : t->controls) found = found || (other.label == b.field && &other != &c);
        EXPECT_TRUE(found) << c.label << " names " << b.field;
      }
    }
  }
}

}  // namespace
}  // namespace mirto::test
