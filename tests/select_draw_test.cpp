// Draws through the `frame` and `draw` statements: what each design writes,
// that a seed repeats its sample (rows from tests/scripts/select/generator.py),
// that the files feed the estimation statements, and that every bad input is
// refused with nothing appended and no file left behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>

#include "data/DataFile.h"
#include "data/InOrder.h"
#include "framework/Format.h"
#include "framework/Registry.h"
#include "journal/CTervoDoc.h"
#include "select/Draw.h"
#include "select/Parse.h"
#include "support/Files.h"
#include "support/RecordCheck.h"
#include "support/ScriptRun.h"

namespace mirto::test {
namespace {

// Ten units; the sizes of tests/scripts/select/reference.R's one_certain case.
// A village's size is `gsize`.
constexpr const char* kFrame =
    "id,region,village,size,y,gsize\n"
    "1,N,A,1,1.5,10\n2,N,A,2,3,10\n3,N,A,3,4.5,10\n4,N,B,4,6,20\n5,N,B,5,7.5,20\n"
    "6,N,B,6,9,20\n7,S,C,7,10.5,5\n8,S,C,8,12,5\n9,S,D,20,13.5,40\n10,S,D,9,15,40\n";
// R: inclusionprobabilities(c(1, 2, 3, 4, 5, 6, 7, 8, 20, 9), 4).
constexpr double kPi[] = {0.066666666666666666, 0.13333333333333333, 0.20000000000000001,
                          0.26666666666666666,  0.33333333333333337, 0.40000000000000002,
                          0.46666666666666667,  0.53333333333333333, 1,
                          0.60000000000000009};
constexpr double kSize[] = {1, 2, 3, 4, 5, 6, 7, 8, 20, 9};

using Row = std::map<std::string, std::string>;

// Every row of a data file, by variable name; `typed`: numbers marked "#".
std::vector<Row> ReadRows(const std::string& path, bool typed = false) {
  std::optional<data::DataProblem> problem;
  const auto file = data::OpenDataFile(path, problem);
  EXPECT_TRUE(file) << (problem ? problem->Describe() : "");
  std::vector<Row> rows;
  if (!file) return rows;
  std::vector<std::size_t> all(file->Variables().size());
  for (std::size_t i = 0; i < all.size(); ++i) all[i] = i;
  file->Scan(all, [&](long long, std::span<const data::Value> v) {
    Row& r = rows.emplace_back();
    for (std::size_t i = 0; i < v.size(); ++i)
      r[file->Variables()[i].name] =
          v[i].numeric ? (typed ? "#" : "") + Format("%.17g", v[i].number) : std::string(v[i].text);
    return true;
  });
  return rows;
}

double Number(const Row& r, const std::string& key) {
  const auto it = r.find(key);
  return it == r.end() ? std::nan("") : std::stod(it->second);
}

class Draws : public testing::Test {
 protected:
  void SetUp() override { WriteBytes(dir / "frame.csv", kFrame); }
  ScriptResult Run(const std::string& statements) {
    return session.Run("frame " + dir / "frame.csv" + "\n" + statements);
  }
  std::string Path(const std::string& name) const { return dir / name; }
  TempDir dir;
  Session session;
};

struct DesignCase {
  const char* name;
  std::string draw;
  std::size_t rows;
  // What each written row must hold.
  void (*check)(const Row& row);
};

void Equal(const Row& r, double pi) {
  EXPECT_DOUBLE_EQ(Number(r, "pi"), pi);
  EXPECT_DOUBLE_EQ(Number(r, "weight"), 1 / pi);
}

void BySize(const Row& r) {
  const auto i = static_cast<std::size_t>(Number(r, "id")) - 1;
  EXPECT_NEAR(Number(r, "pi"), kPi[i], 4e-16) << "unit " << i + 1;
  EXPECT_NEAR(Number(r, "weight"), 1 / kPi[i], 1e-13);
}

void WithReplacement(const Row& r, double q) {
  EXPECT_DOUBLE_EQ(Number(r, "q"), q);
  EXPECT_GE(Number(r, "hits"), 1);
  EXPECT_DOUBLE_EQ(Number(r, "weight"), 1 / (4 * q));
}

// The desktop's dialog writes the statement from its request: it must read back as written.
TEST(DrawStatement, TextOfARequestReadsBackTheSame) {
  for (const char* text : {"srs n=5 replace seed=7 out=s.csv",
                           "pps n=3 size=\"x y\" method=sampford sort=k seed=1 out=\"my s.csv\" pairs=p.csv",
                           "two-stage n=2 m=3 size=N group=g seed=9007199254740991 out=s.csv population=pop.csv",
                           "systematic n=40 stratum=st allocation=optimal sd=sd.csv cost=c.csv min=2 seed=0 out=s.csv",
                           "cluster group=g sizes=nh.csv out=s.csv"}) {
    select::DrawRequest r;
    ASSERT_FALSE(select::ParseDraw(text, r)) << text;
    EXPECT_EQ(select::DrawText(r), text);
  }
  select::DrawRequest quoted;
  quoted.out = "a\"b.csv";
  EXPECT_FALSE(select::DrawText(quoted));  // no statement can write it
}

// A script's bytes come back in a message escaped, never as they are.
TEST(DrawStatement, MessagesEscapeTheScriptsBytes) {
  for (const char* text : {"\x01srs", "srs \x01", "srs n=\x01", "srs seed=\x01", "srs method=\x01", "srs \x01=1",
                           "srs \x01=1 \x01=2", "srs =\x01", "srs \x01=", "srs \x01=\"a"}) {
    select::DrawRequest r;
    const std::optional<std::string> message = select::ParseDraw(text, r);
    ASSERT_TRUE(message) << text;
    EXPECT_NE(message->find("\\x01"), std::string::npos) << *message;
    EXPECT_EQ(message->find('\x01'), std::string::npos) << *message;
  }
}

TEST_F(Draws, EachDesignWritesItsUnitsWithTheirProbabilities) {
  const DesignCase cases[] = {
      {"srs", "draw srs n=4 seed=1", 4, [](const Row& r) { Equal(r, 0.4); }},
      {"systematic", "draw systematic n=4 seed=2", 4, [](const Row& r) { Equal(r, 0.4); }},
      {"systematic sorted", "draw systematic n=5 seed=2 sort=village", 5, [](const Row& r) { Equal(r, 0.5); }},
      // Proportional: 2.4 and 1.6, the remainder to S.
      {"systematic sorted in strata", "draw systematic n=4 seed=2 sort=y stratum=region allocation=proportional", 4,
       [](const Row& r) { Equal(r, r.at("region") == "N" ? 2.0 / 6 : 2.0 / 4); }},
      {"pps systematic", "draw pps size=size n=4 method=systematic seed=3", 4, BySize},
      {"pps sorted", "draw pps size=size n=4 method=systematic seed=3 sort=village", 4, BySize},
      // Two a region, as above; N's sizes add up to 21, S's to 44: pi = 2 x / 21 and 2 x / 44, by hand.
      {"pps systematic in strata",
       "draw pps size=size n=4 method=systematic stratum=region allocation=proportional seed=3", 4,
       [](const Row& r) {
         EXPECT_NEAR(Number(r, "pi"), 2 * Number(r, "size") / (r.at("region") == "N" ? 21 : 44), 1e-15);
       }},
      {"sampford", "draw pps size=size n=4 method=sampford seed=4", 4, BySize},
      {"brewer", "draw pps size=size n=4 method=brewer seed=5", 4, BySize},
      {"stratified", "draw srs n=5 stratum=region allocation=proportional seed=6", 5,
       [](const Row& r) { Equal(r, r.at("region") == "N" ? 3.0 / 6 : 2.0 / 4); }},
      // R: inclusionprobabilities(c(10, 20, 5, 40), 2) = 2/7, 4/7, 1/7, 1 (D certain).
      {"cluster by size", "draw cluster group=village size=gsize n=2 seed=8", 0,
       [](const Row& r) {
         const std::map<std::string, double> pi = {{"A", 2.0 / 7}, {"B", 4.0 / 7}, {"C", 1.0 / 7}, {"D", 1}};
         EXPECT_NEAR(Number(r, "pi"), pi.at(r.at("village")), 1e-15);
       }},
      {"two-stage", "draw two-stage group=village n=2 m=2 seed=7", 4,
       [](const Row& r) {
         const double M = r.at("village") == "C" || r.at("village") == "D" ? 2 : 3;
         EXPECT_DOUBLE_EQ(Number(r, "pi1"), 0.5);
         EXPECT_DOUBLE_EQ(Number(r, "pi2"), 2 / M);
         EXPECT_DOUBLE_EQ(Number(r, "pi"), 0.5 * 2 / M);
         EXPECT_DOUBLE_EQ(Number(r, "group_units"), M);
       }},
  };
  for (const DesignCase& c : cases) {
    SCOPED_TRACE(c.name);
    const ScriptResult r = Run(c.draw + " out=" + Path("s.csv"));
    ASSERT_EQ(r.status, 0) << r.err;
    const std::vector<Row> rows = ReadRows(Path("s.csv"));
    if (c.rows) {
      EXPECT_EQ(rows.size(), c.rows);
    }
    for (const Row& row : rows) c.check(row);
    if (c.check == BySize) {
      EXPECT_TRUE(std::any_of(rows.begin(), rows.end(), [](const Row& row) { return row.at("id") == "9"; }))
          << "the certainty unit";
    }
  }
}

// A frame read whole, row after row: what a draw read before it passed over
// the rows it does not take; `gained` rows more than its count says, as if
// written to between the count and the pass that writes.
class WholeFrame final : public data::DataFile {
 public:
  WholeFrame(std::unique_ptr<data::DataFile> file, long long gained)
      : DataFile(file->Path(), file->Variables()), m_file(std::move(file)), m_gained(gained) {}
  std::optional<data::DataProblem> Scan(std::span<const std::size_t> columns, const Visit& visit) const override {
    return m_file->Scan(columns, visit);
  }
  std::optional<data::DataProblem> Count(long long& rows) const override {
    auto problem = m_file->Count(rows);
    rows -= m_gained;
    return problem;
  }

