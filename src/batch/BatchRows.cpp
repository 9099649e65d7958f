// `rows PATH [sep=X]`: the open entry loop's forms answered from the lines of
// a delimited file, one line per form. The whole file is read and checked
// before its first line answers a form, so that a broken file appends nothing.
#include <optional>

#include "batch/Batch.h"
#include "data/EntryTable.h"
#include "framework/Format.h"
#include "journal/Excerpt.h"

namespace mirto {

struct BatchHost::FileRows {
  FileRows(std::string file, const EntryLoop& loop, long long first, long long count)
      : name(std::move(file)), table(loop, first, count) {}
  std::string name;  // as messages name the file
  data::EntryTable table;
  std::vector<long long> lines;  // each row's line in the file
  data::ImportPlan plan;
  long long next = 0, answered = -1;

  // "NAME, line L, column C" for a table cell (the whole line without a column).
  std::string Where(long long row, std::optional<std::size_t> column) const {
    data::DelimitedProblem at{lines[static_cast<std::size_t>(row)], 0, ""};
    if (plan.matrix) {
      const auto [i, j] = table.Numbers(row);
      at.line = lines[static_cast<std::size_t>(i - 1)];
      if (column) at.column = static_cast<std::size_t>(j);
    } else if (column && plan.source[*column] >= 0) {
      at.column = static_cast<std::size_t>(plan.source[*column]) + 1;
    }
    std::string text = data::Describe(at, name);
    if (column) text += " (\"" + std::string(table.Columns()[*column].name) + "\")";
    return text;
  }
};

BatchHost::BatchHost(ScriptSource& source, std::ostream& err) : m_source(source), m_err(err) {}
BatchHost::~BatchHost() = default;

void BatchHost::BeginEntryLoop(const EntryLoop& loop) {
  m_loop = loop;
  m_shown = 0;
  m_rows.reset();
}

void BatchHost::EndEntryLoop() {
  m_loop = EntryLoop{};
  m_rows.reset();
}

bool BatchHost::AnswerFromRows(Form& form) {
  if (!m_rows) return false;
  m_rows->answered = -1;
  if (!InLoop(form) || m_rows->next >= m_rows->table.Rows()) return false;
  m_rows->answered = m_rows->next++;
  m_rows->table.Answer(m_rows->answered, form);
  // Values outside the formulas' domain are taken, and pointed out with where they stand.
  for (const FieldNote& note : form.Advice())
    if (const std::optional<std::size_t> column = m_rows->table.ColumnOf(note.control))
      m_err << "message: " << note.text << " (" << m_rows->Where(m_rows->answered, column) << ")\n";
  return true;
}

std::string BatchHost::RowsDetail() const {
  if (!m_rows || m_rows->answered < 0) return {};
  const long long row = m_rows->answered;
  const std::optional<RowVerdict> verdict = m_rows->table.Verdict(row);
  if (!verdict) return m_rows->Where(row, std::nullopt);
  const std::optional<std::size_t> column = m_rows->table.ColumnOf(verdict->control);
  return m_rows->Where(row, column) + (verdict->reason.empty() ? "" : ": " + std::string(verdict->reason));
}

namespace {

// "PATH [sep=X]": the path, and the separator (0 to detect it); false for a bad sep=.
bool SplitRowsArguments(std::string_view rest, std::string& path, char& separator) {
  separator = 0;
  const std::size_t blank = rest.find_last_of(" \t");
  if (blank != std::string_view::npos && rest.substr(blank + 1).starts_with("sep=")) {
    const std::string_view name = rest.substr(blank + 5);
    if (name == "tab" || name == "\\t")
      separator = '\t';
    else if (name == "," || name == "comma")
      separator = ',';
    else if (name == ";" || name == "semicolon")
      separator = ';';
    else
      return false;
    rest = rest.substr(0, blank);
    while (!rest.empty() && (rest.back() == ' ' || rest.back() == '\t')) rest.remove_suffix(1);
  }
  path = std::string(rest);
  return true;
}

}  // namespace

bool BatchHost::LoadRows(const Form& form, const Statement& s) {
  std::string path;
  char separator = 0;
  if (!InLoop(form)) {
    Fail(kBatchScriptError, s.line,
         "rows cannot answer this form: it answers the forms of an entry loop that takes rows (docs/batch.md)", &form);
    return false;
  }
  if (!data::Tabular(form.Template())) {
    Fail(kBatchScriptError, s.line, "rows cannot answer this form: it has a choice or a list, which ok answers", &form);
    return false;
  }
  if (!SplitRowsArguments(s.rest, path, separator)) {
    Fail(kBatchScriptError, s.line, "sep= takes tab, comma (,) or semicolon (;)", &form);
    return false;
  }
  if (path.empty()) {
    Fail(kBatchScriptError, s.line, "rows needs the path of a file", &form);
    return false;
  }
  const std::string name = PathExcerpt(path);
  auto fail = [&](int status, const data::DelimitedProblem& problem) {
    Fail(status, s.line, data::Describe(problem, name));
    return false;
  };
  const long long left = m_loop.count - m_shown + 1;  // this form and those after it
  data::DelimitedRead read = data::ReadDelimitedFile(path, {.separator = separator, .maxRows = left + 1});
  if (read.problem) return fail(read.fileError ? kBatchFileError : kBatchScriptError, *read.problem);
  const data::DelimitedTable& file = read.table;
  const data::ImportPlan plan = data::EntryTable(m_loop, m_shown - 1, 0).Suggest(file);
  if (plan.headerProblem) return fail(kBatchScriptError, *plan.headerProblem);
  const std::size_t header = plan.header;
  const long long rows = plan.matrix ? left : static_cast<long long>(file.Rows() - std::min(file.Rows(), header));
  const auto more = Format("more lines than forms: the loop has %lld form%s left", left, left == 1 ? "" : "s");
  if (rows > left) return fail(kBatchScriptError, {file.Line(header + static_cast<std::size_t>(left)), 0, more});
  if (read.more) return fail(kBatchScriptError, {read.moreLine, 0, more});
  auto loaded = std::make_unique<FileRows>(name, m_loop, m_shown - 1, rows);
  loaded->plan = plan;
  for (std::size_t r = plan.matrix ? 0 : header; r < file.Rows(); ++r) loaded->lines.push_back(file.Line(r));
  std::size_t editable = 0, numbers = 0;
  for (const data::TableColumn& c : loaded->table.Columns()) editable += c.Editable(), numbers += c.number;
  const std::vector<std::size_t> missing = loaded->table.Unmapped(plan);
  if (plan.header && !missing.empty()) {
    const data::TableColumn& c = loaded->table.Columns()[missing.front()];
    return fail(kBatchScriptError,
                {file.Line(0), 0,
                 Format("the header names no column for \"%s\" (%s)", c.heading.c_str(), std::string(c.name).c_str())});
  }
  if (!plan.header && !plan.matrix && file.Rows() > 0 && file.Columns() != editable &&
      file.Columns() != editable + numbers)
    return fail(kBatchScriptError,
                {file.Line(0), 0,
                 Format("%zu field%s, where the form takes %zu (%zu with the row's number%s)", file.Columns(),
                        file.Columns() == 1 ? "" : "s", editable, editable + numbers, numbers == 1 ? "" : "s")});
  if (auto problem = loaded->table.Import(file, plan)) return fail(kBatchScriptError, *problem);
  // Cells that are not wholly a number of their field's kind are errors here;
  // a value the loop refuses is its usual "Illegal entry", when its row comes.
  if (auto bad = loaded->table.NextBlocking({}, false)) {
    Fail(kBatchScriptError, s.line,
         loaded->Where(bad->row, bad->column) + ": " + loaded->table.Why(bad->row, bad->column));
    return false;
  }
  m_rows = std::move(loaded);
  return true;
}

}  // namespace mirto
