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
        out += (c ? ", " : "") + Quoted(t.columns()[c]) + ": " + JsonNumber(t.at(row, c));
      out += '}';
    }
    out += ']';
  }
  out += '}';
}

int CommandId(const CompletedBlock& block) { return block.command ? block.command->id : 0; }

std::string CsvRow(std::size_t number, int command, std::string_view name, std::string index, double value) {
  return std::to_string(number) + ',' + std::to_string(command) + ',' + std::string(name) + ',' + index + ',' +
         NumberText(value);
}

bool EndsWith(const std::string& text, std::string_view suffix) {
  return text.size() >= suffix.size() && text.compare(text.size() - suffix.size(), suffix.size(), suffix) == 0;
}

}  // namespace

std::string NumberText(double value) {
  if (std::isnan(value)) return "nan";
  if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
  char text[32];
  const auto r = std::to_chars(text, text + sizeof text, value);
  return std::string(text, r.ptr);
}

std::string ResultJson(const CompletedBlock& block, std::size_t number) {
  std::string out = "{\"block\": " + std::to_string(number) + ", \"command\": " + std::to_string(CommandId(block)) +
                    ", \"path\": " + Quoted(block.command ? block.command->path : "");
  // A family that keeps no record yet says so rather than showing empty figures as results.
  if (!block.record) {
    out += ", \"record\": false, \"inputs\": {}, \"results\": {}";
  } else {
    out += ", \"inputs\": ";
    AppendFigures(out, block.record->inputs(), *block.record, Section::Inputs);
    out += ", \"results\": ";
    AppendFigures(out, block.record->results(), *block.record, Section::Results);
  }
  if (block.extras) {
    out += ", \"extras\": ";
    AppendFigures(out, block.extras->results(), *block.extras, Section::Results);
  }
  if (!block.note.empty()) {
    out += ", \"data\": [";
    for (std::size_t i = 0; i < block.note.size(); ++i) out += (i ? ", " : "") + Quoted(block.note[i]);
    out += "]";
  }
  out += block.warning ? ", \"warning\": true}" : ", \"warning\": false}";
  return out;
}

std::vector<std::string> ResultCsv(const std::vector<CompletedBlock>& blocks) {
  std::vector<std::string> rows{"block,command,name,index,value"};
  for (std::size_t b = 0; b < blocks.size(); ++b) {
    const CompletedBlock& block = blocks[b];
    const std::size_t number = b + 1;
    const int command = CommandId(block);
    if (!block.record) {
      rows.push_back(CsvRow(number, command, "record", "", 0));
    } else {
      for (Section section : {Section::Inputs, Section::Results}) {
        for (const Figure& f : block.record->figures(section))
          rows.push_back(CsvRow(number, command, f.key, "", f.value));
        for (const Table& t : block.record->tables()) {
          if (t.section() != section) continue;
          for (std::size_t row = 0; row < t.rows(); ++row)
            for (std::size_t c = 0; c < t.columns().size(); ++c)
              rows.push_back(CsvRow(number, command, std::string(t.key()) + '.' + std::string(t.columns()[c]),
                                    std::to_string(row + 1), t.at(row, c)));
        }
      }
    }
    if (block.extras)
      for (const Figure& f : block.extras->results())
        rows.push_back(CsvRow(number, command, "extras." + std::string(f.key), "", f.value));
    rows.push_back(CsvRow(number, command, "warning", "", block.warning ? 1 : 0));
  }
  return rows;
}

const CompletedBlock* FindBlock(const std::vector<CompletedBlock>& blocks, std::size_t line) {
  // Blocks lie in journal order and never overlap.
  auto after = std::upper_bound(blocks.begin(), blocks.end(), line,
                                [](std::size_t l, const CompletedBlock& b) { return l < b.firstLine; });
  if (after == blocks.begin()) return nullptr;
  const CompletedBlock& block = *std::prev(after);
  return line < block.firstLine + block.lines ? &block : nullptr;
}

std::string ResultRows(const Record& record) {
  std::string out;
  for (Section section : {Section::Inputs, Section::Results}) {
    for (const Figure& f : record.figures(section)) out += std::string(f.key) + '\t' + NumberText(f.value) + '\n';
    for (const Table& t : record.tables()) {
      if (t.section() != section) continue;
      out += t.key();
      for (std::string_view column : t.columns()) out += '\t' + std::string(column);
      out += '\n';
      for (std::size_t row = 0; row < t.rows(); ++row) {
        out += std::to_string(row + 1);
        for (std::size_t c = 0; c < t.columns().size(); ++c) out += '\t' + NumberText(t.at(row, c));
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
