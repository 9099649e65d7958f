// Delimited files, the table of an entry loop's rows, and `rows` in scripts.
#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>

#include "data/Delimited.h"
#include "data/EntryTable.h"
#include "data/FieldNames.h"
#include "framework/FormCatalog.h"
#include "framework/Format.h"
#include "support/Files.h"
#include "support/ScriptRun.h"

namespace mirto::test {
namespace {

using namespace std::string_literals;
using data::DelimitedRead;
using data::EntryTable;
using data::Mark;

// Rows as "a|b;c|d", each row with "@line".
std::string Shown(const DelimitedRead& r) {
  if (r.problem) return data::Describe(*r.problem, "f");
  std::string out;
  for (std::size_t row = 0; row < r.table.Rows(); ++row) {
    for (std::size_t c = 0; c < r.table.Columns(); ++c)
      out += std::string(c ? "|" : "") + std::string(r.table.Cell(row, c));
    out += "@" + std::to_string(r.table.Line(row)) + ";";
  }
  return out;
}

TEST(Delimited, ReadsRowsAndTellsTheFirstProblem) {
  struct Case {
    const char* name;
    std::string text;
    std::string expected;
    long long maxRows = -1;
  } cases[] = {
      {"tabs", "1\t2\n3\t4\n", "1|2@1;3|4@2;"},
      {"semicolons before commas", "1,5;2\n", "1,5|2@1;"},
      {"commas", "1, 2\n", "1|2@1;"},
      {"one column", "7\n8", "7@1;8@2;"},
      {"quoted separator, newline and quote", "\"1,5\",2\n\"a\nb\",\"c\"\"d\"\n5,6\n", "1,5|2@1;a\nb|c\"d@2;5|6@4;"},
      {"mark, CRLF, blank and comment lines", "\xEF\xBB\xBF# c\r\n\r\n  \r\n1,2\r\n3,4", "1|2@4;3|4@5;"},
      {"lone CR", "1,2\r3,4\r", "1|2@1;3|4@2;"},
      {"ragged", "1,2\n\n3\n", "f, line 3, column 2: 1 field, where line 1 has 2"},
      {"quote not closed", "1,2\n\"3,4\n5,6\n", "f, line 2, column 1: a quoted field is not closed"},
      {"stray quote", "1,a\"b\n",
       "f, line 1, column 2: a quote inside a field that is not quoted, or text after a closing quote"},
      {"binary", "1,2\n3,\0x\n"s, "f, line 2, column 2: a NUL byte: this is not a text file"},
      {"line too long", std::string(2 << 20, '1'), "f, line 1: longer than 1048576 bytes"},
      {"more rows than asked", "1\n2\n# c\n3\n", "1@1;2@2;", 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(Shown(data::ReadDelimitedText(c.text, {.maxRows = c.maxRows})), c.expected);
  }
  EXPECT_EQ(data::ReadDelimitedText("1\n2\n# c\n3\n", {.maxRows = 2}).moreLine, 4);
  EXPECT_EQ(data::ReadDelimitedText("1;2\n", {.separator = ','}).table.Columns(), 1u);
}

// Ten million lines are not read when the loop has room for five.
TEST(Delimited, StopsEarlyInAHugeSource) {
  std::size_t given = 0;
  const std::size_t total = 20'000'000;  // "1\n" ten million times
  DelimitedRead r = data::ReadDelimited(
      [&](char* buffer, std::size_t size) {
        const std::size_t n = std::min(size, total - given);
        for (std::size_t i = 0; i < n; ++i) buffer[i] = (given + i) % 2 ? '\n' : '1';
        given += n;
        return static_cast<long>(n);
      },
      {.maxRows = 5});
  EXPECT_TRUE(r.more);
  EXPECT_EQ(r.moreLine, 6);
  EXPECT_LT(given, 1u << 20);
}

TEST(EntryTable, CellsThatAreNotWhollyANumber) {
  constexpr NumberKind R = NumberKind::Real, W = NumberKind::Whole;
  struct Case {
    const char* text;
    NumberKind kind;
    const char* why;  // empty: reads as shown
  } cases[] = {
      {"2.5e2", R, ""},
      {" -0.5 ", R, ""},
      {"12", W, ""},
      {"+7", W, ""},
      {"1,5", R, "\"1,5\" is not a number: the decimal mark is a point."},
      {"12abc", R, "\"12abc\" is not a number."},
      {"3.7", W, "\"3.7\" is not a whole number."},
      {"100.7", W, "\"100.7\" is not a whole number."},
      {"2e1", W, "\"2e1\" is not a whole number."},
      {"", R, "Empty: it would read as 0."},
      {"1e400", R, "\"1e400\" is too large a number."},
      {"99999999999", W, "\"99999999999\" is beyond the whole numbers a field takes (-2147483648 to 2147483647)."},
      {"nan", R, "\"nan\" is not a number."},
      {"1\n2", R, "\"1\\x0A2\" holds a line break, which no field can."},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    EXPECT_EQ(data::Misreading(c.text, c.kind).value_or(""), c.why);
  }
}

TEST(EntryTable, PairsInTheLoopsOrder) {
  long long k = 0;
  for (long long i = 1; i < 6; ++i)
    for (long long j = i + 1; j <= 6; ++j) EXPECT_EQ(data::PairAt(++k, 6), std::make_pair(i, j));
}

// A row check of the kind the without-replacement loops have: p must be
// greater than 0, and a p above 1 is taken with a warning.
RowVerdict CheckP(const Form& form) {
  const double p = ReadReal(form.Text(2));
  if (!(p > 0)) return {RowCheck::Refuse, 2, "p_i must be greater than 0"};
  if (p > 1) return {RowCheck::Warn, 2, "p_i above 1"};
  return {};
}
const FormTemplate kElementForm{
    9001,
    "Elements",
    {RowNumber("Element no.:", 5), Field("Y-value of element:", 10), Field("Inclusion probability:", 10)},
    nullptr,
    CheckP};
const FormTemplate kPairForm{9002, "Pairs", {RowNumber("Pair of", 5), RowNumber("and", 5), Field("", 10)}};

TEST(EntryTable, PastedRowsAreCheckedByTheLoopsRowCheck) {
  EntryTable t(EntryLoop{.tmpl = &kElementForm, .count = 3});
  ASSERT_EQ(t.Columns().size(), 3u);
  EXPECT_EQ(t.Columns()[2].name, "p_i");
  EXPECT_EQ(t.Blocking(), 6);  // every cell empty
  EXPECT_FALSE(t.Paste(0, 1, "10\t0.5\n20\t0\r\n30\t1,5\n"));
  EXPECT_EQ(t.Text(1, 0), "2");
  EXPECT_EQ(t.MarkAt(1, 2), Mark::Refused);
  EXPECT_EQ(t.Why(1, 2), "Illegal entry: p_i must be greater than 0.");
  EXPECT_EQ(t.MarkAt(2, 2), Mark::Misread);
  EXPECT_EQ(t.Blocking(), 2);
  t.SetText(1, 2, "2");
  EXPECT_EQ(t.MarkAt(1, 2), Mark::Warned);  // fed, with "Illegal entry" from the loop
  t.SetText(2, 2, "0.25");
  EXPECT_EQ(t.Blocking(), 0);
  Form form = t.RowForm(2);
  EXPECT_EQ(form.Text(0), "3");
  EXPECT_EQ(form.Text(1), "30");

  // All or nothing: a block that does not fit, or names other rows, changes nothing.
  EXPECT_EQ(data::Describe(*t.Paste(2, 1, "1;2\n3;4\n"), "p"),
            "p, line 2: the block has 2 rows; from row 3 the table has room for 1");
  EXPECT_EQ(data::Describe(*t.Paste(0, 1, "1;2;3\n"), "p"),
            "p, line 1, column 3: the block has 3 columns; from here the table has room for 2");
  EXPECT_EQ(data::Describe(*t.Paste(0, 0, "1;5;0.5\n3;6;0.5\n"), "p"),
            "p, line 2, column 1: \"3\" where the form's number is 2");
  EXPECT_EQ(t.Text(0, 1), "10");
  EXPECT_FALSE(t.Paste(0, 0, "1,11,0.1\n"));
  EXPECT_EQ(t.Text(0, 1), "11");
}

TEST(EntryTable, AMatrixOfJointProbabilities) {
  const double p[] = {0, 0.5, 0.25, 0.75};
  EntryTable t(EntryLoop{.tmpl = &kPairForm, .count = 3, .elements = 3, .probabilities = p});
  EXPECT_EQ(t.Columns()[2].name, "p_ij");
  EXPECT_FALSE(t.Paste(0, 2, "0.5;0.1;0.2\n9;;0.3\n9;9;\n"));  // the lower triangle is not read
  EXPECT_EQ(t.Text(0, 2), "0.1");
  EXPECT_EQ(t.Text(1, 2), "0.2");
  EXPECT_EQ(t.Text(2, 0) + t.Text(2, 1) + "=" + t.Text(2, 2), "23=0.3");
  EXPECT_EQ(data::Describe(*t.Paste(0, 2, ";0.1;0.2\n;0.3;0.3\n;;\n"), "p"),
            "p, line 2, column 2: the diagonal holds \"0.3\", element 2's inclusion probability is 0.25");
  EXPECT_EQ(t.Text(2, 2), "0.3");
}

TEST(EntryTable, AHeaderMapsByNameInAnyOrder) {
  EntryTable t(EntryLoop{.tmpl = &kElementForm, .count = 2});
  DelimitedRead file = data::ReadDelimitedText("p_i;y-value of ELEMENT\n0.5;10\n0.25;20\n");
  const data::ImportPlan plan = t.Suggest(file.table);
  EXPECT_TRUE(plan.header);
  EXPECT_EQ(plan.source, (std::vector<int>{-1, 1, 0}));
  EXPECT_FALSE(t.Import(file.table, plan));
  EXPECT_EQ(t.Text(1, 1) + ";" + t.Text(1, 2), "20;0.25");
  EXPECT_FALSE(t.Suggest(data::ReadDelimitedText("1;10;0.5\n").table).header);
  EXPECT_EQ(t.Suggest(data::ReadDelimitedText("1;10;0.5\n").table).source, (std::vector<int>{0, 1, 2}));
}

// docs/batch.md lists the short names of every entry-loop form, as the reader knows them.
TEST(Rows, TheDocumentedShortNamesAreTheReadersOwn) {
  std::ifstream in(MIRTO_DOCS_DIR "/batch.md");
  std::stringstream docs;
  docs << in.rdbuf();
  for (const FormTemplate* t : AllFormTemplates()) {
    const auto& controls = t->controls;
    if (std::none_of(controls.begin(), controls.end(), [](const Control& c) { return c.readOnly; })) continue;
    if (!data::Tabular(*t)) continue;  // rows does not answer it
    std::string names;
    for (std::size_t i = 0; i < controls.size(); ++i) {
      if (controls[i].kind != ControlKind::Text) continue;
      const std::string_view name = data::ShortName(*t, i);
      EXPECT_FALSE(name.empty()) << t->id << " " << controls[i].label;
      names += (names.empty() ? "`" : " `") + std::string(name) + "`";
    }
    const std::string row = "| " + std::to_string(t->id) + " | " + std::string(t->title) + " | " + names + " |";
    EXPECT_NE(docs.str().find(row), std::string::npos) << row;
  }
}

// `rows` against the same figures typed as `ok` lines.
struct RowsFile {
  TempDir dir;
  std::string Write(const std::string& bytes) {
    WriteBytes(dir / "d.csv", bytes);
    return dir / "d.csv";
  }
};

TEST(Rows, AnswersTheFormsAsOkLinesWould) {
  struct Case {
    const char* name;
    const char* command;  // with its preliminary answers
    const char* file;
    const char* typed;  // the same rows as ok lines
  } cases[] = {
      {"labels as header, semicolons", "command 32853\nok 2; 95%\n",
       "Number of elements, N_i:;Number of sampled elements, n_i;Sample mean of variable, barY_i:;S_i\n600;60;10;3\n"
       "400;40;20;4\n",
       "ok 600; 60; 10; 3\nok 400; 40; 20; 4\n"},
      {"tabs with the group numbers", "command 32853\nok 2; 95%\n", "1\t600\t60\t10\t3\n2\t400\t40\t20\t4\n",
       "ok 600; 60; 10; 3\nok 400; 40; 20; 4\n"},
      {"cluster sampling takes no n_i", "command Cluster > Mean/total of variable > Point estimates\nok 100; 10; 2\n",
       "\"10\",\"5\"\r\n20,8\r\n", "ok 10; 5\nok 20; 8\n"},
      {"the real pair loop", "command 32935\nok 3\nok 10; 0.5\nok 20; 0.25\nok 30; 0.5\n",
       "i,j,p_ij\n1,2,0.1\n1,3,0.2\n2,3,0.05\n", "ok 0.1\nok 0.2\nok 0.05\n"},
      {"prediction elements, Model C warned", "command Prediction\nok Model C; Point estimate\nok 5; 2; 10\n",
       "X_i;Y_i\n-1;2\n2;4\n", "ok -1; 2\nok 2; 4\n"},
      {"Model E variables", "command Prediction\nok Model E; Point estimate\nok 40; 2; 2\n",
       "0.5\t10\t12\n-1.25\t3\t1\n", "ok 0.5; 10; 12\nok -1.25; 3; 1\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RowsFile f;
    const std::string path = f.Write(c.file);
    const ScriptResult typed = RunScript(std::string(c.command) + c.typed);
    const ScriptResult read = RunScript(std::string(c.command) + "rows " + path + "\n");
    EXPECT_EQ(read.status, 0) << read.err;
    ASSERT_GT(typed.appended.size(), 8u);
    EXPECT_EQ(read.appended, typed.appended);
  }
}

TEST(Rows, FewerLinesLeaveTheRestToTheNextStatements) {
  RowsFile f;
  const std::string path = f.Write("# first group\n600;60;10;3\n");
  const ScriptResult a = RunScript("command 32853\nok 2; 95%\nrows " + path + " sep=;\nok 400; 40; 20; 4\n");
  const ScriptResult b = RunScript("command 32853\nok 2; 95%\nok 600; 60; 10; 3\nok 400; 40; 20; 4\n");
  EXPECT_EQ(a.status, 0) << a.err;
  EXPECT_EQ(a.appended, b.appended);
}

TEST(Rows, BadFilesAppendNothingAndNameFileLineAndColumn) {
  struct Case {
    const char* name;
    const char* file;  // null: no file
    const char* script;
    int status;
    const char* error;  // after "test:N: error: "
  } cases[] = {
      {"more lines than forms", "600;60;10;3\n400;40;20;4\n1;1;1;1\n", "ok 2; 95%\nrows D\n", 2,
       "test:3: error: D, line 3: more lines than forms: the loop has 2 forms left"},
      {"a comma decimal", "600;60;10;3\n400;40;2,5;4\n", "ok 2; 95%\nrows D\n", 2,
       "test:3: error: D, line 2, column 3 (\"barY_i\"): \"2,5\" is not a number: the decimal mark is a point."},
      {"ragged", "600;60;10;3\n400;40;20\n", "ok 2; 95%\nrows D\n", 2,
       "test:3: error: D, line 2, column 4: 3 fields, where line 1 has 4"},
      {"too few fields", "600;60;10\n", "ok 2; 95%\nrows D\n", 2,
       "test:3: error: D, line 1: 3 fields, where the form takes 4 (5 with the row's number)"},
      {"too long", "600;60;1234567890123456;3\n", "ok 2; 95%\nrows D\n", 2,
       "test:3: error: D, line 1, column 3 (\"barY_i\"): Please enter no more than 15 characters."},
      {"no such file", nullptr, "ok 2; 95%\nrows D\n", 1, "test:3: error: D: cannot read it: No such file"},
      {"not an entry loop", "1\n", "rows D\n", 2, "test:2: error: rows cannot answer this form"},
      {"bad separator", "1\n", "ok 2; 95%\nrows D sep=|\n", 2, "test:3: error: sep= takes tab"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    RowsFile f;
    const std::string path = c.file ? f.Write(c.file) : f.dir / "none.csv";
    std::string script = "command 32853\n" + std::string(c.script);
    script.replace(script.find(" D"), 2, " " + path);
    std::string error = c.error;
    if (error.find(" D") != std::string::npos) error.replace(error.find(" D"), 2, " " + path);
    const ScriptResult r = RunScript(script);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.err.rfind(error, 0), 0u) << r.err;
    EXPECT_TRUE(r.appended.empty());
  }
}

// The without-replacement loops' own row checks, with their reasons.
TEST(Rows, TheLoopsRowCheckSaysWhy) {
  struct Case {
    const char* command;
    const char* file;
    const char* message;  // after "Illegal entry (FILE, "
  } cases[] = {
      {"command Un.Prob.WithoutRepl. > Mean/total of variable > Th. std. dev. of estimator\nok 3\n",
       "Y_i;p_i\n10;0.5\n20;1.5\n30;0.5\n",
       "line 3, column 2 (\"p_i\"): an inclusion probability lies between 0 and 1)"},
      {"command Un.Prob.WithoutRepl. > Mean/total of variable > Interval estimates\nok 100; 2; 95%\n",
       "10\t0.5\n20\t0\n", "line 2, column 2 (\"p_i\"): an inclusion probability must be greater than 0)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    RowsFile f;
    const std::string path = f.Write(c.file);
    const ScriptResult r = RunScript(std::string(c.command) + "rows " + path + "\n");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.messages, std::vector<std::string>{"Illegal entry (" + path + ", " + c.message});
    EXPECT_TRUE(r.appended.empty());
  }
}

// A pair loop takes its (i, j, p_ij) lines in the loop's order; the numbers are checked.
TEST(Rows, PairsFromAFile) {
  struct Case {
    const char* file;
    bool entered;
    const char* err;  // start of what the run writes to standard error
  } cases[] = {
      {"i,j,p_ij\n1,2,0.1\n1,3,0.2\n2,3,0.3\n", true, ""},
      {"0.1\n0.2\n0.3\n", true, ""},
      {"1;2;0.1\n2;3;0.2\n", false, "test:1: error: @, line 2, column 1: \"2\" where the form's number is 1"},
      {"0.1\n0.2\n0\n", false, "message: Illegal entry (@, line 3)"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    RowsFile f;
    const std::string path = f.Write(c.file);
    std::istringstream in("rows " + path + "\n");
    std::ostringstream err;
    ScriptSource source(in, "test");
    BatchHost host(source, err);
    std::vector<double> joint(4);
    const double p[] = {0, 0.5, 0.25, 0.75};
    const bool entered =
        RunPairLoop(host, kPairForm, {}, 3, p, [&](const Form& form, long long k, long long, long long) {
          joint[static_cast<std::size_t>(k)] = ReadReal(form.Text(2));
          return joint[static_cast<std::size_t>(k)] > 0;
        });
    EXPECT_EQ(entered, c.entered);
    std::string expected = c.err;
    if (expected.find('@') != std::string::npos) expected.replace(expected.find('@'), 1, path);
    EXPECT_EQ(err.str().rfind(expected, 0), 0u) << err.str();
    if (c.entered) {
      EXPECT_EQ(joint, (std::vector<double>{0, 0.1, 0.2, 0.3}));
    }
  }
}

// The loop refuses p_i = 0 with its usual message, which names where the row came from.
TEST(Rows, ARefusedValueNamesItsLine) {
  RowsFile f;
  const std::string path = f.Write("Y_i,q_i\n1,0.5\n3,0\n");
  const ScriptResult r = RunScript(
      "command Un.Prob.WithRepl. > Mean/total of variable > Interval estimates\nok 4; 2; 95%\nrows " + path + "\n");
  EXPECT_EQ(r.status, 0) << r.err;
  ASSERT_EQ(r.messages.size(), 1u);
  EXPECT_EQ(r.messages[0].rfind("Illegal entry (" + path + ", line 3", 0), 0u) << r.messages[0];
  EXPECT_TRUE(r.appended.empty());
}

}  // namespace
}  // namespace mirto::test
