#pragma once
// The data rows of a delimited data file read in blocks, each in one piece
// and on its own, so that threads can read them at once. Block k holds the
// records whose line starts in [start + k B, start + (k + 1) B) (B: the
// block's size), read from the first line start there. That line start may
// lie inside a quoted field of the block before, which then ends past it:
// the block is read again from where that one ended.
//
// Records of plain text (no quote, no NUL, of the header's width, one line
// each, not led by a blank) are split in one quick loop; the tokenizer takes
// the block on from the first record that is not, so that rows and problems
// are its own.
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "data/DataFile.h"
#include "data/DelimitedTokenizer.h"
#include "data/MappedFile.h"

namespace mirto::data {

// Where a block stopped short: a problem of the tokenizer, or a record with
// `fields` fields where the header has another number (record and line
// counted from the block's start, from 0 and 1).
struct BlockProblem {
  TokenError error;
  std::optional<std::size_t> fields;
};

// What a block keeps of where its rows start: nothing, the skimmed rows'
// (their values read on request), or every row's (to mark rows by place).
enum class BlockStarts : std::uint8_t { None, Skim, Mark };

// What a block gave: the values of the columns asked for, row after row.
struct BlockRows {
  bool found = false;       // a line starts in the block's bytes
  std::uint64_t begin = 0;  // where its first record was looked for
  std::uint64_t end = 0;    // where reading stopped: the next block's start
  long long lines = 0;      // lines from begin to end
  std::size_t rows = 0;
  std::optional<BlockProblem> problem;
  // Blocks read for a few rows: the first `skimmed` rows (plain records) hold
  // no values, only where each starts in the first piece of `held` bytes.
  std::size_t skimmed = 0;
  std::vector<std::size_t> starts;  // from `origin`: skimmed rows, or every row when marking
  std::uint64_t origin = 0;         // the file offset of the first piece's first byte
  const char* first = nullptr;      // the first piece's bytes: its own, or the mapped file's
  std::size_t held = 0;
  bool final = false;

  // Empty, its storage kept, for the next block.
  void Clear();
  // Row after row, `width` values each: the columns asked for.
  std::span<const Value> Row(std::size_t row, std::size_t width) const {
    return {m_values.get() + (row - skimmed) * width, width};
  }
  // All those rows' values.
  std::span<const Value> Rows(std::size_t width) const { return {m_values.get(), (rows - skimmed) * width}; }
  // Where the next row's values go.
  Value* NextRow(std::size_t width) {
    const std::size_t kept = (rows - skimmed) * width;
    if (kept + width > m_capacity) Grow(kept + width, kept);
    return m_values.get() + kept;
  }

  // The bytes the values' text stands in: the block's piece of the file (the
  // first kept for the next block), and quoted fields undone.
  struct Piece {
    std::unique_ptr<char[]> bytes;
    std::size_t capacity = 0;
  };
  std::vector<Piece> pieces;
  std::deque<std::string> copies;

 private:
  void Grow(std::size_t needed, std::size_t kept);
  // Kept from block to block, so that values are set, not made anew.
  std::unique_ptr<Value[]> m_values;
  std::size_t m_capacity = 0;
};

class DataBlocks {
 public:
  // The rows of the file open as `fd`, of `size` bytes, from `start` (after
  // the header): `width` fields a row, `columns` asked for, the first
  // `converted` of them read (the others unread). Skim: plain records are
  // only counted, their values read on request (RowValues).
  DataBlocks(int fd, std::uint64_t size, std::uint64_t start, std::size_t blockBytes, char separator, std::size_t width,
             std::span<const std::size_t> columns, std::size_t converted, BlockStarts starts = BlockStarts::None,
             const MappedFile* map = nullptr);

  std::size_t Count() const { return m_count; }
  std::size_t Wanted() const { return m_columns.size(); }
  // Block k from the first line start in its bytes, or from `from` (where
  // the block before it ended).
  void Read(std::size_t k, BlockRows& out, std::optional<std::uint64_t> from = std::nullopt) const;
  // The values of row `row` of a block read: as Read gives them, a skimmed
  // row read again into `scratch` (its values last while `block` does).
  // Empty only if the row no longer reads as it did.
  std::optional<std::span<const Value>> RowValues(const BlockRows& block, std::size_t row, BlockRows& scratch) const;
  // The records that start in [place, place + bytes), `place` a record's
  // start (or the end of the record before it): read as a block reads them.
  void ReadFrom(std::uint64_t place, std::size_t bytes, BlockRows& out) const;

  // The quick loop's plan: per column, where its value goes (-1: not asked
  // for); values asked for twice are copied from the first.
  struct Plain {
    char separator = ',';
    bool tabs = true;  // tabs are blanks
    std::size_t maxRecord = 0;
    std::size_t converted = 0;  // values read; those after come unread
    bool starts = false;        // where each record starts is kept
    bool counted = false;       // no value asked for: records only counted
    std::vector<int> slot;
    std::vector<std::pair<std::size_t, std::size_t>> twins;  // (to, from)
  };

 private:
  std::uint64_t Bound(std::size_t k) const { return m_start + k * m_blockBytes; }
  // The file's bytes from `origin` on, `asked` of them or to its end: in the
  // map, or read into the block's first piece (`out.held` of them); null on
  // a read error, which `out` then holds.
  const char* Bytes(BlockRows& out, std::uint64_t origin, std::size_t asked) const;
  void Parse(BlockRows& out, std::uint64_t origin, std::size_t begin, std::size_t stop, std::size_t held,
             bool final) const;

  int m_fd;
  const MappedFile* m_map;  // the file's bytes, read in place (null: copied in)
  std::uint64_t m_size, m_start;
  std::size_t m_blockBytes, m_count;
  TokenizerOptions m_options;
  std::size_t m_width;
  std::vector<std::size_t> m_columns;
  Plain m_plain;
  std::optional<Plain> m_skim;  // no column: the records counted
  bool m_mark = false;          // every row's start kept
};

}  // namespace mirto::data
