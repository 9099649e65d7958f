#pragma once
// The generic result record of a report block: the inputs the calculation
// used and every figure its block prints, by name, with per-group or
// per-element rows as tables. Each family turns its own result structs into
// one of these (a ToRecord function of its own); the document keeps it with
// the block, and `--results` writes it out. Keys are stable snake_case words,
// documented in docs/results.md; they must be text that lives as long as the
// program (string literals), except a table's columns named at run time (a
// variable's name), which the table keeps.
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace mirto {

// Extras: the additional figures a block writes itself (under "extras" in the results files).
enum class Section : std::uint8_t { Inputs, Results, Extras };

struct Figure {
  std::string_view key;
  double value;
};

// Rows of figures under one key: a group table, an element table.
class Table {
 public:
  Table(Section section, std::string_view key, std::vector<std::string_view> columns)
      : m_section(section), m_key(key), m_columns(std::move(columns)) {}
  // Columns named at run time; the first `textColumns` of them hold text
  // (a domain's name, a category's label), the others numbers.
  Table(Section section, std::string_view key, std::vector<std::string> columns, std::size_t textColumns);

  // One row, a value per column in column order.
  void AddRow(std::initializer_list<double> values) { AddRow(std::span<const double>(values.begin(), values.size())); }
  void AddRow(std::span<const double> values);
  // One row of a table with text columns: its texts, then its numbers.
  void AddRow(std::span<const std::string> texts, std::span<const double> values);

  Section section() const { return m_section; }
  std::string_view key() const { return m_key; }
  const std::vector<std::string_view>& columns() const { return m_columns; }
  std::size_t rows() const { return m_rows; }
  bool IsText(std::size_t column) const { return column < m_textColumns; }
  // A number cell (NaN for a text column) and a text cell.
  double at(std::size_t row, std::size_t column) const;
  const std::string& text(std::size_t row, std::size_t column) const { return m_texts[row * m_textColumns + column]; }

 private:
  Section m_section;
  std::string_view m_key;
  std::vector<std::string_view> m_columns;
  // Names made at run time, shared by copies so that the views stay valid.
  std::vector<std::shared_ptr<const std::string>> m_names;
  std::size_t m_textColumns = 0;
  std::size_t m_rows = 0;
  std::vector<double> m_cells;       // row by row, number columns
  std::vector<std::string> m_texts;  // row by row, text columns
};

class Record {
 public:
  Record& Input(std::string_view key, double value);
  Record& Result(std::string_view key, double value);
  Record& Extra(std::string_view key, double value);
  // A table added to the inputs or the results; rows are added to the reference returned.
  Table& AddTable(Section section, std::string_view key, std::vector<std::string_view> columns);
  Table& AddTable(Section section, std::string_view key, std::vector<std::string> columns, std::size_t textColumns);
  void Add(Table table) { m_tables.push_back(std::move(table)); }

  const std::vector<Figure>& inputs() const { return m_inputs; }
  const std::vector<Figure>& results() const { return m_results; }
  const std::vector<Figure>& extras() const { return m_extras; }
  const std::vector<Table>& tables() const { return m_tables; }
  const std::vector<Figure>& figures(Section section) const {
    return section == Section::Inputs ? m_inputs : section == Section::Results ? m_results : m_extras;
  }
  // Whether the record holds additional figures of its own.
  bool HasExtras() const;
  // The value under `key` among the scalars, or NaN.
  double Get(std::string_view key) const;

 private:
  std::vector<Figure> m_inputs, m_results, m_extras;
  std::vector<Table> m_tables;
};

}  // namespace mirto
