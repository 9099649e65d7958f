#pragma once
// The journal in printed pages: each page has a heading (the journal's name
// and the date) and a foot ("Page N of M"), and breaks fall between report
// blocks where they can. A block that fits on a page starts on a new page
// rather than be split; one that does not is split, but never between its
// data note and the block's last lines.
#include <cstddef>
#include <string>
#include <vector>

#include "journal/Journal.h"
#include "journal/ViewLayout.h"

namespace mirto {

// Lines of a page above the journal's lines (title and date, a blank line)
// and below them (a blank line, the page number).
inline constexpr int kHeadingLines = 2;
inline constexpr int kFootLines = 2;

// Journal lines a page holds between its heading and its foot, at least one.
int BodyLinesPerPage(int pageHeight, int lineHeight);

// The first journal line of each page, in order: one page for an empty journal.
std::vector<std::size_t> PageStarts(const Journal& journal, std::size_t perPage);

// The journal lines of page `page` (1-based) of `starts`; empty past the last page.
LineRange PageBody(const std::vector<std::size_t>& starts, int page, std::size_t lineCount);

// "Page 2 of 5".
std::string PageFoot(int page, int pages);

}  // namespace mirto
