#include "framework/Format.h"

#include <locale.h>

#include <charconv>
#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string_view>
#include <type_traits>

namespace mirto {
namespace {

locale_t CLocale() {
  static const locale_t c = newlocale(LC_ALL_MASK, "C", locale_t{});
  return c;
}

// Switches this thread to the C locale for the lifetime of the guard.
class CLocaleScope {
 public:
  CLocaleScope() : m_previous(uselocale(CLocale())) {}
  ~CLocaleScope() { uselocale(m_previous); }
  CLocaleScope(const CLocaleScope&) = delete;
  CLocaleScope& operator=(const CLocaleScope&) = delete;

 private:
  locale_t m_previous;
};

bool IsBlank(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
template <class T>
void AppendOne(std::string& out, const std::string& conversion, T value) {
  char small[64];
  int n = std::snprintf(small, sizeof small, conversion.c_str(), value);
  if (n < 0) return;
  if (static_cast<size_t>(n) < sizeof small) {
    out.append(small, static_cast<size_t>(n));
    return;
  }
  size_t at = out.size();
  out.resize(at + static_cast<size_t>(n) + 1);
  std::snprintf(out.data() + at, static_cast<size_t>(n) + 1, conversion.c_str(), value);
  out.resize(at + static_cast<size_t>(n));
}
#pragma GCC diagnostic pop

// The plain conversions the reports use ("%d", "%10d", "%f", "%10.4f", "%s")
// are written with std::to_chars, which gives exactly printf's digits in the C
// locale without its multiple-precision arithmetic; anything else goes to the
// C library.
struct Conversion {
  bool plain = true;  // no flags, and width and precision small enough for the fast path
  int width = 0;
  int precision = -1;
};

Conversion ParseSpec(const char* start, const char* conv) {
  Conversion conversion;
  const char* p = start + 1;
  if (p < conv && std::string_view("-+ #0").find(*p) != std::string_view::npos) conversion.plain = false;
  auto number = [&p, conv] {
    int n = 0;
    for (; p < conv && IsDigit(*p); ++p) n = n < 100000 ? n * 10 + (*p - '0') : n;
    return n;
  };
  conversion.width = number();
  if (p < conv && *p == '.') {
    ++p;
    conversion.precision = number();
  }
  // Length modifiers are all that may remain.
  for (; p < conv; ++p)
    if (*p != 'l' && *p != 'h' && *p != 'z') conversion.plain = false;
  if (conversion.width > 512 || conversion.precision > 60) conversion.plain = false;
  return conversion;
}

void AppendPadded(std::string& out, const char* text, std::size_t size, int width) {
  if (static_cast<std::size_t>(width) > size) out.append(static_cast<std::size_t>(width) - size, ' ');
  out.append(text, size);
}

template <class T>
void AppendInteger(std::string& out, const std::string& conversion, const Conversion& s, T value) {
  if (!s.plain || s.precision >= 0) return AppendOne(out, conversion, value);
  char text[24];
  const auto r = std::to_chars(text, text + sizeof text, value);
  AppendPadded(out, text, static_cast<std::size_t>(r.ptr - text), s.width);
}

void AppendReal(std::string& out, const std::string& conversion, const Conversion& s, char conv, double value) {
  if (!s.plain || conv != 'f') return AppendOne(out, conversion, value);
  char text[400];  // 309 integer digits, a sign, a point and at most 60 decimals
  const auto r =
      std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, s.precision < 0 ? 6 : s.precision);
  if (r.ec != std::errc()) return AppendOne(out, conversion, value);
  AppendPadded(out, text, static_cast<std::size_t>(r.ptr - text), s.width);
}

}  // namespace

// Formats one conversion at a time so every double can be looked at: the C
// library writes a NaN with its sign bit as "-nan", which reports never show.
void FormatInto(std::string& out, const char* format, va_list args) {
  CLocaleScope scope;
  out.clear();
  std::string conversion;
  for (const char* p = format; *p;) {
    if (*p != '%') {
      const char* start = p;
      while (*p && *p != '%') ++p;
      out.append(start, static_cast<size_t>(p - start));
      continue;
    }
    const char* start = p++;
    while (*p && std::string_view("-+ #0").find(*p) != std::string_view::npos) ++p;
    while (IsDigit(*p) || *p == '.') ++p;
    int longs = 0;
    bool sizeT = false;
    for (; *p == 'l' || *p == 'h' || *p == 'z'; ++p) {
      longs += *p == 'l';
      sizeT = sizeT || *p == 'z';
    }
    const char* convAt = p;
    char conv = *p ? *p++ : '\0';
    conversion.assign(start, static_cast<size_t>(p - start));
    const Conversion parsed = ParseSpec(start, convAt);
    switch (conv) {
      case 'd':
      case 'i':
        if (sizeT)
          AppendInteger(out, conversion, parsed, va_arg(args, std::make_signed_t<std::size_t>));
        else if (longs >= 2)
          AppendInteger(out, conversion, parsed, va_arg(args, long long));
        else if (longs == 1)
          AppendInteger(out, conversion, parsed, va_arg(args, long));
        else
          AppendInteger(out, conversion, parsed, va_arg(args, int));
        break;
      case 'u':
        if (sizeT)
          AppendInteger(out, conversion, parsed, va_arg(args, std::size_t));
        else if (longs >= 2)
          AppendInteger(out, conversion, parsed, va_arg(args, unsigned long long));
        else if (longs == 1)
          AppendInteger(out, conversion, parsed, va_arg(args, unsigned long));
        else
          AppendInteger(out, conversion, parsed, va_arg(args, unsigned));
        break;
      case 'x':
      case 'X':
        if (sizeT)
          AppendOne(out, conversion, va_arg(args, std::size_t));
        else if (longs >= 2)
          AppendOne(out, conversion, va_arg(args, unsigned long long));
        else if (longs == 1)
          AppendOne(out, conversion, va_arg(args, unsigned long));
        else
          AppendOne(out, conversion, va_arg(args, unsigned));
        break;
      case 'f':
      case 'F':
      case 'e':
      case 'E':
      case 'g':
      case 'G': {
        double v = va_arg(args, double);
        AppendReal(out, conversion, parsed, conv, std::isnan(v) ? std::fabs(v) : v);
        break;
      }
      case 'c': AppendOne(out, conversion, va_arg(args, int)); break;
      case 's': {
        const char* text = va_arg(args, const char*);
        if (text && parsed.plain && parsed.width == 0 && parsed.precision < 0)
          out.append(text);
        else
          AppendOne(out, conversion, text);
        break;
      }
      case '%': out.push_back('%'); break;
      default: out.append(conversion); break;
    }
  }
}

std::string Format(const char* format, ...) {
  std::string out;
  va_list args;
  va_start(args, format);
  FormatInto(out, format, args);
  va_end(args);
  return out;
}

int ReadInt(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long long value = 0;
  const long long limit =
      negative ? -static_cast<long long>(std::numeric_limits<int>::min()) : std::numeric_limits<int>::max();
  for (; i < text.size() && IsDigit(text[i]); ++i) {
    value = value * 10 + (text[i] - '0');
    if (value > limit) value = limit;  // saturate; keeps reading the digits
  }
  return static_cast<int>(negative ? -value : value);
}

namespace {

// Where the number that real reading takes starts and ends; false when there is none.
bool RealSpan(std::string_view text, size_t& start, size_t& end) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  start = i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  size_t digits = 0;
  while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return false;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    if (j < text.size() && IsDigit(text[j])) {
      while (j < text.size() && IsDigit(text[j])) ++j;
      i = j;
    }
  }
  end = i;
  return true;
}

}  // namespace

