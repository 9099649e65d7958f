#include "journal/Selection.h"

#include <algorithm>

namespace mirto {
namespace {

bool IsWordChar(char c) {
  const auto u = static_cast<unsigned char>(c);
  return (u >= '0' && u <= '9') || (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u >= 0x80 || c == '.' ||
         c == '+' || c == '-' || c == '%' || c == '_';
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Characters of the same kind as c: word characters, blanks, or the rest.
int Kind(char c) { return IsWordChar(c) ? 0 : IsBlank(c) ? 1 : 2; }

}  // namespace

TextPos Clamp(const Journal& journal, TextPos pos) {
  if (journal.empty()) return {};
  pos.line = std::min(pos.line, journal.size() - 1);
  pos.column = std::min(pos.column, journal[pos.line].size());
  return pos;
}

SelectedSpan SelectedColumns(const TextSelection& selection, std::size_t line, std::size_t length) {
  const TextPos start = selection.Start(), end = selection.End();
  if (selection.empty() || line < start.line || line > end.line) return {};
  SelectedSpan span;
  span.first = line == start.line ? std::min(start.column, length) : 0;
  span.last = line == end.line ? std::min(end.column, length) : length;
  span.lineEnd = line < end.line;
  return span;
}

std::string SelectedText(const Journal& journal, const TextSelection& selection) {
  if (journal.empty() || selection.empty()) return {};
  const TextPos start = Clamp(journal, selection.Start());
  const TextPos end = selection.End().line >= journal.size()
                          ? TextPos{journal.size() - 1, journal[journal.size() - 1].size()}
                          : Clamp(journal, selection.End());
  std::size_t size = 0;
  for (std::size_t i = start.line; i <= end.line; ++i) size += journal[i].size() + 1;
  std::string text;
  text.reserve(size);
  for (std::size_t i = start.line; i <= end.line; ++i) {
    const SelectedSpan span = SelectedColumns({start, end}, i, journal[i].size());
    text.append(journal[i].substr(span.first, span.last - span.first));
    if (span.lineEnd) text.push_back('\n');
  }
  return text;
}

TextSelection WordAt(const Journal& journal, TextPos pos) {
  if (journal.empty()) return {};
  pos = Clamp(journal, pos);
  const std::string_view line = journal[pos.line];
  if (line.empty()) return {pos, pos};
  // A click past the end of the line takes the last run.
  const std::size_t at = std::min(pos.column, line.size() - 1);
  const int kind = Kind(line[at]);
  std::size_t first = at, last = at + 1;
  while (first > 0 && Kind(line[first - 1]) == kind) --first;
  while (last < line.size() && Kind(line[last]) == kind) ++last;
  return {{pos.line, first}, {pos.line, last}};
}

TextSelection LineAt(const Journal& journal, std::size_t line) {
  if (journal.empty()) return {};
  line = std::min(line, journal.size() - 1);
  const TextPos end = line + 1 < journal.size() ? TextPos{line + 1, 0} : TextPos{line, journal[line].size()};
  return {{line, 0}, end};
}

TextSelection WholeJournal(const Journal& journal) {
  if (journal.empty()) return {};
  return {{0, 0}, {journal.size() - 1, journal[journal.size() - 1].size()}};
}

TextPos MoveCaret(const Journal& journal, TextPos pos, CaretMove move, std::size_t pageLines) {
  if (journal.empty()) return {};
  const std::size_t lastLine = journal.size() - 1;
  pos.line = std::min(pos.line, lastLine);
  const std::size_t length = journal[pos.line].size();
  const std::size_t page = std::max<std::size_t>(1, pageLines);
  switch (move) {
    case CaretMove::Left:
      pos = Clamp(journal, pos);
      if (pos.column > 0) return {pos.line, pos.column - 1};
      return pos.line > 0 ? TextPos{pos.line - 1, journal[pos.line - 1].size()} : pos;
    case CaretMove::Right:
      pos = Clamp(journal, pos);
      if (pos.column < length) return {pos.line, pos.column + 1};
      return pos.line < lastLine ? TextPos{pos.line + 1, 0} : pos;
    case CaretMove::Up: return {pos.line > 0 ? pos.line - 1 : 0, pos.column};
    case CaretMove::Down: return {std::min(pos.line + 1, lastLine), pos.column};
    case CaretMove::PageUp: return {pos.line > page ? pos.line - page : 0, pos.column};
    case CaretMove::PageDown: return {lastLine - pos.line > page ? pos.line + page : lastLine, pos.column};
    case CaretMove::LineStart: return {pos.line, 0};
    case CaretMove::LineEnd: return {pos.line, length};
    case CaretMove::JournalStart: return {0, 0};
    case CaretMove::JournalEnd: return {lastLine, journal[lastLine].size()};
  }
  return pos;
}

LineRange BlockAt(const Journal& journal, std::size_t line) {
  if (line >= journal.size()) return {};
  std::size_t first = line + 1;
  while (first > 0 && journal[first - 1] != kBlockSeparator) --first;
  if (first == 0) return {};
  std::size_t last = line + 1;
  while (last < journal.size() && journal[last] != kBlockSeparator) ++last;
  return {static_cast<long long>(first - 1), static_cast<long long>(last - 1)};
}

std::string LinesText(const Journal& journal, LineRange lines) {
  std::string text;
  const long long count = static_cast<long long>(journal.size());
  for (long long i = std::max(0LL, lines.first); i <= lines.last && i < count; ++i) {
    text.append(journal[static_cast<std::size_t>(i)]);
    text.push_back('\n');
  }
  return text;
}

}  // namespace mirto
