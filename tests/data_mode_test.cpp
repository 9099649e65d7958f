// Data mode: bad data stop the run with a message that names the file, the
// variable and the row, and append nothing.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>

#include "data/DataHost.h"
#include "framework/FormCatalog.h"
#include "framework/Format.h"
#include "framework/Registry.h"
#include "support/ScriptRun.h"

namespace mirto::test {
namespace {

struct DataDir {
  DataDir() : path(std::filesystem::temp_directory_path() / ("mirto-data-" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(path);
  }
  ~DataDir() { std::filesystem::remove_all(path); }
  std::string Write(const std::string& name, const std::string& text) const {
    std::ofstream(path / name, std::ios::binary) << text;
    return (path / name).string();
  }
  std::filesystem::path path;
};

TEST(DataMode, BadDataStopTheRunAndAppendNothing) {
  DataDir dir;
  const std::string units = dir.Write("u.csv", "s,y,p,z\nA,1,0.5,1\nB,2,0.5,0\nA,3,1.5,2\nB,abc,0.5,1\nB,4,0.2,1\n");
  const std::string sizes = dir.Write("sizes.csv", "A,10\nC,20\n");
  const std::string ab = dir.Write("ab.csv", "A;10\nB;20\nC;30\n");
  const std::string single = dir.Write("single.csv", "s,y\nA,1\nA,2\nB,3\n");
  const std::string broken = dir.Write("broken.csv", "s,y\nA,\"1\nB,2\n");
  const std::string sav = dir.Write("cut.sav", "$FL2@(#) IBM SPSS STATISTICS");
  const std::string head = "data " + units + "\n";
  const std::string odd =
      "data " + dir.Write("odd.csv", "y,c,z,w,h\n1,5,0,1,1e200\n2,5,0,0,-1e200\n4,5,0,2,3\n") + "\n";
  const std::string two = dir.Write("two.csv", "y,x\n1,1\n2,3\n");
  const std::string sized = dir.Write("sized.csv",
                                      "g,y,half,three\n1,1,100.5,3\n1,2,100.5,3\n1,3,100.5,3\n1,4,100.5,3\n"
                                      "2,5,100.5,9\n2,6,100.5,9\n");
  const std::string halves = dir.Write("halves.csv", "stratum;N\nA;400.5\nB;20\n");
  const std::string twice = dir.Write("twice.csv", "1;400\n2;300\n1.0;999\n");
  const std::string small = dir.Write("small.csv", "1;3\n2;300\n");
  const std::string pps = dir.Write("pps.csv", "y,p\n10,0.5\n20,0.4\n30,0.3\n");
  const std::string above = dir.Write("above.csv", "1,2,0.2\n1,3,0.1\n2,3,0.35\n");
  const std::string beyond = dir.Write("beyond.csv", "1,2,0.2\n1,3,0.1\n2,3,0.1\n7,99,0.1\n");
  const std::string cased = dir.Write("cased.csv", "Income,income\n1,2\n");
  const std::string badHeader = dir.Write("header.csv", "a,b\"c\n1,2\n");
  const std::string raw = dir.Write("raw.csv", "y\n\"\x1B[31m\r\xFF\"\n");
  struct Case {
    const char* name;
    std::string script;
    std::string error;  // expected in the error line
  } cases[] = {
      {"variable not found", head + "use y=income\n", "u.csv, variable \"income\": no such variable in the file"},
      {"not numeric", head + "use y=y\ncommand 32804\nok 100\n",
       "u.csv, row 4, variable \"y\": \"abc\" is not a number; role y needs numbers"},
      {"not 0/1", head + "use y=z\ncommand 32822\nok 100\n", "u.csv, row 3, variable \"z\": a proportion needs a 0/1"},
      {"stratum not in the population file", head + "population " + sizes + "\nuse y=p stratum=s\ncommand 32852\n",
       "u.csv, row 2, variable \"s\": \"B\" is not in the population file"},
      {"population stratum not in the data", head + "population " + ab + "\nuse y=p stratum=s\ncommand 32852\n",
       "ab.csv, line 3: \"C\" has no units in"},
      {"group of one unit", "data " + single + "\npopulation " + ab + "\nuse y=y stratum=s\ncommand 32853\nok 95%\n",
       "single.csv, row 3, variable \"s\": \"B\" has 1 unit, where its deviation needs at least 2"},
      {"probability above 1", head + "use y=z prob=p\ncommand 32896\nok 100\n",
       "u.csv, row 3, variable \"p\": the probability 1.5 is not in (0, 1]"},
      {"a prediction road without data figures", head + "use y=z x=p\ncommand Prediction\nok Model E; Point estimate\n",
       "this road of the command does not take its figures from data"},
      {"corrupt .sav", "data " + sav + "\n", "cut.sav"},
      {"corrupt file", "data " + broken + "\nuse y=y\ncommand 32804\nok 100\n", "broken.csv"},
      {"unknown role", head + "use weight=y\n", "\"weight=y\" is not ROLE=VARIABLE"},
      {"population file dropped", head + "population " + ab + "\npopulation\nuse y=p stratum=s\ncommand 32852\n",
       "the group sizes N_i come from a population file or a size variable"},
      {"stratum not chosen", head + "use y=p\ncommand 32852\n",
       "u.csv: this calculation needs a variable for stratum (use stratum=VARIABLE)"},
      {"no stratum sizes", head + "use y=p stratum=s\ncommand 32852\n",
       "the group sizes N_i come from a population file or a size variable (population PATH, or use size=VARIABLE)"},
      // Undefined figures, and those beyond a double: refused, not entered as 0, inf or nan.
      {"regression with a constant x",
       odd + "use y=y x=c\ncommand Simple > Mean/total of variable > Point estimates > Regression\nok 100; 5\n",
       "odd.csv, variable \"c\": every unit used has the same value, so the slope is undefined"},
      {"ratio with barX = 0",
       odd + "use y=y x=z\ncommand Simple > Mean/total of variable > Interval estimates > Ratio\nok 100; 5; 95%\n",
       "odd.csv, variable \"z\": its average is 0, and the ratio divides by it"},
      {"ratio of two variables with barY2 = 0",
       odd + "use y1=y y2=z\ncommand Simple > Ratio of means/totals > Point estimates\n",
       "odd.csv, variable \"z\": its average is 0"},
      {"a variance beyond a double",
       odd + "use y1=h y2=y\ncommand Simple > Ratio of means/totals > Interval estimates\nok 100; 95%\n",
       "odd.csv, variable \"h\": the variance is beyond the largest number a figure can hold"},
      {"Model D with a constant x", odd + "use y=y x=c\ncommand Prediction\nok Model D; Point estimate\n",
       "odd.csv, variable \"c\": every unit used has the same x: the slope of Model D is undefined"},
      {"Model C with an x of 0", odd + "use y=y x=z\ncommand Prediction\nok Model C; Point estimate\n",
       "odd.csv, row 1, variable \"z\": x is 0, and Model C needs every x above 0"},
      {"Model B's interval with an x of 0", odd + "use y=c x=w\ncommand Prediction\nok Model B; Confidence interval\n",
       "odd.csv, row 2, variable \"w\": x is 0, and the error variance of Model B divides by it"},
      {"Model A with every x 0", odd + "use y=y x=z\ncommand Prediction\nok Model A; Point estimate\n",
       "odd.csv, variable \"z\": every x is 0: the slope of Model A is undefined"},
      {"Model D's interval from two units",
       "data " + two + "\nuse y=y x=x\ncommand Prediction\nok Model D; Confidence interval\n",
       "2 units with every variable present; the interval needs at least 3"},
      // Sizes: whole, once per group, never below the units of the group.
      {"a size variable not whole",
       "data " + sized +
           "\nuse y=y group=g size=half\ncommand Two-stage > Mean/total of variable > Point estimates\nok 100; 10\n",
       "sized.csv, row 1, variable \"half\": the group size 100.5 is not a whole number above 0"},
      {"a population size not whole", head + "population " + halves + "\n",
       "halves.csv, line 2: the size \"400.5\" is not a whole number above 0"},
      {"one stratum on two lines", head + "population " + twice + "\n",
       "twice.csv, line 3: \"1.0\" is the group \"1\" of line 1 again"},
      {"more units than the population size",
       "data " + sized + "\npopulation " + small + "\nuse y=y stratum=g\ncommand 32853\nok 95%\n",
       "small.csv, line 1: \"1\" has 4 units with every variable present in " + sized +
           " (variable \"g\"), more than its size 3"},
      {"more units than the size variable",
       "data " + sized +
           "\nuse y=y group=g size=three\ncommand Two-stage > Mean/total of variable > Interval estimates\nok 100; 10; "
           "95%\n",
       "sized.csv, row 1, variable \"three\": \"1\" has 4 units with every variable present, more than its size 3"},
      // Pairs: none above either unit's own probability, none of rows the data do not hold.
      {"a joint probability above p_i",
       "data " + pps + "\npairs " + above + "\nuse y=y prob=p\ncommand 32954\nok 100; 95%\n",
       "above.csv, line 3: the joint probability 0.35 of rows 2 and 3 is above the inclusion probability 0.3 of row 3"},
      {"a pair of a row not in the data",
       "data " + pps + "\npairs " + beyond + "\nuse y=y prob=p\ncommand 32954\nok 100; 95%\n",
       "beyond.csv, line 4: row 99 is not a data row of " + pps + ", which has 3"},
      // Names: an ambiguous one, a quote not closed; the header as the header.
      {"a name ambiguous by case", "data " + cased + "\nuse y=INCOME\n",
       "cased.csv, variable \"INCOME\": the name is ambiguous: \"Income\" and \"income\" differ only in case"},
      {"a quote not closed", "data " + cased + "\nuse y=\"Income\n", "\"Income: the quote is not closed"},
      {"a header problem", "data " + badHeader + "\n", "header.csv, the header (line 1): field 2: a quote inside"},
      // Text of the file quoted escaped: no control byte or stray byte reaches a terminal.
      {"a value with control bytes", "data " + raw + "\nuse y=y\ncommand 32804\nok 100\n",
       "raw.csv, row 1, variable \"y\": \"\\x1B[31m\\x0D\\xFF\" is not a number"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ScriptResult r = RunScript(c.script);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find(c.error), std::string::npos) << r.err;
    EXPECT_TRUE(r.appended.empty());
  }
}

// The desktop's user is told what to choose in the menu, not a script statement.
TEST(DataMode, DesktopRemediesNameTheMenu) {
  DataDir dir;
  data::DataSession session;
  ASSERT_FALSE(session.Open(dir.Write("u.csv", "s,y\nA,1\nB,2\n"), "u.csv"));
  const std::pair<data::Role, std::string> y[] = {{data::Role::Y, "y"}}, ys[] = {y[0], {data::Role::Stratum, "s"}};
  const struct {
    std::span<const std::pair<data::Role, std::string>> roles;
    std::string desktop;
  } cases[] = {
      {y, "u.csv: this calculation needs a variable for stratum (choose it in Data > From data...)"},
      {ys,
       "u.csv: the group sizes N_i come from a population file or a size variable (choose one in Data > From "
       "data...)"},
  };
  for (const auto& c : cases) {
    ASSERT_FALSE(session.Use(c.roles));
    data::DataRun run;
    const auto problem = run.Begin(session, 32852);  // stratified mean, point estimate
    ASSERT_TRUE(problem);
    EXPECT_EQ(problem->Describe(data::Front::Desktop), c.desktop);
  }
}

// A form the data fill whole takes no statement, but a cancel next to it
// cancels it, as the desktop's user may: the session's script replays so.
TEST(DataMode, CancelNextToAWholeFormCancelsIt) {
  DataDir dir;
  const std::string head = "data " + dir.Write("u.csv", "s,y\nA,1\nA,3\nB,2\n") + "\npopulation " +
                           dir.Write("n.csv", "A,10\nB,20\n") + "\nuse y=y stratum=s\n";
  const struct {
    std::string commands;
    std::size_t blocks;
  } cases[] = {{"command 32852\ncancel\n", 0}, {"command 32852\ncommand 32852\n", 2}, {"command 32852\n", 1}};
  for (const auto& c : cases) {
    const ScriptResult r = RunScript(head + c.commands);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(std::count(r.appended.begin(), r.appended.end(), "Data units: 3 used, 0 skipped as missing"),
              static_cast<long>(c.blocks))
        << c.commands;
  }
}

// A figure longer than its field's limit goes in whole: the ratio form's
// barX field takes 10 characters, the data's 4/3 needs 18.
TEST(DataMode, FullPrecisionFiguresPassTheFieldLimits) {
  DataDir dir;
  const std::string f = dir.Write("thirds.csv", "y,x\n0,1\n0,1\n1,2\n");
  const ScriptResult r = RunScript("data " + f + "\nuse y=y x=x\ncommand 32805\nok 100; 4\n");
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string>& block = r.appended;
  ASSERT_GE(r.appended.size(), 3u);
  EXPECT_EQ(r.appended.back(), "Data units: 3 used, 0 skipped as missing");
  // By hand: barX = 4/3, and the ratio estimate (1/3) / (4/3) * 4 = 1.
  EXPECT_NE(std::find(block.begin(), block.end(), "Sample average of auxiliary variable, barX= 1.333333"), block.end());
  EXPECT_NE(std::find(block.begin(), block.end(), "Estimate of population mean: 1.000000"), block.end());
}

// `units` rows of y (0 and 1 in turn) and x (0.5 and 1), made as they are
// scanned: what a file of them would give, without the reading.
class Units final : public data::DataFile {
 public:
  explicit Units(long long units)
      : DataFile("units", {{"y", data::VariableType::Numeric, {}}, {"x", data::VariableType::Numeric, {}}}),
        m_units(units) {}
  std::optional<data::DataProblem> Scan(std::span<const std::size_t> columns, const Visit& visit) const override {
    std::vector<data::Value> values(columns.size());
    for (long long row = 1; row <= m_units; ++row) {
      const bool one = row % 2 == 0;
      for (std::size_t k = 0; k < columns.size(); ++k)
        values[k] = columns[k] == 0 ? data::Value{false, true, one ? 1.0 : 0.0, one ? "1" : "0"}
                                    : data::Value{false, true, one ? 1.0 : 0.5, one ? "1" : "0.5"};
      if (!visit(row, values)) break;
    }
    return std::nullopt;
  }

