// The unit-level data readers. Every expected value below is the one the test
// itself wrote into the file.
#include <gtest/gtest.h>
#include <readstat.h>
#include <unistd.h>

#include <cmath>
#include <string>
#include <vector>

#include "data/DataFile.h"
#include "data/DataSession.h"
#include "data/Delimited.h"
#include "data/InOrder.h"
#include "framework/Format.h"
#include "support/Files.h"

namespace mirto::data {
namespace {

using test::TempDir;

// "ROW:v|v;" per row, a value shown as =NUMBER, 'TEXT' or - (missing); or
// the problem that ended the scan after what came before it.
std::string Shown(const DataFile& file, const std::vector<std::string>& names, long long stopAfter = -1) {
  std::vector<std::size_t> columns;
  for (const std::string& name : names) {
    const auto column = file.Find(name);
    if (!column) return "no " + name;
    columns.push_back(*column);
  }
  std::string out;
  const auto problem = file.Scan(columns, [&](long long row, std::span<const Value> values) {
    out += std::to_string(row) + ":";
    for (const Value& v : values) {
      out += v.missing ? "-" : v.numeric ? Format("=%g", v.number) : "'" + std::string(v.text) + "'";
      if (v.numeric && v.text != Format("%g", v.number) && !v.missing) out += "'" + std::string(v.text) + "'";
      out += '|';
    }
    out.back() = ';';
    return row != stopAfter;
  });
  return problem ? out + problem->Describe() : out;
}

std::string Opened(const std::string& path, const std::vector<std::string>& names, long long stopAfter = -1) {
  std::optional<DataProblem> problem;
  const auto file = OpenDataFile(path, problem);
  if (!file) return problem ? problem->Describe() : "null without a problem";
  return Shown(*file, names, stopAfter);
}

struct TextCase {
  const char* bytes;
  std::vector<std::string> columns;
  const char* expected;  // with F for the file's path
};

TEST(DataFileTest, DelimitedCellsRowsAndProblems) {
  const TextCase cases[] = {
      {"y,region\n1.5,North\n,South\nNA,.\n", {"y", "region"}, "1:=1.5|'North';2:-|'South';3:-|'.';"},
      // Numbers: sign, blanks and exponent allowed; a decimal comma and "na" are text.
      {"y\n +2 \n-3e2\n\"1,5\"\nna\n\" 4\"\n", {"Y"}, "1:=2'+2';2:=-300'-3e2';3:'1,5';4:'na';5:=4' 4';"},
      {"\xEF\xBB\xBFid;name\r\n1;\"a;b\"\r\n2;\"say \"\"hi\"\"\"\r\n", {"name", "id"}, "1:'a;b'|=1;2:'say \"hi\"'|=2;"},
      {"a\tb\n1\t2\n\n3\t4", {"b"}, "1:=2;2:=4;"},
      {"a,b\n1,\"two\nlines\"\n3,4\n", {"b", "a"}, "1:'two\nlines'|=1;2:=4|=3;"},
      {"a,b\n1,2\n3\n", {"a"}, "1:=1;F, row 2 (line 3): 1 field, where the header (line 1) has 2"},
      {"a,b\n1,2,3\n", {"a"}, "F, row 1 (line 2): 3 fields, where the header (line 1) has 2"},
      {"a,b\n1,\"open\n", {"a"}, "F, row 1 (line 2): a quoted field is not closed"},
      {"a,b\n1,x\"y\n",
       {"a"},
       "F, row 1 (line 2): field 2: a quote inside a field that is not quoted, or text after a closing quote"},
      {"a,,c\n", {"a"}, "F, the header (line 1): column 2 has no name"},
      {"a,b,a\n", {"a"}, "F, the header (line 1), variable \"a\": column 3 repeats the name of column 1"},
      {"", {"a"}, "F: the file is empty: its first line must name the variables"},
      {"Rate,rate\n1,2\n", {"rate", "RATE"}, "no RATE"},
  };
  const TempDir dir;
  const std::string path = dir / "data.csv";
  for (const TextCase& c : cases) {
    test::WriteBytes(path, c.bytes);
    std::string expected = c.expected;
    for (std::size_t at; (at = expected.find("F")) != std::string::npos && (at == 0 || expected[at - 1] == ';');)
      expected.replace(at, 1, path);
    EXPECT_EQ(Opened(path, c.columns), expected) << c.bytes;
  }
}

// Problems past the first pieces the reader takes whole: still on their
// line, and no row visited twice. Lines counted by hand: a blank line after
// row 5 and a two-line field in row 10 put row 20001 on line 20004.
TEST(DataFileTest, LateProblemsKeepTheirLineAndRowsAreVisitedOnce) {
  std::string rows = "a,b\n";
  for (int i = 1; i <= 20000; ++i)
    rows += i == 10 ? "10,\"two\nlines\"\n" : Format("%d,%d\n", i, i) + (i == 5 ? "\n" : "");
  const struct {
    std::string tail;
    std::string problem;
  } cases[] = {
      {"x\n", "row 20001 (line 20004): 1 field, where the header (line 1) has 2"},
      {std::string("1,\0\n", 4), "row 20001 (line 20004): a NUL byte: this is not a text file"},
      {"1,\"" + std::string(kMaxRecordBytes, 'z') + "\"\n",
       Format("row 20001 (line 20004): longer than %zu bytes", kMaxRecordBytes)},
      {"20001,2\n", ""},
  };
  const TempDir dir;
  for (const auto& c : cases) {
    test::WriteBytes(dir / "d.csv", rows + c.tail);
    std::optional<DataProblem> problem;
    const auto file = OpenDataFile(dir / "d.csv", problem);
    ASSERT_TRUE(file);
    long long expected = 1;
    const std::size_t columns[] = {0};
    problem = file->Scan(columns, [&](long long row, std::span<const Value> values) {
      EXPECT_EQ(row, expected) << "visited out of order or twice";
      EXPECT_EQ(values[0].number, row);
      return ++expected, true;
    });
    EXPECT_EQ(expected - 1, c.problem.empty() ? 20001 : 20000);
    EXPECT_EQ(problem ? problem->Describe() : "", c.problem.empty() ? "" : dir / "d.csv" + ", " + c.problem);
  }
}

// A scan of chosen rows gives those rows as written (quoted, two-line, CRLF,
// after a blank line; first and last), in small blocks and large, on one
// thread and two; a malformed row it passes over stops it as a full scan.
// Read from the marks of a scan, they are the same; a file changed since is refused.
TEST(DataFileTest, ChosenRowsAreReadAsWrittenAndTheOthersChecked) {
  auto text = [](int i) { return i % 7 == 0 ? Format("q,%d", i) : i == 10 ? "two\nlines" : Format("t%d", i); };
  std::string rows = "a,b\n";
  for (int i = 1; i <= 20000; ++i) {
    const std::string b = i % 7 == 0 || i == 10 ? "\"" + text(i) + "\"" : " " + text(i);
    rows += Format("%d,", i) + b + (i % 3 == 0 ? "\r\n" : "\n") + (i == 5 ? "\n" : "");
  }
  const std::vector<long long> chosen = {1, 5, 6, 10, 10, 14, 777, 4096, 4097, 19999, 20000};
  const TempDir dir;
  const std::size_t columns[] = {1, 0};
  const ReadSettings saved = CurrentReadSettings();
  for (const ReadSettings settings : {ReadSettings{1, 1 << 12}, ReadSettings{2, 1 << 12}, ReadSettings{2, 1 << 17}}) {
    SetReadSettings(settings);
    for (const std::string tail : {"", "20001\n"}) {
      test::WriteBytes(dir / "d.csv", rows + tail);
      std::optional<DataProblem> problem;
      const auto file = OpenDataFile(dir / "d.csv", problem);
      ASSERT_TRUE(file);
      std::vector<long long> seen;
      long long total = 0;
      problem = file->ScanRows(
          columns, 1, chosen,
          [&](long long row, std::span<const Value> v) {
            seen.push_back(row);
            EXPECT_EQ(v[0].text, text(static_cast<int>(row))) << row;
            EXPECT_EQ(Completed(v[1]).number, row);
            return true;
          },
          total);
      EXPECT_EQ(seen, (std::vector<long long>{1, 5, 6, 10, 14, 777, 4096, 4097, 19999, 20000}));
      EXPECT_EQ(total, 20000);
      std::vector<RowMark> marks, from;
      FileStamp stamp;
      file->ScanMarking(
          columns, 0, [](long long, std::size_t, std::span<const Value>) { return true; },
          [&](const RowMark& m) { marks.push_back(m); }, stamp);
      ASSERT_EQ(marks.size(), 1250u);  // rows 1, 17, ..., 19985
      for (long long row : chosen) from.push_back(marks[static_cast<std::size_t>((row - 1) / kMarkEvery)]);
      const auto marked = [&] {
        std::vector<long long> read;
        auto p = file->ReadMarked(
            from, chosen, columns,
            [&](long long row, std::span<const Value> v) {
              read.push_back(row);
              EXPECT_EQ(v[0].text, text(static_cast<int>(row))) << row;
              EXPECT_EQ(Completed(v[1]).number, row);
              return true;
            },
            stamp);
        return p ? p->Describe() : read == seen ? "same" : "other rows";
      };
      EXPECT_EQ(marked(), "same");
      stamp.size += 1;
      EXPECT_EQ(marked(), dir / "d.csv: the file changed while it was read");
      EXPECT_EQ(
          problem ? problem->Describe() : "",
          tail.empty() ? "" : dir / "d.csv" + ", row 20001 (line 20004): 1 field, where the header (line 1) has 2");
    }
  }
  SetReadSettings(saved);
}

// A file cut short while a scan reads it is refused, on one thread and two,
// and the process lives on (the pages it lost read as zeros); so is a file
// written to while it is read.
TEST(DataFileTest, AFileChangedWhileReadIsRefused) {
  std::string rows = "a,b\n";
  for (int i = 1; i <= 100000; ++i) rows += Format("%d,%d.5\n", i, i);
  const TempDir dir;
  const ReadSettings saved = CurrentReadSettings();
  for (const unsigned threads : {1u, 2u, 3u}) {
    SetReadSettings({std::min(threads, 2u), 1 << 12});
    test::WriteBytes(dir / "d.csv", rows);
    std::optional<DataProblem> problem;
    const auto file = OpenDataFile(dir / "d.csv", problem);
    ASSERT_TRUE(file);
    const std::size_t columns[] = {1};
    long long seen = 0;
    problem = file->Scan(columns, [&](long long row, std::span<const Value>) {
      if (row == 1 && threads < 3) {
        EXPECT_EQ(::truncate((dir / "d.csv").c_str(), 100), 0);
      } else if (row == 1) {
        test::WriteBytes(dir / "d.csv", rows + "100001,1\n");
      }
      return ++seen, true;
    });
    EXPECT_LT(seen, threads < 3 ? 100000 : 100002);
    EXPECT_EQ(problem ? problem->Describe() : "", dir / "d.csv: the file changed while it was read");
  }
  SetReadSettings(saved);
}

TEST(DataFileTest, EarlyStopProfileAndExtensions) {
  const TempDir dir;
  test::WriteBytes(dir / "d.TSV", "n\tlabel\tempty\n1\tx\t\n2\t3\tNA\n3\t\t\n");
  EXPECT_EQ(Opened(dir / "d.TSV", {"n"}, 2), "1:=1;2:=2;");
  std::optional<DataProblem> problem;
  const auto file = OpenDataFile(dir / "d.TSV", problem);
  ASSERT_TRUE(file);
  DataProfile profile;
  EXPECT_FALSE(Profile(*file, profile));
  EXPECT_EQ(profile.rows, 3);
  ASSERT_EQ(profile.variables.size(), 3u);
  EXPECT_EQ(profile.variables[0].type, VariableType::Numeric);
  EXPECT_EQ(profile.variables[1].type, VariableType::Text);
  EXPECT_EQ(profile.variables[1].missing, 1);
  EXPECT_EQ(profile.variables[2].type, VariableType::Unknown);  // no cell tells
  EXPECT_EQ(profile.variables[2].missing, 3);

  test::WriteBytes(dir / "d.xlsx", "n\n1\n");
  EXPECT_EQ(Opened(dir / "d.xlsx", {"n"}), dir / "d.xlsx" +
                                               ": not a data file Mirto reads: the name must end in .csv, .tsv, "
                                               ".txt, .sav, .zsav, .dta or .sas7bdat");
  EXPECT_EQ(Opened(dir / "none.csv", {"n"}), dir / "none.csv" + ": cannot read it: No such file or directory");
}

// A file of the kind `extension` names, made with ReadStat's writer: y with a
// declared missing value (99 in SPSS, .a elsewhere), a labelled region and a
// text column.
std::string Written(const std::string& extension) {
  std::string bytes;
  readstat_writer_t* w = readstat_writer_init();
  readstat_set_data_writer(w, [](const void* data, std::size_t size, void* out) {
    static_cast<std::string*>(out)->append(static_cast<const char*>(data), size);
    return static_cast<ssize_t>(size);
  });
  readstat_label_set_t* regions = readstat_add_label_set(w, READSTAT_TYPE_INT32, "regions");
  readstat_label_int32_value(regions, 1, "North");
  readstat_label_int32_value(regions, 2, "South");
  readstat_variable_t* y = readstat_add_variable(w, "y", READSTAT_TYPE_DOUBLE, 0);
  readstat_variable_set_label(y, "Income");
  readstat_variable_add_missing_double_value(y, 99);
  readstat_variable_t* region = readstat_add_variable(w, "region", READSTAT_TYPE_INT32, 0);
  readstat_variable_set_label_set(region, regions);
  readstat_variable_t* name = readstat_add_variable(w, "name", READSTAT_TYPE_STRING, 8);
  const bool spss = extension == "sav" || extension == "zsav";
  if (extension == "zsav") readstat_writer_set_compression(w, READSTAT_COMPRESS_BINARY);
  const long rows = 4;
  if (spss) readstat_begin_writing_sav(w, &bytes, rows);
  if (extension == "dta") readstat_begin_writing_dta(w, &bytes, rows);
  if (extension == "sas7bdat") readstat_begin_writing_sas7bdat(w, &bytes, rows);
  const double ys[] = {1.5, 99, NAN, 4};
  const int32_t rs[] = {1, 2, 1, 3};
  const char* names[] = {"ann", "bob", "", "cy"};
  for (int i = 0; i < rows; ++i) {
    readstat_begin_row(w);
    if (i == 1 && !spss)
      readstat_insert_tagged_missing_value(w, y, extension == "dta" ? 'a' : 'A');
    else if (std::isnan(ys[i]))
      readstat_insert_missing_value(w, y);
    else
      readstat_insert_double_value(w, y, ys[i]);
    readstat_insert_int32_value(w, region, rs[i]);
    readstat_insert_string_value(w, name, names[i]);
    readstat_end_row(w);
  }
  EXPECT_EQ(readstat_end_writing(w), READSTAT_OK) << extension;
  readstat_writer_free(w);
  return bytes;
}

TEST(DataFileTest, StatFilesValuesLabelsMissingAndCuts) {
  struct Case {
    const char* extension;
    const char* expected;
    const char* stopped;  // region, stopping after row 2
  };
  // As written above; a SAS data file keeps no value labels (those live in a catalog).
  const Case cases[] = {
      {"sav", "1:'ann'|=1.5|=1'North';2:'bob'|-|=2'South';3:-|-|=1'North';4:'cy'|=4|=3;", "1:=1'North';2:=2'South';"},
      {"zsav", "1:'ann'|=1.5|=1'North';2:'bob'|-|=2'South';3:-|-|=1'North';4:'cy'|=4|=3;", "1:=1'North';2:=2'South';"},
      {"dta", "1:'ann'|=1.5|=1'North';2:'bob'|-|=2'South';3:-|-|=1'North';4:'cy'|=4|=3;", "1:=1'North';2:=2'South';"},
      {"sas7bdat", "1:'ann'|=1.5|=1;2:'bob'|-|=2;3:-|-|=1;4:'cy'|=4|=3;", "1:=1;2:=2;"},
  };
  const TempDir dir;
  for (const Case& c : cases) {
    const std::string path = dir / (std::string("d.") + c.extension);
    const std::string bytes = Written(c.extension);
    test::WriteBytes(path, bytes);
    EXPECT_EQ(Opened(path, {"NAME", "y", "region"}), c.expected) << path;
    EXPECT_EQ(Opened(path, {"region"}, 2), c.stopped) << path;

    std::optional<DataProblem> problem;
    const auto file = OpenDataFile(path, problem);
    ASSERT_TRUE(file) << problem->Describe();
    EXPECT_EQ(file->Variables()[0].label, "Income") << path;
    EXPECT_EQ(file->Variables()[2].type, VariableType::Text) << path;
    DataSession session;
    ASSERT_FALSE(session.Open(path, c.extension));
    const std::pair<Role, std::string> text[] = {{Role::X, "name"}};
    EXPECT_EQ(session.Use(text).value_or(DataProblem{}).Describe(),
              std::string(c.extension) + ", variable \"name\": the variable is not numeric; role x needs numbers");
    DataProfile profile;
    EXPECT_FALSE(Profile(*file, profile));
    EXPECT_EQ(profile.rows, 4);
    EXPECT_EQ(profile.variables[0].missing, 2) << path;

    // A file cut short anywhere gives a problem named with the file, or (cut
    // only in what follows the data) every value and label: never fewer.
    const std::string cutPath = dir / (std::string("cut.") + c.extension);
    std::vector<std::size_t> cuts;  // spread over the file, and every one near its end (labels, closing tags)
    for (std::size_t k = 0; k < 128; ++k) cuts.push_back(bytes.size() * k / 128);
    for (std::size_t back = 1; back <= std::min<std::size_t>(256, bytes.size()); ++back)
      cuts.push_back(bytes.size() - back);
    for (std::size_t cut : cuts) {
      test::WriteBytes(cutPath, bytes.substr(0, cut));
      const std::string shown = Opened(cutPath, {"NAME", "y", "region"});
      if (shown != c.expected) {
        EXPECT_NE(shown.find(cutPath), std::string::npos) << cut << ": " << shown;
      }
    }
  }
}

// An SPSS file may declare a weight variable; the figures do not use it, and
// the data note says so (written with ReadStat's writer, weight w).
TEST(DataFileTest, DeclaredWeightIsNamedInTheNote) {
  std::string bytes;
  readstat_writer_t* w = readstat_writer_init();
  readstat_set_data_writer(w, [](const void* data, std::size_t size, void* out) {
    static_cast<std::string*>(out)->append(static_cast<const char*>(data), size);
    return static_cast<ssize_t>(size);
  });
  readstat_variable_t* y = readstat_add_variable(w, "y", READSTAT_TYPE_DOUBLE, 0);
  readstat_variable_t* weight = readstat_add_variable(w, "w", READSTAT_TYPE_DOUBLE, 0);
  readstat_writer_set_fweight_variable(w, weight);
  readstat_begin_writing_sav(w, &bytes, 2);
  for (double v : {1.0, 2.0}) {
    readstat_begin_row(w);
    readstat_insert_double_value(w, y, v);
    readstat_insert_double_value(w, weight, 10 * v);
    readstat_end_row(w);
  }
  ASSERT_EQ(readstat_end_writing(w), READSTAT_OK);
  readstat_writer_free(w);
  const TempDir dir;
  test::WriteBytes(dir / "w.sav", bytes);
  DataSession session;
  ASSERT_FALSE(session.Open(dir / "w.sav", "w.sav"));
  const std::pair<Role, std::string> roles[] = {{Role::Y, "y"}};
  ASSERT_FALSE(session.Use(roles));
  ScanPlan plan;
  plan.numeric = {Role::Y};
  Scan scan;
  ASSERT_FALSE(session.Run(plan, scan));
  EXPECT_EQ(session.Note(scan, plan, false, false),
            (std::vector<std::string>{
                "Data file: w.sav", "Data variables: y=y",
                "Data weight: the file declares the weight variable w; these figures do not use it, a survey "
                "design does (Data > Survey design..., or design weight=w in a script)",
                "Data units: 2 used, 0 skipped as missing"}));
}

}  // namespace
}  // namespace mirto::data
