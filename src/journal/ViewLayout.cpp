#include "journal/ViewLayout.h"

#include <algorithm>
#include <cstdlib>

namespace mirto {

long long ExtentWidth(std::size_t widestLine, int charWidth) {
  return (static_cast<long long>(widestLine) + 4) * charWidth;
}

long long ExtentHeight(std::size_t lineCount, int lineHeight) { return static_cast<long long>(lineCount) * lineHeight; }

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
