#pragma once
// The reference the delimited tokenizer is checked against: libcsv, set up
// and fed as the line-by-line readers feed it (data files: CSV_STRICT |
// CSV_STRICT_FINI, blanks are spaces and tabs, each line fed whole; tables:
// the same with blanks that are spaces only, each line's text fed with an LF,
// blank and '#' lines held back). Records and problems come with the same
// places the tokenizer gives (record, line, field).
//
// Where those readers were wrong, this follows the fix, and says so below:
// - data files count lines at CR and CRLF too (they counted LF alone, so an
//   old Mac file was all "line 1"), and a line of tabs is blank (it made the
//   next record start on the wrong line);
// - a pasted line of spaces makes no record and leaves none open (it made
//   the next row's line wrong, and a trailing empty line a "quoted field not
//   closed");
// - data files take the separator from the whole first line (not from the
//   first 64 KiB read).
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "data/DelimitedTokenizer.h"

namespace mirto::test {

struct ReferenceRecord {
  long long line = 0;
  std::vector<std::string> fields;
  bool operator==(const ReferenceRecord&) const = default;
};

struct ReferenceRead {
  char separator = 0;
  std::vector<ReferenceRecord> records;
  std::optional<data::TokenError> error;
};

// `bytes` read as the readers read them; options.search is not used.
ReferenceRead ReadWithLibcsv(std::string_view bytes, const data::TokenizerOptions& options);

// "L[a|b]" per record, then "!PROBLEM rR line L field F" (for comparisons and messages).
std::string Shown(const ReferenceRead& read);

}  // namespace mirto::test
