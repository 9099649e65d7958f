#pragma once
// The distinct values of a variable that names things (a stratum, a PSU, a
// domain, a category), numbered in order of first appearance. A value that
// reads as a number is known by the number (1 and 1.0 are one value, and a
// labelled code is its code); another by its text. Values found lately are
// found again first (Recent.h).
#include <bit>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "data/DataFile.h"
#include "survey/Recent.h"

namespace mirto::survey {

class Codes {
 public:
  static constexpr std::size_t kNone = ~std::size_t{0};
  // The value's number, or kNone. (A plain number: an optional returned
  // through memory costs a stall on each of the millions of rows.)
  std::size_t Find(const data::Value& value) const {
    // Codes 0, 1, 2, ...: an array, no hashing.
    if (value.numeric && value.number >= 0 && value.number < kSmall) {
      const auto code = static_cast<std::size_t>(value.number);
      if (static_cast<double>(code) == value.number) {
        return code < m_small.size() ? std::size_t{m_small[code]} - 1 : kNone;
      }
    }
    const std::uint64_t key =
        value.numeric ? std::bit_cast<std::uint64_t>(value.number + 0.0) : Recent::TextKey(value.text);
    const std::uint64_t i = m_recent.Find(key);
    if (i != Recent::kNone && Same(m_entries[i], value)) return i;
    const std::size_t found = Look(value);
    if (found != kNone) m_recent.Keep(key, found);
    return found;
  }
  // The value's number, given it (with its name and row) when it is new.
  std::size_t Add(const data::Value& value, long long row);
  std::size_t size() const { return m_entries.size(); }
  // The value label where the file has one, else the value as written.
  const std::string& Name(std::size_t i) const { return m_entries[i].name; }
  long long FirstRow(std::size_t i) const { return m_entries[i].row; }
  bool Numeric(std::size_t i) const { return m_entries[i].numeric; }
  double Number(std::size_t i) const { return m_entries[i].number; }
  // Every number in the order a table lists them: numbers ascending, then
  // texts in byte order.
  std::vector<std::size_t> Sorted() const;

 private:
  struct TextHash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>()(s); }
  };
  struct Entry {
    bool numeric;
    double number;
    std::string name;
    long long row;
  };
  static constexpr double kSmall = 1 << 16;
  static bool Same(const Entry& e, const data::Value& value) {
    return value.numeric ? e.numeric && e.number == value.number : !e.numeric && e.name == value.text;
  }
  std::size_t Look(const data::Value& value) const;

  std::unordered_map<double, std::uint32_t> m_numbers;
  std::unordered_map<std::string, std::uint32_t, TextHash, std::equal_to<>> m_texts;
  std::vector<Entry> m_entries;
  mutable Recent m_recent;
  std::vector<std::uint32_t> m_small;  // by whole-number code below kSmall: its number + 1
};

}  // namespace mirto::survey
