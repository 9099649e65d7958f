// Delimited data files read streaming, each completed row going to the
// visitor with only the wanted cells kept. A scan gives libcsv whole pieces
// of the file; only when it meets a problem (or a record that may be too
// long) is the file read again a line at a time, to place the problem on its
// line, the rows already visited not visited again.
#include <csv.h>

#include <cstring>
#include <unordered_map>

#include "data/DataFormats.h"
#include "data/Delimited.h"
#include "framework/Format.h"

namespace mirto::data {

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr std::size_t kPiece = 1 << 16;

bool Blank(std::string_view line) { return line.find_first_not_of(" \r\n") == std::string_view::npos; }

// One reading of a file: the header, then (unless only the header is
// wanted) the data rows.
class Pass {
 public:
  // `lines`: lines are counted, so that problems can name theirs.
  Pass(const std::string& path, char separator, bool lines = true)
      : m_path(path), m_separator(separator), m_lines(lines) {
    csv_init(&m_parser, CSV_STRICT | CSV_STRICT_FINI);
    if (separator) csv_set_delim(&m_parser, static_cast<unsigned char>(separator));
  }
  ~Pass() { csv_free(&m_parser); }
  Pass(const Pass&) = delete;
  Pass& operator=(const Pass&) = delete;

  std::optional<DataProblem> ReadHeader(std::vector<std::string>& names) {
    m_names = &names;
    Run();
    if (!m_problem && !m_headerDone) Problem(0, "the file is empty: its first line must name the variables", 0);
    return m_problem;
  }

  // `skip`: rows visited by an earlier pass, not to be visited again.
  std::optional<DataProblem> ReadRows(std::size_t width, std::span<const std::size_t> columns,
                                      const DataFile::Visit& visit, long long skip = 0) {
    m_skip = skip;
    m_width = width;
    m_visit = &visit;
    m_slot.assign(width, -1);
    for (std::size_t column : columns) {
      if (m_slot[column] < 0) m_slot[column] = static_cast<int>(m_cells.size());
      if (m_slot[column] == static_cast<int>(m_cells.size())) m_cells.emplace_back();
      m_want.push_back(static_cast<std::size_t>(m_slot[column]));
    }
    m_values.resize(columns.size());
    Run();
    return m_problem;
  }

  char Separator() const { return m_separator; }
  long long HeaderLine() const { return m_headerLine; }
  // A pass without lines met what needs them: read again with lines.
  bool Retry() const { return m_retry; }
  long long Visited() const { return m_visited; }

 private:
  bool Done() const { return m_problem.has_value() || m_stop || m_retry; }

  void Run() {
    Fd fd;
    if (const std::string why = OpenForReading(m_path, fd, true); !why.empty())
      return Problem(0, "cannot read it: " + why, 0);
    std::vector<char> buffer(kPiece);
    for (bool first = true; !Done(); first = false) {
      const long n = ReadSome(fd, buffer.data(), buffer.size());
      if (n < 0) return Problem(0, Format("cannot read it: %s", std::strerror(static_cast<int>(-n))), 0);
      if (n == 0) break;
      std::string_view bytes(buffer.data(), static_cast<std::size_t>(n));
      if (first && bytes.starts_with(kByteOrderMark)) bytes.remove_prefix(kByteOrderMark.size());
      if (first && !m_separator) Decide(bytes.substr(0, bytes.find_first_of("\r\n")));
      Take(bytes);
    }
    if (!Done() && csv_fini(&m_parser, OnField, OnRow, this) != 0 && !Done())
      Problem(m_rows + 1, "a quoted field is not closed", m_recordLine);
  }

  void Decide(std::string_view firstLine) {
    m_separator = DetectSeparator(firstLine);
    csv_set_delim(&m_parser, static_cast<unsigned char>(m_separator));
  }

  void Take(std::string_view bytes) {
    if (!m_lines) return TakeWhole(bytes);
    while (!bytes.empty() && !Done()) {
      const std::size_t end = bytes.find('\n');
      const std::string_view line = bytes.substr(0, end == std::string_view::npos ? bytes.size() : end + 1);
      bytes.remove_prefix(line.size());
      if (!m_inRecord && !Blank(line)) {
        m_inRecord = true;
        m_recordLine = m_line;
      }
      if (line.find('\0') != std::string_view::npos)
        return Problem(m_rows + 1, "a NUL byte: this is not a text file", m_line);
      if (m_inRecord && (m_recordBytes += line.size()) > kMaxRecordBytes)
        return Problem(m_rows + 1, Format("longer than %zu bytes", kMaxRecordBytes), m_recordLine);
      Feed(line);
      if (end != std::string_view::npos) ++m_line;
    }
  }

  // A piece at once: a NUL, or more bytes since the last row than a record may
  // hold (as far as whole pieces tell), has the file read again with lines.
  void TakeWhole(std::string_view bytes) {
    const long long records = m_records;
    // A record ending in this piece began at most m_sinceRow bytes before it.
    if (std::memchr(bytes.data(), '\0', bytes.size()) != nullptr || m_sinceRow + bytes.size() > kMaxRecordBytes)
      return void(m_retry = true);
    Feed(bytes);
    m_sinceRow = (m_records > records ? 0 : m_sinceRow) + bytes.size();
  }

  void Feed(std::string_view bytes) {
    if (csv_parse(&m_parser, bytes.data(), bytes.size(), OnField, OnRow, this) == bytes.size() || Done()) return;
    Problem(
        m_rows + 1,
        csv_error(&m_parser) == CSV_EPARSE
            ? Format("field %zu: a quote inside a field that is not quoted, or text after a closing quote", m_field + 1)
            : std::string(csv_strerror(csv_error(&m_parser))),
        m_line);
  }

