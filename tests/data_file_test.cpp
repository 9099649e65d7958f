// The unit-level data readers. Every expected value below is the one the test
// itself wrote into the file.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "data/DataFile.h"
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
      {"a,,c\n", {"a"}, "F, line 1: column 2 of the header has no name"},
      {"a,b,a\n", {"a"}, "F, line 1, variable \"a\": column 3 repeats the name of column 1"},
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

}  // namespace
}  // namespace mirto::data
