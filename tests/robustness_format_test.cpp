// Report number formatting and number reading on values at every edge: the
// fast paths must give exactly what the C library gives.
#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "framework/Format.h"

namespace mirto {
namespace {

std::vector<double> EdgeAndRandomDoubles() {
  std::vector<double> values = {0.0,
                                -0.0,
                                0.5,
                                1.5,
                                2.5,
                                -2.5,
                                0.125,
                                0.375,
                                1e-7,
                                5e-7,
                                0.0000005,
                                999999.9999995,
                                1e15,
                                1e16 + 1,
                                1e22,
                                1e308,
                                DBL_MAX,
                                -DBL_MAX,
                                DBL_MIN,
                                std::numeric_limits<double>::denorm_min(),
                                std::numeric_limits<double>::infinity(),
                                -std::numeric_limits<double>::infinity(),
                                std::numeric_limits<double>::quiet_NaN()};
  // Halves, quarters and eighths: the ties where rounding rules show.
  for (int k = -4000; k <= 4000; ++k) values.push_back(k / 8.0), values.push_back(k / 2048.0);
  std::uint64_t r = 0x9e3779b97f4a7c15ULL;
  for (int k = 0; k < 60000; ++k) {
    r ^= r << 13, r ^= r >> 7, r ^= r << 17;
    double v;
    std::memcpy(&v, &r, sizeof v);
    values.push_back(v);                                            // any bit pattern
    values.push_back(static_cast<double>(r % 100000000) / 1000.0);  // report-sized figures
  }
  return values;
}

// Both sides see the same literal format, so the compiler checks them both.
#define EXPECT_FORMAT_AS_PRINTF(fmt, ...)                       \
  do {                                                          \
    char expected[1024];                                        \
    std::snprintf(expected, sizeof expected, fmt, __VA_ARGS__); \
    const std::string got = Format(fmt, __VA_ARGS__);           \
    if (got != expected) {                                      \
      ++mismatches;                                             \
      EXPECT_EQ(got, expected);                                 \
    }                                                           \
  } while (0)

TEST(RobustFormat, ReportFormatsPrintExactlyAsPrintf) {
  int mismatches = 0;
  for (double v : EdgeAndRandomDoubles()) {
    if (std::isnan(v)) continue;  // reports never print a NaN's sign; checked below
    EXPECT_FORMAT_AS_PRINTF("%f", v);
    EXPECT_FORMAT_AS_PRINTF("%.0f", v);
    EXPECT_FORMAT_AS_PRINTF("%.2f", v);
    EXPECT_FORMAT_AS_PRINTF("%10f", v);
    EXPECT_FORMAT_AS_PRINTF("%10.0f", v);
    EXPECT_FORMAT_AS_PRINTF("%10.3f", v);
    EXPECT_FORMAT_AS_PRINTF("%10.4f", v);
    EXPECT_FORMAT_AS_PRINTF("Estimate: %f to %f", v, -v);
    if (mismatches > 10) break;
  }
  for (int i : {0, 1, -1, 7, 42, 999, 1000, -1000, 123456789, INT_MAX, INT_MIN}) {
    EXPECT_FORMAT_AS_PRINTF("%d", i);
    EXPECT_FORMAT_AS_PRINTF("%3d", i);
    EXPECT_FORMAT_AS_PRINTF("%10d", i);
  }
}

TEST(RobustFormat, TiesRoundToEvenAndSpecialValuesKeepTheirWidth) {
  EXPECT_EQ(Format("%.2f", 0.125), "0.12");  // 0.125 is exact: the tie goes to the even digit
  EXPECT_EQ(Format("%.2f", 0.375), "0.38");
  EXPECT_EQ(Format("%.0f", 2.5), "2");
  EXPECT_EQ(Format("%.0f", 3.5), "4");
  EXPECT_EQ(Format("%f", -0.0), "-0.000000");
  EXPECT_EQ(Format("%10.0f", 1000.0), "      1000");
  EXPECT_EQ(Format("%10.4f", 0.25), "    0.2500");
  EXPECT_EQ(Format("%3d", 7), "  7");
  EXPECT_EQ(Format("%f", -std::numeric_limits<double>::quiet_NaN()), "nan");
  EXPECT_EQ(Format("%10f", std::numeric_limits<double>::infinity()), "       inf");
  EXPECT_EQ(Format("%10f", -std::numeric_limits<double>::infinity()), "      -inf");
  EXPECT_EQ(Format("%f", 1e308).size(), 309u + 7u);  // every integer digit, never cut
  EXPECT_EQ(Format("%zu values", SIZE_MAX), "18446744073709551615 values");
  EXPECT_EQ(Format("%s and %s", "this", "that"), "this and that");
  EXPECT_EQ(Format("%-5d|%05.1f|%+d", 3, 2.25, 4), "3    |002.2|+4");  // flags go the long way
}

TEST(RobustFormat, RealReadingAgreesWithTheCLibraryOnPrintedNumbers) {
  int mismatches = 0;
  for (double v : EdgeAndRandomDoubles()) {
    if (!std::isfinite(v)) continue;
    char texts[4][512];
    std::snprintf(texts[0], sizeof texts[0], "%.17g", v);
    std::snprintf(texts[1], sizeof texts[1], "%.3e", v);
    std::snprintf(texts[2], sizeof texts[2], "%f", v);
    std::snprintf(texts[3], sizeof texts[3], " %.0f;", v);
    for (const char* text : texts) {
      const double expected = std::strtod(text, nullptr), got = ReadReal(text);
      if (std::memcmp(&expected, &got, sizeof got) != 0 && ++mismatches < 10)
        ADD_FAILURE() << text << " read as " << got << ", the C library reads " << expected;
    }
  }
  // Beyond the range of a double the C library's answer stands: infinity or zero.
  EXPECT_EQ(ReadReal("1e400"), std::numeric_limits<double>::infinity());
  EXPECT_EQ(ReadReal("-1e400x"), -std::numeric_limits<double>::infinity());
  EXPECT_EQ(ReadReal("1e-400"), 0.0);
  EXPECT_TRUE(std::signbit(ReadReal("-1e-400")));
  EXPECT_EQ(ReadReal("+2.5e2"), 250.0);
  EXPECT_EQ(ReadReal("4.9e-324"), std::numeric_limits<double>::denorm_min());
}

}  // namespace
}  // namespace mirto
