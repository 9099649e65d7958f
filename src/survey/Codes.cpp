#include "survey/Codes.h"

#include <algorithm>
#include <numeric>

namespace mirto::survey {

std::size_t Codes::Look(const data::Value& value) const {
  if (value.numeric) {
    const auto found = m_numbers.find(value.number);
    return found == m_numbers.end() ? kNone : found->second;
  }
  const auto found = m_texts.find(value.text);
  return found == m_texts.end() ? kNone : found->second;
}

std::size_t Codes::Add(const data::Value& value, long long row) {
  if (const std::size_t found = Find(value); found != kNone) return found;
  const auto index = static_cast<std::uint32_t>(m_entries.size());
  if (value.numeric) {
    m_numbers.emplace(value.number, index);
    if (value.number >= 0 && value.number < kSmall) {
      const auto code = static_cast<std::size_t>(value.number);
      if (static_cast<double>(code) == value.number) {
        if (m_small.size() <= code) m_small.resize(code + 1, 0);
        m_small[code] = index + 1;
      }
    }
  } else {
    m_texts.emplace(std::string(value.text), index);
  }
  m_entries.push_back({value.numeric, value.numeric ? value.number : 0.0, std::string(value.text), row});
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
