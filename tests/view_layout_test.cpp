// Layout arithmetic of the journal view and of printed pages.
#include <gtest/gtest.h>

#include "journal/ViewLayout.h"

namespace mirto {
namespace {

TEST(ViewLayout, ExtentIsWidestLinePlusFourCharactersByLines) {
  EXPECT_EQ(ExtentWidth(0, 7), 28);
  EXPECT_EQ(ExtentWidth(80, 7), 588);
  EXPECT_EQ(ExtentHeight(0, 13), 0);
  EXPECT_EQ(ExtentHeight(3, 13), 39);
  EXPECT_EQ(ExtentHeight(200'000'000, 20), 4'000'000'000LL);  // no overflow on long journals
  EXPECT_EQ(LeftMargin(7), 14);
}

TEST(ViewLayout, MeasuredExtentAndColumnsOfFixedPitchText) {
  EXPECT_EQ(MeasuredExtentWidth(19800.0, 6.6), 19827);  // 19800 + 26.4, rounded up
  EXPECT_EQ(MeasuredExtentWidth(0.0, 6.5), 26);
  // Characters 6.5 wide: pixels 650..1300 of the text hold columns 100..200.
  EXPECT_EQ(VisibleColumns(650, 650, 6.5).first, 100);
  EXPECT_EQ(VisibleColumns(650, 650, 6.5).count, 101);
  EXPECT_EQ(VisibleColumns(-13, 20, 6.5).first, 0);  // the margin before the text
  EXPECT_EQ(VisibleColumns(-13, 20, 6.5).count, 2);
  EXPECT_EQ(VisibleColumns(-100, 20, 6.5).count, 0);
  EXPECT_EQ(VisibleColumns(1e12, 650, 6.5).first, 153'846'153'846LL);
}

TEST(ViewLayout, ScrollRangesBeyondIntStayReachable) {
  EXPECT_EQ(ScaleScroll(1000).unit, 1);
  EXPECT_EQ(ScaleScroll(1000).Maximum(), 1000);
  EXPECT_EQ(ScaleScroll(-5).Maximum(), 0);
  EXPECT_EQ(ScaleScroll(2147483647LL).unit, 1);
  // 3e9 lines: two lines a step, and the last step reaches the end.
  const ScrollScale s = ScaleScroll(3'000'000'000LL);
  EXPECT_EQ(s.unit, 2);
  EXPECT_EQ(s.Maximum(), 1'500'000'000);
  EXPECT_EQ(s.Offset(s.Maximum()), 3'000'000'000LL);
  EXPECT_EQ(s.Offset(1), 2);
  const ScrollScale odd = ScaleScroll(4'294'967'295LL);  // 2 x INT_MAX + 1
  EXPECT_EQ(odd.unit, 3);
  EXPECT_EQ(odd.Offset(odd.Maximum()), 4'294'967'295LL);
}

struct RangeCase {
  const char* name;
  long long top, bottom;
  int lineHeight;
  std::size_t count;
  long long first, last;  // last < first: nothing to draw
};

class VisibleLinesTest : public ::testing::TestWithParam<RangeCase> {};

TEST_P(VisibleLinesTest, Range) {
  const RangeCase& c = GetParam();
  const LineRange r = VisibleLines(c.top, c.bottom, c.lineHeight, c.count);
  if (c.last < c.first) {
    EXPECT_TRUE(r.empty());
    EXPECT_EQ(r.count(), 0);
  } else {
    EXPECT_EQ(r.first, c.first);
    EXPECT_EQ(r.last, c.last);
  }
}

INSTANTIATE_TEST_SUITE_P(ViewLayout, VisibleLinesTest,
                         ::testing::Values(RangeCase{"empty_journal", 0, 300, 10, 0, 0, -1},
                                           RangeCase{"one_line", 0, 300, 10, 1, 0, 0},
                                           RangeCase{"top_of_long_journal", 0, 300, 10, 1000, 0, 31},
                                           RangeCase{"partial_line_at_top", 25, 325, 10, 1000, 2, 33},
                                           RangeCase{"end_of_journal", 9700, 10000, 10, 1000, 970, 999},
                                           RangeCase{"clip_past_the_end", 20000, 20300, 10, 1000, 999, 999},
                                           RangeCase{"zero_line_height", 0, 300, 0, 10, 0, -1}),
                         [](const ::testing::TestParamInfo<RangeCase>& p) { return std::string(p.param.name); });

TEST(ViewLayout, PagesHoldWholeLines) {
  EXPECT_EQ(LinesPerPage(1000, 30), 33);
  EXPECT_EQ(LinesPerPage(20, 30), 1);  // a line taller than the page still prints
  EXPECT_EQ(PageCount(0, 30, 990), 1);
  EXPECT_EQ(PageCount(1, 30, 990), 1);
  EXPECT_EQ(PageCount(33, 30, 990), 1);  // exactly one page height
  EXPECT_EQ(PageCount(99, 30, 990), 3);  // exactly three page heights
  EXPECT_EQ(PageCount(100, 30, 990), 4);
  EXPECT_EQ(PageCount(34, 30, 1000), 2);  // 33 whole lines fit; the 34th starts page 2
}

TEST(ViewLayout, PageLinesCoverEveryLineOnce) {
  const std::size_t count = 100;
  long long next = 0;
  const int pages = PageCount(count, 30, 990);
  for (int p = 1; p <= pages; ++p) {
    const LineRange r = PageLines(p, count, 30, 990);
    EXPECT_EQ(r.first, next);
    next = r.last + 1;
  }
  EXPECT_EQ(next, 100);
  EXPECT_TRUE(PageLines(5, count, 30, 990).empty());
  EXPECT_TRUE(PageLines(0, count, 30, 990).empty());
}

}  // namespace
}  // namespace mirto
