#include "framework/Results.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <new>
#include <nlohmann/json.hpp>

#include "framework/Registry.h"
#include "journal/Excerpt.h"

namespace mirto {
namespace {

// Keys and paths are the program's own text; the library still does the quoting.
std::string Quoted(std::string_view text) {
  return nlohmann::json(std::string(text)).dump(-1, ' ', false, nlohmann::json::error_handler_t::replace);
}

// A number, or a non-finite value as a string.
std::string JsonNumber(double value) { return std::isfinite(value) ? NumberText(value) : Quoted(NumberText(value)); }

// A cell of a table: a number, or text as a JSON string.
std::string JsonCell(const Table& t, std::size_t row, std::size_t column) {
  return t.IsText(column) ? Quoted(t.text(row, column)) : JsonNumber(t.at(row, column));
}

void AppendFigures(std::string& out, const std::vector<Figure>& figures, const Record& record, Section section) {
  out += '{';
  bool first = true;
  auto comma = [&] {
    if (!first) out += ", ";
    first = false;
  };
  for (const Figure& f : figures) {
    comma();
    out += Quoted(f.key) + ": " + JsonNumber(f.value);
  }
  for (const Table& t : record.tables()) {
    if (t.section() != section) continue;
    comma();
    out += Quoted(t.key()) + ": [";
    for (std::size_t row = 0; row < t.rows(); ++row) {
      out += row ? ", {" : "{";
      for (std::size_t c = 0; c < t.columns().size(); ++c)
        out += (c ? ", " : "") + Quoted(t.columns()[c]) + ": " + JsonCell(t, row, c);
      out += '}';
    }
    out += ']';
  }
  out += '}';
}

// The additional figures of a block: those the document added after it, and
// those the block wrote itself.
void AppendExtras(std::string& out, const CompletedBlock& block) {
  const bool own = block.record.HasExtras();
  if (!block.extras && !own) return;
  std::vector<Figure> figures;
  if (block.extras) figures = block.extras->results();
  if (own) figures.insert(figures.end(), block.record.extras().begin(), block.record.extras().end());
  out += ", \"extras\": ";
  AppendFigures(out, figures, own ? block.record : Record(), Section::Extras);
}

int CommandId(const CompletedBlock& block) { return block.command ? block.command->id : 0; }

// A field of the long table, quoted where it holds a comma, a quote or a line end.
std::string CsvField(std::string_view text) {
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) return std::string(text);
  std::string out = "\"";
  for (char c : text) out += c == '"' ? std::string("\"\"") : std::string(1, c);
  return out + '"';
}

std::string CsvRow(std::size_t number, int command, std::string_view name, std::string index, std::string_view value) {
  return std::to_string(number) + ',' + std::to_string(command) + ',' + CsvField(name) + ',' + index + ',' +
         CsvField(value);
}

std::string CsvRow(std::size_t number, int command, std::string_view name, std::string index, double value) {
  return CsvRow(number, command, name, std::move(index), NumberText(value));
}

// The rows of a record's tables in `section`, named `prefix`TABLE.COLUMN.
void CsvTables(std::vector<std::string>& rows, std::size_t number, int command, const Record& record, Section section,
               const std::string& prefix) {
  for (const Table& t : record.tables()) {
    if (t.section() != section) continue;
    for (std::size_t row = 0; row < t.rows(); ++row)
      for (std::size_t c = 0; c < t.columns().size(); ++c) {
        const std::string name = prefix + std::string(t.key()) + '.' + std::string(t.columns()[c]);
        const std::string index = std::to_string(row + 1);
        rows.push_back(t.IsText(c) ? CsvRow(number, command, name, index, std::string_view(t.text(row, c)))
                                   : CsvRow(number, command, name, index, t.at(row, c)));
      }
  }
}

// A text cell on one line of a tab-separated row.
std::string RowText(std::string text) {
  for (char& c : text)
    if (c == '\t' || c == '\n' || c == '\r') c = ' ';
  return text;
}

bool EndsWith(const std::string& text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

bool PerGroup(const Table& t, std::size_t groups) {
  return t.rows() == groups && !t.IsText(0) && (t.key() == "strata" || t.key() == "clusters");
}

// The table with the groups' names as its first column.
Table Named(const Table& t, const std::vector<std::string>& names) {
  std::vector<std::string> columns{"name"};
  for (std::string_view c : t.columns()) columns.emplace_back(c);
  Table named(t.section(), t.key(), std::move(columns), 1);
  std::vector<double> values(t.columns().size());
  for (std::size_t row = 0; row < t.rows(); ++row) {
    for (std::size_t c = 0; c < values.size(); ++c) values[c] = t.at(row, c);
    named.AddRow(std::span(&names[row], 1), values);
  }
  return named;
}

}  // namespace

Record NamedRecord(const CompletedBlock& block) {
  if (block.names.empty()) return block.record;
  Record named;
  for (const Figure& f : block.record.inputs()) named.Input(f.key, f.value);
  for (const Figure& f : block.record.results()) named.Result(f.key, f.value);
  for (const Figure& f : block.record.extras()) named.Extra(f.key, f.value);
  for (const Table& t : block.record.tables()) named.Add(PerGroup(t, block.names.size()) ? Named(t, block.names) : t);
  return named;
}

std::string NumberText(double value) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
  char text[32];
  const auto r = std::to_chars(text, text + sizeof text, value);
  return std::string(text, r.ptr);
}

