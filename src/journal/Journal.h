#pragma once
// The Journal: an ordered list of text lines, appended to and cleared as a whole.
// Lines are stored back to back in large blocks, so a million short lines cost
// little more than their text, and the widest line is kept as lines arrive.
// The index of lines grows in segments that double in size and never move, so
// appending never copies what is already there.
#include <bit>
#include <cstddef>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace mirto {

class Journal {
  struct Line {
    const char* data;
    std::size_t size;
  };

 public:
  Journal() = default;
  Journal(Journal&& other) noexcept;
  Journal& operator=(Journal&& other) noexcept;
  Journal(const Journal&) = delete;
  Journal& operator=(const Journal&) = delete;

  std::size_t size() const { return m_count; }
  bool empty() const { return m_count == 0; }
  std::string_view operator[](std::size_t i) const {
    const std::size_t j = i + kFirstSegment;
    const int top = std::bit_width(j) - 1;
    const Line& line = m_index[static_cast<std::size_t>(top) - kFirstSegmentBits][j - (std::size_t{1} << top)];
    return {line.data, line.size};
  }

  void push_back(std::string_view line);
  void clear();

  // Reading in place: a reader writes text straight into the Journal's
  // storage and appends the lines lying there without copying them.
  // FreeSpace gives the writable free end of the storage, at least
  // `carry + more` bytes long; its first `carry` bytes (an unfinished line
  // the reader put there) are kept, moved to a new block when one is needed.
  std::span<char> FreeSpace(std::size_t carry, std::size_t more);
  // Appends the `size` bytes at the start of the free end as a line, and
  // takes the `skip` bytes after them (its newline, bytes cut off) as used.
  void AppendFromFreeSpace(std::size_t size, std::size_t skip) {
    Index(m_free, size);
    m_free += size + skip;
    m_freeLeft -= size + skip;
  }

  // Length in characters of the longest line (0 when empty), and its index.
  std::size_t WidestLine() const { return m_widest; }
  std::size_t WidestLineIndex() const { return m_widestIndex; }

  // Where the Journal stands, to go back to when an append fails part way
  // (memory running out while a file is read): Rollback drops every line
  // appended since and releases their storage.
  struct Mark {
    std::size_t count, blocks, segments, widest, widestIndex, freeLeft, slotsLeft;
    const char* current;
    char* free;
    Line* slot;
  };
  Mark GetMark() const;
  void Rollback(const Mark& mark) noexcept;
  // Bytes reserved for the lines and their index.
  std::size_t MemoryUsed() const;
  std::vector<std::string> Lines() const;

 private:
  static constexpr std::size_t kBlock = 1 << 20;
  static constexpr std::size_t kFirstSegmentBits = 8;
  static constexpr std::size_t kFirstSegment = std::size_t{1} << kFirstSegmentBits;

  void Index(const char* data, std::size_t size) {
    if (size == 0) data = "";  // never a pointer into a block that may be released
    if (m_slotsLeft == 0) NewSegment();
    *m_slot++ = {data, size};
    --m_slotsLeft;
    if (size > m_widest) m_widest = size, m_widestIndex = m_count;
    ++m_count;
  }
  void NewSegment();
  void NewBlock(std::size_t size, std::size_t carry);

  // Text blocks; the last one is the current block, whose free end starts at m_free.
  std::vector<std::unique_ptr<char[]>> m_blocks;
  std::vector<std::size_t> m_blockSizes;
  char* m_free = nullptr;
  std::size_t m_freeLeft = 0;
  // Index segment k holds kFirstSegment << k lines.
  std::vector<std::unique_ptr<Line[]>> m_index;
  Line* m_slot = nullptr;
  std::size_t m_slotsLeft = 0;
  std::size_t m_count = 0;
  std::size_t m_widest = 0;
  std::size_t m_widestIndex = 0;
};

}  // namespace mirto
