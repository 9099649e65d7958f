#include "survey/Codes.h"

#include <algorithm>
#include <numeric>

namespace mirto::survey {

std::optional<std::size_t> Codes::Look(const data::Value& value) const {
  if (value.numeric) {
    const auto found = m_numbers.find(value.number);
    if (found == m_numbers.end()) return std::nullopt;
    return found->second;
  }
  const auto found = m_texts.find(value.text);
  if (found == m_texts.end()) return std::nullopt;
  return found->second;
}

std::optional<std::size_t> Codes::Find(const data::Value& value) const {
  if (m_last < m_entries.size()) {
    const Entry& e = m_entries[m_last];
    if (value.numeric ? e.numeric && e.number == value.number : !e.numeric && e.name == value.text) return m_last;
  }
  const std::optional<std::size_t> found = Look(value);
  if (found) m_last = *found;
  return found;
}

std::size_t Codes::Add(const data::Value& value, long long row) {
  if (const std::optional<std::size_t> found = Find(value)) return *found;
  const auto index = static_cast<std::uint32_t>(m_entries.size());
  if (value.numeric)
    m_numbers.emplace(value.number, index);
  else
    m_texts.emplace(std::string(value.text), index);
  m_entries.push_back({value.numeric, value.numeric ? value.number : 0.0, std::string(value.text), row});
  m_last = index;
  return index;
}

std::vector<std::size_t> Codes::Sorted() const {
  std::vector<std::size_t> order(m_entries.size());
  std::iota(order.begin(), order.end(), std::size_t{0});
  std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
    const Entry &x = m_entries[a], &y = m_entries[b];
    if (x.numeric != y.numeric) return x.numeric;
    return x.numeric ? x.number < y.number : x.name < y.name;
  });
  return order;
}

}  // namespace mirto::survey
