// Delimited files as the readers read them. Data files are read in blocks on
// several threads: what a scan visits, and the problem that ends it, is what
// libcsv gives for the same bytes (support/CsvReference, the header its first
// record), whatever the threads and the size of the blocks; summaries are the
// same to the bit. Then the faults of the readers that came before, each with
// the line or the value counted by hand.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "data/DataFile.h"
#include "data/DataFormats.h"
#include "data/DataSession.h"
#include "data/Delimited.h"
#include "data/InOrder.h"
#include "framework/Format.h"
#include "support/CsvReference.h"
#include "support/Files.h"

namespace mirto::test {
namespace {

using data::DataProblem;
using data::Value;

// The settings of a test, put back after it.
class Settings {
 public:
  Settings(unsigned threads, std::size_t blockBytes) { data::SetReadSettings({threads, blockBytes}); }
  ~Settings() { data::SetReadSettings(m_saved); }
  Settings(const Settings&) = delete;
  Settings& operator=(const Settings&) = delete;

 private:
  data::ReadSettings m_saved = data::CurrentReadSettings();
};

std::string Cell(const Value& v) {
  if (v.missing) return "-";
  return v.numeric ? Format("=%.17g", v.number) : "'" + std::string(v.text) + "'";
}

// "ROW:cell|cell;" per row, then the problem; values past the first
// `converted` read from their text once visited.
std::string Scanned(const std::string& path, const std::vector<std::size_t>& columns,
                    std::size_t converted = std::string::npos) {
  std::optional<DataProblem> problem;
  const auto file = data::OpenDataFile(path, problem);
  if (!file) return problem->Describe();
  std::string out;
  const std::size_t read = std::min(converted, columns.size());
  problem = file->ScanConverting(columns, read, [&](long long row, std::span<const Value> values) {
    out += std::to_string(row) + ":";
    for (const Value& v : values) out += Cell(data::Completed(v)) + "|";
    out += ";";
    return true;
  });
  return problem ? out + problem->Describe() : out;
}

// The rows a count finds, and its problem, as "N;PROBLEM".
std::string Counted(const std::string& path) {
  std::optional<DataProblem> problem;
  const auto file = data::OpenDataFile(path, problem);
  if (!file) return problem->Describe();
  long long rows = -1;
  problem = file->Count(rows);
  return std::to_string(rows) + ";" + (problem ? problem->Describe() : "");
}

// A scan's "ROW:...;" rows and problem as a count gives them.
std::string AsCounted(const std::string& scanned) {
  const std::size_t last = scanned.rfind(';');
  const std::size_t rows = static_cast<std::size_t>(std::count(scanned.begin(), scanned.end(), ';'));
  return std::to_string(rows) + ";" + (last == std::string::npos ? scanned : scanned.substr(last + 1));
}

// The same from libcsv's records: rows of the header's width, then the first
// problem in the data reader's words.
std::string Expected(const std::string& bytes, const std::vector<std::size_t>& columns, const std::string& path) {
  const ReferenceRead read = ReadWithLibcsv(bytes, {.rules = data::DelimitedRules::DataFile});
  if (read.records.empty()) return "no header";
  const ReferenceRecord& header = read.records[0];
  std::string out;
  for (std::size_t r = 1; r < read.records.size(); ++r) {
    const ReferenceRecord& record = read.records[r];
    if (record.fields.size() != header.fields.size())
      return out + path +
             Format(", row %zu (line %lld): %zu field%s, where the header (line %lld) has %zu", r, record.line,
                    record.fields.size(), record.fields.size() == 1 ? "" : "s", header.line, header.fields.size());
    out += std::to_string(r) + ":";
    for (std::size_t c : columns) out += Cell(data::ReadCell(record.fields[c])) + "|";
    out += ";";
  }
  if (!read.error) return out;
  const data::TokenError& e = *read.error;
  const char* texts[] = {"a NUL byte: this is not a text file", "longer than 1048576 bytes", "more than 10000 fields",
                         "", "a quoted field is not closed"};
  const std::string text = e.problem == data::TokenProblem::Quote
                               ? Format(
                                     "field %zu: a quote inside a field that is not quoted, or text after a "
                                     "closing quote",
                                     e.field)
                               : texts[static_cast<int>(e.problem)];
  return out + path + Format(", row %zu (line %lld): ", e.record, e.line) + text;
}

// Rows of an id, a number, a quoted name (separators, doubled quotes, line
// ends inside) and a note, with LF, CRLF and CR line ends, blank lines and
// lines of blanks between them; one name of `bigField` bytes. `plain`: no
// quote but in that name, blanks inside lines and no blank line.
std::string Rows(unsigned seed, int rows, std::size_t bigField = 0, bool plain = false) {
  std::mt19937 random(seed);
  const char* ends[] = {"\n", "\r\n", "\r"};
  std::string text = "id,y,name,note\n";
  for (int i = 1; i <= rows; ++i) {
    const unsigned pick = random() % 12;
    std::string name = pick < 6 ? "plain" : pick < 9 ? "\"a,\"\"b\"\"\nc\"" : "\"x\r\ny\rz\"";
    if (plain) name = pick < 6 ? "plain" : " a\tb ";
    if (i == rows / 2 && bigField > 0) name = "\"" + std::string(bigField, 'w') + "\n\"";
    const std::string y = pick == 0 ? "" : pick == 1 ? "NA" : pick == 2 ? "1e3" : Format("%d.%d", i * 7 % 1000, i % 10);
    text += Format("%d,%s,", i, y.c_str()) + name + (pick % 2 ? ", note " : ",") + ends[random() % 3];
    if (pick == 5 && !plain) text += "\n \t \r\n";
  }
  return text;
}

const struct {
  const char* name;
  std::string tail;
} kTails[] = {
    {"no problem", ""},
    {"a row of another width", "7,8\n9,9,9,9\n"},
    {"a NUL", std::string("7,\0,x,y\n", 8)},
    {"a stray quote", "7,1,x\"y,z\n"},
    {"a quote left open", "7,1,\"open,z\n1,2,3,4\n"},
    {"a record too long", "7,1,\"" + std::string(data::kMaxRecordBytes, 'z') + "\",z\n"},
    {"too many fields", "7" + std::string(10'001, ',') + "\n"},
    {"a plain record too long", "7,1," + std::string(data::kMaxRecordBytes, 'z') + ",z\n"},
};

TEST(ParallelRead, RowsAndProblemsAreLibcsvsWhateverTheThreadsAndBlocks) {
  const TempDir dir;
  const std::string path = dir / "d.csv";
  const std::vector<std::size_t> columns = {1, 2, 0, 1};
  for (const auto& tail : kTails) {
    for (const std::string& rows :
         {Rows(1, 300), Rows(2, 40, 100'000), Rows(4, 300, 0, true), Rows(5, 40, 50'000, true)}) {
      const std::string bytes = rows + tail.tail;
      WriteBytes(path, bytes);
      const std::string expected = Expected(bytes, columns, path);
      for (const std::size_t block : {std::size_t{5}, std::size_t{97}, std::size_t{4096}, std::size_t{1} << 24})
        for (const unsigned threads : {1u, 2u, 3u}) {
          const Settings settings(threads, block);
          EXPECT_EQ(Scanned(path, columns), expected) << tail.name << ", blocks of " << block << ", " << threads;
          EXPECT_EQ(Scanned(path, columns, 1), expected) << tail.name << ", first column read, the rest later";
          EXPECT_EQ(Counted(path), AsCounted(expected)) << tail.name << ", counted";
        }
    }
  }
}

// No column asked for: rows are counted, and problems found, all the same.
TEST(ParallelRead, ScansOfNoColumnCountEveryRow) {
  const TempDir dir;
  const std::string path = dir / "d.csv";
  WriteBytes(path, Rows(3, 500) + kTails[3].tail);
  const std::string expected = Expected(ReadBytes(path), {}, path);
  for (const unsigned threads : {1u, 2u}) {
    const Settings settings(threads, 64);
    EXPECT_EQ(Scanned(path, {}), expected);
  }
}

// What a summary keeps: counts, groups in order of first appearance with
// their first rows, elements, and each moment's figures as bits.
std::string Summary(const data::Scan& scan) {
  std::string out = Format("%lld used, %lld skipped;", scan.used, scan.skipped);
  const auto bits = [](double x) {
    std::uint64_t b;
    std::memcpy(&b, &x, sizeof b);
    return Format("%016llx ", static_cast<unsigned long long>(b));
  };
  const auto moments = [&](const data::Moments& m) {
    return Format("n=%lld ", m.n) + bits(m.MeanY()) + bits(m.MeanX()) + bits(m.VarY(1)) + bits(m.VarX(1)) +
           bits(m.Cov(1)) + bits(m.ResidualSd(true, 1)) + ";";
  };
  out += moments(scan.all);
  for (std::size_t g = 0; g < scan.groups.size(); ++g)
    out += scan.groups[g] + Format(" from %lld ", scan.firstRow[g]) + moments(scan.byGroup[g]);
  for (std::size_t i = 0; i < scan.elements.size(); ++i)
    out += Format("%lld:", scan.elementRows[i]) + bits(scan.elements[i].first) + bits(scan.elements[i].second);
  return out;
}

TEST(ParallelRead, SummariesAreTheSameToTheBit) {
  const TempDir dir;
  const std::string path = dir / "s.csv";
  std::mt19937 random(25);
  const auto draw = [&](unsigned n) { return static_cast<unsigned>(random() % n); };
  std::string text = "y,x,stratum,p\n";
  for (int i = 1; i <= 20'000; ++i) {
    const double y = 1e6 + draw(100'000) / 7.0;
    const std::string stratum = draw(9) ? Format("s%u", draw(60)) : (draw(2) ? "1" : " 1.0");
    text +=
        (draw(50) ? Format("%.17g", y) : "") + Format(",%u,", draw(1000)) + stratum + Format(",0.%u\n", 1 + draw(9));
  }
  WriteBytes(path, text);
  using data::Role;
  using Roles = std::vector<std::pair<Role, std::string>>;
  const auto summarize = [&](const data::ScanPlan& plan, const Roles& roles) {
    data::DataSession session;
    if (auto problem = session.Open(path, "s.csv")) return problem->Describe();
    if (auto problem = session.Use(roles)) return problem->Describe();
    data::Scan scan;
    if (auto problem = session.Run(plan, scan)) return problem->Describe();
    return Summary(scan);
  };
  const struct {
    data::ScanPlan plan;
    Roles roles;
  } cases[] = {
      {{.numeric = {Role::Y, Role::X}, .by = Role::Stratum},
       {{Role::Y, "y"}, {Role::X, "x"}, {Role::Stratum, "stratum"}}},
      {{.numeric = {Role::Y, Role::Prob}, .by = {}, .elements = true}, {{Role::Y, "y"}, {Role::Prob, "p"}}},
      {{.numeric = {Role::Y, Role::X}, .by = {}}, {{Role::Y, "stratum"}, {Role::X, "x"}}},  // "s17" is not a number
  };
  for (const auto& c : cases) {
    std::string whole;
    {
      const Settings settings(1, std::size_t{1} << 30);
      whole = summarize(c.plan, c.roles);
    }
    ASSERT_GT(whole.size(), 20u);
    for (const unsigned threads : {1u, 2u}) {
      const Settings settings(threads, 1000);
      EXPECT_EQ(summarize(c.plan, c.roles), whole) << threads << " threads";
    }
  }
}

// Each was told or read otherwise before: lines counted at LF alone, a line
// of tabs taken for the start of the next record, a blank pasted line taken
// for an open record, the separator looked for in the first 64 KiB only, and
// the problem of a line past 64 KiB told by where reads ended.
TEST(DelimitedReaders, FaultsOfTheReadersBefore) {
  const TempDir dir;
  const std::string path = dir / "d.csv";
  const std::string wide = "\"" + std::string(70'000, 'a') + "\"";
  const struct {
    const char* name;
    std::string bytes;
    std::vector<std::size_t> columns;
    std::string expected;  // @ for the file's path
  } files[] = {
      {"CR line ends", "a,b\r1,2\r3\r", {0}, "1:=1|;@, row 2 (line 3): 1 field, where the header (line 1) has 2"},
      {"a line of tabs", "a,b\n\t\t\n1,2,3\n", {0}, "@, row 1 (line 3): 3 fields, where the header (line 1) has 2"},
      {"the separator past 64 KiB", wide + ";b\n1;2\n", {1}, "1:=2|;"},
      {"a NUL past 64 KiB on a line with a stray quote",
       "a,b\n1,x\"y" + std::string(70'000, 'z') + std::string(1, '\0'),
       {0},
       "@, row 1 (line 2): a NUL byte: this is not a text file"},
  };
  for (const auto& f : files) {
    WriteBytes(path, f.bytes);
    std::string expected = f.expected;
    if (const std::size_t at = expected.find('@'); at != std::string::npos) expected.replace(at, 1, path);
    EXPECT_EQ(Scanned(path, f.columns), expected) << f.name;
  }
  const struct {
    const char* name;
    std::string text;
    data::DelimitedOptions options;
    std::string expected;
  } tables[] = {
      {"pasted with a blank line last", "1,2\n\n", {.literal = true}, "1:1|2;"},
      {"pasted with a blank line between",
       "1,2\n \n3,4,5\n",
       {.literal = true},
       "line 3, column 3: 3 fields, where line 1 has 2"},
      {"CR line ends", "1,2\r\r3,4\r", {}, "1:1|2;3:3|4;"},
  };
  for (const auto& t : tables) {
    const data::DelimitedRead read = data::ReadDelimitedText(t.text, t.options);
    std::string shown;
    if (read.problem) shown = data::Describe(*read.problem, "").substr(2);
    for (std::size_t r = 0; r < read.table.Rows(); ++r)
      shown += std::to_string(read.table.Line(r)) + ":" + std::string(read.table.Cell(r, 0)) + "|" +
               std::string(read.table.Cell(r, 1)) + ";";
    EXPECT_EQ(shown, t.expected) << t.name;
  }
}

// Tables may come from a pipe: read as they come, to its end.
TEST(DelimitedReaders, APipeIsReadAsItComes) {
  const TempDir dir;
  const std::string pipe = dir / "sizes.csv";
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  const int writer = ::open(pipe.c_str(), O_RDWR);  // the pipe has a writer before it is read
  ASSERT_GE(writer, 0);
  const std::string text = "stratum;size\nA;400\n\"B;x\";600\n";
  ASSERT_EQ(::write(writer, text.data(), text.size()), static_cast<ssize_t>(text.size()));
  std::thread closer([writer] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    ::close(writer);
  });
  const data::DelimitedRead read = data::ReadDelimitedFile(pipe);
  closer.join();
  ASSERT_FALSE(read.problem);
  ASSERT_EQ(read.table.Rows(), 3u);
  EXPECT_EQ(read.table.Cell(2, 0), "B;x");
  EXPECT_EQ(read.table.Line(2), 3);
}

}  // namespace
}  // namespace mirto::test
