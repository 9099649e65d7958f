#include "data/Delimited.h"

#include <csv.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "framework/Format.h"
#include "journal/Fd.h"

namespace mirto::data {

std::string_view DelimitedTable::Cell(std::size_t row, std::size_t column) const {
  const std::size_t i = row * m_columns + column;
  const std::size_t start = i == 0 ? 0 : m_cells[i - 1];
  return std::string_view(m_text).substr(start, m_cells[i] - start);
}

void DelimitedTable::AddField(std::string_view text) {
  m_text.append(text);
  m_cells.push_back(m_text.size());
}

bool DelimitedTable::EndRow(long long line) {
  const std::size_t fields = PendingFields();
  if (m_firstLine == 0) m_columns = fields, m_firstLine = line;
  if (fields != m_columns) return false;
  m_lines.push_back(line);
  m_rowStart = m_cells.size();
  return true;
}

// Called between rows, when no field is pending.
void DelimitedTable::DropRows() {
  m_text.clear();
  m_cells.clear();
  m_lines.clear();
  m_rowStart = 0;
}

namespace {

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";

bool IsBlank(char c) { return c == ' ' || c == '\t'; }
int OnlySpace(unsigned char c) { return c == ' '; }

// The separators of `line` outside quotes (`quoted`: the line starts inside one).
std::size_t Separators(std::string_view line, char separator, bool quoted) {
  std::size_t count = 0;
  for (char c : line) {
    if (c == '"') quoted = !quoted;
    count += !quoted && c == separator;
  }
  return count;
}

class Reader {
 public:
  Reader(const DelimitedOptions& options, const VisitRow* visit = nullptr) : m_options(options), m_visit(visit) {
    csv_init(&m_parser, CSV_STRICT | CSV_STRICT_FINI);
    csv_set_space_func(&m_parser, OnlySpace);
    if (options.separator) Decide(options.separator);
  }
  ~Reader() { csv_free(&m_parser); }
  Reader(const Reader&) = delete;
  Reader& operator=(const Reader&) = delete;

  // Takes the next bytes; false once reading is over (a problem, or enough rows).
  bool Take(const char* data, std::size_t size) {
    for (std::size_t i = 0; i < size && !Done(); ++i) {
      const char c = data[i];
      if (m_afterCr && c == '\n') {  // the rest of a CRLF
        m_afterCr = false;
        continue;
      }
      m_afterCr = c == '\r';
      if (c == '\n' || c == '\r') {
        Line();
        continue;
      }
      if (c == '\0') {
        Problem(m_line + 1, Column(m_text), "a NUL byte: this is not a text file");
        break;
      }
      if (m_text.size() + m_recordBytes >= kMaxRecordBytes) {
        Problem(m_open ? m_recordLine : m_line + 1, 0, Format("longer than %zu bytes", kMaxRecordBytes));
        break;
      }
      m_text += c;
    }
    return !Done();
  }

  DelimitedRead Finish() {
    if (!Done() && !m_text.empty()) Line();
    // Every line is fed with its end, so a row left open is a quote left open.
    if (!Done() && m_open) Problem(m_recordLine, m_table.PendingFields() + 1, "a quoted field is not closed");
    DelimitedRead result;
    if (m_problem) {
      result.problem = std::move(m_problem);
    } else {
      result.table = std::move(m_table);
      result.more = m_more;
      result.moreLine = m_moreLine;
    }
    return result;
  }

 private:
  bool Done() const { return m_problem.has_value() || m_more || m_stopped; }

  void Decide(char separator) {
    m_decided = true;
    csv_set_delim(&m_parser, static_cast<unsigned char>(separator));
    m_table.SetSeparator(separator);
  }

  // The field a byte at the end of `text` (the line so far) stands in.
  std::size_t Column(std::string_view text) const {
    return m_table.PendingFields() + Separators(text, m_table.Separator(), m_open) + 1;
  }

