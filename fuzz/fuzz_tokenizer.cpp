// The delimited tokenizer against libcsv, set up and fed as the readers it
// stands in for feed it: on arbitrary bytes, under each reader's rules, the
// same records on the same lines with the same fields, and the same problem
// at the same record, line and field. Then the tokenizer against itself: each
// way of searching blocks, the bytes handed over in pieces, only some columns
// asked for, and the bytes split into 2 or 3 ranges.
//
// The first byte picks the rules, the separator and (small or real) limits;
// the second the piece size and the columns asked for. Each field read as a
// number by the quick reading is what ReadCell reads.
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "data/CellNumbers.h"
#include "data/DataFormats.h"
#include "support/CsvReference.h"
#include "support/TokenizerRuns.h"

namespace {

using mirto::data::BlockSearch;
using mirto::data::DelimitedRules;
using mirto::data::TokenizerOptions;
using mirto::test::Shown;

TokenizerOptions OptionsFrom(std::uint8_t a, std::uint8_t b) {
  const DelimitedRules rules[] = {DelimitedRules::DataFile, DelimitedRules::Table, DelimitedRules::Pasted,
                                  DelimitedRules::DataFile};
  const char separators[] = {0, ',', ';', '\t'};
  TokenizerOptions options{.rules = rules[a % 4], .separator = separators[(a >> 2) % 4]};
  // Small limits, so that short inputs reach them.
  if (a & 16) options.maxRecordBytes = 1 + b % 61;
  if (a & 32) options.maxFields = 1 + (b >> 3) % 7;
  return options;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 2) return 0;
  TokenizerOptions options = OptionsFrom(data[0], data[1]);
  const std::string_view text(reinterpret_cast<const char*>(data) + 2, size - 2);

  const mirto::test::ReferenceRead expected = mirto::test::ReadWithLibcsv(text, options);
  const std::string shown = Shown(expected);
  for (const auto& record : expected.records)
    for (const std::string& field : record.fields) {
      const auto quick = mirto::data::ReadCellFast(field), slow = mirto::data::ReadCell(field);
      CHECK(quick.numeric == slow.numeric && quick.missing == slow.missing &&
            std::memcmp(&quick.number, &slow.number, sizeof(double)) == 0);
    }
  for (BlockSearch search : {BlockSearch::Portable, BlockSearch::Sse2, BlockSearch::Avx2}) {
    options.search = search;
    const auto got = mirto::test::Tokenized(text, options);
    if (Shown(got) != shown) std::fprintf(stderr, "libcsv:    %s\ntokenizer: %s\n", shown.c_str(), Shown(got).c_str());
    CHECK(Shown(got) == shown);
    CHECK(got.separator == expected.separator || expected.error);  // a problem may come before the separator is found
  }
  options.search = BlockSearch::Best;
  CHECK(Shown(mirto::test::TokenizedInPieces(text, options, 1 + data[1] % 97)) == shown);

  std::vector<std::size_t> columns;
  for (std::size_t c = data[1] % 3; c < 6; c += 1 + data[1] % 4) columns.push_back(c);
  columns.push_back(columns.front());
  CHECK(Shown(mirto::test::TokenizedColumns(text, options, columns)) ==
        Shown(mirto::test::OnlyColumns(expected, columns)));

  // Ranges need the separator given: the one found, and then the whole read with it.
  options.separator = expected.separator ? expected.separator : ',';
  const std::string given = Shown(mirto::test::Tokenized(text, options));
  for (std::size_t count : {2, 3}) {
    const auto ranges = mirto::test::TokenizedInRanges(text, options, count);
    if (Shown(ranges) != given) std::fprintf(stderr, "whole:  %s\nranges: %s\n", given.c_str(), Shown(ranges).c_str());
    CHECK(Shown(ranges) == given);
  }
  return 0;
}
