#pragma once
// A cell of a delimited data file as a value, as ReadCell reads it (the same
// value bit for bit, the same text refused), with plain decimals such as
// "-1234.5678" read without from_chars: digits that make an integer up to
// 2^53 and at most 22 decimals are an exact integer over an exact power of
// ten, whose quotient IEEE rounds as from_chars does. Anything else goes to
// ReadCell. Inline: it is called for every cell of every row.
#include <cstdint>
#include <string_view>

#include "data/DataFile.h"

namespace mirto::data {

namespace cells {
inline constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                          1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
inline constexpr int kMaxDigits = 19;                            // no overflow of 64 bits
inline constexpr std::uint64_t kExact = std::uint64_t{1} << 53;  // integers up to here are exact in a double
}  // namespace cells

Value ReadCellSlowly(std::string_view text);

// Into `value`, member by member: a Value built whole and then copied is read
// back before its parts are stored, which stalls the processor.
inline void ReadCellFast(std::string_view text, Value& value) {
  const char* p = text.data();
  const char* const end = p + text.size();
  value.text = text;
  value.missing = false;
  value.unread = false;
  // Text that begins with a letter other than the N of NA is no number and is there.
  if (p != end) {
    const unsigned char first = static_cast<unsigned char>(*p) | 0x20;
    if (first >= 'a' && first <= 'z' && first != 'n') {
      value.numeric = false;
      value.number = 0;
      return;
    }
  }
  const bool negative = p != end && *p == '-';
  p += negative;
  std::uint64_t digits = 0;
  int count = 0, decimals = 0;
  bool point = false;
  for (; p != end; ++p) {
    const unsigned digit = static_cast<unsigned char>(*p) - unsigned{'0'};
    if (digit < 10) {
      digits = digits * 10 + digit;
      ++count;
      decimals += point;
    } else if (*p == '.' && !point) {
      point = true;
    } else {
      break;
    }
  }
  if (p != end || count == 0 || count > cells::kMaxDigits || digits > cells::kExact || decimals > 22) {
    value = ReadCellSlowly(text);
    return;
  }
  double number = static_cast<double>(digits);
  if (decimals > 0) number /= cells::kPowersOfTen[decimals];
  value.numeric = true;
  value.number = negative ? -number : number;
}

// `text` read into `value` when `read`; else set as the text alone, unread.
inline void ReadCellOrKeep(std::string_view text, bool read, Value& value) {
  if (read) return ReadCellFast(text, value);
  value = Value{.text = text, .unread = true};
}

inline Value ReadCellFast(std::string_view text) {
  Value value;
  ReadCellFast(text, value);
  return value;
}

}  // namespace mirto::data
