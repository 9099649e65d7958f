// The delimited-file reader on arbitrary bytes, read in pieces of varying
// size: it ends with rows or with one problem that names a line, never both;
// every row has the first row's number of fields and starts on a later line
// than the one before; pieces of another size give the same result, and so
// does libcsv, fed as the reader before this one fed it (its rows, then the
// first row of another width or its own problem, in the reader's words). The
// rows are then pasted into a table of an entry loop, which must take them or
// say why not.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "data/Delimited.h"
#include "data/EntryTable.h"
#include "framework/Format.h"
#include "support/CsvReference.h"

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

// What libcsv's records make of the same bytes, as Shown shows a read.
std::string Expected(std::string_view text, const mirto::data::DelimitedOptions& options) {
  using mirto::Format;
  using mirto::data::TokenProblem;
  const auto reference = mirto::test::ReadWithLibcsv(
      text, {.rules = options.literal ? mirto::data::DelimitedRules::Pasted : mirto::data::DelimitedRules::Table,
             .separator = options.separator});
  const auto told = [](const mirto::data::DelimitedProblem& p) { return mirto::data::Describe(p, "f"); };
  std::string out;
  for (std::size_t r = 0; r < reference.records.size(); ++r) {
    if (options.maxRows >= 0 && static_cast<long long>(r) >= options.maxRows) return out;
    const auto& record = reference.records[r];
    const std::size_t fields = record.fields.size(), width = reference.records[0].fields.size();
    if (fields != width)
      return told({record.line, std::min(fields, width) + 1,
                   Format("%zu field%s, where line %lld has %zu", fields, fields == 1 ? "" : "s",
                          reference.records[0].line, width)});
    out += std::to_string(record.line) + ":";
    for (const std::string& field : record.fields) out += field + '\x1f';
  }
  if (!reference.error) return out;
  const auto& e = *reference.error;
  const std::string texts[] = {
      "a NUL byte: this is not a text file", Format("longer than %zu bytes", mirto::data::kMaxRecordBytes),
      Format("more than %zu fields", mirto::data::kMaxColumns),
      "a quote inside a field that is not quoted, or text after a closing quote", "a quoted field is not closed"};
  return told({e.line, e.problem == TokenProblem::TooLong ? 0 : e.field, texts[static_cast<int>(e.problem)]});
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
  if (Shown(r) != Expected(text, options))
    std::fprintf(stderr, "reader: %s\nlibcsv: %s\n", Shown(r).c_str(), Expected(text, options).c_str());
  CHECK(Shown(r) == Expected(text, options));
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
