#pragma once
// Sums by a key (a PSU, a domain, a stratum) and a coordinate of the
// calibration's auxiliary terms, `width` of them each, kept only for the
// pairs that occur: a unit has few terms, a key few coordinates.
#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <utility>
#include <vector>

#include "framework/Sums.h"
#include "survey/Recent.h"

namespace mirto::survey {

class KeyedSums {
 public:
  explicit KeyedSums(std::size_t width) : m_width(width) {}

  // The `width` sums of the pair, zero at first.
  Wide* At(std::size_t key, std::uint32_t coordinate) {
    const auto [number, added] = m_index.Of(key, coordinate);
    if (added) {
      m_entries.push_back({key, coordinate});
      m_sums.resize(m_sums.size() + m_width);
      m_byKey.clear();
    }
    return &m_sums[number * m_width];
  }

  struct Entry {
    std::uint32_t coordinate;
    const Wide* sums;
  };
  // The coordinates a key has, with their sums.
  const std::vector<Entry>& Of(std::size_t key) const {
    if (m_byKey.empty() && !m_entries.empty()) {
      for (std::size_t i = 0; i < m_entries.size(); ++i)
        m_byKey[m_entries[i].first].push_back({m_entries[i].second, &m_sums[i * m_width]});
    }
    static const std::vector<Entry> none;
    const auto found = m_byKey.find(key);
    return found == m_byKey.end() ? none : found->second;
  }

 private:
  std::size_t m_width;
  PairIndex m_index;
  std::vector<std::pair<std::size_t, std::uint32_t>> m_entries;
  std::vector<Wide> m_sums;
  mutable std::unordered_map<std::size_t, std::vector<Entry>> m_byKey;
};

}  // namespace mirto::survey
