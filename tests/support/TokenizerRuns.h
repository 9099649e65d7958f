#pragma once
// The delimited tokenizer run in the ways its callers run it, each giving
// records and the problem in the reference's shape (CsvReference.h), so that
// any two can be compared.
#include <cstddef>
#include <span>
#include <string_view>

#include "data/DelimitedTokenizer.h"
#include "support/CsvReference.h"

namespace mirto::test {

// On the bytes in memory, every field handed over.
ReferenceRead Tokenized(std::string_view bytes, const data::TokenizerOptions& options);
// From a source that hands over at most `piece` bytes at a time.
ReferenceRead TokenizedInPieces(std::string_view bytes, const data::TokenizerOptions& options, std::size_t piece);
// Only `columns` handed over, in that order.
ReferenceRead TokenizedColumns(std::string_view bytes, const data::TokenizerOptions& options,
                               std::span<const std::size_t> columns);
// In up to `count` ranges (SplitAtLines), each tokenized on its own, then
// checked in order: a range whose start fell inside a record of the range
// before it is tokenized again from where that record ended. Records and
// lines are counted across ranges; options.separator must be given.
ReferenceRead TokenizedInRanges(std::string_view bytes, const data::TokenizerOptions& options, std::size_t count);

// The reference's records with only `columns` (a missing one empty).
ReferenceRead OnlyColumns(ReferenceRead read, std::span<const std::size_t> columns);

}  // namespace mirto::test
