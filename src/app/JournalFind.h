#pragma once
// Finding text in the Journal: plain byte-for-byte search over its lines
// (one byte a character), with or without regard to case, wrapping around
// once. It reads the line store directly, so a journal of a million lines is
// searched in one pass without building any text.
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "journal/Journal.h"
#include "journal/Selection.h"

namespace mirto {

struct FindQuery {
  std::string text;  // one byte a character
  bool matchCase = false;
  bool empty() const { return text.empty(); }
};

struct FindMatch {
  TextPos at;
  bool wrapped = false;  // found only after passing the end (or, backward, the start)
};

// The first match that starts at or after `from` (forward), or the last that
// starts before it (backward), going round the Journal once.
std::optional<FindMatch> FindInJournal(const Journal& journal, const FindQuery& query, TextPos from, bool forward);

// The start columns of the matches on `line` that meet columns first..first+count.
std::vector<std::size_t> MatchesOnLine(std::string_view line, const FindQuery& query, std::size_t first,
                                       std::size_t count);

}  // namespace mirto