std::string ResultJson(const CompletedBlock& block, std::size_t number) {
  const Record record = NamedRecord(block);
  std::string out = "{\"block\": " + std::to_string(number) + ", \"command\": " + std::to_string(CommandId(block)) +
                    ", \"path\": " + Quoted(block.command ? block.command->path : "");
  out += ", \"inputs\": ";
  AppendFigures(out, record.inputs(), record, Section::Inputs);
  out += ", \"results\": ";
  AppendFigures(out, record.results(), record, Section::Results);
  AppendExtras(out, block);
  if (!block.note.empty()) {
    out += ", \"data\": [";
    for (std::size_t i = 0; i < block.note.size(); ++i) out += (i ? ", " : "") + Quoted(block.note[i]);
    out += "]";
  }
  out += block.warning ? ", \"warning\": true}" : ", \"warning\": false}";
  return out;
}

std::vector<std::string> ResultCsv(const std::vector<CompletedBlock>& blocks) {
  std::vector<std::string> rows{"block,command,name,index,value,path"};
  for (std::size_t b = 0; b < blocks.size(); ++b) {
    const CompletedBlock& block = blocks[b];
    const std::size_t number = b + 1, first = rows.size();
    const int command = CommandId(block);
    const Record record = NamedRecord(block);
    for (Section section : {Section::Inputs, Section::Results}) {
      for (const Figure& f : record.figures(section)) rows.push_back(CsvRow(number, command, f.key, "", f.value));
      CsvTables(rows, number, command, record, section, "");
    }
    if (block.extras)
      for (const Figure& f : block.extras->results())
        rows.push_back(CsvRow(number, command, "extras." + std::string(f.key), "", f.value));
    for (const Figure& f : block.record.extras())
      rows.push_back(CsvRow(number, command, "extras." + std::string(f.key), "", f.value));
    CsvTables(rows, number, command, block.record, Section::Extras, "extras.");
    rows.push_back(CsvRow(number, command, "warning", "", block.warning ? 1 : 0));
    // The menu path last, so that readers of the first five columns by position read on unchanged.
    const std::string path = ',' + CsvField(block.command ? block.command->path : "");
    for (std::size_t r = first; r < rows.size(); ++r) rows[r] += path;
  }
  return rows;
}

const CompletedBlock* FindBlock(const std::vector<CompletedBlock>& blocks, std::size_t line) {
  // Blocks lie in journal order and never overlap.
  auto after = std::upper_bound(blocks.begin(), blocks.end(), line,
                                [](std::size_t l, const CompletedBlock& b) { return l < b.firstLine; });
  if (after == blocks.begin()) return nullptr;
  const CompletedBlock& block = *std::prev(after);
  return line < block.End() ? &block : nullptr;
}

std::string ResultRows(const Record& record) {
  std::string out;
  for (Section section : {Section::Inputs, Section::Results, Section::Extras}) {
    for (const Figure& f : record.figures(section)) out += std::string(f.key) + '\t' + NumberText(f.value) + '\n';
    for (const Table& t : record.tables()) {
      if (t.section() != section) continue;
      out += t.key();
      for (std::string_view column : t.columns()) out += '\t' + std::string(column);
      out += '\n';
      for (std::size_t row = 0; row < t.rows(); ++row) {
        out += std::to_string(row + 1);
        for (std::size_t c = 0; c < t.columns().size(); ++c)
          out += '\t' + (t.IsText(c) ? RowText(t.text(row, c)) : NumberText(t.at(row, c)));
        out += '\n';
      }
    }
  }
  return out;
}

FileResult WriteResults(const std::vector<CompletedBlock>& blocks, const std::string& path) {
  // The journal's own writer: one text line each, and the old file kept whole on failure.
  try {
    Journal lines;
    if (EndsWith(path, ".csv")) {
      for (const std::string& row : ResultCsv(blocks)) lines.push_back(row);
    } else {
      for (std::size_t b = 0; b < blocks.size(); ++b) lines.push_back(ResultJson(blocks[b], b + 1));
    }
    return WriteJournalFile(lines, path);
  } catch (const std::bad_alloc&) {
    return {false, "Cannot save " + PathExcerpt(path) + ": Memory allocation failure."};
  }
}

}  // namespace mirto
