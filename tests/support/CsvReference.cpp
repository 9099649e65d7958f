#include "support/CsvReference.h"

#include <csv.h>

#include <cstring>

namespace mirto::test {

namespace {

using data::DelimitedRules;
using data::TokenError;
using data::TokenProblem;

constexpr std::string_view kByteOrderMark = "\xEF\xBB\xBF";
constexpr int kRowNotBegun = 0;  // libcsv's pstate between records

int OnlySpace(unsigned char c) { return c == ' '; }

// What both readers share: libcsv, its callbacks, and the first problem.
class Reference {
 public:
  Reference(const data::TokenizerOptions& options, bool table) : m_options(options) {
    csv_init(&m_parser, CSV_STRICT | CSV_STRICT_FINI);
    if (table) csv_set_space_func(&m_parser, OnlySpace);
    if (options.separator) Decide(options.separator);
  }
  ~Reference() { csv_free(&m_parser); }
  Reference(const Reference&) = delete;
  Reference& operator=(const Reference&) = delete;

  ReferenceRead Result() && {
    m_read.error = m_error;
    return std::move(m_read);
  }

 protected:
  bool Done() const { return m_error.has_value(); }
  void Decide(char separator) {
    m_read.separator = separator;
    csv_set_delim(&m_parser, static_cast<unsigned char>(separator));
  }
  void Problem(TokenProblem problem, long long line, std::size_t field) {
    if (!m_error) m_error = TokenError{problem, m_read.records.size(), line, field, 0};
  }
  // Feeds `bytes`: a parse error is told on `line`.
  void Feed(std::string_view bytes, long long line) {
    if (csv_parse(&m_parser, bytes.data(), bytes.size(), OnField, OnRow, this) == bytes.size() || Done()) return;
    Problem(TokenProblem::Quote, line, m_fields.size() + 1);
  }
  bool Open() const { return m_parser.pstate != kRowNotBegun; }
  void Finish() {
    if (!Done() && csv_fini(&m_parser, OnField, OnRow, this) != 0 && !Done())
      Problem(TokenProblem::Unclosed, m_recordLine, m_fields.size() + 1);
  }

  const data::TokenizerOptions m_options;
  csv_parser m_parser{};
  ReferenceRead m_read;
  std::optional<TokenError> m_error;
  std::vector<std::string> m_fields;  // of the record being read
  long long m_line = 1, m_recordLine = 1;
  bool m_rowEnded = false;

 private:
  static void OnField(void* data, std::size_t size, void* self) {
    auto& r = *static_cast<Reference*>(self);
    if (r.Done()) return;
    if (r.m_fields.size() >= r.m_options.maxFields)
      return r.Problem(TokenProblem::TooManyFields, r.m_recordLine, r.m_options.maxFields + 1);
    r.m_fields.emplace_back(size ? static_cast<const char*>(data) : "", size);
  }
  static void OnRow(int, void* self) {
    auto& r = *static_cast<Reference*>(self);
    if (r.Done()) return;
    r.m_rowEnded = true;
    r.m_read.records.push_back({r.m_recordLine, std::move(r.m_fields)});
    r.m_fields.clear();
  }
};

// Tables, as the table reader reads them: a byte at a time into lines, each
// line's text fed with an LF once its end is met.
class TableReference : public Reference {
 public:
  explicit TableReference(const data::TokenizerOptions& options) : Reference(options, true) {}

  void Take(std::string_view bytes) {
    for (std::size_t i = 0; i < bytes.size() && !Done(); ++i) {
      const char c = bytes[i];
      if (m_afterCr && c == '\n') {
        m_afterCr = false;
        continue;
      }
      m_afterCr = c == '\r';
      if (c == '\n' || c == '\r') {
        Line();
        continue;
      }
      if (c == '\0') return Problem(TokenProblem::Nul, m_lineNumber, Column());
      if (m_text.size() + m_recordBytes >= m_options.maxRecordBytes)
        return Problem(TokenProblem::TooLong, m_open ? m_recordLine : m_lineNumber, 0);
      m_text += c;
    }
    if (!Done() && !m_text.empty()) Line();
    if (!Done() && m_open) Problem(TokenProblem::Unclosed, m_recordLine, m_fields.size() + 1);
  }

