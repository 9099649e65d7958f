// Survey designs: the statements, the figures of small designs against R's
// survey package (scripts/survey/reference.R prints them), the block's
// records (its journal is scripts/survey/block.expected), and the refusals,
// each naming the file, the row and the variable and appending nothing. The
// published comparison with R on real and generated data is scripts/validate's.
#include <gtest/gtest.h>
#include <unistd.h>

#include <charconv>
#include <cmath>
#include <filesystem>
#include <fstream>

#include "framework/Format.h"
#include "framework/Registry.h"
#include "framework/Results.h"
#include "support/Files.h"
#include "support/RecordCheck.h"
#include "support/ScriptRun.h"
#include "support/SurveyFiles.h"
#include "survey/Calibration.h"
#include "survey/Design.h"
#include "survey/Estimate.h"
#include "survey/Parse.h"
#include "survey/Report.h"

namespace mirto::test {
namespace {

namespace fs = std::filesystem;

const Table& Estimates(const CompletedBlock& block, Section section = Section::Results) {
  return TableOf(block, "estimates", section);
}

// ---- Statements ------------------------------------------------------------------

TEST(SurveyStatements, ReadNamesOptionsAndColumnFamilies) {
  auto d = std::get<survey::DesignRequest>(
      survey::ParseDesign("weight=\"final wt\" strata=st psu=\"a\"\"b\" fpc=N nest lonely=average"));
  EXPECT_EQ(d.weight, "final wt");
  EXPECT_EQ(*d.psu, "a\"b");
  EXPECT_TRUE(d.nest);
  EXPECT_EQ(d.lonely, survey::Lonely::Average);
  EXPECT_FALSE(d.replicates);
  d = std::get<survey::DesignRequest>(
      survey::ParseDesign("weight=w replicates=rw01-rw80 type=Fay rho=0.3 scale=0.5 mse=on"));
  ASSERT_TRUE(d.replicates);
  EXPECT_EQ(d.replicates->columns.form, survey::ReplicateColumns::Form::Range);
  EXPECT_EQ(d.replicates->columns.last, "rw80");
  EXPECT_EQ(*d.replicates->rho, 0.3);
  EXPECT_EQ(*d.replicates->mse, true);
  d = std::get<survey::DesignRequest>(survey::ParseDesign("weight=w replicates=\"r-1\",r2 type=JK1"));
  EXPECT_EQ(d.replicates->columns.names, (std::vector<std::string>{"r-1", "r2"}));
  const auto e = std::get<survey::EstimateRequest>(survey::ParseEstimate("ratio \"y/1\"/x by=a*\"b c\" level=99.9"));
  EXPECT_EQ(e.variable, "y/1");
  EXPECT_EQ(e.denominator, "x");
  EXPECT_EQ(e.by, (std::vector<std::string>{"a", "b c"}));
  EXPECT_EQ(e.level, 99.9);
  EXPECT_EQ(survey::QuotedName("my \"y\""), "\"my \"\"y\"\"\"");
}

// The desktop's dialogs write statements from requests: each must read back as written.
TEST(SurveyStatements, TextOfARequestReadsBackTheSame) {
  for (const char* text : {"weight=\"final wt\" strata=st psu=\"a\"\"b\" fpc=N nest lonely=average",
                           "weight=w replicates=rw* type=Fay rho=0.3 scale=0.5 mse=off", "weight=w strata=s"})
    EXPECT_EQ(survey::DesignText(std::get<survey::DesignRequest>(survey::ParseDesign(text))), text);
  for (const char* text : {"ratio \"y/1\"/x by=a*\"b c\" level=99.9", "proportion y", "mean y by=d level=90"})
    EXPECT_EQ(survey::EstimateText(std::get<survey::EstimateRequest>(survey::ParseEstimate(text))), text);
  for (const char* text : {"rake=d,\"c 2\" totals=\"my totals.csv\" epsilon=1e-05 maxit=20",
                           "linear=d+x totals=t.csv bounds=0.5,2", "poststrata=d*c totals=t.csv"})
    EXPECT_EQ(survey::CalibrationText(std::get<survey::CalibrateRequest>(survey::ParseCalibrate(text))), text);
}

// Families numbered 1..R are proposed, the largest first; the type from the prefix's words.
TEST(SurveyStatements, ProposesReplicateColumnsByTheirNames) {
  const auto variables = [](std::initializer_list<const char*> names) {
    std::vector<data::Variable> v;
    for (const char* n : names) v.push_back({n, data::VariableType::Numeric, {}});
    return v;
  };
  const auto p = survey::ProposeReplicates(variables({"w", "y1", "y2", "brrwt1", "brrwt2", "brrwt3", "x"}));
  ASSERT_TRUE(p);
  EXPECT_EQ(p->prefix, "brrwt");
  EXPECT_EQ(p->count, 3u);
  EXPECT_EQ(p->type, survey::ReplicateType::BRR);
  EXPECT_EQ(survey::ProposeReplicates(variables({"repw1", "repw2"}))->type, survey::ReplicateType::JK1);
  EXPECT_FALSE(survey::ProposeReplicates(variables({"r1", "r3", "q2"})));  // no run 1..R
}

TEST(SurveyStatements, RefuseWhatTheyCannotRead) {
  struct Case {
    bool design;
    const char* text;
    const char* message;
  } cases[] = {
      {true, "strata=st", "design needs weight=VARIABLE"},
      {true, "weight=w weight=v", "weight= is given twice"},
      {true, "weight=w \x01=1 \x01=2", "\\x01= is given twice"},  // a script's bytes escaped
      {true, "weight=w lonely=drop", "lonely= takes fail, remove, certainty, adjust or average, found \"drop\""},
      {true, "weight=w replicates=r* type=JK2", "unknown replicate type \"JK2\""},
      {true, "weight=w replicates=r*", "replicates= needs type="},
      {true, "weight=w type=BRR", "type=, rho=, scale= and mse= go with replicates="},
      {true, "weight=w replicates=r* type=Fay", "type=Fay needs rho="},
      {true, "weight=w replicates=r* type=BRR rho=0.5", "rho= goes with type=Fay only"},
      {true, "weight=w replicates=r* type=JKn", "type=JKn needs strata="},
      {true, "weight=w replicates=r* type=JK1 psu=p", "not used with replicate weights"},
      {true, "weight=w replicates=r* type=Fay rho=1", "rho= takes a number from 0 to below 1"},
      {true, "weight=w replicates=r* type=JK1 scale=0", "scale= takes a number above 0"},
      {true, "weight=\"w", "not a variable's name"},
      {true, "weight=w cluster=c", "\"cluster=\" is not a design option"},
      {false, "", "estimate takes mean, total or proportion VARIABLE"},
      {false, "median y", "found \"median\""},
      {false, "ratio y", "ratio takes NUMERATOR/DENOMINATOR"},
      {false, "mean y by=a*b*c", "by= takes one variable or two crossed"},
      {false, "mean y level=99.95", "level= takes a percentage from 50 to 99.9"},
      {false, "mean y x", "found \"x\""},
  };
  for (const Case& c : cases) {
    const std::string message = c.design ? std::get<std::string>(survey::ParseDesign(c.text))
                                         : std::get<std::string>(survey::ParseEstimate(c.text));
    EXPECT_NE(message.find(c.message), std::string::npos) << c.text << ": " << message;
  }
}

// ---- Figures against R (reference.R) --------------------------------------------------

TEST(SurveyFigures, StratifiedClustersWithASinglePsuStratumAsR) {
  InSurveyFolder here;
  Session s;
  const ScriptResult r = s.Run(
      "data small.csv\ndesign weight=w strata=st psu=psu nest lonely=adjust\nestimate mean y by=d\n"
      "estimate total y\nestimate ratio y/x\nestimate proportion c\n");
  ASSERT_EQ(r.status, 0) << r.err;
  ASSERT_EQ(s.doc.Blocks().size(), 4U);
  const auto& blocks = s.doc.Blocks();
  EXPECT_EQ(blocks[0].record.Get("degrees_of_freedom"), 3);
  const Table& mean = Estimates(blocks[0]);
  ExpectClose(At(mean, 0, "estimate"), 5.1194029850746263);
  ExpectClose(At(mean, 0, "se"), 0.88729430766559725);
  ExpectClose(At(mean, 1, "se"), 1.94855715851498679);
  ExpectClose(At(mean, 0, "deff"), 0.98686363133071908);
  ExpectClose(At(mean, 1, "deff"), 1.21621621621621601);
  ExpectClose(At(mean, 0, "low"), 3.3803380983626541);
  EXPECT_EQ(At(mean, 1, "missing"), 1);
  const Table& total = Estimates(blocks[1]);
  ExpectClose(At(total, 0, "estimate"), 543);
  ExpectClose(At(total, 0, "se"), 203.34453521056324);
  ExpectClose(At(total, 0, "deff"), 5.8309847778813282);
  const Table& ratio = Estimates(blocks[2]);
  ExpectClose(At(ratio, 0, "estimate"), 1.4365079365079365);
  ExpectClose(At(ratio, 0, "se"), 0.23472957826837559);
  ExpectClose(At(ratio, 0, "deff"), 1.7156782199929574);
  const Table& share = Estimates(blocks[3]);
  EXPECT_EQ(share.text(1, 0), "q");
  ExpectClose(At(share, 1, "estimate"), 0.42016806722689076);
  ExpectClose(At(share, 1, "se"), 0.14975356786506280);
  ExpectClose(At(share, 1, "deff"), 0.79666079870683448);
}

TEST(SurveyFigures, UnitsAsPsusWithSamplingFractionsAsR) {
  InSurveyFolder here;
  Session s;
  const ScriptResult r = s.Run("data small.csv\ndesign weight=w strata=st fpc=f lonely=adjust\nestimate mean y\n");
  ASSERT_EQ(r.status, 0) << r.err;
  const CompletedBlock& block = s.doc.Blocks().at(0);
  EXPECT_EQ(block.record.Get("degrees_of_freedom"), 6);
  ExpectClose(At(Estimates(block), 0, "estimate"), 5.0747663551401869);
  ExpectClose(At(Estimates(block), 0, "se"), 0.69791104858918129);
  ExpectClose(At(Estimates(block), 0, "deff"), 0.78640198221248803);
}

TEST(SurveyFigures, FayReplicatesCentredOnTheEstimateAsR) {
  InSurveyFolder here;
  Session s;
  const ScriptResult r =
      s.Run("data replicates.csv\ndesign weight=w replicates=r1-r4 type=Fay rho=0.5 mse=on\nestimate mean y by=d\n");
  ASSERT_EQ(r.status, 0) << r.err;
  const CompletedBlock& block = s.doc.Blocks().at(0);
  EXPECT_EQ(block.record.Get("degrees_of_freedom"), 2);
  EXPECT_EQ(block.record.Get("scale"), 1.0);  // 1 / (R (1 - rho)^2) with R = 4, rho = 0.5
  const Table& t = Estimates(block);
  ExpectClose(At(t, 0, "estimate"), 4.3508771929824563);
  ExpectClose(At(t, 0, "se"), 2.2269175287445391);
  ExpectClose(At(t, 1, "se"), 1.1417184104351459);
  ExpectClose(At(t, 1, "deff"), 2.0568544524711250);
}

// The rank R's qr() gives the replicate weights: columns (1,1,0), (0,1,1),
// (1,2,1) = their sum, (2,0,-2) = twice the first less the second: rank 2.
TEST(SurveyFigures, RankOfTheReplicateWeights) {
  const std::vector<double> columns[] = {{1, 1, 0}, {0, 1, 1}, {1, 2, 1}, {2, 0, -2}};
  std::vector<double> gram(16);
  for (std::size_t i = 0; i < 4; ++i)
    for (std::size_t j = 0; j < 4; ++j)
      for (std::size_t k = 0; k < 3; ++k) gram[i * 4 + j] += columns[i][k] * columns[j][k];
  EXPECT_EQ(survey::GramRank(gram, 4, 1e-5), 2U);
  EXPECT_EQ(survey::GramRank(gram, 2, 1e-5), 2U);
  // (1, 0) and (1, d): what is left of the second is d against its length of about 1.
  const auto pair = [](double d) { return std::vector<double>{1, 1, 1, 1 + d * d}; };
  EXPECT_EQ(survey::GramRank(pair(1e-7), 2, 1e-5), 1U);
  EXPECT_EQ(survey::GramRank(pair(1e-3), 2, 1e-5), 2U);
}

// ---- The block ---------------------------------------------------------------------------

// block.mirto's journal is script_test.cpp's to check; here its records,
// read more strictly than there: no row numbers, text cells as text.
TEST(SurveyBlock, RecordsEveryFigureAndItsTextCells) {
  InSurveyFolder here;
  Session s;
  const ScriptResult r = s.Run(ReadBytes("block.mirto"));
  ASSERT_EQ(r.status, 0) << r.err;
  for (const CompletedBlock& block : s.doc.Blocks()) {
    EXPECT_EQ(block.command->id, 32961);
    EXPECT_EQ(Unrecorded(s.doc, block), "");
  }
  // Text cells reach both results files as text.
  const CompletedBlock& first = s.doc.Blocks()[0];
  EXPECT_NE(ResultJson(first, 1).find("{\"by_d\": \"a\", \"estimate\": 5.1194029850746"), std::string::npos);
  const std::vector<std::string> csv = ResultCsv(s.doc.Blocks());
  EXPECT_NE(std::find(csv.begin(), csv.end(), "1,32961,estimates.by_d,2,b,Data > Estimate"), csv.end());
  EXPECT_NE(ResultJson(s.doc.Blocks()[1], 2).find("\"extras\": {\"t_df\": 3"), std::string::npos);
}

// ---- Refusals ----------------------------------------------------------------------------

std::string Levels(const char* header, std::size_t rows, bool numbered) {
  std::string text = header;
  for (std::size_t i = 0; i < rows; ++i) text += Format(numbered ? "1,1,%zu\n" : "1,1,L%zu\n", i);
  return text;
}

TEST(SurveyRefusals, NameTheFileRowAndVariableAndAppendNothing) {
  DataDir dir;
  const std::string u = dir.Write("u.csv",
                                  "st,psu,w,y,c,f,r1,r2\nA,1,2,1,x,5,2,0\nA,2,2,2,y,5,0,4\nB,3,3,z,x,4,3,3\n"
                                  "B,4,-1,4,x,3,3,3\nC,1,,5,x,1,3,3\n");
  const std::string good = dir.Write("g.csv",
                                     "st,psu,w,y,f,r1,r2,r3\nA,1,2,1,1,4,0,2\nA,2,2,2,1,0,4,2\n"
                                     "B,1,3,3,2,3,3,0\nB,2,3,4,2,3,3,6\nB,3,1,5,2,1,,1\n");
  const std::string lonely = dir.Write("l.csv", "st,psu,w,y\nA,1,1,1\nA,2,1,2\nB,3,1,3\n");
  const std::string jkn = dir.Write("j.csv", "st,w,y,r1,r2\nA,1,1,0,1\nB,1,2,0,1\n");
  const std::string jkn2 = dir.Write("j2.csv", "st,w,y,r1,r2\nA,1,1,0,1\nB,1,2,1,1\n");
  const std::string domains = dir.Write("d.csv", Levels("w,y,d\n", 10'050, false));
  const std::string categories = dir.Write("k.csv", Levels("w,y,k\n", 1'001, true));
  auto head = [](const std::string& path, const char* design) { return "data " + path + "\ndesign " + design + "\n"; };
  struct Case {
    const char* name;
    std::string script;
    std::string error;
  } cases[] = {
      {"missing weight", head(dir.Write("m.csv", "w,y\n1,2\n,3\n"), "weight=w"),
       dir.path.string() + "/m.csv, row 2, variable \"w\": the weight is missing"},
      {"negative weight", head(u, "weight=w strata=st"), u + ", row 4, variable \"w\": the weight -1 is negative"},
      {"non-numeric weight", head(u, "weight=c"), u + ", row 1, variable \"c\": \"x\" is not a number"},
      {"PSU in two strata", head(good, "weight=w strata=st psu=psu"),
       good + ", row 3, variable \"psu\": the PSU \"1\" is in stratum \"A\" at row 1 and in stratum \"B\" here; give "
              "nest"},
      {"fpc below the PSUs", head(good, "weight=w strata=st psu=psu nest fpc=f"),
       good + ", row 1, variable \"f\": the fpc 1 is smaller than the 2 PSUs sampled in stratum \"A\""},
      {"fpc varying in a stratum", head(u, "weight=psu strata=st fpc=f"),
       u + ", row 4, variable \"f\": the fpc 3 differs from 4 at row 3 of the same stratum"},
      {"fpc of 0", head(good, "weight=w strata=st fpc=r3"),
       good + ", row 3, variable \"r3\": the fpc 0 is not above 0"},
      {"single PSU under fail", head(lonely, "weight=w strata=st psu=psu"),
       lonely + ", row 3, variable \"st\": stratum \"B\" has a single PSU"},
      {"one replicate column", head(good, "weight=w replicates=r1 type=JK1"),
       good + ", variable \"r1\": a replicate design needs at least two replicate weights"},
      {"a replicate column not in the file", head(good, "weight=w replicates=r1,r9 type=JK1"),
       good + ", variable \"r9\": no such variable in the file"},
      {"a range with a gap", head(good, "weight=w replicates=r1-r4 type=JK1"),
       good + ": replicates=r1-r4: no variable r4 among 3 found"},
      {"a replicate value missing", head(good, "weight=w replicates=r* type=BRR"),
       good + ", row 5, variable \"r2\": the replicate weight is missing"},
      {"a JKn replicate dropping two strata", head(jkn, "weight=w replicates=r* type=JKn strata=st"),
       jkn + ", row 2, variable \"r1\": the replicate drops units of stratum \"B\" here and of stratum \"A\" at row 1"},
      {"a JKn replicate dropping none", head(jkn2, "weight=w replicates=r2,r1 type=JKn strata=st"),
       jkn2 + ", variable \"r2\": the replicate weight is 0 for no unit weighted above 0"},
      {"unknown type", head(good, "weight=w replicates=r* type=JK3"), "unknown replicate type \"JK3\""},
      {"too many domains", head(domains, "weight=w") + "estimate mean y by=d\n",
       domains + ", row 10001, variable \"d\": 10050 levels, the one past 10000 here; a domain variable takes at most "
                 "10000"},
      {"too many categories", head(categories, "weight=w") + "estimate proportion k\n",
       categories + ", row 1001, variable \"k\": 1001 levels, the one past 1000 here; a proportion's variable takes"},
      {"a value that is not a number", head(u, "weight=f") + "estimate mean y\n",
       u + ", row 3, variable \"y\": \"z\" is not a number"},
      {"a variable not in the file", head(good, "weight=w") + "estimate total income\n",
       good + ", variable \"income\": no such variable in the file"},
      {"no design", "data " + good + "\nestimate mean y\n", "estimate needs a survey design"},
      {"no data", "design weight=w\n", "design needs a data file"},
      {"design ended", head(good, "weight=w") + "design\nestimate mean y\n", "estimate needs a survey design"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Session s;
    const ScriptResult r = s.Run(c.script);
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find(c.error), std::string::npos) << r.err;
    EXPECT_TRUE(r.appended.empty());
    EXPECT_TRUE(s.doc.Blocks().empty());
  }
}

// An estimate from a file rewritten since its design would use strata and
// PSUs it no longer has.
TEST(SurveyRefusals, AFileChangedSinceItsDesign) {
  DataDir dir;
  const std::string path = dir.Write("c.csv", "w,y\n1,2\n1,3\n");
  std::optional<data::DataProblem> problem;
  const auto file = data::OpenDataFile(path, problem);
  ASSERT_TRUE(file);
  const auto design =
      survey::ReadDesign(*file, "c.csv", std::get<survey::DesignRequest>(survey::ParseDesign("weight=w")));
  ASSERT_TRUE(std::holds_alternative<survey::Design>(design));
  const auto request = std::get<survey::EstimateRequest>(survey::ParseEstimate("mean y"));
  EXPECT_TRUE(
      std::holds_alternative<survey::Estimates>(survey::Estimate(*file, std::get<survey::Design>(design), request)));
  dir.Write("c.csv", "w,y\n1,2\n1,3\n1,4\n");
  const auto changed = survey::Estimate(*file, std::get<survey::Design>(design), request);
  ASSERT_TRUE(std::holds_alternative<data::DataProblem>(changed));
  EXPECT_EQ(std::get<data::DataProblem>(changed).Describe(),
            "c.csv: the file changed since the design was read; give design again");
}

}  // namespace
}  // namespace mirto::test
