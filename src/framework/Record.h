#pragma once
// The generic result record of a report block: the inputs the calculation
// used and every figure its block prints, by name, with per-group or
// per-element rows as tables. Each family turns its own result structs into
// one of these (a ToRecord function of its own); the document keeps it with
// the block, and `--results` writes it out. Keys are stable snake_case words,
// documented in docs/results.md; they must be text that lives as long as the
// program (string literals).
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>
#include <utility>
#include <vector>

namespace mirto {

enum class Section : std::uint8_t { Inputs, Results };

struct Figure {
  std::string_view key;
  double value;
};

// Rows of figures under one key: a group table, an element table.
class Table {
 public:
  Table(Section section, std::string_view key, std::vector<std::string_view> columns)
      : m_section(section), m_key(key), m_columns(std::move(columns)) {}

  // One row, a value per column in column order.
  void AddRow(std::initializer_list<double> values) { AddRow(std::span<const double>(values.begin(), values.size())); }
  void AddRow(std::span<const double> values);

  Section section() const { return m_section; }
  std::string_view key() const { return m_key; }
  const std::vector<std::string_view>& columns() const { return m_columns; }
  std::size_t rows() const { return m_columns.empty() ? 0 : m_cells.size() / m_columns.size(); }
  double at(std::size_t row, std::size_t column) const { return m_cells[row * m_columns.size() + column]; }

 private:
  Section m_section;
  std::string_view m_key;
  std::vector<std::string_view> m_columns;
  std::vector<double> m_cells;  // row by row
};

class Record {
 public:
  Record& Input(std::string_view key, double value);
  Record& Result(std::string_view key, double value);
  // A table added to the inputs or the results; rows are added to the reference returned.
  Table& AddTable(Section section, std::string_view key, std::vector<std::string_view> columns);

  const std::vector<Figure>& inputs() const { return m_inputs; }
  const std::vector<Figure>& results() const { return m_results; }
  const std::vector<Table>& tables() const { return m_tables; }
  const std::vector<Figure>& figures(Section section) const {
    return section == Section::Inputs ? m_inputs : m_results;
  }
  // The value under `key` among the scalars, or NaN.
  double Get(std::string_view key) const;

 private:
  std::vector<Figure> m_inputs, m_results;
  std::vector<Table> m_tables;
};

}  // namespace mirto
