#include "journal/Journal.h"

#include <algorithm>
#include <cstring>

namespace mirto {

void Journal::push_back(std::string_view line) {
  char* at;
  if (line.size() > kBlock / 4) {
    // A long line gets a block of its own; the current block stays in use.
    m_blocks.push_back(std::make_unique_for_overwrite<char[]>(line.size()));
    m_blockSizes.push_back(line.size());
    at = m_blocks.back().get();
  } else {
    if (line.size() > m_freeLeft) {
      m_blocks.push_back(std::make_unique_for_overwrite<char[]>(kBlock));
      m_blockSizes.push_back(kBlock);
      m_free = m_blocks.back().get();
      m_freeLeft = kBlock;
    }
    at = m_free;
    m_free += line.size();
    m_freeLeft -= line.size();
  }
  if (!line.empty()) std::memcpy(at, line.data(), line.size());
  m_lines.push_back({at, line.size()});
  m_widest = std::max(m_widest, line.size());
}

void Journal::clear() {
  m_lines.clear();
  m_lines.shrink_to_fit();
  m_blocks.clear();
  m_blockSizes.clear();
  m_free = nullptr;
  m_freeLeft = 0;
  m_widest = 0;
}

std::size_t Journal::MemoryUsed() const {
  std::size_t bytes = m_lines.capacity() * sizeof(Line) + m_blocks.capacity() * sizeof(m_blocks[0]);
  for (std::size_t s : m_blockSizes) bytes += s;
  return bytes;
}

std::vector<std::string> Journal::Lines() const {
  std::vector<std::string> out;
  out.reserve(size());
  for (std::size_t i = 0; i < size(); ++i) out.emplace_back((*this)[i]);
  return out;
}

}  // namespace mirto
