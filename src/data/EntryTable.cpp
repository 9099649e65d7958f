#include "data/EntryTable.h"

#include <algorithm>
#include <charconv>
#include <cmath>

#include "data/FieldNames.h"
#include "framework/Format.h"
#include "journal/Excerpt.h"

namespace mirto::data {
namespace {

constexpr std::size_t kNone = static_cast<std::size_t>(-1);

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

std::string Shortest(double value) {
  char text[32];
  const auto end = std::to_chars(text, text + sizeof text, value).ptr;
  return std::string(text, end);
}

bool Blocks(Mark m) { return m == Mark::Empty || m == Mark::TooLong || m == Mark::Misread || m == Mark::Refused; }

// Whether a file's number cell says `number`.
bool SaysNumber(std::string_view text, long long number) {
  text = Trim(text);
  long long value = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
  return ec == std::errc() && end == text.data() + text.size() && value == number;
}

}  // namespace

std::optional<std::string> Misreading(std::string_view text, NumberKind kind) {
  const std::string_view shown = Trim(text);
  if (shown.empty()) return std::string("Empty: it would read as 0.");
  if (text.find_first_of("\r\n") != std::string_view::npos)  // no field holds one
    return "\"" + Excerpt(shown, 24, 8) + "\" holds a line break, which no field can.";
  return NumberProblem(shown, kind);
}

std::pair<long long, long long> PairAt(long long k, long long n) {
  // Pairs before those of element i: (i - 1) n - (i - 1) i / 2.
  auto before = [n](long long i) { return (i - 1) * n - (i - 1) * i / 2; };
  long long low = 1, high = n - 1;
  while (low < high) {
    const long long mid = low + (high - low + 1) / 2;
    if (before(mid) < k)
      low = mid;
    else
      high = mid - 1;
  }
  return {low, low + (k - before(low))};
}

bool Tabular(const FormTemplate& tmpl) {
  return std::all_of(tmpl.controls.begin(), tmpl.controls.end(),
                     [](const Control& c) { return !TakesValue(c) || c.kind == ControlKind::Text; });
}

EntryTable::EntryTable(const EntryLoop& loop, long long first, long long rows) : m_loop(loop), m_first(first) {
  const long long left = std::max(0LL, loop.count - first);
  m_rows = rows < 0 ? left : std::min(rows, left);
  const FormTemplate& tmpl = *loop.tmpl;
  const Form probe(tmpl, loop.context);
  int numbers = 0;
  for (std::size_t i = 0; i < tmpl.controls.size(); ++i) {
    const Control& c = tmpl.controls[i];
    const bool number = c.kind == ControlKind::Text && c.readOnly;
    if (!number && c.kind != ControlKind::Text) continue;  // entry forms hold text fields only
    TableColumn column{.control = i,
                       .heading = Heading(tmpl, i),
                       .name = ShortName(tmpl, i),
                       .number = number,
                       .enabled = probe.Enabled(i),
                       .maxLength = c.maxLength,
                       .digitsOnly = c.digitsOnly,
                       .kind = c.number,
                       .which = number ? numbers++ : 0};
    m_bounded = m_bounded || (column.Editable() && !c.bounds.empty());
    m_slot.push_back(column.Editable() ? m_editable++ : kNone);
    m_columns.push_back(std::move(column));
  }
  const std::size_t cells = static_cast<std::size_t>(m_rows) * m_editable;
  m_cells.resize(cells);
  m_marks.assign(cells, Mark::Empty);  // an empty cell reads as 0, which nobody meant
  m_blocking = static_cast<long long>(cells);
}

std::pair<long long, long long> EntryTable::Numbers(long long row) const {
  const long long k = m_first + row + 1;
  return m_loop.Pairs() ? PairAt(k, m_loop.elements) : std::pair<long long, long long>{k, 0};
}

std::string EntryTable::Text(long long row, std::size_t column) const {
  const TableColumn& c = m_columns[column];
  if (c.number) {
    const auto [first, second] = Numbers(row);
    return std::to_string(c.which == 0 ? first : second);
  }
  return c.Editable() ? m_cells[Cell(row, column)] : std::string();
}

void EntryTable::SetText(long long row, std::size_t column, std::string text) {
  if (!m_columns[column].Editable()) return;
  m_cells[Cell(row, column)] = std::move(text);
  CheckRow(row);
}

Form EntryTable::RowForm(long long row) const {
  Form form(*m_loop.tmpl, m_loop.context);
  const auto [first, second] = Numbers(row);
  form.SetRowNumber(first, 0);
  if (m_loop.Pairs()) form.SetRowNumber(second, 1);
  Answer(row, form);
  return form;
}

void EntryTable::Answer(long long row, Form& form) const {
  for (std::size_t column = 0; column < m_columns.size(); ++column)
    if (m_columns[column].Editable()) form.SetText(m_columns[column].control, m_cells[Cell(row, column)]);
}

std::optional<RowVerdict> EntryTable::Verdict(long long row) const {
  if (!m_loop.tmpl->checkRow) return std::nullopt;
  const RowVerdict verdict = m_loop.tmpl->checkRow(RowForm(row));
  if (verdict.check == RowCheck::Accept) return std::nullopt;
  return verdict;
}

std::optional<std::size_t> EntryTable::ColumnOf(std::size_t control) const {
  for (std::size_t column = 0; column < m_columns.size(); ++column)
    if (m_columns[column].control == control) return column;
  return std::nullopt;
}

void EntryTable::CheckRow(long long row) {
  std::size_t target = kNone;  // the cell a row verdict goes to
  // One form of the row for the loop's check and the fields' bounds.
  std::optional<Form> form;
  if (m_loop.tmpl->checkRow || m_bounded) form.emplace(RowForm(row));
  std::optional<RowVerdict> verdict;
  if (m_loop.tmpl->checkRow) {
    const RowVerdict v = m_loop.tmpl->checkRow(*form);
    if (v.check != RowCheck::Accept) verdict = v;
  }
  for (std::size_t column = 0; column < m_columns.size(); ++column) {
    const TableColumn& c = m_columns[column];
    if (!c.Editable()) continue;
    const std::size_t at = Cell(row, column);
    const std::string& text = m_cells[at];
    Mark mark = Mark::None;
    if (c.maxLength > 0 && text.size() > static_cast<std::size_t>(c.maxLength))
      mark = Mark::TooLong;
    else if (Trim(text).empty())
      mark = Mark::Empty;
    else if (Misreading(text, c.kind))
      mark = Mark::Misread;
    m_blocking += Blocks(mark) - Blocks(m_marks[at]);
    m_marks[at] = mark;
    if (verdict && (target == kNone || c.control == verdict->control)) target = at;
  }
  if (target != kNone && m_marks[target] == Mark::None) {
    m_marks[target] = verdict->check == RowCheck::Refuse ? Mark::Refused : Mark::Warned;
    m_blocking += Blocks(m_marks[target]);
  }
  if (!m_bounded) return;
  for (const FieldNote& note : form->Advice()) {
    const std::optional<std::size_t> column = ColumnOf(note.control);
    if (!column || !m_columns[*column].Editable()) continue;
    Mark& mark = m_marks[Cell(row, *column)];
    if (mark == Mark::None) mark = Mark::Advised;
  }
}

std::vector<FieldNote> EntryTable::Advice(long long row) const {
  if (!m_bounded) return {};
  return RowForm(row).Advice();
}

Mark EntryTable::MarkAt(long long row, std::size_t column) const {
  return m_columns[column].Editable() ? m_marks[Cell(row, column)] : Mark::None;
}

std::string EntryTable::Why(long long row, std::size_t column) const {
  const TableColumn& c = m_columns[column];
  switch (MarkAt(row, column)) {
    case Mark::None: return {};
    case Mark::TooLong: return Form::TooLong(c.maxLength);
    case Mark::Empty:
    case Mark::Misread: return Misreading(Text(row, column), c.kind).value_or("");
    case Mark::Advised:
      for (const FieldNote& note : Advice(row))
        if (note.control == c.control) return note.text;
      return {};
    case Mark::Refused:
    case Mark::Warned: {
      const std::optional<RowVerdict> v = Verdict(row);
      const std::string reason = v && !v->reason.empty() ? ": " + std::string(v->reason) : "";
      if (MarkAt(row, column) == Mark::Refused) return std::string(kIllegalEntry) + reason + ".";
      return std::string(kIllegalEntry) + " is shown for this row, which is kept" + reason + ".";
    }
  }
  return {};
}

std::string EntryTable::Summary() const {
  const std::optional<CellRef> first = NextBlocking();
  if (!first) return m_rows == 1 ? "The row can be taken." : Format("All %lld rows can be taken.", m_rows);
  const auto [i, j] = Numbers(first->row);
  const std::string row = m_loop.Pairs() ? Format("pair %lld, %lld", i, j) : Format("row %lld", i);
  return Format("%lld cell%s to put right; the first, %s, \"%s\": ", m_blocking, m_blocking == 1 ? "" : "s",
                row.c_str(), std::string(m_columns[first->column].name).c_str()) +
         Why(first->row, first->column);
}

std::optional<CellRef> EntryTable::NextBlocking(CellRef from, bool refusals) const {
  if (m_blocking == 0 || m_editable == 0) return std::nullopt;
  const std::size_t cells = m_cells.size();
  std::size_t start = static_cast<std::size_t>(std::clamp(from.row, 0LL, m_rows - 1)) * m_editable;
  if (from.column < m_slot.size() && m_slot[from.column] != kNone) start += m_slot[from.column];
  for (std::size_t n = 0; n < cells; ++n) {
    const std::size_t at = (start + n) % cells;
    const Mark m = m_marks[at];
    if (!Blocks(m) || (!refusals && m == Mark::Refused)) continue;
    const std::size_t slot = at % m_editable;
    const std::size_t column = static_cast<std::size_t>(std::find(m_slot.begin(), m_slot.end(), slot) - m_slot.begin());
    return CellRef{static_cast<long long>(at / m_editable), column};
  }
  return std::nullopt;
}

// The table columns the file columns fill, from `column` on: disabled
// columns passed over, number columns checked.
std::optional<DelimitedProblem> EntryTable::Paste(long long row, std::size_t column, std::string_view text) {
  DelimitedRead read = ReadDelimitedText(text, {.literal = true});
  if (read.problem) return read.problem;
  const DelimitedTable& block = read.table;
  if (block.Rows() == 0) return std::nullopt;
  const bool matrix = m_loop.Pairs() && column < m_columns.size() && m_columns[column].Editable() &&
                      block.Rows() == static_cast<std::size_t>(m_loop.elements) &&
                      block.Columns() == static_cast<std::size_t>(m_loop.elements);
  if (matrix) return FillMatrix(block, column);
  // A block without the numbers, pasted on a number column, starts at the first field.
  std::size_t span = 0;
  for (std::size_t c = column; c < m_columns.size(); ++c) span += m_columns[c].number || m_columns[c].enabled;
  while (column < m_columns.size() && m_columns[column].number && block.Columns() != span) {
    span -= 1;
    ++column;
  }
  std::vector<int> source(m_columns.size(), -1);
  std::size_t next = 0;
  for (std::size_t c = column; c < m_columns.size() && next < block.Columns(); ++c)
    if (m_columns[c].number || m_columns[c].enabled) source[c] = static_cast<int>(next++);
  if (next < block.Columns())
    return DelimitedProblem{
        block.Line(0), next + 1,
        Format("the block has %zu columns; from here the table has room for %zu", block.Columns(), next)};
  if (row + static_cast<long long>(block.Rows()) > m_rows)
    return DelimitedProblem{block.Line(static_cast<std::size_t>(m_rows - row)), 0,
                            Format("the block has %zu rows; from row %lld the table has room for %lld", block.Rows(),
                                   row + 1, m_rows - row)};
  return Fill(block, 0, source, row);
}

ImportPlan EntryTable::Suggest(const DelimitedTable& data) const {
  ImportPlan plan;
  plan.source.assign(m_columns.size(), -1);
  if (data.Rows() == 0) return plan;
  // A header: every field names a column, and some field does. A first line
  // that names some column but also a name twice, or a name that is none,
  // is a header with a problem.
  bool any = false;
  std::optional<DelimitedProblem> problem;
  std::vector<int> byName(m_columns.size(), -1);
  for (std::size_t f = 0; f < data.Columns(); ++f) {
    const std::string_view field = Trim(data.Cell(0, f));
    if (field.empty()) continue;
    bool found = false, again = false;
    for (std::size_t c = 0; c < m_columns.size() && !found; ++c) {
      if (!Names(field, *m_loop.tmpl, m_columns[c].control)) continue;
      if (byName[c] >= 0) {
        again = true;
        continue;
      }
      byName[c] = static_cast<int>(f), found = true;
    }
    any = any || found;
    if (found || problem) continue;
    const std::string name = "\"" + Excerpt(field, 24, 8) + "\"";
    std::string names;
    for (const TableColumn& c : m_columns)
      if (c.number || c.enabled) names += (names.empty() ? "" : ", ") + std::string(c.name);
    problem = DelimitedProblem{
        data.Line(0), f + 1,
        again ? "the header names the column " + name + " twice"
              : "the header names " + name + ", which is no column of this form (its columns: " + names + ")"};
  }
  if (any) {
    plan.header = true;
    plan.source = byName;
    plan.headerProblem = problem;
    return plan;
  }
  const std::size_t n = static_cast<std::size_t>(m_loop.elements);
  if (m_loop.Pairs() && data.Rows() == n && data.Columns() == n && !(n == 3 && SaysNumber(data.Cell(0, 1), 2))) {
    plan.matrix = true;
    return plan;
  }
  std::size_t editable = 0, numbers = 0;
  for (const TableColumn& c : m_columns) editable += c.Editable(), numbers += c.number;
  const bool withNumbers = data.Columns() == editable + numbers && numbers > 0;
  std::size_t next = 0;
  for (std::size_t c = 0; c < m_columns.size() && next < data.Columns(); ++c)
    if (m_columns[c].Editable() || (withNumbers && m_columns[c].number)) plan.source[c] = static_cast<int>(next++);
  return plan;
}

std::vector<std::size_t> EntryTable::Unmapped(const ImportPlan& plan) const {
  std::vector<std::size_t> missing;
  if (plan.matrix) return missing;
  for (std::size_t c = 0; c < m_columns.size(); ++c)
    if (m_columns[c].Editable() && (c >= plan.source.size() || plan.source[c] < 0)) missing.push_back(c);
  return missing;
}

std::optional<DelimitedProblem> EntryTable::Import(const DelimitedTable& data, const ImportPlan& plan) {
  if (plan.headerProblem) return plan.headerProblem;
  if (plan.matrix) {
    std::size_t column = 0;
    while (column < m_columns.size() && !m_columns[column].Editable()) ++column;
    return FillMatrix(data, column);
  }
  const std::size_t first = plan.header ? 1 : 0;
  if (data.Rows() < first) return std::nullopt;
  const std::size_t rows = data.Rows() - first;
  if (static_cast<long long>(rows) > m_rows)
    return DelimitedProblem{
        data.Line(first + static_cast<std::size_t>(m_rows)), 0,
        Format("more lines than forms: the loop has %lld form%s here", m_rows, m_rows == 1 ? "" : "s")};
  return Fill(data, first, plan.source, 0);
}

std::optional<DelimitedProblem> EntryTable::Fill(const DelimitedTable& data, std::size_t firstRow,
                                                 const std::vector<int>& source, long long startRow) {
  for (std::size_t r = firstRow; r < data.Rows(); ++r) {
    const long long row = startRow + static_cast<long long>(r - firstRow);
    for (std::size_t c = 0; c < m_columns.size(); ++c) {
      if (c >= source.size() || source[c] < 0 || !m_columns[c].number) continue;
      const std::size_t f = static_cast<std::size_t>(source[c]);
      const std::string expected = Text(row, c);
      if (!SaysNumber(data.Cell(r, f), std::stoll(expected)))
        return DelimitedProblem{
            data.Line(r), f + 1,
            "\"" + Excerpt(Trim(data.Cell(r, f)), 24, 8) + "\" where the form's number is " + expected};
    }
  }
  for (std::size_t r = firstRow; r < data.Rows(); ++r) {
    const long long row = startRow + static_cast<long long>(r - firstRow);
    for (std::size_t c = 0; c < m_columns.size(); ++c)
      if (c < source.size() && source[c] >= 0 && m_columns[c].Editable())
        m_cells[Cell(row, c)] = std::string(data.Cell(r, static_cast<std::size_t>(source[c])));
    CheckRow(row);
    Checked(row);
  }
  return std::nullopt;
}

// Row i, column j (i < j) of the matrix is the pair (i, j); a diagonal cell,
// where there is one, must be element i's own probability.
std::optional<DelimitedProblem> EntryTable::FillMatrix(const DelimitedTable& data, std::size_t column) {
  const std::size_t n = static_cast<std::size_t>(m_loop.elements);
  if (data.Rows() != n || data.Columns() != n || m_first != 0 || m_rows != m_loop.count)
    return DelimitedProblem{data.Rows() ? data.Line(0) : 0, 0,
                            Format("a matrix of joint probabilities has %zu rows and %zu columns", n, n)};
  for (std::size_t i = 0; i < n && m_loop.probabilities; ++i) {
    const std::string_view diagonal = Trim(data.Cell(i, i));
    if (diagonal.empty()) continue;
    const double p = m_loop.probabilities[i + 1];
    if (Misreading(diagonal, NumberKind::Real) || ReadNumber(diagonal, NumberKind::Real).value != p)
      return DelimitedProblem{data.Line(i), i + 1,
                              "the diagonal holds \"" + Excerpt(diagonal, 24, 8) + "\", element " +
                                  std::to_string(i + 1) + "'s inclusion probability is " + Shortest(p)};
  }
  long long row = 0;
  for (std::size_t i = 0; i + 1 < n; ++i)
    for (std::size_t j = i + 1; j < n; ++j, ++row) {
      m_cells[Cell(row, column)] = std::string(data.Cell(i, j));
      CheckRow(row);
      Checked(row);
    }
  return std::nullopt;
}

}  // namespace mirto::data
