// Data mode: bad data stop the run with a message that names the file, the
// variable and the row, and append nothing.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "data/DataHost.h"
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
  struct Case {
    const char* name;
    std::string script;
    std::string error;  // expected in the error line
  } cases[] = {
      {"variable not found", head + "use y=income\n", "u.csv, variable \"income\": no such variable in the file"},
      {"not numeric", head + "use y=y\ncommand 32804\nok 100\n",
       "u.csv, row 4, variable \"y\": \"abc\" is not a number"},
      {"not 0/1", head + "use y=z\ncommand 32822\nok 100\n", "u.csv, row 3, variable \"z\": a proportion needs a 0/1"},
      {"stratum not in the population file", head + "population " + sizes + "\nuse y=p stratum=s\ncommand 32852\n",
       "u.csv, row 2, variable \"s\": \"B\" is not in the population file"},
      {"population stratum not in the data", head + "population " + ab + "\nuse y=p stratum=s\ncommand 32852\n",
       "ab.csv: \"C\" has no units in"},
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
  const std::vector<std::string> block(r.appended.begin() + 3, r.appended.end());
  ASSERT_GE(r.appended.size(), 3u);
  EXPECT_EQ(r.appended[2], "Data units: 3 used, 0 skipped as missing");
  // By hand: barX = 4/3, and the ratio estimate (1/3) / (4/3) * 4 = 1.
  EXPECT_NE(std::find(block.begin(), block.end(), "Sample average of auxiliary variable, barX= 1.333333"), block.end());
  EXPECT_NE(std::find(block.begin(), block.end(), "Estimate of population mean: 1.000000"), block.end());
}

}  // namespace
}  // namespace mirto::test
