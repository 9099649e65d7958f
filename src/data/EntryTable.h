#pragma once
// The rows of an entry loop as one table: a row per form the loop shows
// (numbered as the forms number them), a column per row number and per field
// of the form. Cells hold text as a form field does; every row is checked by
// the loop's own row check and by the reading rules, so that a table can be
// put right before any row reaches the loop, and then answers the loop's
// forms one by one. The desktop's table dialog and `rows` in scripts share it.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "data/Delimited.h"
#include "framework/Form.h"

namespace mirto::data {

struct TableColumn {
  std::size_t control = 0;  // in the form's template
  std::string heading;
  std::string_view name;  // short name
  bool number = false;    // the row's number: shown, never edited
  bool enabled = true;    // false: the form disables the field in this context
  int maxLength = 0;
  bool digitsOnly = false;             // accepts only 0-9 while typing
  NumberKind kind = NumberKind::Real;  // how the loop reads the cell
  int which = 0;                       // number columns: 0 the first number, 1 the second
  bool Editable() const { return !number && enabled; }
};

// What is wrong with a cell. Refused and the first three keep a table from
// being fed; Warned rows are fed, and the loop then shows "Illegal entry";
// Advised cells hold a value outside the formulas' domain (the field's
// bounds), which is fed and computed with.
enum class Mark : std::uint8_t { None, Empty, TooLong, Misread, Refused, Warned, Advised };

struct CellRef {
  long long row = 0;
  std::size_t column = 0;
};

// Which file column fills each table column (-1: none), and whether the first
// line is a header; a matrix plan reads an N x N matrix of joint probabilities.
struct ImportPlan {
  bool header = false;
  bool matrix = false;
  std::vector<int> source;
  // A first line that names columns but also names one twice, or a name that
  // is no column: the line, the field and what is wrong. `source` then maps
  // the names that are columns.
  std::optional<DelimitedProblem> headerProblem;
};

class EntryTable {
 public:
  // Rows [first, first + rows) of the loop; all that remain when rows < 0.
  explicit EntryTable(const EntryLoop& loop, long long first = 0, long long rows = -1);

  const EntryLoop& Loop() const { return m_loop; }
  const FormTemplate& Template() const { return *m_loop.tmpl; }
  const std::vector<TableColumn>& Columns() const { return m_columns; }
  long long Rows() const { return m_rows; }
  // The 1-based numbers of row `row` (for a pair, both; otherwise the second is 0).
  std::pair<long long, long long> Numbers(long long row) const;
  std::string Text(long long row, std::size_t column) const;
  // Sets an editable cell and checks its row again.
  void SetText(long long row, std::size_t column, std::string text);

  // A block of delimited text (a spreadsheet's copy: tab-, comma- or
  // semicolon-separated) with its top left at (row, column). The block's
  // columns fill the table's from `column` on, passing over disabled ones; a
  // block that starts on a number column repeats the numbers. An N x N block
  // in a pair table's probability column is a matrix of joint probabilities.
  // All or nothing: the problem, with the table unchanged, when it does not fit.
  std::optional<DelimitedProblem> Paste(long long row, std::size_t column, std::string_view text);

  // The plan a file suggests: a header of field labels or short names maps by
  // name; otherwise the file's columns are the fields in tab order, after the
  // row numbers where the file has them.
  ImportPlan Suggest(const DelimitedTable& data) const;
  // Fields the plan leaves without a file column.
  std::vector<std::size_t> Unmapped(const ImportPlan& plan) const;
  // Fills rows from the top with the file's rows; all or nothing.
  std::optional<DelimitedProblem> Import(const DelimitedTable& data, const ImportPlan& plan);

  // Told how far a long check of pasted or imported rows is: (done, total).
  void SetProgress(std::function<void(long long done, long long total)> progress) { m_progress = std::move(progress); }
  // What stands between the table and OK, in a line: the count of cells to
  // put right and the first of them, or that every row can be taken.
  std::string Summary() const;

  Mark MarkAt(long long row, std::size_t column) const;
  std::string Why(long long row, std::size_t column) const;
  // Cells that keep the table from being fed.
  long long Blocking() const { return m_blocking; }
  // The first such cell at or after `from` (in reading order), wrapping around;
  // refusals by the row check are passed over when `refusals` is false.
  std::optional<CellRef> NextBlocking(CellRef from = {}, bool refusals = true) const;

  // The loop's own row check on row `row`, when it does not accept the row.
  std::optional<RowVerdict> Verdict(long long row) const;
  // The column of control `control`, if the table shows it.
  std::optional<std::size_t> ColumnOf(std::size_t control) const;

  // The form the loop shows for row `row`, answered from the row.
  Form RowForm(long long row) const;
  void Answer(long long row, Form& form) const;

 private:
  std::size_t Cell(long long row, std::size_t column) const {
    return static_cast<std::size_t>(row) * m_editable + m_slot[column];
  }
  std::optional<DelimitedProblem> Fill(const DelimitedTable& data, std::size_t firstRow, const std::vector<int>& source,
                                       long long startRow);
  std::optional<DelimitedProblem> FillMatrix(const DelimitedTable& data, std::size_t column);
  void CheckRow(long long row);
  // The advice on a row's values, when the form has bounds.
  std::vector<FieldNote> Advice(long long row) const;
  void Checked(long long done) const {
    if (m_progress && done % 4096 == 0) m_progress(done, m_rows);
  }

  EntryLoop m_loop;
  long long m_first = 0, m_rows = 0;
  std::vector<TableColumn> m_columns;
  std::vector<std::size_t> m_slot;  // column -> place among the editable ones
  bool m_bounded = false;           // some field has bounds
  std::size_t m_editable = 0;
  std::vector<std::string> m_cells;  // row after row, editable columns only
  std::vector<Mark> m_marks;
  long long m_blocking = 0;
  std::function<void(long long, long long)> m_progress;
};

// Why a cell's text would not be taken as the number it shows, if it would
// not: an empty cell (it would read as 0), or text that is not wholly a
// number of the column's kind ("1,5", "12abc", "2e1" for a whole number),
// by the rule of every form field (NumberProblem).
std::optional<std::string> Misreading(std::string_view text, NumberKind kind);

// The k-th pair (1-based) of n elements in the loop's order.
std::pair<long long, long long> PairAt(long long k, long long n);

// Tables past this many rows are not built; their loops show forms.
inline constexpr long long kMaxTableRows = 2'000'000;
// Whether a table can answer the loop's forms: every value they take is typed
// in a text field (no choice, no list).
bool Tabular(const FormTemplate& tmpl);

}  // namespace mirto::data
