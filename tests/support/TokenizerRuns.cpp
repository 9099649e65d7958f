#include "support/TokenizerRuns.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace mirto::test {

namespace {

using data::DelimitedTokenizer;

ReferenceRead Drained(DelimitedTokenizer& tokenizer) {
  ReferenceRead read;
  while (tokenizer.Next()) {
    ReferenceRecord& record = read.records.emplace_back(ReferenceRecord{tokenizer.Line(), {}});
    for (std::size_t i = 0; i < tokenizer.Wanted(); ++i) record.fields.emplace_back(tokenizer.Field(i));
  }
  read.error = tokenizer.Error();
  read.separator = tokenizer.Separator();
  return read;
}

}  // namespace

ReferenceRead Tokenized(std::string_view bytes, const data::TokenizerOptions& options) {
  DelimitedTokenizer tokenizer(bytes, options);
  return Drained(tokenizer);
}

ReferenceRead TokenizedInPieces(std::string_view bytes, const data::TokenizerOptions& options, std::size_t piece) {
  DelimitedTokenizer tokenizer(
      [&bytes, piece](char* buffer, std::size_t size) {
        const std::size_t n = std::min({size, piece, bytes.size()});
        std::memcpy(buffer, bytes.data(), n);
        bytes.remove_prefix(n);
        return static_cast<long>(n);
      },
      options);
  return Drained(tokenizer);
}

ReferenceRead TokenizedColumns(std::string_view bytes, const data::TokenizerOptions& options,
                               std::span<const std::size_t> columns) {
  DelimitedTokenizer tokenizer(bytes, options);
  tokenizer.Want(columns);
  return Drained(tokenizer);
}

ReferenceRead TokenizedInRanges(std::string_view bytes, const data::TokenizerOptions& options, std::size_t count) {
  const std::vector<std::size_t> starts = data::SplitAtLines(bytes, 0, count);
  struct Run {
    ReferenceRead read;
    std::size_t end = 0;
    long long lines = 0;
  };
  const auto run = [&](std::size_t k, std::size_t begin) {
    DelimitedTokenizer tokenizer(bytes, options, begin, k + 1 < starts.size() ? starts[k + 1] : bytes.size());
    Run r{Drained(tokenizer), tokenizer.Offset(), tokenizer.LinesPassed()};
    return r;
  };
  std::vector<Run> runs;
  for (std::size_t k = 0; k < starts.size(); ++k) runs.push_back(run(k, starts[k]));  // as threads would
  ReferenceRead whole;
  whole.separator = options.separator;
  long long lines = 0;
  for (std::size_t k = 0; k < runs.size(); ++k) {
    if (k > 0 && runs[k - 1].end != starts[k]) runs[k] = run(k, runs[k - 1].end);
    const std::size_t records = whole.records.size();
    for (ReferenceRecord& r : runs[k].read.records) {
      r.line += lines;
      whole.records.push_back(std::move(r));
    }
    if (auto& error = runs[k].read.error) {
      error->record += records;
      error->line += lines;
      whole.error = error;
      break;
    }
    lines += runs[k].lines;
  }
  return whole;
}

ReferenceRead OnlyColumns(ReferenceRead read, std::span<const std::size_t> columns) {
  for (ReferenceRecord& r : read.records) {
    std::vector<std::string> kept;
    for (std::size_t c : columns) kept.push_back(c < r.fields.size() ? r.fields[c] : "");
    r.fields = std::move(kept);
  }
  return read;
}

}  // namespace mirto::test
