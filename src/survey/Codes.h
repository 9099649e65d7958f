#pragma once
// The distinct values of a variable that names things (a stratum, a PSU, a
// domain, a category), numbered in order of first appearance. A value that
// reads as a number is known by the number (1 and 1.0 are one value, and a
// labelled code is its code); another by its text. Files usually come sorted
// by such variables: the last value found is checked first.
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "data/DataFile.h"

namespace mirto::survey {

class Codes {
 public:
  std::optional<std::size_t> Find(const data::Value& value) const;
  // The value's number, given it (with its name and row) when it is new.
  std::size_t Add(const data::Value& value, long long row);
  std::size_t size() const { return m_entries.size(); }
  // The value label where the file has one, else the value as written.
  const std::string& Name(std::size_t i) const { return m_entries[i].name; }
  long long FirstRow(std::size_t i) const { return m_entries[i].row; }
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
  std::optional<std::size_t> Look(const data::Value& value) const;

  std::unordered_map<double, std::uint32_t> m_numbers;
  std::unordered_map<std::string, std::uint32_t, TextHash, std::equal_to<>> m_texts;
  std::vector<Entry> m_entries;
  mutable std::size_t m_last = 0;  // the entry found last (any, when there is none)
};

}  // namespace mirto::survey