  void Line() {
    ++m_line;
    std::string_view text = m_text;
    if (m_line == 1 && text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
    if (!m_open) {
      std::size_t first = 0;
      while (first < text.size() && IsBlank(text[first])) ++first;
      if (!m_options.literal && (first == text.size() || text[first] == '#')) {
        m_text.clear();
        return;
      }
      if (!m_decided) Decide(DetectSeparator(text));
      m_recordLine = m_line;
    }
    m_rowEnded = false;
    Feed(text);
    if (!Done()) Feed("\n");
    m_open = !m_rowEnded && !Done();
    m_recordBytes = m_open ? m_recordBytes + m_text.size() : 0;
    m_text.clear();
  }

  void Feed(std::string_view bytes) {
    if (csv_parse(&m_parser, bytes.data(), bytes.size(), OnField, OnRow, this) == bytes.size() || Done()) return;
    if (csv_error(&m_parser) == CSV_EPARSE)
      Problem(m_line, m_table.PendingFields() + 1,
              "a quote inside a field that is not quoted, or text after a closing quote");
    else
      Problem(m_line, 0, csv_strerror(csv_error(&m_parser)));
  }

  static void OnField(void* data, std::size_t size, void* self) {
    auto& r = *static_cast<Reader*>(self);
    if (r.Done()) return;
    if (r.m_table.PendingFields() >= kMaxColumns) {
      r.Problem(r.m_recordLine, kMaxColumns + 1, Format("more than %zu fields", kMaxColumns));
      return;
    }
    r.m_table.AddField(std::string_view(static_cast<const char*>(data), size));
  }

  static void OnRow(int, void* self) {
    auto& r = *static_cast<Reader*>(self);
    if (r.Done()) return;
    r.m_rowEnded = true;
    if (r.m_options.maxRows >= 0 && static_cast<long long>(r.m_table.Rows()) >= r.m_options.maxRows) {
      r.m_more = true;
      r.m_moreLine = r.m_recordLine;
      return;
    }
    const std::size_t fields = r.m_table.PendingFields();
    if (!r.m_table.EndRow(r.m_recordLine)) {
      const std::size_t expected = r.m_table.Columns();
      return r.Problem(r.m_recordLine, std::min(fields, expected) + 1,
                       Format("%zu field%s, where line %lld has %zu", fields, fields == 1 ? "" : "s",
                              r.m_table.FirstLine(), expected));
    }
    if (!r.m_visit) return;
    r.m_stopped = !(*r.m_visit)(r.m_table);
    r.m_table.DropRows();
  }

  void Problem(long long line, std::size_t column, std::string text) {
    if (!m_problem) m_problem = DelimitedProblem{line, column, std::move(text)};
  }

  DelimitedOptions m_options;
  const VisitRow* m_visit;
  bool m_stopped = false;
  csv_parser m_parser{};
  DelimitedTable m_table;
  std::optional<DelimitedProblem> m_problem;
  std::string m_text;  // the line being read
  long long m_line = 0;
  long long m_recordLine = 0;
  std::size_t m_recordBytes = 0;
  bool m_decided = false, m_open = false, m_rowEnded = false, m_afterCr = false, m_more = false;
  long long m_moreLine = 0;
};

}  // namespace

char DetectSeparator(std::string_view line) {
  for (char separator : {'\t', ';', ','})
    if (Separators(line, separator, false) > 0) return separator;
  return ',';
}

namespace {

DelimitedRead Read(const ReadBytes& read, const DelimitedOptions& options, const VisitRow* visit) {
  Reader reader(options, visit);
  std::vector<char> buffer(1 << 16);
  for (;;) {
    const long n = read(buffer.data(), buffer.size());
    if (n < 0) {
      DelimitedRead failed;
      failed.problem = DelimitedProblem{0, 0, std::strerror(static_cast<int>(-n))};
      failed.fileError = true;
      return failed;
    }
    if (n == 0 || !reader.Take(buffer.data(), static_cast<std::size_t>(n))) break;
  }
  return reader.Finish();
}

DelimitedRead ReadFile(const std::string& path, const DelimitedOptions& options, const VisitRow* visit) {
  Fd fd;
  if (const std::string why = OpenForReading(path, fd); !why.empty()) {
    DelimitedRead failed;
    failed.problem = DelimitedProblem{0, 0, "cannot read it: " + why};
    failed.fileError = true;
    return failed;
  }
  return Read([&fd](char* buffer, std::size_t size) { return ReadSome(fd, buffer, size); }, options, visit);
}

}  // namespace

DelimitedRead ReadDelimited(const ReadBytes& read, const DelimitedOptions& options) {
  return Read(read, options, nullptr);
}

DelimitedRead ReadDelimitedText(std::string_view text, const DelimitedOptions& options) {
  return ReadDelimited(
      [&text](char* buffer, std::size_t size) {
        const std::size_t n = std::min(size, text.size());
        std::memcpy(buffer, text.data(), n);
        text.remove_prefix(n);
        return static_cast<long>(n);
      },
      options);
}

std::string OpenForReading(const std::string& path, Fd& fd, bool regular) {
  // Not blocking in open: a pipe nobody writes to reads as empty instead of hanging.
  fd.reset(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  struct stat st {};
  if (fd.get() < 0 || ::fstat(fd.get(), &st) != 0) return std::strerror(errno);
  if (S_ISDIR(st.st_mode)) return "it is a folder, not a file";
  if (S_ISCHR(st.st_mode) || S_ISBLK(st.st_mode)) return "it is a device, not a file";
  if (regular && !S_ISREG(st.st_mode)) return "it is a pipe or socket, not a file that can be read again";
  const int flags = ::fcntl(fd.get(), F_GETFL);
  if (flags < 0 || ::fcntl(fd.get(), F_SETFL, flags & ~O_NONBLOCK) != 0) return std::strerror(errno);
  return {};
}

long ReadSome(const Fd& fd, char* buffer, std::size_t size) {
  for (;;) {
    const ssize_t n = ::read(fd.get(), buffer, size);
    if (n >= 0) return static_cast<long>(n);
    if (errno != EINTR) return -static_cast<long>(errno != 0 ? errno : EIO);
  }
}

DelimitedRead ReadDelimitedFile(const std::string& path, const DelimitedOptions& options) {
  return ReadFile(path, options, nullptr);
}

DelimitedRead StreamDelimitedFile(const std::string& path, const VisitRow& visit, const DelimitedOptions& options) {
  return ReadFile(path, options, &visit);
}

std::string Describe(const DelimitedProblem& problem, std::string_view name) {
  std::string text(name);
  if (problem.line > 0) text += Format(", line %lld", problem.line);
  if (problem.column > 0) text += Format(", column %zu", problem.column);
  return problem.text.empty() ? text : text + ": " + problem.text;
}

}  // namespace mirto::data
