// Integer and real reading on arbitrary text, against the reading rules written
// out plainly and converted by the C library; form reading (text wholly a
// number, or refused) against the same rules, through a form's fields, its
// reader and an entry table's cells; and the report formats of what was read,
// against printf.
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <string_view>

#include "data/EntryTable.h"
#include "framework/Form.h"
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

// Form reading: blanks around; empty reads 0; otherwise the whole text is the
// number (a decimal whose value is finite; a sign and digits within int).
std::string_view Trimmed(std::string_view t) {
  t.remove_prefix(SkipBlanks(t));
  while (!t.empty() && std::strchr(" \t\n\v\f\r", t.back()) && t.back() != '\0') t.remove_suffix(1);
  return t;
}

bool IsWholeNumber(std::string_view s) {
  std::size_t i = s.empty() || (s[0] != '+' && s[0] != '-') ? 0 : 1;
  if (i == s.size()) return false;
  for (; i < s.size(); ++i)
    if (!IsDigit(s[i])) return false;
  return true;
}

// Whether form reading takes `text`, and the value it gives.
bool ReferenceNumber(std::string_view text, mirto::NumberKind kind, double& value) {
  const std::string_view t = Trimmed(text);
  value = 0.0;
  if (t.empty()) return true;
  if (kind == mirto::NumberKind::Whole) {
    if (!IsWholeNumber(t)) return false;
    value = ReferenceInt(t);
    // In range exactly when the saturating rule gives the value the digits say.
    std::string digits(t.substr(t[0] == '+' || t[0] == '-'));
    digits.erase(0, digits.find_first_not_of('0'));
    std::string shown = std::to_string(static_cast<long long>(std::fabs(value)));
    if (shown == "0") shown.clear();
    return digits == shown;
  }
  if (!IsDecimalNumber(t)) return false;
  value = ReferenceReal(t);
  return std::isfinite(value);
}

void CheckFormReading(std::string_view text) {
  // Form fields hold no NUL in practice, but nothing stops a script value.
  static const mirto::FormTemplate form{1, "fuzz", {mirto::Field("Real:", 0), mirto::WholeField("Whole:", 0)}};
  for (const mirto::NumberKind kind : {mirto::NumberKind::Real, mirto::NumberKind::Whole}) {
    double expected = 0.0;
    const bool read = ReferenceNumber(text, kind, expected);
    const mirto::NumberReading got = mirto::ReadNumber(text, kind);
    if (got.Read() != read || (read && std::memcmp(&got.value, &expected, sizeof expected) != 0)) {
      std::fprintf(stderr, "ReadNumber(%s) gave %d, %.17g; the rule %d, %.17g\n",
                   kind == mirto::NumberKind::Whole ? "whole" : "real", got.Read(), got.value, read, expected);
      std::abort();
    }
    // The message, the form's refusal, its reader and a table cell say the same.
    if (mirto::NumberProblem(text, kind).has_value() == read) std::abort();
    mirto::Form f(form);
    const std::size_t field = kind == mirto::NumberKind::Real ? 0 : 1;
    f.SetText(field, std::string(text));
    if (f.Misread(field).has_value() == read || f.RefusalOnOk().has_value() == read) std::abort();
    mirto::FormReader reader(f);
    const double real = reader.Real();
    const int whole = reader.Integer();
    const double taken = field == 0 ? real : whole;
    if (taken != (read ? expected : 0.0)) std::abort();
    const bool cell = !mirto::data::Misreading(text, kind).has_value();
    const bool lineBreak = text.find_first_of("\r\n") != std::string_view::npos;
    if (cell != (read && !Trimmed(text).empty() && !lineBreak)) std::abort();
  }
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
  CheckFormReading(text);
  if (size >= sizeof(double)) {
    double raw;
    std::memcpy(&raw, data, sizeof raw);
    CheckFormats(raw, static_cast<int>(raw == raw && std::fabs(raw) < 2e9 ? raw : 0));
  }
  return 0;
}