 private:
  // The field a NUL at the end of the line so far stands in: separators outside quotes, quotes in turns.
  std::size_t Column() const {
    const char separator = m_read.separator ? m_read.separator : ',';
    bool quoted = m_open;
    std::size_t count = 0;
    for (char c : m_text) {
      if (c == '"') quoted = !quoted;
      count += !quoted && c == separator;
    }
    return m_fields.size() + count + 1;
  }

  void Line() {
    std::string_view text = m_text;
    if (m_lineNumber == 1 && text.starts_with(kByteOrderMark)) text.remove_prefix(kByteOrderMark.size());
    if (!m_open) {
      std::size_t first = 0;
      const bool tabs = m_options.rules == DelimitedRules::Table;
      while (first < text.size() && (text[first] == ' ' || (tabs && text[first] == '\t'))) ++first;
      if (first == text.size() || (tabs && text[first] == '#')) return NextLine();
      if (!m_read.separator) Decide(data::DetectSeparator(text));
      m_recordLine = m_lineNumber;
    }
    Feed(text, m_lineNumber);
    if (!Done()) Feed("\n", m_lineNumber);
    m_open = Open() && !Done();
    m_recordBytes = m_open ? m_recordBytes + m_text.size() : 0;
    NextLine();
  }
  void NextLine() {
    m_text.clear();
    ++m_lineNumber;
  }

  std::string m_text;  // the line being read
  long long m_lineNumber = 1;
  std::size_t m_recordBytes = 0;
  bool m_open = false, m_afterCr = false;
};

// Data files, as the data reader reads them line by line: a line's NUL, then
// its length, are checked before libcsv is given the line.
class DataReference : public Reference {
 public:
  explicit DataReference(const data::TokenizerOptions& options) : Reference(options, false) {}

  void Take(std::string_view bytes) {
    if (bytes.starts_with(kByteOrderMark)) bytes.remove_prefix(kByteOrderMark.size());
    if (!m_read.separator) Decide(data::DetectSeparator(bytes.substr(0, bytes.find_first_of("\r\n"))));
    while (!bytes.empty() && !Done()) {
      std::size_t end = std::min(bytes.find_first_of("\r\n"), bytes.size());
      const bool terminated = end < bytes.size();
      if (terminated) end += bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n' ? 2 : 1;
      const std::string_view line = bytes.substr(0, end);
      bytes.remove_prefix(end);
      if (!m_inRecord && !Blank(line)) {
        m_inRecord = true;
        m_recordLine = m_line;
      }
      if (line.find('\0') != std::string_view::npos) return Problem(TokenProblem::Nul, m_line, 0);
      if (m_inRecord && (m_recordBytes += line.size()) > m_options.maxRecordBytes)
        return Problem(TokenProblem::TooLong, m_recordLine, 0);
      m_rowEnded = false;
      Feed(line, m_line);
      if (m_rowEnded) m_inRecord = false, m_recordBytes = 0;
      m_line += terminated;
    }
    Finish();
  }

 private:
  // Only what libcsv passes over between records.
  bool Blank(std::string_view line) const {
    for (char c : line)
      if (c != ' ' && c != '\r' && c != '\n' && !(c == '\t' && m_read.separator != '\t')) return false;
    return true;
  }

  bool m_inRecord = false;
  std::size_t m_recordBytes = 0;
};

}  // namespace

ReferenceRead ReadWithLibcsv(std::string_view bytes, const data::TokenizerOptions& options) {
  if (options.rules == DelimitedRules::DataFile) {
    DataReference reference(options);
    reference.Take(bytes);
    return std::move(reference).Result();
  }
  TableReference reference(options);
  reference.Take(bytes);
  return std::move(reference).Result();
}

std::string Shown(const ReferenceRead& read) {
  std::string out;
  for (const ReferenceRecord& r : read.records) {
    out += std::to_string(r.line) + "[";
    for (std::size_t i = 0; i < r.fields.size(); ++i) out += (i ? "|" : "") + r.fields[i];
    out += "]";
  }
  if (const auto& e = read.error) {
    const char* names[] = {"nul", "too long", "too many fields", "quote", "unclosed", "read"};
    out += "!" + std::string(names[static_cast<int>(e->problem)]) + " r" + std::to_string(e->record) + " line " +
           std::to_string(e->line) + " field " + std::to_string(e->field);
  }
  return out;
}

}  // namespace mirto::test
