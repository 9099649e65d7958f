#pragma once
// A cell of a delimited data file as a value, as ReadCell reads it (the same
// value bit for bit, the same text refused), with plain decimals such as
// "-1234.5678" read without from_chars: digits that make an integer up to
// 2^53 and at most 22 decimals are an exact integer over an exact power of
// ten, whose quotient IEEE rounds as from_chars does. Anything else goes to
// ReadCell. Inline: it is called for every cell of every row.
#include <bit>
#include <cstdint>
#include <string_view>

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include "data/DataFile.h"

namespace mirto::data {

namespace cells {
inline constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                          1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
inline constexpr int kMaxDigits = 19;                            // no overflow of 64 bits
inline constexpr std::uint64_t kExact = std::uint64_t{1} << 53;  // integers up to here are exact in a double
}  // namespace cells

Value ReadCellSlowly(std::string_view text);

// The plain decimal's value, as from_chars would give it: `digits` over 10^decimals.
inline void SetDecimal(std::uint64_t digits, int decimals, bool negative, Value& value) {
  double number = static_cast<double>(digits);
  if (decimals > 0) number /= cells::kPowersOfTen[decimals];
  value.numeric = true;
  value.number = negative ? -number : number;
}

// Into `value`, member by member: a Value built whole and then copied is read
// back before its parts are stored, which stalls the processor. True where
// the text starts as a plain decimal may (a sign or not), `p` after the sign.
inline bool StartCell(std::string_view text, Value& value, const char*& p, bool& negative) {
  p = text.data();
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
      return false;
    }
  }
  negative = p != end && *p == '-';
  p += negative;
  return true;
}

// The rest of a plain decimal from `p`, a byte at a time.
inline void FinishCell(std::string_view text, const char* p, bool negative, Value& value) {
  const char* const end = text.data() + text.size();
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
  SetDecimal(digits, decimals, negative, value);
}

inline void ReadCellFast(std::string_view text, Value& value) {
  const char* p = nullptr;
  bool negative = false;
  if (StartCell(text, value, p, negative)) FinishCell(text, p, negative, value);
}

#if defined(__x86_64__)
// The `n` bytes at `p` (1 to 16, with 16 readable) as digits and at most one
// point, read at once: the digits as an integer and the count after the
// point. False for anything else. No branch on the digits: a byte loop
// mispredicts its end on numbers of varying length.
__attribute__((target("avx2"))) inline bool Decimal16(const char* p, std::size_t n, std::uint64_t& digits,
                                                      int& decimals) {
  const __m128i v = _mm_sub_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), _mm_set1_epi8('0'));
  const unsigned held = (1u << n) - 1;
  const auto bits = [held](__m128i hits) { return static_cast<unsigned>(_mm_movemask_epi8(hits)) & held; };
  const unsigned digit = bits(_mm_cmpeq_epi8(_mm_min_epu8(v, _mm_set1_epi8(9)), v));
  const unsigned point = bits(_mm_cmpeq_epi8(v, _mm_set1_epi8('.' - '0')));
  if ((digit | point) != held || (point & (point - 1)) != 0 || digit == 0) return false;
  const int at = point != 0 ? std::countr_zero(point) : -1;
  decimals = point != 0 ? static_cast<int>(n) - at - 1 : 0;
  // The digits moved to the end, the point taken out: byte j takes byte
  // j - (16 - n) at or after the point, the byte before that up to it, and
  // 0 where the index falls below 0 (its top bit set).
  const __m128i source = _mm_add_epi8(_mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15),
                                      _mm_set1_epi8(static_cast<char>(static_cast<int>(n) - 16)));
  const __m128i upTo = _mm_cmpgt_epi8(_mm_set1_epi8(static_cast<char>(at + 1)), source);
  const __m128i d = _mm_shuffle_epi8(v, _mm_add_epi8(source, upTo));
  // Pairs, fours, then eights of digits.
  const __m128i two = _mm_maddubs_epi16(d, _mm_setr_epi8(10, 1, 10, 1, 10, 1, 10, 1, 10, 1, 10, 1, 10, 1, 10, 1));
  const __m128i four = _mm_madd_epi16(two, _mm_setr_epi16(100, 1, 100, 1, 100, 1, 100, 1));
  const __m128i eight = _mm_madd_epi16(_mm_packus_epi32(four, four), _mm_setr_epi16(10000, 1, 10000, 1, 0, 0, 0, 0));
  digits = static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm_cvtsi128_si32(eight))) * 100000000u +
           static_cast<std::uint32_t>(_mm_extract_epi32(eight, 1));
  return true;
}

// ReadCellFast, where the bytes up to `readable` may be read.
__attribute__((target("avx2"))) inline void ReadCellAvx2(std::string_view text, const char* readable, Value& value) {
  const char* p = nullptr;
  bool negative = false;
  if (!StartCell(text, value, p, negative)) return;
  const std::size_t n = text.size() - static_cast<std::size_t>(p - text.data());
  std::uint64_t digits = 0;
  int decimals = 0;
  if (readable - p >= 16 && n >= 1 && n <= 16 && Decimal16(p, n, digits, decimals) && digits <= cells::kExact)
    return SetDecimal(digits, decimals, negative, value);
  FinishCell(text, p, negative, value);
}
#endif

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
