// Result records: how a report line's figures are read, records made
// without text, and the two results files. That every block of every test
// script carries all it prints is script_test.cpp's check.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <limits>
#include <nlohmann/json.hpp>
#include <sstream>

#include "batch/Batch.h"
#include "framework/Registry.h"
#include "framework/Results.h"
#include "srs/Srs.h"
#include "support/RecordCheck.h"
#include "support/ScriptRun.h"

namespace mirto::test {
namespace {

namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
  std::ifstream in(path);
  std::stringstream text;
  text << in.rdbuf();
  return text.str();
}

TEST(RecordCheck, NumbersOfAReportLine) {
  EXPECT_EQ(PrintedNumbers("Approx. 0.95 confidence interval for population mean is from -48.131213 to 5"),
            (std::vector<std::string>{"0.95", "-48.131213", "5"}));
  EXPECT_EQ(PrintedNumbers("Sample variance of Y1= nan, S^2_1 c_0 barY_hh: -inf"),
            (std::vector<std::string>{"nan", "-inf"}));
  EXPECT_EQ(PrintedNumbers("         2       600     0.6000  10.000000"),
            (std::vector<std::string>{"2", "600", "0.6000", "10.000000"}));
}

// The formulas give records without any text: N = 1000, n = 100, barY = 50,
// s = 10 at 95%: sd = sqrt(900 * 100 / (99 * 1000)) = 0.9534625892455924
// (by hand and in R), the bounds 50 -+ 1.96 sd.
TEST(RecordCheck, ComputedWithoutText) {
  srs::SrsInput in;
  in.N = 1000;
  in.n = 100;
  in.barY = 50;
  in.s = 10;
  in.z = 1.96;
  in.probability = 0.95;
  const srs::SrsInterval r = srs::ComputeInterval(in, Target::MeanTotal);
  EXPECT_NEAR(r.sd, 0.9534625892455924, 1e-15);
  EXPECT_NEAR(r.low, 48.13121332507864, 1e-12);
  EXPECT_NEAR(r.totalHigh, 51868.78667492136, 1e-9);
  EXPECT_FALSE(r.warning);
  const Record rec = srs::ToRecord(r);
  EXPECT_EQ(rec.Get("sd_mean"), r.sd);
  EXPECT_EQ(rec.Get("confidence"), 0.95);
}

TEST(Results, NumbersReadBackExactlyInTheShortestText) {
  EXPECT_EQ(NumberText(0.1), "0.1");
  EXPECT_EQ(NumberText(50000), "50000");
  EXPECT_EQ(NumberText(1.0 / 3), "0.3333333333333333");
  EXPECT_EQ(NumberText(1e300), "1e+300");
  EXPECT_EQ(NumberText(-0.0), "-0");
  EXPECT_EQ(NumberText(std::numeric_limits<double>::infinity()), "inf");
  EXPECT_EQ(NumberText(-std::numeric_limits<double>::infinity()), "-inf");
  EXPECT_EQ(NumberText(-std::numeric_limits<double>::quiet_NaN()), "nan");
  for (double v : {0.9534625892455924, 277.7408253564302, 5e-324, 1.7976931348623157e308})
    EXPECT_EQ(std::strtod(NumberText(v).c_str(), nullptr), v);
}

// A record with a table, and a block whose record holds nothing, through
// both writers: valid JSON that reads back to the very doubles.
TEST(Results, JsonLinesAndCsv) {
  Record rec;
  rec.Input("population_size", 1000).Result("mean", 0.1 + 0.2);
  Table& t = rec.AddTable(Section::Inputs, "strata", {"N_i", "w_i"});
  t.AddRow({600, 0.6});
  t.AddRow({400, std::nan("")});
  const Command* c = FindCommand(32853);
  const std::vector<CompletedBlock> blocks{{2, 12, c, true, rec}, {14, 9, FindCommand(32863), false, Record{}}};

  const nlohmann::json first = nlohmann::json::parse(ResultJson(blocks[0], 1));
  EXPECT_EQ(first["block"], 1);
  EXPECT_EQ(first["command"], 32853);
  EXPECT_EQ(first["path"], "Stratified > Mean/total of variable > Interval estimates");
  EXPECT_EQ(first["results"]["mean"].get<double>(), 0.1 + 0.2);
  EXPECT_EQ(first["inputs"]["strata"][0]["w_i"].get<double>(), 0.6);
  EXPECT_EQ(first["inputs"]["strata"][1]["w_i"], "nan");
  EXPECT_EQ(first["warning"], true);
  EXPECT_FALSE(first.contains("record"));

  const nlohmann::json second = nlohmann::json::parse(ResultJson(blocks[1], 2));
  EXPECT_FALSE(second.contains("record"));
  EXPECT_TRUE(second["inputs"].empty() && second["results"].empty());

  const std::string kPath = first["path"];
  EXPECT_EQ(ResultCsv(blocks),
            (std::vector<std::string>{"block,command,name,index,value,path", "1,32853,population_size,,1000," + kPath,
                                      "1,32853,strata.N_i,1,600," + kPath, "1,32853,strata.w_i,1,0.6," + kPath,
                                      "1,32853,strata.N_i,2,400," + kPath, "1,32853,strata.w_i,2,nan," + kPath,
                                      "1,32853,mean,,0.30000000000000004," + kPath, "1,32853,warning,,1," + kPath,
                                      "2,32863,warning,,0,Cluster > Mean/total of variable > Point estimates"}));
}

// `--results` beside the journal; a path that cannot be written costs the
// results only: status 1, the message, the journal on standard output.
TEST(Results, BatchWritesThemBesideTheJournal) {
  const fs::path dir = fs::path(testing::TempDir()) / "mirto-results";
  fs::create_directories(dir);
  const std::string script = (dir / "s.mirto").string(), jsonl = (dir / "r.jsonl").string(),
                    csv = (dir / "r.csv").string();
  std::ofstream(script) << "command 32804\nok 10; 1.5\ncommand 32852\nok 0\ncommand 32804\ncancel\n";
  {
    std::ostringstream out, err;
    const char* argv[] = {script.c_str(), "--results", jsonl.c_str()};
    EXPECT_EQ(BatchMain(3, argv, out, err), 0) << err.str();
    const std::vector<std::string> lines = Lines(ReadFile(jsonl));
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0],
              "{\"block\": 1, \"command\": 32804, \"path\": \"Simple > Mean/total of variable > Point estimates > "
              "Simple\", \"inputs\": {\"population_size\": 10, \"sample_mean\": 1.5}, \"results\": {\"mean\": 1.5, "
              "\"total\": 15}, \"warning\": false}");
    // No stratum at all: an empty table, not a missing one.
    const nlohmann::json strata = nlohmann::json::parse(lines[1]);
    EXPECT_FALSE(strata.contains("record"));
    EXPECT_EQ(strata["inputs"]["strata"], nlohmann::json::array());
    EXPECT_EQ(strata["results"]["population_size"], 0);
  }
  {
    std::ostringstream out, err;
    const char* argv[] = {script.c_str(), "--results", csv.c_str()};
    EXPECT_EQ(BatchMain(3, argv, out, err), 0) << err.str();
    EXPECT_EQ(Lines(ReadFile(csv))[1],
              "1,32804,population_size,,10,Simple > Mean/total of variable > Point estimates > Simple");
  }
  {
    std::ostringstream out, err;
    const char* argv[] = {script.c_str(), "--results", "/nonexistent/r.jsonl"};
    EXPECT_EQ(BatchMain(3, argv, out, err), 1);
    EXPECT_EQ(err.str().rfind("mirto: error: Cannot save /nonexistent/r.jsonl", 0), 0u) << err.str();
    EXPECT_EQ(Lines(out.str()).size(), 2u + 8u + 9u);  // headings and the two blocks
  }
  {
    std::ostringstream out, err;
    const char* argv[] = {script.c_str(), "--results", jsonl.c_str(), "--results", csv.c_str()};
    EXPECT_EQ(BatchMain(5, argv, out, err), 2);
    EXPECT_EQ(err.str().rfind("mirto: --results is given twice", 0), 0u) << err.str();
  }
  fs::remove_all(dir);
}

}  // namespace
}  // namespace mirto::test
