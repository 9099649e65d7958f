#include "framework/Record.h"

#include <algorithm>
#include <cassert>
#include <limits>

namespace mirto {

Table::Table(Section section, std::string_view key, std::vector<std::string> columns, std::size_t textColumns)
    : m_section(section), m_key(key), m_textColumns(std::min(textColumns, columns.size())) {
  for (std::string& name : columns) {
    m_names.push_back(std::make_shared<const std::string>(std::move(name)));
    m_columns.emplace_back(*m_names.back());
  }
}

void Table::AddRow(std::span<const double> values) { AddRow(std::span<const std::string>(), values); }

void Table::AddRow(std::span<const std::string> texts, std::span<const double> values) {
  const std::size_t numbers = m_columns.size() - m_textColumns;
  assert(texts.size() == m_textColumns && values.size() == numbers && "a row needs one value per column");
  for (std::size_t c = 0; c < m_textColumns; ++c) m_texts.push_back(c < texts.size() ? texts[c] : std::string());
  for (std::size_t c = 0; c < numbers; ++c)
    m_cells.push_back(c < values.size() ? values[c] : std::numeric_limits<double>::quiet_NaN());
  if (!m_columns.empty()) ++m_rows;
}

double Table::at(std::size_t row, std::size_t column) const {
  if (IsText(column)) return std::numeric_limits<double>::quiet_NaN();
  return m_cells[row * (m_columns.size() - m_textColumns) + column - m_textColumns];
}

Record& Record::Input(std::string_view key, double value) {
  m_inputs.push_back({key, value});
  return *this;
}

Record& Record::Result(std::string_view key, double value) {
  m_results.push_back({key, value});
  return *this;
}

Record& Record::Extra(std::string_view key, double value) {
  m_extras.push_back({key, value});
  return *this;
}

Table& Record::AddTable(Section section, std::string_view key, std::vector<std::string_view> columns) {
  return m_tables.emplace_back(section, key, std::move(columns));
}

Table& Record::AddTable(Section section, std::string_view key, std::vector<std::string> columns,
                        std::size_t textColumns) {
  return m_tables.emplace_back(section, key, std::move(columns), textColumns);
}

bool Record::HasExtras() const {
  return !m_extras.empty() ||
         std::any_of(m_tables.begin(), m_tables.end(), [](const Table& t) { return t.section() == Section::Extras; });
}

double Record::Get(std::string_view key) const {
  for (const auto* figures : {&m_inputs, &m_results})
    for (const Figure& f : *figures)
      if (f.key == key) return f.value;
  return std::numeric_limits<double>::quiet_NaN();
}

}  // namespace mirto
