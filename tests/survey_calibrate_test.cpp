// Calibrated weights: the calibrate and weights statements, the figures of
// small calibrations against R's survey package (scripts/survey/calibrate.R
// prints them), the block's records, the weights written out, and the
// refusals, each naming the file, the row and the variable and appending
// nothing. The published comparison on real and generated data is
// scripts/validate's.
#include <gtest/gtest.h>

#include <filesystem>

#include "data/DataFile.h"
#include "framework/Registry.h"
#include "support/Files.h"
#include "support/RecordCheck.h"
#include "support/ScriptRun.h"
#include "support/SurveyFiles.h"
#include "survey/Dense.h"
#include "survey/Parse.h"
#include "survey/Totals.h"

namespace mirto::test {
namespace {

namespace fs = std::filesystem;

TEST(CalibrateStatements, ReadMethodsOptionsAndRefuseWhatTheyCannotRead) {
  const auto post = std::get<survey::CalibrateRequest>(survey::ParseCalibrate("poststrata=a*\"b c\" totals=t.csv"));
  EXPECT_EQ(post.method, survey::CalibrationMethod::PostStrata);
  EXPECT_EQ(post.variables, (std::vector<std::string>{"a", "b c"}));
  const auto rake = std::get<survey::CalibrateRequest>(
      survey::ParseCalibrate("rake=a,b,c totals=\"my totals.csv\" epsilon=0.001 maxit=7"));
  EXPECT_EQ(rake.variables.size(), 3U);
  EXPECT_EQ(rake.totals, "my totals.csv");
  EXPECT_EQ(rake.epsilon, 0.001);
  EXPECT_EQ(rake.maxit, 7);
  const auto linear =
      std::get<survey::CalibrateRequest>(survey::ParseCalibrate("linear=a+\"x+y\" totals=t bounds=0.5,2"));
  EXPECT_EQ(linear.variables, (std::vector<std::string>{"a", "x+y"}));
  EXPECT_EQ(linear.bounds, std::pair(0.5, 2.0));
  EXPECT_EQ(std::get<survey::WeightsRequest>(survey::ParseWeights("out=\"w out.sav\"")).out, "w out.sav");
  struct Case {
    const char* text;
    const char* message;
  } cases[] = {
      {"totals=t.csv", "calibrate takes poststrata=VAR[*VAR], rake="},
      {"rake=a,b", "calibrate needs totals=PATH"},
      {"rake=a totals=t", "rake= takes two margins or more"},
      {"rake=a,a totals=t", "rake= names \"a\" twice"},
      {"poststrata=a linear=b totals=t", "calibrate takes one of poststrata=, rake= and linear="},
      {"poststrata=a totals=t epsilon=0.1", "epsilon= and maxit= go with rake= only"},
      {"rake=a,b totals=t maxit=2.5", "maxit= takes a whole number from 1 to 10000"},
      {"rake=a,b totals=t epsilon=0", "epsilon= takes a number above 0"},
      {"linear=a totals=t bounds=1,2", "bounds= takes L,U with L below 1 and U above 1"},
      {"linear=a totals=t bounds=0.5", "bounds= takes L,U"},
      {"rake=a,b totals=t bounds=0.5,2", "bounds= goes with linear= only"},
      {"linear=a totals=t trim=2", "\"trim=\" is not a calibrate option"},
      {"linear=a+\"b totals=t", "not a variable's name"},
  };
  for (const Case& c : cases) {
    const auto parsed = survey::ParseCalibrate(c.text);
    ASSERT_TRUE(std::holds_alternative<std::string>(parsed)) << c.text;
    EXPECT_NE(std::get<std::string>(parsed).find(c.message), std::string::npos)
        << c.text << ": " << std::get<std::string>(parsed);
  }
  EXPECT_TRUE(std::holds_alternative<std::string>(survey::ParseWeights("file=w.csv")));
}

// Each method on small.csv (and Fay replicates) against calibrate.R.
// Totals typed in the desktop are written to a file that reads back as typed.
TEST(CalibrateStatements, TypedTotalsReadBackAsTyped) {
  TempDir dir;
  const std::vector<std::array<std::string, 3>> typed = {
      {"d", "a", "70"}, {"region", "North, coast", "1.5e3"}, {"q\"x", " b", "2"}, {"x", "", "400"}};
  std::string text;
  for (const std::string& line : survey::TotalsFileLines(typed)) text += line + "\n";
  WriteBytes(dir / "t.csv", text);
  const auto read = survey::ReadTotals(dir / "t.csv", "t.csv");
  ASSERT_TRUE(std::holds_alternative<survey::Totals>(read));
  const auto& lines = std::get<survey::Totals>(read).lines;
  ASSERT_EQ(lines.size(), typed.size());
  const double totals[] = {70, 1500, 2, 400};  // as typed
  for (std::size_t i = 0; i < typed.size(); ++i) {
    EXPECT_EQ(lines[i].variable, typed[i][0]);
    EXPECT_EQ(lines[i].category, typed[i][1]);
    EXPECT_EQ(lines[i].total, totals[i]);
  }
}

TEST(CalibrateFigures, EachMethodAsR) {
  InSurveyFolder here;
  Session s;
  const ScriptResult r = s.Run(
      "data small.csv\ndesign weight=w strata=st psu=psu nest lonely=adjust\n"
      "calibrate rake=d,c totals=totals.csv\nestimate mean y by=d\n"
      "calibrate poststrata=d*c totals=totals.csv\nestimate total y\n"
      "calibrate linear=d+x totals=totals.csv bounds=0.9,1.3\nestimate mean y\n"
      "design weight=w strata=st lonely=adjust\ncalibrate linear=c+x totals=totals.csv\nestimate mean y by=d\n"
      "data replicates.csv\ndesign weight=w replicates=r1-r4 type=Fay rho=0.5 mse=on\n"
      "calibrate poststrata=d totals=totals.csv\nestimate mean y\n");
  ASSERT_EQ(r.status, 0) << r.err;
  const auto& blocks = s.doc.Blocks();
  ASSERT_EQ(blocks.size(), 10U);
  const double rakeG[] = {1.0443478052348798, 1.0443478052348798, 1.0454956869573031, 1.1532367474124099,
                          1.1545043130426971};
  const double boundedG[] = {0.9, 0.93694247923715779, 1.14930790525991999, 1.22945555213780366, 1.3};
  const char* keys[] = {"g_min", "g_q1", "g_median", "g_q3", "g_max"};
  for (std::size_t k = 0; k < 5; ++k) {
    ExpectClose(blocks[0].record.Get(keys[k]), rakeG[k]);
    ExpectClose(blocks[4].record.Get(keys[k]), boundedG[k]);
  }
  struct Row {
    std::size_t block, row;
    double estimate, se;
  } rows[] = {
      {1, 0, 5.1196820011009976, 1.4081693259887220},  {1, 1, 4.9987643192988953, 1.5654693495251235},
      {3, 0, 598.1269841269841, 116.31462128545313},   {5, 0, 4.8716102414964304, 0.78240295297557683},
      {7, 0, 5.0094679935210884, 0.75594018319107636}, {7, 1, 4.6541062636174928, 1.08430567152104285},
      {9, 0, 5.3171390013495277, 0.79658035246968528},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.block);
    const Table& t = TableOf(blocks[row.block], "estimates");
    ExpectClose(At(t, row.row, "estimate"), row.estimate);
    ExpectClose(At(t, row.row, "se"), row.se, 1e-12);
  }
}

TEST(CalibrateFigures, NegativeWeightsAreCountedNotRefused) {
  DataDir dir;
  const std::string totals = dir.Write("t.csv", "variable,category,total\nd,a,70\nd,b,60\nx,,100\n");
  Session s;
  const ScriptResult r =
      s.Run("data " + TestSourceDir() + "/scripts/survey/small.csv\n" +
            "design weight=w strata=st psu=psu nest lonely=adjust\n" + "calibrate linear=d+x totals=" + totals + "\n");
  ASSERT_EQ(r.status, 0) << r.err;
  // R: sum(weights(calibrate(...)) < 0) is 2.
  EXPECT_EQ(s.doc.Blocks().at(0).record.Get("negative_weights"), 2);
  EXPECT_NE(std::find(r.appended.begin(), r.appended.end(),
                      "Warning: 2 calibrated weights are negative (linear calibration allows them)"),
            r.appended.end());
}

// calibrate.mirto's journal is script_test.cpp's to check; here its records,
// read more strictly than there: no row numbers, text cells as text.
TEST(CalibrateBlock, RecordsEveryFigureAndItsTextCells) {
  InSurveyFolder here;
  Session s;
  const ScriptResult r = s.Run(ReadBytes("calibrate.mirto"));
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_EQ(s.doc.Blocks().size(), 2U);
  EXPECT_EQ(s.doc.Blocks()[0].command->id, 32962);
  for (const CompletedBlock& block : s.doc.Blocks()) EXPECT_EQ(Unrecorded(s.doc, block), "");
}

TEST(CalibrateRefusals, NameTheFileRowAndVariableAndAppendNothing) {
  DataDir dir;
  const std::string data = TestSourceDir() + "/scripts/survey/small.csv";
  const std::string good = "variable,category,total\nd,a,70\nd,b,60\nc,p,75\nc,q,55\nx,,400\n";
  auto totals = [&](const std::string& name, const std::string& text) { return dir.Write(name, text); };
  const std::string head = "data " + data + "\ndesign weight=w strata=st psu=psu nest lonely=adjust\n";
  const std::string fine = totals("good.csv", good);
  const std::string missingX = dir.Write("m.csv", "w,d,x\n1,a,2\n2,b,\n3,a,4\n");
  const std::string zeroReplicate = dir.Write("z.csv", "w,d,r1,r2\n1,a,2,1\n1,b,0,1\n1,b,0,1\n");
  struct Case {
    const char* name;
    std::string script;
    std::string error;
  } cases[] = {
      {"a category no unit has", head + "calibrate rake=d,c totals=" + totals("e.csv", good + "d,z,5\n"),
       "e.csv, row 6, variable \"d\": no unit of the sample has the category \"z\" (an empty cell)"},
      {"a sample category without a total",
       head + "calibrate rake=d,c totals=" + totals("s.csv", "variable,category,total\nd,a,70\nc,p,75\nc,q,55\n"),
       data + ", row 2, variable \"d\": the category \"b\" has no total in " + dir.path.string() + "/s.csv"},
      {"a crossed cell without a total",
       head + "calibrate poststrata=d*c totals=" + totals("x.csv", "variable,category,total\nd*c,a*p,1\n"),
       data + ", row 2, variable \"d*c\": the cell \"b*q\" has no total in"},
      {"margins that disagree",
       head +
           "calibrate rake=d,c totals=" + totals("a.csv", "variable,category,total\nd,a,70\nd,b,60\nc,p,75\nc,q,56\n"),
       "a.csv, row 3, variable \"c\": its totals add up to 131 and those of d to 130; the margins must agree"},
      {"no convergence within maxit", head + "calibrate rake=d,c totals=" + fine + " maxit=1",
       "good.csv, row 2, variable \"d\": raking did not converge within maxit=1 iterations: a cell still changed by"},
      {"bounds that cannot be met", head + "calibrate linear=d+x totals=" + fine + " bounds=0.99,1.01",
       "bounds=0.99,1.01 cannot be met: after 50 iterations"},
      {"a numeric term with a value missing",
       "data " + missingX + "\ndesign weight=w\ncalibrate linear=d+x totals=" + fine,
       missingX + ", row 2, variable \"x\": the value is missing; a numeric term of linear= needs one on every unit"},
      {"a margin with a numeric total", head + "calibrate rake=d,x totals=" + fine,
       "good.csv, row 5, variable \"x\": the category is empty; a margin takes a total for each category"},
      {"a term both numeric and by category",
       head + "calibrate linear=d totals=" + totals("b.csv", "variable,category,total\nd,a,70\nd,,60\n"),
       "b.csv, row 2, variable \"d\": a total with the category empty (a numeric term) at row 2 and totals by "
       "category at row 1"},
      {"a total that is not a number",
       head + "calibrate rake=d,c totals=" + totals("n.csv", "variable,category,total\nd,a,seventy\n"),
       "n.csv, row 1, variable \"total\": \"seventy\" is not a number"},
      {"a line given twice", head + "calibrate rake=d,c totals=" + totals("t.csv", good + "d,a,71\n"),
       "t.csv, row 6, variable \"category\": \"a\" of \"d\" is given a total at row 1 too"},
      {"a totals file without the columns", head + "calibrate rake=d,c totals=" + totals("h.csv", "var,cat,n\nd,a,1\n"),
       "h.csv: a totals file's header names the columns variable, category and total"},
      {"a total of 0 for a category with units",
       head + "calibrate poststrata=d totals=" + totals("0.csv", "variable,category,total\nd,a,0\nd,b,60\n"),
       "0.csv, row 1, variable \"d\": the total of a cell that has units must be above 0"},
      {"a replicate without weight in a cell",
       "data " + zeroReplicate + "\ndesign weight=w replicates=r1,r2 type=JK1\ncalibrate poststrata=d totals=" + fine,
       ", variable \"r1\": the replicate has no weight in the cell \"b\"; it cannot be post-stratified"},
      {"no design", "data " + data + "\ncalibrate rake=d,c totals=" + fine, "calibrate needs a survey design"},
      {"weights out without a calibration", head + "weights out=" + dir.path.string() + "/w.csv",
       "weights out needs calibrated weights"},
      {"weights out over the data file",
       "data " + missingX + "\ndesign weight=w\ncalibrate poststrata=d totals=" + fine + "\nweights out=" + missingX,
       "weights: out=" + missingX + " is the data file"},
      {"weights out of an unknown kind",
       head + "calibrate rake=d,c totals=" + fine + "\nweights out=" + dir.path.string() + "/w.xlsx",
       "the file ends in .csv, .tsv, .txt, .sav, .zsav or .dta"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Session s;
    const ScriptResult r = s.Run(c.script + "\n");
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find(c.error), std::string::npos) << r.err;
    // A refused weights statement comes after a calibration's block: nothing more.
    const bool calibrated = c.script.find("\ncalibrate ") != std::string::npos;
    const std::size_t kept = calibrated && c.script.find("\nweights ") != std::string::npos ? 1 : 0;
    EXPECT_EQ(s.doc.Blocks().size(), kept);
  }
  for (const auto& entry : fs::directory_iterator(dir.path))
    EXPECT_FALSE(entry.path().filename().string().starts_with(".w")) << entry.path();
  EXPECT_FALSE(fs::exists(dir.path / "w.csv"));
  EXPECT_FALSE(fs::exists(dir.path / "w.xlsx"));
}

// The raked weights of calibrate.R, beside the file's columns, in each format.
TEST(CalibrateWeights, WrittenBesideTheFileColumns) {
  InSurveyFolder here;
  DataDir dir;
  const std::string out = (dir.path / "w").string();
  Session s;
  const ScriptResult r = s.Run(
      "data small.csv\ndesign weight=w strata=st psu=psu nest lonely=adjust\n"
      "calibrate rake=d,c totals=totals.csv\nweights out=" +
      out + ".csv\nweights out=" + out + ".sav\nweights out=" + out + ".dta\n");
  ASSERT_EQ(r.status, 0) << r.err;
  const double raked[] = {10.4434780523487980, 11.5450431304269685, 12.5321736628185576,
                          13.8388409689489187, 20.9099137391460630, 20.8869561046975960,
                          17.3175646956404563, 17.2985512111861439, 5.2274784347865157};
  for (const char* extension : {".csv", ".sav", ".dta"}) {
    SCOPED_TRACE(extension);
    std::optional<data::DataProblem> problem;
    const auto file = data::OpenDataFile(out + extension, problem);
    ASSERT_TRUE(file);
    const std::vector<data::Variable>& v = file->Variables();
    ASSERT_EQ(v.size(), 9U);
    EXPECT_EQ(v[0].name, "st");
    EXPECT_EQ(v[8].name, "w_cal");
    std::vector<double> weights;
    std::vector<std::string> categories;
    const std::size_t columns[] = {8, 5, 3};
    file->Scan(columns, [&](long long, std::span<const data::Value> values) {
      weights.push_back(values[0].number);
      categories.emplace_back(values[1].text);
      EXPECT_EQ(values[2].missing, weights.size() == 4);  // y's missing value stays missing
      return true;
    });
    ASSERT_EQ(weights.size(), 9U);
    for (std::size_t i = 0; i < 9; ++i) ExpectClose(weights[i], raked[i], 1e-14);
    EXPECT_EQ(categories[1], "b");
  }
}

// The inverse of the part of a symmetric matrix that is not 0: diag(2, 0, 4)
// turned by 45 degrees in its first two coordinates.
TEST(CalibrateAlgebra, PseudoInverseLeavesOutTheNullSpace) {
  const double h = 0.5;
  const std::vector<double> a = {h * 2, h * 2, 0, h * 2, h * 2, 0, 0, 0, 4};
  const std::vector<double> inverse = survey::PseudoInverse(a, 3, 1e-12);
  const std::vector<double> expected = {0.25, 0.25, 0, 0.25, 0.25, 0, 0, 0, 0.25};
  for (std::size_t k = 0; k < 9; ++k) EXPECT_NEAR(inverse[k], expected[k], 1e-15) << k;
}

}  // namespace
}  // namespace mirto::test
