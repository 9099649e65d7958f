#pragma once
// The Journal: an ordered list of text lines, appended to and cleared as a whole.
// Lines are stored back to back in large blocks, so a million short lines cost
// little more than their text, and the widest line is kept as lines arrive.
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace mirto {

class Journal {
 public:
  Journal() = default;
  Journal(Journal&&) noexcept = default;
  Journal& operator=(Journal&&) noexcept = default;
  Journal(const Journal&) = delete;
  Journal& operator=(const Journal&) = delete;

  std::size_t size() const { return m_lines.size(); }
  bool empty() const { return m_lines.empty(); }
  std::string_view operator[](std::size_t i) const { return {m_lines[i].data, m_lines[i].size}; }

  void push_back(std::string_view line);
  void clear();

  // Length in characters of the longest line (0 when empty).
  std::size_t WidestLine() const { return m_widest; }
  // Bytes reserved for the lines and their index.
  std::size_t MemoryUsed() const;
  std::vector<std::string> Lines() const;

 private:
  struct Line {
    const char* data;
    std::size_t size;
  };
  static constexpr std::size_t kBlock = 1 << 20;

  std::vector<std::unique_ptr<char[]>> m_blocks;
  std::vector<std::size_t> m_blockSizes;
  char* m_free = nullptr;
  std::size_t m_freeLeft = 0;
  std::vector<Line> m_lines;
  std::size_t m_widest = 0;
};

}  // namespace mirto