size_t IntLength(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  const size_t digits = i;
  while (i < text.size() && IsDigit(text[i])) ++i;
  return i > digits ? i : 0;
}

size_t RealLength(std::string_view text) {
  size_t start = 0, end = 0;
  return RealSpan(text, start, end) ? end : 0;
}

double ReadReal(std::string_view text) {
  size_t start = 0, i = 0;
  if (!RealSpan(text, start, i)) return 0.0;
  // The prefix is plain decimal text, which std::from_chars reads exactly (it
  // takes no '+'); out of range, the C library says what the value becomes.
  const char* first = text.data() + start + (text[start] == '+');
  double value = 0.0;
  if (std::from_chars(first, text.data() + i, value).ec == std::errc()) return value;
  std::string prefix(text.substr(start, i - start));
  return strtod_l(prefix.c_str(), nullptr, CLocale());
}

NumberReading ReadNumber(std::string_view text, NumberKind kind) {
  size_t start = 0, end = text.size();
  while (start < end && IsBlank(text[start])) ++start;
  while (end > start && IsBlank(text[end - 1])) --end;
  const std::string_view number = text.substr(start, end - start);
  if (number.empty()) return {};
  if (kind == NumberKind::Whole) {
    if (IntLength(number) != number.size()) return {0.0, NumberFault::NotANumber};
    const int value = ReadInt(number);
    // ReadInt saturates: a value at a limit is in range only if the text says it.
    const bool atLimit = value == std::numeric_limits<int>::max() || value == std::numeric_limits<int>::min();
    if (atLimit) {
      long long exact = 0;
      const char* first = number.data() + (number.front() == '+');
      const auto [ptr, ec] = std::from_chars(first, number.data() + number.size(), exact);
      if (ec != std::errc() || ptr != number.data() + number.size() || exact != value)
        return {static_cast<double>(value), NumberFault::OutOfRange};
    }
    return {static_cast<double>(value), NumberFault::None};
  }
  size_t realStart = 0, realEnd = 0;
  if (!RealSpan(number, realStart, realEnd) || realStart != 0 || realEnd != number.size())
    return {0.0, NumberFault::NotANumber};
  const double value = ReadReal(number);
  return {value, std::isfinite(value) ? NumberFault::None : NumberFault::OutOfRange};
}

}  // namespace mirto
