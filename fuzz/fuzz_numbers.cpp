// Integer and real reading on arbitrary text, against the reading rules written
// out plainly and converted by a different routine.
#include <charconv>
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

// Decimal exponent of the first significant digit, for telling overflow from underflow.
long long Magnitude(std::string_view s) {
  long long position = 0;  // digits before the point, less leading zeros
  bool seenSignificant = false, afterPoint = false;
  std::size_t i = 0;
  for (; i < s.size() && s[i] != 'e' && s[i] != 'E'; ++i) {
    if (s[i] == '.') {
      afterPoint = true;
    } else if (IsDigit(s[i])) {
      if (s[i] != '0') seenSignificant = true;
      if (!afterPoint && seenSignificant) ++position;
      if (afterPoint && !seenSignificant) --position;
    }
  }
  long long exponent = 0;
  bool negative = false;
  if (i < s.size()) {
    ++i;
    if (s[i] == '+' || s[i] == '-') negative = s[i++] == '-';
    for (; i < s.size(); ++i) exponent = std::min(exponent * 10 + (s[i] - '0'), 1000000000000LL);
  }
  return position + (negative ? -exponent : exponent);
}

double ReferenceReal(std::string_view t) {
  t.remove_prefix(SkipBlanks(t));
  // No decimal number runs past a character that cannot be part of one.
  std::size_t length = std::min(t.size(), t.find_first_not_of("+-.eE0123456789"));
  while (length > 0 && !IsDecimalNumber(t.substr(0, length))) --length;
  if (length == 0) return 0.0;
  std::string_view number = t.substr(0, length);
  if (number.front() == '+') number.remove_prefix(1);
  double value = 0.0;
  const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
  if (end != number.data() + number.size()) std::abort();  // the reference's own fault
  if (error == std::errc::result_out_of_range) {
    const double magnitude = Magnitude(number) > 0 ? std::numeric_limits<double>::infinity() : 0.0;
    value = number.front() == '-' ? -magnitude : magnitude;
  }
  return value;
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
  return 0;
}