 private:
  long long m_units;
};

bool IsCount(data::FieldSource source) {
  using S = data::FieldSource;
  return source == S::Count || source == S::Groups || source == S::GroupSize;
}

bool TakesCount(const data::FormFigures& f) {
  return std::any_of(f.fields.begin(), f.fields.end(), [](const data::DataField& d) { return IsCount(d.source); });
}

// Counts go into a form as their digits: "1e+05" would read as 1 in a
// whole-number field. Every command the data answer with 10^5 and 2*10^5
// units (the joint-probability intervals aside: 5e9 pairs), and with 10^6
// units every form that takes a count, through the first command that shows
// it. The 0/1 y makes two strata or groups of half the units each; their
// sizes are the unit count.
TEST(DataMode, CountsGoInAsWholeNumbers) {
  DataDir dir;
  std::set<int> shown;  // the forms with a count checked with 10^6 units
  for (const long long units : {100'000LL, 200'000LL, 1'000'000LL}) {
    const std::string size = std::to_string(units);
    data::DataSession session;
    session.Open(std::make_unique<Units>(units), "units");
    ASSERT_FALSE(session.LoadPopulation(dir.Write("sizes.csv", "0;" + size + "\n1;" + size + "\n"), "sizes.csv"));
    using data::Role;
    const std::pair<Role, std::string> roles[] = {{Role::Y, "y"},    {Role::X, "x"},  {Role::Prob, "x"},
                                                  {Role::Y1, "y"},   {Role::Y2, "x"}, {Role::Stratum, "y"},
                                                  {Role::Group, "y"}};
    ASSERT_FALSE(session.Use(roles));
    int checked = 0;
    for (const Command& command : Commands()) {
      const data::CommandFigures* figures = command.figures;
      if (!figures || !data::TakesData(command) || data::Uses(*figures, data::FieldSource::PairProb)) continue;
      const auto shownBefore = [&](const data::FormFigures& f) {
        return !TakesCount(f) || !shown.insert(f.form->id).second;
      };
      if (units == 1'000'000 && std::ranges::count_if(figures->forms, shownBefore) == std::ssize(figures->forms))
        continue;
      SCOPED_TRACE(std::string(command.path) + ", " + size + " units");
      data::DataRun run;
      ASSERT_FALSE(run.Begin(session, command.id));
      const bool groups = figures->plan.by.has_value();
      for (const data::FormFigures& f : figures->forms) {
        Form form(*f.form);
        run.Fill(form, f.perGroup ? 1 : 0);
        for (std::size_t i = 0; i < form.size(); ++i) {
          const std::optional<data::FieldSource> source = data::SourceOf(f, form.ControlAt(i).Key());
          if (!TakesValue(form.ControlAt(i)) || !source || !IsCount(*source)) continue;
          const long long expected = *source == data::FieldSource::Count    ? (groups ? units / 2 : units)
                                     : *source == data::FieldSource::Groups ? (groups ? 2 : 1)
                                                                            : units;
          EXPECT_EQ(form.Text(i), std::to_string(expected)) << "form " << f.form->id;
          ++checked;
        }
      }
    }
    EXPECT_EQ(checked, units == 1'000'000 ? 29 : 45) << units;
  }
  // K = 10^5 strata of two units each, sized by a population file.
  std::string text = "s,y\n", sizes;
  for (int k = 1; k <= 100'000; ++k) text += Format("%d,1\n%d,2\n", k, k), sizes += Format("%d;2\n", k);
  data::DataSession session;
  ASSERT_FALSE(session.Open(dir.Write("strata.csv", text), "strata.csv"));
  ASSERT_FALSE(session.LoadPopulation(dir.Write("strata-sizes.csv", sizes), "strata-sizes.csv"));
  const std::pair<data::Role, std::string> roles[] = {{data::Role::Y, "y"}, {data::Role::Stratum, "s"}};
  ASSERT_FALSE(session.Use(roles));
  data::DataRun run;
  ASSERT_FALSE(run.Begin(session, 32853));  // the stratified interval of a mean
  Form strata(*FindFormTemplate(159));
  ASSERT_FALSE(run.Fill(strata, 0).empty());
  EXPECT_EQ(strata.Text(strata.Inputs().front()), "100000");
}

// The counts that went in as 1 ran the command on the first unit alone.
TEST(DataMode, AHundredThousandUnitsAreAHundredThousand) {
  DataDir dir;
  std::string text = "y,p,x\n";
  for (int i = 0; i < 100'000; ++i) text += i % 2 ? "3,0.5,2\n" : "1,0.5,1\n";
  const std::string head = "data " + dir.Write("units.csv", text) + "\n";
  const std::string scripts[] = {
      head + "use y=y prob=p\ncommand Un.Prob.WithRepl. > Mean/total of variable > Point estimates\nok 10000000\n",
      head + "use y=y x=x\ncommand Prediction\nok Model A; Point estimate\nok 1000000; 400000\n",
  };
  for (const std::string& script : scripts) {
    const ScriptResult r = RunScript(script);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_NE(std::find(r.appended.begin(), r.appended.end(), "Sample size, n= 100000"), r.appended.end());
    EXPECT_GT(r.appended.size(), 100'000u);  // a line per unit
  }
}

// Strata are grouped by the rule that matches them to the population file:
// 1 and 1.0 are one stratum, of size 400 once. By hand: N = 700 and the
// mean (400 * (2 + 4) / 2 + 300 * 6) / 700 = 4.285714.
TEST(DataMode, ValuesWrittenAsOneNumberAreOneStratum) {
  DataDir dir;
  const ScriptResult r = RunScript(
      "data " + dir.Write("u.csv", "s,y\n1,2\n1.0,4\n2,6\n") + "\npopulation " + dir.Write("n.csv", "1;400\n2;300\n") +
      "\nuse y=y stratum=s\ncommand Stratified > Mean/total of variable > Point estimates\n");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(std::find(r.appended.begin(), r.appended.end(), "Population size, N= 700"), r.appended.end());
  EXPECT_NE(std::find(r.appended.begin(), r.appended.end(), "Estimate of population mean: 4.285714"), r.appended.end());
}

// A name with blanks or quotes is written quoted, a quote doubled; the
// session's statements name it so, and replay.
TEST(DataMode, QuotedNamesAndTheSessionsStatements) {
  DataDir dir;
  const std::string file = dir.Write("q.csv", "Revenu mensuel (€),\"say \"\"hi\"\"\",plain\n10,1,1\n14,0,1\n");
  data::DataChoice choice;
  choice.file = file;
  choice.variables[static_cast<std::size_t>(data::Role::Y)] = "Revenu mensuel (€)";
  choice.variables[static_cast<std::size_t>(data::Role::X)] = "say \"hi\"";
  choice.variables[static_cast<std::size_t>(data::Role::Y1)] = "plain";
  const std::vector<std::string> statements = data::ScriptStatements(choice);
  ASSERT_EQ(statements.size(), 2u);
  EXPECT_EQ(statements[1], "use y=\"Revenu mensuel (€)\" x=\"say \"\"hi\"\"\" y1=plain");
  // By hand: barY = 12, barX = 1/2.
  const ScriptResult r = RunScript(statements[0] + "\n" + statements[1] +
                                   "\ncommand Simple > Mean/total of variable > Point estimates > Ratio\nok 100; 1\n");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.appended.end()[-2], "Data variables: y=\"Revenu mensuel (€)\" x=\"say \"\"hi\"\"\"");
  EXPECT_NE(std::find(r.appended.begin(), r.appended.end(), "Estimate of population mean: 24.000000"),
            r.appended.end());
}

// A pipe nobody writes to reads as empty where a file is read once
// (population, pairs, rows) and is refused as a data file, which each
// command reads again: none of them waits for a writer.
TEST(DataMode, PipesWithoutAWriterDoNotHang) {
  DataDir dir;
  const std::string pipe = (dir.path / "pipe.csv").string();
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  const std::string head = "data " + dir.Write("u.csv", "s,y\nA,1\nA,2\n") + "\n";
  const struct {
    std::string script, error;
  } cases[] = {
      {"data " + pipe + "\n", "pipe.csv: cannot read it: it is a pipe or socket, not a file that can be read again"},
      {head + "population " + pipe + "\n", "pipe.csv: no group sizes in the file"},
      {head + "pairs " + pipe + "\n", "pipe.csv: no pairs in the file"},
      {"command Stratified > Mean/total of variable > Interval estimates\nok 2; 95%\nrows " + pipe + "\n", ""},
  };
  ::alarm(60);  // a hang ends the test program
  for (const auto& c : cases) {
    const ScriptResult r = RunScript(c.script);
    EXPECT_EQ(r.status, 2) << c.script;
    EXPECT_NE(r.err.find(c.error), std::string::npos) << r.err;
    EXPECT_TRUE(r.appended.empty());
  }
  ::alarm(0);
}

}  // namespace
}  // namespace mirto::test
