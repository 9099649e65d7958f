#include "journal/ViewLayout.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdlib>

namespace mirto {

long long ExtentWidth(std::size_t widestLine, int charWidth) {
  return (static_cast<long long>(widestLine) + 4) * charWidth;
}

long long ExtentHeight(std::size_t lineCount, int lineHeight) { return static_cast<long long>(lineCount) * lineHeight; }

long long MeasuredExtentWidth(double widestLineWidth, double charWidth) {
  return static_cast<long long>(std::ceil(widestLineWidth + 4 * charWidth));
}

long long ScrollScale::Offset(int value) const { return std::min(range, std::max(0, value) * unit); }

ScrollScale ScaleScroll(long long range) {
  range = std::max(0LL, range);
  return {range, std::max(1LL, (range + INT_MAX - 1) / INT_MAX)};
}

ColumnRange VisibleColumns(double left, double width, double charWidth) {
  if (charWidth <= 0 || width <= 0) return {};
  const double first = std::max(0.0, std::floor(left / charWidth));
  const double last = std::floor((left + width) / charWidth);
  if (last < first) return {};
  return {static_cast<long long>(first), static_cast<long long>(last - first) + 1};
}

LineRange VisibleLines(long long clipTop, long long clipBottom, int lineHeight, std::size_t lineCount) {
  if (lineCount == 0 || lineHeight <= 0) return {};
  const long long lastLine = static_cast<long long>(lineCount) - 1;
  LineRange range;
  range.first = std::min(std::llabs(clipTop) / lineHeight, lastLine);
  range.last = std::min(range.first + std::llabs(clipBottom - clipTop) / lineHeight + 1, lastLine);
  return range;
}

int LinesPerPage(int pageHeight, int lineHeight) {
  if (lineHeight <= 0) return 1;
  return std::max(1, pageHeight / lineHeight);
}

int PageCount(std::size_t lineCount, int lineHeight, int pageHeight) {
  const long long perPage = LinesPerPage(pageHeight, lineHeight);
  const long long pages = (static_cast<long long>(lineCount) + perPage - 1) / perPage;
  return static_cast<int>(std::max(1LL, pages));
}

LineRange PageLines(int page, std::size_t lineCount, int lineHeight, int pageHeight) {
  const long long perPage = LinesPerPage(pageHeight, lineHeight);
  LineRange range;
  range.first = (static_cast<long long>(page) - 1) * perPage;
  range.last = std::min(range.first + perPage, static_cast<long long>(lineCount)) - 1;
  if (page < 1) range = {};
  return range;
}

}  // namespace mirto
