#include "journal/Journal.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace mirto {

Journal::Journal(Journal&& other) noexcept { *this = std::move(other); }

Journal& Journal::operator=(Journal&& other) noexcept {
  if (this != &other) {
    m_blocks = std::move(other.m_blocks);
    m_blockSizes = std::move(other.m_blockSizes);
    m_index = std::move(other.m_index);
    m_free = std::exchange(other.m_free, nullptr);
    m_freeLeft = std::exchange(other.m_freeLeft, 0);
    m_slot = std::exchange(other.m_slot, nullptr);
    m_slotsLeft = std::exchange(other.m_slotsLeft, 0);
    m_count = std::exchange(other.m_count, 0);
    m_widest = std::exchange(other.m_widest, 0);
    other.clear();  // a moved-from journal is empty and usable
  }
  return *this;
}

void Journal::NewSegment() {
  const std::size_t lines = kFirstSegment << m_index.size();
  m_index.push_back(std::make_unique_for_overwrite<Line[]>(lines));
  m_slot = m_index.back().get();
  m_slotsLeft = lines;
}

// Starts a new current block of `size` bytes, moving the first `carry` bytes
// of the free end into it; a block left with nothing in use is released.
void Journal::NewBlock(std::size_t size, std::size_t carry) {
  auto block = std::make_unique_for_overwrite<char[]>(size);
  if (carry > 0) std::memcpy(block.get(), m_free, carry);
  if (!m_blocks.empty() && m_free == m_blocks.back().get()) {
    m_blocks.pop_back();
    m_blockSizes.pop_back();
  }
  m_free = block.get();
  m_freeLeft = size;
  m_blocks.push_back(std::move(block));
  m_blockSizes.push_back(size);
}

void Journal::push_back(std::string_view line) {
  char* at;
  if (line.size() > kBlock / 4) {
    // A long line gets a block of its own, kept before the current block.
    auto block = std::make_unique_for_overwrite<char[]>(line.size());
    at = block.get();
    const std::ptrdiff_t before = m_blocks.empty() ? 0 : 1;
    m_blocks.insert(m_blocks.end() - before, std::move(block));
    m_blockSizes.insert(m_blockSizes.end() - before, line.size());
  } else {
    if (line.size() > m_freeLeft) NewBlock(kBlock, 0);
    at = m_free;
    m_free += line.size();
    m_freeLeft -= line.size();
  }
  if (!line.empty()) std::memcpy(at, line.data(), line.size());
  Index(at, line.size());
}

std::span<char> Journal::FreeSpace(std::size_t carry, std::size_t more) {
  if (m_freeLeft < carry + more) NewBlock(std::max(kBlock, 2 * (carry + more)), carry);
  return {m_free, m_freeLeft};
}

void Journal::clear() {
  m_blocks.clear();
  m_blocks.shrink_to_fit();
  m_blockSizes.clear();
  m_blockSizes.shrink_to_fit();
  m_index.clear();
  m_index.shrink_to_fit();
  m_free = nullptr;
  m_freeLeft = 0;
  m_slot = nullptr;
  m_slotsLeft = 0;
  m_count = 0;
  m_widest = 0;
}

std::size_t Journal::MemoryUsed() const {
  std::size_t bytes = m_blocks.capacity() * sizeof(m_blocks[0]) + m_blockSizes.capacity() * sizeof(std::size_t) +
                      m_index.capacity() * sizeof(m_index[0]);
  for (std::size_t s : m_blockSizes) bytes += s;
  for (std::size_t k = 0; k < m_index.size(); ++k) bytes += (kFirstSegment << k) * sizeof(Line);
  return bytes;
}

std::vector<std::string> Journal::Lines() const {
  std::vector<std::string> out;
  out.reserve(size());
  for (std::size_t i = 0; i < size(); ++i) out.emplace_back((*this)[i]);
  return out;
}

}  // namespace mirto
