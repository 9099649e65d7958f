#pragma once
// Unit-level data files read a row at a time: delimited text (CSV, TSV) with
// the delimited tokenizer, and SPSS (.sav, .zsav), Stata (.dta) and SAS (.sas7bdat) files with
// ReadStat. Opening reads the variables only; a scan streams the rows and
// keeps none of them, so memory does not grow with the file.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace mirto::data {

// Delimited files say nothing of types: their columns are Unknown until a
// profile has read every cell.
enum class VariableType : std::uint8_t { Numeric, Text, Unknown };

struct Variable {
  std::string name;
  VariableType type = VariableType::Unknown;
  std::string label;  // the file's label of the variable, if any
};

// One cell of a scanned row. Empty cells and "NA" (exactly so, blanks
// aside; "." is text) of delimited files, and the system and declared missing
// values of SPSS, Stata and SAS files are missing. Numbers in text are read
// the same in every locale: a point for decimals, an optional sign, blanks
// around; "1,5" is text. `text` lasts until the visitor returns.
struct Value {
  bool missing = false;
  bool numeric = false;   // holds a number (a numeric variable, or text that reads as one)
  double number = 0;      // when numeric
  std::string_view text;  // the value label if the value has one, else the cell as written
  bool unread = false;    // the text alone is set (a scan converting fewer columns): Completed() reads it
};

// `value` read whole: itself, or read from its text when it came unread.
Value Completed(const Value& value);

// Who reads a message: a script's author or the desktop's user.
enum class Front : std::uint8_t { Script, Desktop };

// Where a problem is a choice not made yet: how each front makes it.
struct Remedy {
  std::string script, desktop;
  const std::string& For(Front front) const { return front == Front::Script ? script : desktop; }
};

// What stopped a read: the file, the data row (0: the file as a whole), the
// line of a text file it starts on (0: not known) and the variable (empty:
// none in particular). `text` quotes what the file holds through Quoted.
struct DataProblem {
  std::string file;
  long long row = 0;
  std::string variable;
  std::string text;
  long long line = 0;
  Remedy remedy = {};
  bool header = false;  // the problem is in the header line of a text file
  // "FILE, row R (line L), variable "V": TEXT (REMEDY)", leaving out what is
  // not known; "FILE, the header (line L)" for the header.
  std::string Describe(Front front = Front::Script) const;
};

// Text of a file (a value, a label, a name) in a message or a note, between
// double quotes: control bytes and bytes that are not UTF-8 as \xNN.
std::string Quoted(std::string_view text);

// Where a data row can be read again without reading the rows before it:
// its place in the file (a delimited file's byte offset), and the file's
// size and time of change when it was marked.
struct RowMark {
  long long row = 0;
  std::uint64_t place = 0;
};
struct FileStamp {
  std::uint64_t size = 0;
  long long modified = 0;  // nanoseconds
  bool operator==(const FileStamp&) const = default;
};
inline constexpr long long kMarkEvery = 16;

class DataFile {
 public:
  virtual ~DataFile() = default;
  const std::string& Path() const { return m_path; }
  const std::vector<Variable>& Variables() const { return m_variables; }
  // The variable called `name`: exactly so, else the one it names regardless
  // of case when only one does.
  std::optional<std::size_t> Find(std::string_view name) const;
  // The variables `name` names regardless of case: two or more when Find
  // finds none for that reason.
  std::vector<std::size_t> SameLetters(std::string_view name) const;
  // The weight variable the file declares (SPSS), which no figure uses; empty: none.
  virtual std::string Weight() const { return {}; }
  // Whether the file gives labels to values (which `Value::text` then holds).
  virtual bool HasValueLabels() const { return false; }

