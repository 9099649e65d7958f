// The delimited-file reader on arbitrary bytes, read in pieces of varying
// size: it ends with rows or with one problem that names a line, never both;
// every row has the first row's number of fields and starts on a later line
// than the one before; pieces of another size give the same result. The rows
// are then pasted into a table of an entry loop, which must take them or say
// why not.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "data/Delimited.h"
#include "data/EntryTable.h"

namespace {

mirto::data::DelimitedRead Read(std::string_view text, std::size_t piece,
                                const mirto::data::DelimitedOptions& options) {
  return mirto::data::ReadDelimited(
      [&](char* buffer, std::size_t size) {
        const std::size_t n = std::min({size, piece, text.size()});
        std::memcpy(buffer, text.data(), n);
        text.remove_prefix(n);
        return static_cast<long>(n);
      },
      options);
}

std::string Shown(const mirto::data::DelimitedRead& r) {
  if (r.problem) return mirto::data::Describe(*r.problem, "f");
  std::string out;
  for (std::size_t row = 0; row < r.table.Rows(); ++row) {
    out += std::to_string(r.table.Line(row)) + ":";
    for (std::size_t c = 0; c < r.table.Columns(); ++c) out += std::string(r.table.Cell(row, c)) + '\x1f';
  }
  return out;
}

const mirto::FormTemplate kRows{
    1,
    "Rows",
    {mirto::RowNumber("No.", 5), mirto::Field("Y-value:", 10), mirto::Digits("Number of elements, N_i:", 5)}};
const mirto::FormTemplate kPairs{
    2, "Pairs", {mirto::RowNumber("Pair", 5), mirto::RowNumber("and", 5), mirto::Field("", 10)}};
const double kProbabilities[] = {0, 0.5, 0.25, 0.75, 0.125};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  const char separators[] = {0, ',', ';', '\t'};
  const mirto::data::DelimitedOptions options{.separator = separators[data[0] % 4],
                                              .maxRows = data[0] & 4 ? static_cast<long long>(data[1] % 8) : -1,
                                              .literal = (data[0] & 8) != 0};
  const std::string_view text(reinterpret_cast<const char*>(data) + 2, size - 2);
  const mirto::data::DelimitedRead r = Read(text, 1 + data[1] % 97, options);
  CHECK(Shown(r) == Shown(Read(text, 1 << 16, options)));
  if (r.problem) {
    CHECK(r.table.Rows() == 0);
    CHECK(r.problem->line >= 1 && !r.problem->text.empty());
  } else {
    for (std::size_t row = 1; row < r.table.Rows(); ++row) CHECK(r.table.Line(row) > r.table.Line(row - 1));
    CHECK(options.maxRows < 0 || static_cast<long long>(r.table.Rows()) <= options.maxRows);
  }

  mirto::data::EntryTable rows(mirto::EntryLoop{.tmpl = &kRows, .count = 6});
  const long long blocking = rows.Blocking();
  if (rows.Paste(data[1] % 6, data[0] % 3, text)) CHECK(rows.Blocking() == blocking);  // nothing changed
  for (long long row = 0; row < rows.Rows(); ++row)
    for (std::size_t c = 0; c < rows.Columns().size(); ++c) (void)rows.Why(row, c);
  mirto::data::EntryTable pairs(
      mirto::EntryLoop{.tmpl = &kPairs, .count = 6, .elements = 4, .probabilities = kProbabilities});
  (void)pairs.Paste(0, 2, text);
  (void)pairs.Summary();
  return 0;
}
