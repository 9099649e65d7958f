#pragma once
// Layout arithmetic of the journal view and of printed pages, in whole device
// units of one surface (screen pixels or printer dots) with y growing downward.
#include <cstddef>

namespace mirto {

// Lines first..last, both included; empty when first > last.
struct LineRange {
  long long first = 0;
  long long last = -1;
  bool empty() const { return first > last; }
  long long count() const { return empty() ? 0 : last - first + 1; }
};

// Extent of the scrolling area: the widest line plus four characters (fixed
// pitch, so a line's width is its length times the character width), and one
// line height per line.
long long ExtentWidth(std::size_t widestLine, int charWidth);
long long ExtentHeight(std::size_t lineCount, int lineHeight);
// The same from the measured width of the widest line, both in pixels.
long long MeasuredExtentWidth(double widestLineWidth, double charWidth);

// A scroll bar counts in int. A longer range (in pixels or lines) is stepped
// in units of several, so that its end stays reachable.
struct ScrollScale {
  long long range = 0;  // the largest offset
  long long unit = 1;   // offset per step of the bar
  int Maximum() const { return static_cast<int>((range + unit - 1) / unit); }
  long long Offset(int value) const;
};
ScrollScale ScaleScroll(long long range);

// Columns of fixed-pitch text that meet the band `left`..`left + width`,
// measured from where the text starts; a partly shown column counts.
struct ColumnRange {
  long long first = 0;
  long long count = 0;
};
ColumnRange VisibleColumns(double left, double width, double charWidth);

// The left margin where every line starts.
inline int LeftMargin(int charWidth) { return 2 * charWidth; }

// Lines that meet the band clipTop..clipBottom, measured from the first line's
// top. One line past the band is included so a partly shown line is drawn.
LineRange VisibleLines(long long clipTop, long long clipBottom, int lineHeight, std::size_t lineCount);

// Printed pages hold whole lines, so no line is cut at a page break.
int LinesPerPage(int pageHeight, int lineHeight);
int PageCount(std::size_t lineCount, int lineHeight, int pageHeight);
// The lines printed on page `page` (1-based).
LineRange PageLines(int page, std::size_t lineCount, int lineHeight, int pageHeight);

}  // namespace mirto
