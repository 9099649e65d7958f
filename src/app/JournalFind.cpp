#include "app/JournalFind.h"

#include <algorithm>
#include <array>

namespace mirto {
namespace {

// Latin-1 letters folded to lower case.
constexpr std::array<unsigned char, 256> kFold = [] {
  std::array<unsigned char, 256> fold{};
  for (int c = 0; c < 256; ++c) {
    const bool upper = (c >= 'A' && c <= 'Z') || (c >= 0xC0 && c <= 0xDE && c != 0xD7);
    fold[static_cast<std::size_t>(c)] = static_cast<unsigned char>(upper ? c + 0x20 : c);
  }
  return fold;
}();

unsigned char Fold(char c) { return kFold[static_cast<unsigned char>(c)]; }

// The query ready for line after line: folded once when case does not matter.
class Needle {
 public:
  explicit Needle(const FindQuery& query) : m_text(query.text), m_matchCase(query.matchCase) {
    if (!m_matchCase)
      for (char& c : m_text) c = static_cast<char>(Fold(c));
  }
  std::size_t size() const { return m_text.size(); }

  // The first match in `line` starting at or after `pos`.
  std::size_t Forward(std::string_view line, std::size_t pos) const {
    if (pos > line.size() || m_text.size() > line.size() - pos) return std::string_view::npos;
    if (m_matchCase) return line.find(m_text, pos);
    const auto first = static_cast<unsigned char>(m_text[0]);
    const std::size_t last = line.size() - m_text.size();
    for (; pos <= last; ++pos)
      if (Fold(line[pos]) == first && FoldedAt(line, pos)) return pos;
    return std::string_view::npos;
  }

  // The last match in `line` starting before `end`.
  std::size_t Backward(std::string_view line, std::size_t end) const {
    if (end == 0 || m_text.size() > line.size()) return std::string_view::npos;
    const std::size_t last = std::min(end - 1, line.size() - m_text.size());
    if (m_matchCase) return line.rfind(m_text, last);
    for (std::size_t pos = last + 1; pos-- > 0;)
      if (FoldedAt(line, pos)) return pos;
    return std::string_view::npos;
  }

 private:
  bool FoldedAt(std::string_view line, std::size_t pos) const {
    for (std::size_t k = 0; k < m_text.size(); ++k)
      if (Fold(line[pos + k]) != static_cast<unsigned char>(m_text[k])) return false;
    return true;
  }

  std::string m_text;
  bool m_matchCase;
};

}  // namespace

std::optional<FindMatch> FindInJournal(const Journal& journal, const FindQuery& query, TextPos from, bool forward) {
  const std::size_t count = journal.size();
  if (query.empty() || count == 0) return std::nullopt;
  const Needle needle(query);
  constexpr std::size_t kNone = std::string_view::npos;
  const std::size_t start = std::min(from.line, count - 1);
  const std::size_t column = from.line < count ? from.column : kNone;
  // Every line once, the starting one on both sides of `from`: its part past
  // `from` first, and the part before it at the end of the round.
  for (std::size_t n = 0; n <= count; ++n) {
    const std::size_t line = forward ? (start + n) % count : (start + count - n % count) % count;
    const std::string_view text = journal[line];
    std::size_t at;
    if (n == 0) {
      at = forward ? needle.Forward(text, column) : needle.Backward(text, column);
    } else if (n < count) {
      at = forward ? needle.Forward(text, 0) : needle.Backward(text, kNone);
    } else {
      at = forward ? needle.Forward(text, 0) : needle.Backward(text, kNone);
      if (at != kNone && (forward ? at >= column : at < column)) at = kNone;
    }
    const bool wrapped = forward ? start + n >= count : n > start;
    if (at != kNone) return FindMatch{{line, at}, wrapped};
  }
  return std::nullopt;
}

std::vector<std::size_t> MatchesOnLine(std::string_view line, const FindQuery& query, std::size_t first,
                                       std::size_t count) {
  std::vector<std::size_t> starts;
  if (query.empty() || first >= line.size()) return starts;
  const Needle needle(query);
  const std::size_t length = needle.size();
  std::size_t pos = first >= length - 1 ? first - (length - 1) : 0;
  const std::size_t end = count > line.size() - first ? line.size() : first + count;
  while ((pos = needle.Forward(line, pos)) != std::string_view::npos && pos < end) {
    starts.push_back(pos);
    pos += length;
  }
  return starts;
}

}  // namespace mirto
