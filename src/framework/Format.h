#pragma once
// Number formatting and reading that do not depend on the user's locale.
#include <cstdarg>
#include <cstddef>
#include <string>
#include <string_view>

namespace mirto {

// printf-style formatting into `out` (replacing its contents). Always the C
// locale, never cut, and a NaN prints as "nan" whatever its sign bit says.
void FormatInto(std::string& out, const char* format, va_list args);
[[gnu::format(printf, 1, 2)]] std::string Format(const char* format, ...);

// Integer reading: blanks, an optional sign, digits; stops at anything else.
// No digits read as 0; values beyond `int` saturate at its limits.
int ReadInt(std::string_view text);

// Real reading: the longest decimal prefix (sign, digits, fraction, exponent).
// No number reads as 0. "inf", "nan" and hexadecimal text are not decimal.
double ReadReal(std::string_view text);

// How much of `text` the readings above take, leading blanks included; 0 when
// they find no number.
std::size_t IntLength(std::string_view text);
std::size_t RealLength(std::string_view text);

}  // namespace mirto
