#pragma once
// Delimited text files (comma-, semicolon- or tab-separated, RFC 4180 quoting,
// LF, CRLF or CR line ends), read with the delimited tokenizer into rows of
// fields, each row with the line it starts on. Empty lines and lines starting
// with '#' are skipped. The first problem is told by line and column, and
// then nothing is kept.
#include <cstddef>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "journal/Fd.h"

namespace mirto::data {

struct DelimitedOptions {
  char separator = 0;      // '\t', ',' or ';'; 0: the first line decides
  long long maxRows = -1;  // stop after this many rows (-1: no limit)
  bool literal = false;    // pasted text: no line is skipped as empty or as a comment
};

// Where reading stopped: line and column (1-based; column 0 means the whole line).
struct DelimitedProblem {
  long long line = 0;
  std::size_t column = 0;
  std::string text;
};

class DelimitedTable {
 public:
  std::size_t Rows() const { return m_lines.size(); }
  std::size_t Columns() const { return m_columns; }
  std::string_view Cell(std::size_t row, std::size_t column) const;
  long long Line(std::size_t row) const { return m_lines[row]; }
  char Separator() const { return m_separator; }
  // The line of the first row, kept when the rows are dropped.
  long long FirstLine() const { return m_firstLine; }

  void SetSeparator(char separator) { m_separator = separator; }
  void AddField(std::string_view text);
  // Ends the row of the fields added since the last; false when the row has
  // another number of fields than the first.
  bool EndRow(long long line);
  std::size_t PendingFields() const { return m_cells.size() - m_rowStart; }
  // Forgets the rows ended so far (a stream of rows keeps one at a time).
  void DropRows();

 private:
  char m_separator = ',';
  std::size_t m_columns = 0;
  std::string m_text;
  std::vector<std::size_t> m_cells;  // where each cell ends in m_text, row after row
  std::size_t m_rowStart = 0;        // the first cell of the row being added
  std::vector<long long> m_lines;
  long long m_firstLine = 0;
};

struct DelimitedRead {
  DelimitedTable table;
  std::optional<DelimitedProblem> problem;
  bool fileError = false;  // the file could not be read at all
  bool more = false;       // rows remain after maxRows
  long long moreLine = 0;  // the line the first of them starts on
};

// Bytes from a source: the count read, 0 at the end, or -errno.
using ReadBytes = std::function<long(char* buffer, std::size_t size)>;

DelimitedRead ReadDelimited(const ReadBytes& read, const DelimitedOptions& options = {});
DelimitedRead ReadDelimitedText(std::string_view text, const DelimitedOptions& options = {});
DelimitedRead ReadDelimitedFile(const std::string& path, const DelimitedOptions& options = {});
// The same a row at a time: `visit` gets a table holding that row alone and
// returns false to stop; the table read gives the columns only. Memory does
// not grow with the file.
using VisitRow = std::function<bool(const DelimitedTable& row)>;
DelimitedRead StreamDelimitedFile(const std::string& path, const VisitRow& visit, const DelimitedOptions& options = {});

// Opens `path` to read without waiting for a writer (a pipe nobody writes to
// reads as empty): the reason it cannot be read, else empty. `regular`: only
// a regular file, one that can be read again.
std::string OpenForReading(const std::string& path, Fd& fd, bool regular = false);
// Bytes read from `fd`: as ReadBytes counts them.
long ReadSome(const Fd& fd, char* buffer, std::size_t size);

// The separator a first line uses: tab, else semicolon, else comma, counted
// outside quotes; a comma when it holds none.
char DetectSeparator(std::string_view line);

// "NAME, line L, column C: TEXT" (no column for a whole line, no line for a file).
std::string Describe(const DelimitedProblem& problem, std::string_view name);

// Field-level limits: what no table of figures needs and a broken file may hold.
inline constexpr std::size_t kMaxRecordBytes = 1 << 20;
inline constexpr std::size_t kMaxColumns = 10'000;

}  // namespace mirto::data
