#include "journal/PageLayout.h"

#include <algorithm>

#include "journal/Selection.h"

namespace mirto {
namespace {

// The block's last lines that stay with its data note when the block is split.
constexpr std::size_t kLinesWithNote = 2;

bool IsNote(std::string_view line) { return line.starts_with("Data "); }

// Where the note run that a break before line `end` would cut off starts, if
// it would: `end` inside the note, or the note within the next few lines.
std::size_t NoteStart(const Journal& journal, std::size_t start, std::size_t end) {
  std::size_t note = end;
  if (IsNote(journal[end])) {
    while (note > start && IsNote(journal[note - 1])) --note;
    return note;
  }
  for (note = end + 1; note < journal.size() && note < end + kLinesWithNote; ++note) {
    if (journal[note] == kBlockSeparator) break;
    if (IsNote(journal[note])) return note;
  }
  return journal.size();
}

// The first line of the page after the one that starts at `start`, which
// could hold the lines up to `end` (excluded).
std::size_t Break(const Journal& journal, std::size_t start, std::size_t end, std::size_t perPage) {
  if (journal[end] == kBlockSeparator) return end;
  std::size_t block = end;
  while (block > start && journal[block] != kBlockSeparator) --block;
  if (block > start) {
    std::size_t next = end;
    while (next < journal.size() && next - block <= perPage && journal[next] != kBlockSeparator) ++next;
    if (next - block <= perPage) return block;  // the whole block on the next page
  }
  const std::size_t note = NoteStart(journal, start, end);
  if (note < journal.size() && note > start + kLinesWithNote) return note - kLinesWithNote;
  return end;
}

}  // namespace

int BodyLinesPerPage(int pageHeight, int lineHeight) {
  return std::max(1, LinesPerPage(pageHeight, lineHeight) - kHeadingLines - kFootLines);
}

std::vector<std::size_t> PageStarts(const Journal& journal, std::size_t perPage) {
  perPage = std::max<std::size_t>(1, perPage);
  std::vector<std::size_t> starts{0};
  for (std::size_t start = 0; journal.size() - start > perPage; starts.push_back(start)) {
    const std::size_t next = Break(journal, start, start + perPage, perPage);
    start = next > start ? next : start + perPage;
  }
  return starts;
}

LineRange PageBody(const std::vector<std::size_t>& starts, int page, std::size_t lineCount) {
  if (page < 1 || static_cast<std::size_t>(page) > starts.size()) return {};
  const auto k = static_cast<std::size_t>(page);
  const std::size_t end = k < starts.size() ? starts[k] : lineCount;
  return {static_cast<long long>(starts[k - 1]), static_cast<long long>(end) - 1};
}

std::string PageFoot(int page, int pages) { return "Page " + std::to_string(page) + " of " + std::to_string(pages); }

}  // namespace mirto