  static void OnField(void* data, std::size_t size, void* self) {
    auto& p = *static_cast<Pass*>(self);
    if (p.Done()) return;
    if (p.m_field >= kMaxColumns)
      return p.Problem(p.m_rows + 1, Format("more than %zu fields", kMaxColumns), p.m_recordLine);
    const std::string_view text(size ? static_cast<const char*>(data) : "", size);
    if (!p.m_headerDone) {
      if (p.m_names) p.m_names->emplace_back(text);
    } else if (p.m_field < p.m_slot.size() && p.m_slot[p.m_field] >= 0) {
      p.m_cells[static_cast<std::size_t>(p.m_slot[p.m_field])].assign(text);
    }
    ++p.m_field;
  }

  static void OnRow(int, void* self) {
    auto& p = *static_cast<Pass*>(self);
    if (p.Done()) return;
    const std::size_t fields = p.m_field;
    ++p.m_records;
    p.m_field = 0;
    p.m_inRecord = false;
    p.m_recordBytes = 0;
    if (!p.m_headerDone) return p.EndHeader(fields);
    ++p.m_rows;
    if (fields != p.m_width)
      return p.Problem(p.m_rows,
                       Format("%zu field%s, where the header (line %lld) has %zu", fields, fields == 1 ? "" : "s",
                              p.m_headerLine, p.m_width),
                       p.m_recordLine);
    if (p.m_rows <= p.m_skip) return;
    for (std::size_t i = 0; i < p.m_want.size(); ++i) p.m_values[i] = ReadCell(p.m_cells[p.m_want[i]]);
    ++p.m_visited;
    if (!(*p.m_visit)(p.m_rows, p.m_values)) p.m_stop = true;
  }

  void EndHeader(std::size_t fields) {
    m_headerDone = true;
    m_headerLine = m_recordLine;
    if (m_names) {
      m_stop = true;
    } else if (fields != m_width) {
      Problem(0, Format("the header has changed since the file was opened: %zu fields, not %zu", fields, m_width),
              m_headerLine);
    }
  }

  void Problem(long long row, std::string text, long long line) {
    if (!m_lines) {
      m_retry = true;
      return;
    }
    if (m_problem) return;
    m_problem = MakeProblem(m_path, std::move(text), row, line);
    // The header is no data row: its problems name its line alone.
    if (line > 0 && (!m_headerDone || row == 0)) m_problem->row = 0, m_problem->header = true;
  }

  const std::string& m_path;
  char m_separator;
  bool m_lines;
  csv_parser m_parser{};
  std::optional<DataProblem> m_problem;
  std::vector<std::string>* m_names = nullptr;  // reading the header only
  const DataFile::Visit* m_visit = nullptr;
  std::size_t m_width = 0;           // fields of the header
  std::vector<int> m_slot;           // per field: where its cell is kept, or -1
  std::vector<std::string> m_cells;  // the wanted cells of the row being read
  std::vector<std::size_t> m_want;   // per wanted column: its cell
  std::vector<Value> m_values;
  std::size_t m_field = 0;  // fields of the row so far
  long long m_rows = 0, m_line = 1, m_recordLine = 1, m_headerLine = 1;
  std::size_t m_recordBytes = 0;
  bool m_inRecord = false, m_headerDone = false, m_stop = false;
  long long m_records = 0, m_skip = 0, m_visited = 0;
  std::size_t m_sinceRow = 0;  // at most this many bytes since the last row ended
  bool m_retry = false;
};

class DelimitedFile final : public DataFile {
 public:
  DelimitedFile(std::string path, std::vector<Variable> variables, char separator)
      : DataFile(std::move(path), std::move(variables)), m_separator(separator) {}

  std::optional<DataProblem> Scan(std::span<const std::size_t> columns, const Visit& visit) const override {
    for (std::size_t column : columns)
      if (column >= Variables().size()) return MakeProblem(Path(), Format("there is no column %zu", column + 1));
    Pass whole(Path(), m_separator, false);
    auto problem = whole.ReadRows(Variables().size(), columns, visit);
    if (!whole.Retry()) return problem;
    Pass lines(Path(), m_separator);
    return lines.ReadRows(Variables().size(), columns, visit, whole.Visited());
  }

 private:
  char m_separator;
};

std::optional<DataProblem> CheckNames(const std::string& path, const std::vector<std::string>& names, long long line) {
  std::unordered_map<std::string_view, std::size_t> seen;
  for (std::size_t i = 0; i < names.size(); ++i) {
    const std::string_view name = names[i];
    std::string text;
    if (Blank(name))
      text = Format("column %zu has no name", i + 1);
    else if (const auto [it, added] = seen.emplace(name, i); !added)
      text = Format("column %zu repeats the name of column %zu", i + 1, it->second + 1);
    if (text.empty()) continue;
    DataProblem problem = MakeProblem(path, text, 0, line, names[i]);
    problem.header = true;
    return problem;
  }
  return std::nullopt;
}

}  // namespace

std::unique_ptr<DataFile> OpenDelimitedFile(const std::string& path, std::optional<DataProblem>& problem) {
  std::vector<std::string> names;
  Pass pass(path, 0);
  problem = pass.ReadHeader(names);
  if (!problem) problem = CheckNames(path, names, pass.HeaderLine());
  if (problem) return nullptr;
  std::vector<Variable> variables;
  variables.reserve(names.size());
  for (std::string& name : names) variables.push_back(Variable{std::move(name), VariableType::Unknown, {}});
  return std::make_unique<DelimitedFile>(path, std::move(variables), pass.Separator());
}

}  // namespace mirto::data
