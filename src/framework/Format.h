#pragma once
// Number formatting and reading that do not depend on the user's locale.
#include <cstdarg>
#include <cstddef>
#include <cstdint>
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

// Form reading, the one rule for every field of a form, every cell of an entry
// table and every value of a script: blanks around the text are passed over,
// an empty text reads as 0, and otherwise the whole text must be one number.
// A real is an optional sign, digits with an optional fraction and an
// optional exponent (C locale; no "inf", "nan", hexadecimal or "1,5") whose
// value a double holds; a whole number is an optional sign and digits whose
// value an `int` holds. Anything else does not read: `fault` says why, and
// `value` is then 0 (no number) or the nearest value there is (out of range).
enum class NumberKind : std::uint8_t { Real, Whole };
enum class NumberFault : std::uint8_t { None, NotANumber, OutOfRange };
struct NumberReading {
  double value = 0.0;
  NumberFault fault = NumberFault::None;
  bool Read() const { return fault == NumberFault::None; }
};
NumberReading ReadNumber(std::string_view text, NumberKind kind);

// How much of `text` the readings above take, leading blanks included; 0 when
// they find no number.
std::size_t IntLength(std::string_view text);
std::size_t RealLength(std::string_view text);

}  // namespace mirto
