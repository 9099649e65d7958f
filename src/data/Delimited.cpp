#include "data/Delimited.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "data/DelimitedTokenizer.h"
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

// The separators of `line` outside quotes.
std::size_t Separators(std::string_view line, char separator) {
  bool quoted = false;
  std::size_t count = 0;
  for (char c : line) {
    if (c == '"') quoted = !quoted;
    count += !quoted && c == separator;
  }
  return count;
}

// A problem of the tokenizer in a table reader's words.
DelimitedProblem Told(const TokenError& e) {
  switch (e.problem) {
    case TokenProblem::Nul: return {e.line, e.field, "a NUL byte: this is not a text file"};
    case TokenProblem::TooLong: return {e.line, 0, Format("longer than %zu bytes", kMaxRecordBytes)};
    case TokenProblem::TooManyFields: return {e.line, e.field, Format("more than %zu fields", kMaxColumns)};
    case TokenProblem::Quote:
      return {e.line, e.field, "a quote inside a field that is not quoted, or text after a closing quote"};
    case TokenProblem::Unclosed: return {e.line, e.field, "a quoted field is not closed"};
    case TokenProblem::Read: return {0, 0, std::strerror(e.errnum)};
  }
  return {};
}

TokenizerOptions TableOptions(const DelimitedOptions& options) {
  return {.rules = options.literal ? DelimitedRules::Pasted : DelimitedRules::Table, .separator = options.separator};
}

// The rows of `t` into a table, or (`visit`) a row at a time; the first problem ends the read with nothing kept.
DelimitedRead Read(DelimitedTokenizer& t, const DelimitedOptions& options, const VisitRow* visit) {
  DelimitedRead read;
  DelimitedTable& table = read.table;
  if (options.separator) table.SetSeparator(options.separator);
  while (t.Next()) {
    if (options.maxRows >= 0 && static_cast<long long>(table.Rows()) >= options.maxRows) {
      read.more = true;
      read.moreLine = t.Line();
      return read;
    }
    table.SetSeparator(t.Separator());
    for (std::size_t i = 0; i < t.Fields(); ++i) table.AddField(t.Field(i));
    const std::size_t fields = t.Fields();
    if (!table.EndRow(t.Line())) {
      const std::size_t expected = table.Columns();
      DelimitedRead failed;
      failed.problem = DelimitedProblem{
          t.Line(), std::min(fields, expected) + 1,
          Format("%zu field%s, where line %lld has %zu", fields, fields == 1 ? "" : "s", table.FirstLine(), expected)};
      return failed;
    }
    if (!visit) continue;
    const bool go = (*visit)(table);
    table.DropRows();
    if (!go) return read;
  }
  if (!t.Error()) return read;
  DelimitedRead failed;
  failed.problem = Told(*t.Error());
  failed.fileError = t.Error()->problem == TokenProblem::Read;
  return failed;
}

DelimitedRead ReadFile(const std::string& path, const DelimitedOptions& options, const VisitRow* visit) {
  Fd fd;
  if (const std::string why = OpenForReading(path, fd); !why.empty()) {
    DelimitedRead failed;
    failed.problem = DelimitedProblem{0, 0, "cannot read it: " + why};
    failed.fileError = true;
    return failed;
  }
  DelimitedTokenizer t([&fd](char* buffer, std::size_t size) { return ReadSome(fd, buffer, size); },
                       TableOptions(options));
  return Read(t, options, visit);
}

}  // namespace

char DetectSeparator(std::string_view line) {
  for (char separator : {'\t', ';', ','})
    if (Separators(line, separator) > 0) return separator;
  return ',';
}

DelimitedRead ReadDelimited(const ReadBytes& read, const DelimitedOptions& options) {
  DelimitedTokenizer t(read, TableOptions(options));
  return Read(t, options, nullptr);
}

DelimitedRead ReadDelimitedText(std::string_view text, const DelimitedOptions& options) {
  DelimitedTokenizer t(text, TableOptions(options));
  return Read(t, options, nullptr);
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