 private:
  std::unique_ptr<data::DataFile> m_file;
  long long m_gained;
};

select::DrawOptions ReadWhole(long long gained = 0) {
  select::DrawOptions options;
  options.open = [gained](const std::string& path, std::optional<data::DataProblem>& problem) {
    auto file = data::OpenDataFile(path, problem);
    return file ? std::make_unique<WholeFrame>(std::move(file), gained) : nullptr;
  };
  return options;
}

TEST_F(Draws, AFrameThatChangedBetweenPassesIsRefused) {
  select::DrawRequest request;
  request.frame = Path("frame.csv");
  ASSERT_FALSE(select::ParseDraw("systematic n=3 seed=1 out=" + Path("s.csv"), request));
  select::DrawResult result;
  const auto problem = select::RunDraw(request, ReadWhole(1), result);
  ASSERT_TRUE(problem);
  EXPECT_EQ(problem->text, "the frame changed while it was read");
  EXPECT_EQ(dir.Names(), (std::vector<std::string>{"frame.csv"}));
}

// The same seed gives the same sample file, byte for byte, whether the rows
// not taken are passed over, read from their place or read, in small blocks
// on two threads.
TEST_F(Draws, RowsPassedOverGiveTheSampleOfAFrameReadWhole) {
  std::string frame = "id,name,y\n";
  for (int i = 1; i <= 5000; ++i)
    frame += Format(i % 11 == 0 ? "%d,\"n,%d\",%d.5" : "%d, n%d ,%d.5", i, i, i) + (i % 4 ? "\n" : "\r\n") +
             (i == 99 ? "\n" : "");
  WriteBytes(Path("frame.csv"), frame);
  const data::ReadSettings saved = data::CurrentReadSettings();
  data::SetReadSettings({2, 1 << 10});
  for (const char* draw : {"systematic n=313 seed=5", "srs n=700 replace seed=6", "systematic n=5000 seed=7",
                           "pps size=y method=systematic n=300 seed=8", "pps size=y method=wr n=300 seed=9"}) {
    SCOPED_TRACE(draw);
    std::string bytes[2];
    for (int whole = 0; whole < 2; ++whole) {
      select::DrawRequest request;
      request.frame = Path("frame.csv");
      ASSERT_FALSE(select::ParseDraw(std::string(draw) + " out=" + Path("s.csv"), request));
      select::DrawResult result;
      const auto problem = select::RunDraw(request, whole ? ReadWhole() : select::DrawOptions{}, result);
      ASSERT_FALSE(problem) << problem->Describe();
      bytes[whole] = ReadBytes(Path("s.csv"));
    }
    EXPECT_EQ(bytes[0], bytes[1]);
    EXPECT_NE(bytes[0].find("\"n,"), std::string::npos) << "no quoted row drawn";
  }
  data::SetReadSettings(saved);
}

TEST_F(Draws, WithReplacementRowsCarryTheirHits) {
  for (const char* draw : {"draw srs n=4 seed=8 replace", "draw pps size=size n=4 method=wr seed=9"}) {
    SCOPED_TRACE(draw);
    ASSERT_EQ(Run(std::string(draw) + " out=" + Path("s.csv")).status, 0);
    double hits = 0;
    for (const Row& row : ReadRows(Path("s.csv"))) {
      WithReplacement(row, std::string(draw).find("pps") != std::string::npos
                               ? kSize[static_cast<std::size_t>(Number(row, "id")) - 1] / 65
                               : 0.1);
      hits += Number(row, "hits");
    }
    EXPECT_EQ(hits, 4);
  }
}

TEST_F(Draws, ClusterWritesEveryUnitOfItsGroups) {
  ASSERT_EQ(Run("draw cluster group=village n=2 seed=10 out=" + Path("s.csv")).status, 0);
  std::map<std::string, int> units;
  for (const Row& row : ReadRows(Path("s.csv"))) {
    ++units[row.at("village")];
    Equal(row, 0.5);
    EXPECT_EQ(Number(row, "group_units"), row.at("village") == "C" || row.at("village") == "D" ? 2 : 3);
  }
  ASSERT_EQ(units.size(), 2u);
  for (const auto& [village, count] : units) EXPECT_EQ(count, village == "C" || village == "D" ? 2 : 3) << village;
}

// The generator is part of the file format: these rows are the independent implementation's.
TEST_F(Draws, ASeedGivesTheSameRowsAsTheIndependentImplementation) {
  auto ids = [&](const std::string& draw) {
    EXPECT_EQ(Run(draw + " out=" + Path("s.csv")).status, 0);
    std::vector<std::string> out;
    for (const Row& row : ReadRows(Path("s.csv"))) out.push_back(row.at("id"));
    return out;
  };
  EXPECT_EQ(ids("draw systematic n=4 seed=11"), (std::vector<std::string>{"1", "4", "6", "9"}));
  EXPECT_EQ(ids("draw srs n=4 seed=12"), (std::vector<std::string>{"1", "4", "5", "10"}));
  ASSERT_EQ(Run("draw pps size=size n=4 method=sampford seed=13 out=" + Path("a.csv")).status, 0);
  ASSERT_EQ(Run("draw pps size=size n=4 method=sampford seed=13 out=" + Path("b.csv")).status, 0);
  EXPECT_EQ(ReadBytes(Path("a.csv")), ReadBytes(Path("b.csv")));
}

// The block as worked out by hand: unit 9 has pi = 4 * 20 / 65 >= 1, the
// others 3 x / 45; the pi add up to 1 + 3 = 4.
TEST_F(Draws, ReportBlock) {
  const ScriptResult r =
      Run("draw pps size=size n=4 method=sampford seed=14 out=" + Path("s.csv") + " pairs=" + Path("p.csv"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.appended, Lines("*********\n"
                              "Target: Sample of units from a frame\n"
                              "Method: Unequal probabilities, without replacement\n"
                              "Objective: Sample selection\n"
                              "Estimator: HTE\n"
                              "Frame: " +
                              Path("frame.csv") +
                              "\n"
                              "Frame units, N= 10\n"
                              "Selection: Sampford's method, probability proportional to size\n"
                              "Size variable: size\n"
                              "Seed: 14\n"
                              "Sample size, n= 4\n"
                              "Certainty units (pi = 1): 1\n"
                              "       Row       Size\n"
                              "         9  20.000000\n"
                              "Sum of pi over the frame's units: 4.000000\n"
                              "Units in the sample file: 4\n"
                              "Sample file: " +
                              Path("s.csv") +
                              "\n"
                              "Pairs file: " +
                              Path("p.csv") + ", 6 pairs, exact joint probabilities"));
  const CompletedBlock& block = session.doc.Blocks().back();
  ASSERT_NE(block.command, nullptr);
  EXPECT_EQ(block.command->path, "Sample selection");
  EXPECT_EQ(MissingFigures(session.doc, block), "");
}

// Every figure of every kind of block is in its record, under documented keys.
TEST_F(Draws, RecordsHoldWhatTheBlocksPrint) {
  WriteBytes(Path("sd.csv"), "region,S\nN,2\nS,1\n");
  WriteBytes(Path("cost.csv"), "N,4\nS,1\n");
  WriteBytes(Path("n.csv"), "N,1\nS,1\n");
  const ScriptResult all =
      Run("draw systematic n=4 seed=1 out=" + Path("a.csv") +
          "\ndraw pps size=size n=5 method=systematic stratum=region allocation=optimal sd=" + Path("sd.csv") +
          " cost=" + Path("cost.csv") + " seed=2 out=" + Path("b.csv") + " pairs=" + Path("p.csv") +
          "\ndraw two-stage group=village m=1 stratum=region sizes=" + Path("n.csv") + " seed=3 out=" + Path("c.csv") +
          "\ndraw pps size=size n=3 method=wr seed=4 out=" + Path("d.csv") +
          "\ndraw srs n=5 stratum=region allocation=neyman sd=y seed=5 out=" + Path("e.csv"));
  ASSERT_EQ(all.status, 0) << all.err;
  std::ifstream in(std::string(MIRTO_DOCS_DIR) + "/results.md");
  const std::string docs((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  for (const CompletedBlock& block : session.doc.Blocks()) {
    SCOPED_TRACE(session.doc.GetJournal()[block.firstLine + 2]);
    EXPECT_EQ(MissingFigures(session.doc, block), "");
    for (const std::string& key : RecordKeys(block.record))
      EXPECT_NE(docs.find("`" + key + "`"), std::string::npos) << key << " is not in docs/results.md";
  }
}

// The files feed the estimation statements: the sample with its pi, the pairs
// file for the joint-probability interval, the population file for the strata.
TEST_F(Draws, FilesFeedTheEstimates) {
  for (const char* method : {"systematic", "sampford", "brewer"}) {
    SCOPED_TRACE(method);
    ASSERT_EQ(Run(std::string("draw pps size=size n=4 method=") + method + " seed=21 out=" + Path("s.csv") +
                  " pairs=" + Path("p.csv"))
                  .status,
              0);
    const ScriptResult r = session.Run("data " + Path("s.csv") + "\nuse y=y prob=pi\npairs " + Path("p.csv") +
                                       "\ncommand Un.Prob.WithoutRepl. > Mean/total of variable > Interval estimates "
                                       "(joint probabilities)\nok 10; 95%\nuse\npairs\n");
    EXPECT_EQ(r.status, 0) << r.err;
  }
  ASSERT_EQ(Run("draw srs n=6 stratum=region allocation=proportional seed=22 out=" + Path("s.csv") +
                " population=" + Path("pop.csv"))
                .status,
            0);
  EXPECT_EQ(ReadBytes(Path("pop.csv")), "region,N_h\nN,6\nS,4\n");
  const ScriptResult r =
      session.Run("data " + Path("s.csv") + "\nuse y=y stratum=region\npopulation " + Path("pop.csv") +
                  "\ncommand Stratified > Mean/total of variable > Interval estimates\nok 95%\n");
  EXPECT_EQ(r.status, 0) << r.err;
}

TEST_F(Draws, SpssAndStataFilesHoldWhatTheCsvHolds) {
  ASSERT_EQ(Run("draw pps size=size n=4 method=brewer seed=23 out=" + Path("s.csv")).status, 0);
  const std::vector<Row> csv = ReadRows(Path("s.csv"), true);
  for (const char* name : {"s.sav", "s.zsav", "s.dta"}) {
    SCOPED_TRACE(name);
    ASSERT_EQ(Run("draw pps size=size n=4 method=brewer seed=23 out=" + Path(name)).status, 0);
    const std::vector<Row> stat = ReadRows(Path(name), true);
    ASSERT_EQ(stat.size(), csv.size());
    for (std::size_t i = 0; i < csv.size(); ++i)
      for (const auto& [key, value] : csv[i]) EXPECT_EQ(stat[i].at(key), value) << key;
  }
}

TEST_F(Draws, AFrameColumnNamedAsAnAddedOneGetsASuffix) {
  WriteBytes(Path("frame.csv"), "id,PI,weight,weight_frame\n1,a,b,c\n2,d,e,f\n");
  const ScriptResult r = Run("draw srs n=1 seed=24 out=" + Path("s.csv"));
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(Lines(ReadBytes(Path("s.csv")))[0], "id,PI_frame,weight_frame2,weight_frame,pi,weight");
  EXPECT_NE(std::find(r.appended.begin(), r.appended.end(), "Frame column PI is written as PI_frame"),
            r.appended.end());
  EXPECT_NE(std::find(r.appended.begin(), r.appended.end(), "Frame column weight is written as weight_frame2"),
            r.appended.end());
}

// The n_h of a Neyman allocation are those of the "Allocation of a given n" command.
TEST_F(Draws, AllocationAsTheAllocationCommand) {
  std::string frame = "id,stratum\n";
  const int N[] = {40, 25, 3, 60};
  int id = 0;
  for (int h = 0; h < 4; ++h)
    for (int k = 0; k < N[h]; ++k) frame += std::to_string(++id) + "," + std::to_string(h + 1) + "\n";
  WriteBytes(Path("frame.csv"), frame);
  WriteBytes(Path("sd.csv"), "1,12.5\n2,30\n3,80\n4,0\n");
  const ScriptResult draw = Run("draw srs n=20 stratum=stratum allocation=neyman sd=" + Path("sd.csv") +
                                " min=2 seed=25 out=" + Path("s.csv"));
  ASSERT_EQ(draw.status, 0) << draw.err;
  const Record drawn = session.doc.Blocks().back().record;
  const ScriptResult command = session.Run(
      "command Stratified > Mean/total of variable > Allocation of a given n\nok 4; 20; 2\nok 40; 12.5\nok 25; "
      "30\nok 3; 80\nok 60; 0\n");
  ASSERT_EQ(command.status, 0) << command.err;
  const Record allocated = session.doc.Blocks().back().record;
  const Table* strata = nullptr;
  const Table* allocation = nullptr;
  for (const Table& t : drawn.tables()) strata = t.key() == "strata" ? &t : strata;
  for (const Table& t : allocated.tables()) allocation = t.key() == "allocation" ? &t : allocation;
  ASSERT_TRUE(strata && allocation);
  for (std::size_t h = 0; h < 4; ++h) EXPECT_EQ(strata->at(h, 1), allocation->at(h, 1)) << h;
}

struct BadInput {
  const char* name;
  std::string frame;  // the frame's text; empty: kFrame
  std::string draw;   // out= is added
  std::string message;
  int status = 2;
};

// Each bad input names its file, row and variable; nothing is appended and no
// file is left beside the inputs.
TEST_F(Draws, BadInputIsRefusedAndLeavesNothing) {
  std::string equal = "id,size\n";
  for (int i = 1; i <= 200; ++i) equal += std::to_string(i) + ",1\n";
  const BadInput cases[] = {
      {"missing size", "id,size\n1,3\n2,\n", "draw pps size=size n=1 method=brewer seed=1",
       "frame.csv, row 2, variable \"size\": the size is missing"},
      {"zero size", "id,size\n1,3\n2,0\n", "draw pps size=size n=1 method=systematic seed=1",
       "frame.csv, row 2, variable \"size\": a size must be above 0, found 0"},
      {"negative size", "id,size\n1,-2\n", "draw pps size=size n=1 method=wr seed=1",
       "frame.csv, row 1, variable \"size\": a size must be above 0, found -2"},
      {"text size", "id,size\n1,many\n", "draw pps size=size n=1 method=sampford seed=1",
       "frame.csv, row 1, variable \"size\": \"many\" is not a number"},
      {"no such variable", "", "draw pps size=weight n=1 method=brewer seed=1",
       "frame.csv, variable \"weight\": no such variable in the frame"},
      {"n above N", "", "draw srs n=11 seed=1", "frame.csv: n= 11 is larger than the frame's N= 10 units"},
      {"n above N, systematic", "", "draw systematic n=11 seed=1", "n= 11 is larger than the frame's N= 10 units"},
      {"short row not drawn", "id,y\n1,2\n2\n3,4\n", "draw systematic n=1 seed=1",
       "frame.csv, row 2 (line 3): 1 field, where the header (line 1) has 2"},
      {"n_h above N_h", "", "draw srs stratum=region sizes=SIZES seed=1",
       "sizes.csv, line 3: stratum \"S\": n_h= 5 is larger than N_h= 4 units"},
      {"N_h = 0 allocated", "", "draw systematic stratum=region sizes=EMPTY seed=1",
       "empty.csv, line 3: the stratum \"E\" has no units in the frame (N_h = 0) but n_h= 2"},
      {"missing stratum", "id,region\n1,N\n2,\n", "draw srs n=1 stratum=region allocation=proportional seed=1",
       "frame.csv, row 2, variable \"region\": the stratum is missing"},
      {"group smaller than m", "", "draw two-stage group=village n=4 m=3 seed=1",
       "frame.csv, row 7, variable \"village\": the group \"C\" has 2 units, fewer than m= 3"},
      {"group in two strata", "id,region,village\n1,N,A\n2,S,A\n",
       "draw cluster group=village n=1 stratum=region "
       "allocation=proportional seed=1",
       "row 2, variable \"region\": the group \"A\" is in the stratum \"N\" at row 1"},
      {"out is the frame", "", "draw srs n=1 seed=1 out=FRAME", "out="},
      {"out is the journal", "", "draw srs n=1 seed=1 out=JOURNAL", "is the journal"},
      {"Sampford does not converge", equal, "draw pps size=size n=100 method=sampford seed=1",
       "drew no sample of distinct units in 100000 tries: its probabilities make repeats too likely; use "
       "method=brewer"},
      {"unknown option", "", "draw srs n=1 seed=1 colour=red", "draw: unknown option colour="},
      {"seed too large", "", "draw srs n=1 seed=9007199254740992",
       "seed=9007199254740992: a seed is a whole number from 0 to 9007199254740991"},
      {"sort for sampford", "", "draw pps size=size n=2 method=sampford sort=id seed=1", "sort= orders the frame"},
      {"unwritable out", "", "draw srs n=1 seed=1 out=/nonexistent/s.csv", "cannot write /nonexistent/s.csv", 1},
  };
  WriteBytes(Path("sizes.csv"), "region,n\nN,2\nS,5\n");
  WriteBytes(Path("empty.csv"), "N,1\nS,1\nE,2\n");
  session.doc.SetPathName(Path("j.jrn"));
  for (const BadInput& c : cases) {
    SCOPED_TRACE(c.name);
    WriteBytes(Path("frame.csv"), c.frame.empty() ? kFrame : c.frame);
    std::string draw = c.draw;
    for (auto [word, file] : {std::pair("SIZES", "sizes.csv"), std::pair("EMPTY", "empty.csv"),
                              std::pair("FRAME", "frame.csv"), std::pair("JOURNAL", "j.jrn")})
      if (const auto at = draw.find(word); at != std::string::npos)
        draw.replace(at, std::string(word).size(), Path(file));
    if (draw.find("out=") == std::string::npos) draw += " out=" + Path("s.csv");
    if (draw.find("pps") != std::string::npos && draw.find("wr") == std::string::npos)
      draw += " pairs=" + Path("p.csv");
    const std::size_t blocks = session.doc.Blocks().size();
    const ScriptResult r = Run(draw);
    EXPECT_EQ(r.status, c.status) << r.err;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    EXPECT_EQ(r.appended.size(), 0u);
    EXPECT_EQ(session.doc.Blocks().size(), blocks);
    EXPECT_EQ(dir.Names(), (std::vector<std::string>{"empty.csv", "frame.csv", "sizes.csv"}));
  }
}

}  // namespace
}  // namespace mirto::test
