#include "framework/Format.h"

#include <locale.h>

#include <clocale>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

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
void AppendOne(std::string& out, const std::string& spec, T value) {
  char small[64];
  int n = std::snprintf(small, sizeof small, spec.c_str(), value);
  if (n < 0) return;
  if (static_cast<size_t>(n) < sizeof small) {
    out.append(small, static_cast<size_t>(n));
    return;
  }
  size_t at = out.size();
  out.resize(at + static_cast<size_t>(n) + 1);
  std::snprintf(out.data() + at, static_cast<size_t>(n) + 1, spec.c_str(), value);
  out.resize(at + static_cast<size_t>(n));
}
#pragma GCC diagnostic pop

}  // namespace

// Formats one conversion at a time so every double can be looked at: the C
// library writes a NaN with its sign bit as "-nan", which reports never show.
void FormatInto(std::string& out, const char* format, va_list args) {
  CLocaleScope scope;
  out.clear();
  std::string spec;
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
    while (*p == 'l' || *p == 'h' || *p == 'z') longs += (*p++ == 'l');
    char conv = *p ? *p++ : '\0';
    spec.assign(start, static_cast<size_t>(p - start));
    switch (conv) {
      case 'd':
      case 'i':
        if (longs >= 2)
          AppendOne(out, spec, va_arg(args, long long));
        else if (longs == 1)
          AppendOne(out, spec, va_arg(args, long));
        else
          AppendOne(out, spec, va_arg(args, int));
        break;
      case 'u':
      case 'x':
      case 'X':
        if (longs >= 2)
          AppendOne(out, spec, va_arg(args, unsigned long long));
        else if (longs == 1)
          AppendOne(out, spec, va_arg(args, unsigned long));
        else
          AppendOne(out, spec, va_arg(args, unsigned));
        break;
      case 'f':
      case 'F':
      case 'e':
      case 'E':
      case 'g':
      case 'G': {
        double v = va_arg(args, double);
        AppendOne(out, spec, std::isnan(v) ? std::fabs(v) : v);
        break;
      }
      case 'c': AppendOne(out, spec, va_arg(args, int)); break;
      case 's': AppendOne(out, spec, va_arg(args, const char*)); break;
      case '%': out.push_back('%'); break;
      default: out.append(spec); break;
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

double ReadReal(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && IsBlank(text[i])) ++i;
  const size_t start = i;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
  size_t digits = 0;
  while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  if (i < text.size() && text[i] == '.') {
    ++i;
    while (i < text.size() && IsDigit(text[i])) ++i, ++digits;
  }
  if (digits == 0) return 0.0;
  if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
    size_t j = i + 1;
    if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
    if (j < text.size() && IsDigit(text[j])) {
      while (j < text.size() && IsDigit(text[j])) ++j;
      i = j;
    }
  }
  // The prefix is plain decimal text, so the C library reads exactly it.
  std::string prefix(text.substr(start, i - start));
  return strtod_l(prefix.c_str(), nullptr, CLocale());
}

}  // namespace mirto
