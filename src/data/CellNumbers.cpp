#include "data/CellNumbers.h"

#include <cstdint>

#include "data/DataFormats.h"

namespace mirto::data {

namespace {

constexpr double kPowersOfTen[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                   1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
constexpr int kMaxDigits = 19;                            // no overflow of 64 bits
constexpr std::uint64_t kExact = std::uint64_t{1} << 53;  // integers up to here are exact in a double

}  // namespace

Value ReadCellFast(std::string_view text) {
  const char* p = text.data();
  const char* const end = p + text.size();
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
  if (p != end || count == 0 || count > kMaxDigits || digits > kExact || decimals > 22) return ReadCell(text);
  double number = static_cast<double>(digits);
  if (decimals > 0) number /= kPowersOfTen[decimals];
  Value value;
  value.text = text;
  value.numeric = true;
  value.number = negative ? -number : number;
  return value;
}

}  // namespace mirto::data
