// Number reading and report formatting: the rules users rely on, in any locale.
#include "framework/Format.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>

namespace mirto {
namespace {

TEST(ReadInt, ReadsTheLeadingInteger) {
  struct {
    const char* text;
    int value;
  } cases[] = {
      {"12abc", 12},
      {"3.7", 3},
      {"", 0},
      {"abc", 0},
      {"  -5", -5},
      {"+7", 7},
      {"- 5", 0},
      {"\t42\n", 42},
      {"0x1A", 0},
      {"2147483647", 2147483647},
      {"2147483648", 2147483647},
      {"999999999999999", 2147483647},
      {"-2147483648", -2147483647 - 1},
      {"-99999999999999999999", -2147483647 - 1},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadInt(c.text), c.value) << '"' << c.text << '"';
}

TEST(ReadReal, ReadsTheLongestDecimalPrefix) {
  struct {
    const char* text;
    double value;
  } cases[] = {
      {"2.5e2", 250.0}, {"1,5", 1.0}, {"", 0.0},          {"abc", 0.0},  {" -.5", -0.5}, {"5.", 5.0},
      {"1e", 1.0},      {"1e+", 1.0}, {"1e-2x", 0.01},    {".", 0.0},    {"+-1", 0.0},   {"12abc", 12.0},
      {"inf", 0.0},     {"nan", 0.0}, {"-infinity", 0.0}, {"0x10", 0.0}, {"0x1p3", 0.0}, {"1E3", 1000.0},
  };
  for (const auto& c : cases) EXPECT_EQ(ReadReal(c.text), c.value) << '"' << c.text << '"';
  EXPECT_EQ(ReadReal("1e999"), std::numeric_limits<double>::infinity());
  EXPECT_EQ(ReadReal("0.1"), 0.1);  // correctly rounded
}

TEST(Format, FixedPointAndNonFinite) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  EXPECT_EQ(Format("%f", 12.5), "12.500000");
  EXPECT_EQ(Format("N= %.0f", 1000.0), "N= 1000");
  EXPECT_EQ(Format("%f %f %f", inf, -inf, -nan), "inf -inf nan");
  EXPECT_EQ(Format("%f", std::sqrt(-1.0)), "nan");
  EXPECT_EQ(Format("%10d %10.4f|%10f", 3, -nan, 0.0 / 0.0 * -1.0), "         3        nan|       nan");
  EXPECT_EQ(Format("%3d %10.3f %d%%", 7, 1.5, 50), "  7      1.500 50%");
  // The largest double in fixed point is over 300 characters and is never cut.
  EXPECT_EQ(Format("%f", std::numeric_limits<double>::max()).size(), 309u + 7u);
}

TEST(Format, SameUnderAGermanLocale) {
  const char* german = nullptr;
  for (const char* name : {"de_DE.UTF-8", "de_DE.utf8", "de_DE"})
    if (std::setlocale(LC_ALL, name)) {
      german = name;
      break;
    }
  if (!german) GTEST_SKIP() << "no German locale installed";
  const std::string formatted = Format("%f %.2f", 12.5, 0.95);
  const double read = ReadReal("1.5");
  const double readComma = ReadReal("1,5");
  std::setlocale(LC_ALL, "C");
  EXPECT_EQ(formatted, "12.500000 0.95");
  EXPECT_EQ(read, 1.5);
  EXPECT_EQ(readComma, 1.0);
}

}  // namespace
}  // namespace mirto
