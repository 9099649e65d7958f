#include "framework/Record.h"

#include <cassert>
#include <limits>

namespace mirto {

void Table::AddRow(std::span<const double> values) {
  assert(values.size() == m_columns.size() && "a row needs one value per column");
  for (std::size_t c = 0; c < m_columns.size(); ++c)
    m_cells.push_back(c < values.size() ? values[c] : std::numeric_limits<double>::quiet_NaN());
}

Record& Record::Input(std::string_view key, double value) {
  m_inputs.push_back({key, value});
  return *this;
}

Record& Record::Result(std::string_view key, double value) {
  m_results.push_back({key, value});
  return *this;
}

Table& Record::AddTable(Section section, std::string_view key, std::vector<std::string_view> columns) {
  return m_tables.emplace_back(section, key, std::move(columns));
}

double Record::Get(std::string_view key) const {
  for (const auto* figures : {&m_inputs, &m_results})
    for (const Figure& f : *figures)
      if (f.key == key) return f.value;
  return std::numeric_limits<double>::quiet_NaN();
}

}  // namespace mirto
