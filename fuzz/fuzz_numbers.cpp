// Integer and real reading on arbitrary text, against the reading rules written
// out plainly and converted by the C library; and the report formats of what
// was read, against printf.
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

#include "framework/Format.h"

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

std::size_t SkipBlanks(std::string_view t) {
  std::size_t i = t.find_first_not_of(" \t\n\v\f\r");
  return i == std::string_view::npos ? t.size() : i;
}

// Blanks, a sign, digits; beyond int the value is int's limit on that side.
int ReferenceInt(std::string_view t) {
  std::size_t i = SkipBlanks(t);
  bool negative = false;
  if (i < t.size() && (t[i] == '+' || t[i] == '-')) negative = t[i++] == '-';
  std::string digits;
  while (i < t.size() && IsDigit(t[i])) digits += t[i++];
  digits.erase(0, digits.find_first_not_of('0'));
  if (digits.empty()) return 0;
  const std::string limit = negative ? "2147483648" : "2147483647";
  if (digits.size() > limit.size() || (digits.size() == limit.size() && digits > limit))
    return negative ? INT_MIN : INT_MAX;
  const long long value = std::stoll(digits);
  return static_cast<int>(negative ? -value : value);
}

// Whole text is: sign? (digits (. digits?)? | . digits) (e sign? digits)?
bool IsDecimalNumber(std::string_view s) {
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
  std::size_t before = 0, after = 0;
  while (i < s.size() && IsDigit(s[i])) ++i, ++before;
  if (i < s.size() && s[i] == '.') {
    ++i;
    while (i < s.size() && IsDigit(s[i])) ++i, ++after;
  }
  if (before + after == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t exponent = 0;
    while (i < s.size() && IsDigit(s[i])) ++i, ++exponent;
    if (exponent == 0) return false;
  }
  return i == s.size();
}

double ReferenceReal(std::string_view t) {
  t.remove_prefix(SkipBlanks(t));
  // No decimal number runs past a character that cannot be part of one.
  std::size_t length = std::min(t.size(), t.find_first_not_of("+-.eE0123456789"));
  while (length > 0 && !IsDecimalNumber(t.substr(0, length))) --length;
  if (length == 0) return 0.0;
  // Converted by the C library, not by the routine under test.
  const std::string number(t.substr(0, length));
  char* end = nullptr;
  const double value = std::strtod(number.c_str(), &end);
  if (end != number.c_str() + number.size()) std::abort();  // the reference's own fault
  return value;
}

// Report formats against the C library's printf (a NaN prints without its sign).
#define MIRTO_CHECK_FORMAT(fmt, value)                                                                 \
  do {                                                                                                 \
    char expected[512];                                                                                \
    std::snprintf(expected, sizeof expected, fmt, value);                                              \
    const std::string got = mirto::Format(fmt, value);                                                 \
    if (got != expected) {                                                                             \
      std::fprintf(stderr, "Format(\"%s\") gave \"%s\", printf \"%s\"\n", fmt, got.c_str(), expected); \
      std::abort();                                                                                    \
    }                                                                                                  \
  } while (0)

void CheckFormats(double v, int i) {
  if (std::isnan(v)) v = std::fabs(v);
  MIRTO_CHECK_FORMAT("%f", v);
  MIRTO_CHECK_FORMAT("%.0f", v);
  MIRTO_CHECK_FORMAT("%.2f", v);
  MIRTO_CHECK_FORMAT("%10f", v);
  MIRTO_CHECK_FORMAT("%10.0f", v);
  MIRTO_CHECK_FORMAT("%10.3f", v);
  MIRTO_CHECK_FORMAT("%10.4f", v);
  MIRTO_CHECK_FORMAT("%d", i);
  MIRTO_CHECK_FORMAT("%3d", i);
  MIRTO_CHECK_FORMAT("%10d", i);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const int integer = mirto::ReadInt(text), expectedInteger = ReferenceInt(text);
  if (integer != expectedInteger) {
    std::fprintf(stderr, "ReadInt gave %d, the rule %d\n", integer, expectedInteger);
    std::abort();
  }
  const double real = mirto::ReadReal(text), expectedReal = ReferenceReal(text);
  if (std::memcmp(&real, &expectedReal, sizeof real) != 0) {
    std::fprintf(stderr, "ReadReal gave %.17g, the rule %.17g\n", real, expectedReal);
    std::abort();
  }
  CheckFormats(real, integer);
  if (size >= sizeof(double)) {
    double raw;
    std::memcpy(&raw, data, sizeof raw);
    CheckFormats(raw, static_cast<int>(raw == raw && std::fabs(raw) < 2e9 ? raw : 0));
  }
  return 0;
}