  // Each data row in file order, with the values of `columns` in the order
  // given; `row` is the 1-based data row (the header line of a delimited file
  // is not counted). `visit` returns false to stop early. The problem that
  // ended the scan, if one did (a corrupt or truncated file, a cell that
  // cannot be read).
  using Visit = std::function<bool(long long row, std::span<const Value> values)>;
  virtual std::optional<DataProblem> Scan(std::span<const std::size_t> columns, const Visit& visit) const = 0;
  // The same for a visitor that needs the whole of few rows: only the first
  // `converted` values of a row need be read; the others may come unread.
  virtual std::optional<DataProblem> ScanConverting(std::span<const std::size_t> columns, std::size_t converted,
                                                    const Visit& visit) const {
    (void)converted;
    return Scan(columns, visit);
  }
  // The same for the data rows `rows` alone (ascending; a row named twice is
  // visited once): the others are read as a count reads them, so a problem
  // in any row stops it as it stops a scan. `total`: the data rows read.
  virtual std::optional<DataProblem> ScanRows(std::span<const std::size_t> columns, std::size_t converted,
                                              std::span<const long long> rows, const Visit& visit,
                                              long long& total) const;
  // A scan that also marks every kMarkEvery-th row (1, 17, 33, ...) for
  // ReadMarked (Marks(): whether it can; `mark` may be empty), and visits
  // the rows some at a time: `count` rows from data row `first`, the values
  // of each row after the other's.
  using Mark = std::function<void(const RowMark& mark)>;
  using VisitRows = std::function<bool(long long first, std::size_t count, std::span<const Value> values)>;
  virtual bool Marks() const { return false; }
  virtual std::optional<DataProblem> ScanMarking(std::span<const std::size_t> columns, std::size_t converted,
                                                 const VisitRows& visit, const Mark& mark, FileStamp& stamp) const {
    (void)mark;
    stamp = {};
    return ScanConverting(columns, converted,
                          [&](long long row, std::span<const Value> values) { return visit(row, 1, values); });
  }
  // A scan of the rows some at a time, as ScanMarking visits them.
  std::optional<DataProblem> ScanInBlocks(std::span<const std::size_t> columns, const VisitRows& visit) const {
    FileStamp stamp;
    return ScanMarking(columns, columns.size(), visit, {}, stamp);
  }
  // The data rows `rows` (ascending) read from their marks (`from`, one a
  // row, at or before it), as ScanRows gives them; a file no longer as
  // `stamp` found it is refused.
  virtual std::optional<DataProblem> ReadMarked(std::span<const RowMark> from, std::span<const long long> rows,
                                                std::span<const std::size_t> columns, const Visit& visit,
                                                const FileStamp& stamp) const;
  // The data rows, counted: as a scan of no column visits them, and the same problem.
  virtual std::optional<DataProblem> Count(long long& rows) const;

 protected:
  DataFile(std::string path, std::vector<Variable> variables)
      : m_path(std::move(path)), m_variables(std::move(variables)) {}

 private:
  std::string m_path;
  std::vector<Variable> m_variables;
};

// Opens by the file's extension (case aside): .csv, .tsv and .txt as
// delimited text (the separator found from the header line), .sav, .zsav,
// .dta and .sas7bdat through ReadStat. Null, with the problem, when the file
// cannot be opened or its header cannot be read.
std::unique_ptr<DataFile> OpenDataFile(const std::string& path, std::optional<DataProblem>& problem);

// What a dialog lists of each variable: its type as the cells show it, and
// how many of its cells are missing. One scan of every column.
struct VariableProfile {
  VariableType type = VariableType::Unknown;
  long long missing = 0;
};
struct DataProfile {
  long long rows = 0;
  std::vector<VariableProfile> variables;
};
std::optional<DataProblem> Profile(const DataFile& file, DataProfile& profile);

// The same counted row by row, for a reader that scans the rows itself.
class Profiler {
 public:
  explicit Profiler(const DataFile& file);
  void Add(std::span<const Value> values);
  DataProfile Result() const;

 private:
  const DataFile& m_file;
  DataProfile m_profile;
  std::vector<bool> m_seen, m_text;
};

}  // namespace mirto::data
