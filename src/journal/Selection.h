#pragma once
// A text selection in the Journal and what it copies: positions are a line
// and a column, the work done is bounded by the lines and columns asked for,
// so selecting and drawing cost the same in a journal of any length.
#include <compare>
#include <cstddef>
#include <string>
#include <string_view>

#include "journal/Journal.h"
#include "journal/ViewLayout.h"

namespace mirto {

// A column past the end of its line stands for the line's end.
struct TextPos {
  std::size_t line = 0;
  std::size_t column = 0;
  auto operator<=>(const TextPos&) const = default;
};

// From the anchor (where it began) to the caret (where it is extended).
struct TextSelection {
  TextPos anchor, caret;
  bool empty() const { return Start() == End(); }
  TextPos Start() const { return anchor < caret ? anchor : caret; }
  TextPos End() const { return anchor < caret ? caret : anchor; }
};

// Moves the position stays on a line and within the Journal; a column past
// the line's end counts as its end.
TextPos Clamp(const Journal& journal, TextPos pos);

// What the selection covers of line `line`, `length` characters long:
// columns first..last (last excluded), and whether it runs on past the line's end.
struct SelectedSpan {
  std::size_t first = 0;
  std::size_t last = 0;
  bool lineEnd = false;
  bool empty() const { return first >= last && !lineEnd; }
};
SelectedSpan SelectedColumns(const TextSelection& selection, std::size_t line, std::size_t length);

// The selected text: lines joined by newlines, the first and last one cut at
// the selection's ends.
std::string SelectedText(const Journal& journal, const TextSelection& selection);

// A double click: the run of word characters (letters, digits and the
// characters of a number, ".+-%_") at `pos`, or the run of other characters.
TextSelection WordAt(const Journal& journal, TextPos pos);
// A triple click: the whole line with its end.
TextSelection LineAt(const Journal& journal, std::size_t line);
TextSelection WholeJournal(const Journal& journal);

enum class CaretMove { Left, Right, Up, Down, PageUp, PageDown, LineStart, LineEnd, JournalStart, JournalEnd };
// Where the caret goes; up and down keep its column, past the end of a
// shorter line, so that it comes back on longer ones.
TextPos MoveCaret(const Journal& journal, TextPos pos, CaretMove move, std::size_t pageLines);

// The report block that holds line `line`: from its separator line (nine
// asterisks) to the line before the next one. Empty for the lines above the
// first separator.
inline constexpr std::string_view kBlockSeparator = "*********";
LineRange BlockAt(const Journal& journal, std::size_t line);
// Lines first..last, each followed by a newline.
std::string LinesText(const Journal& journal, LineRange lines);

}  // namespace mirto
