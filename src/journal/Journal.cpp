#include "journal/Journal.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace mirto {
namespace {

// Grows a vector ahead of the change that needs it, so that no allocation can
// fail half way through one.
template <class Vector>
void RoomForOne(Vector& v) {
  if (v.size() == v.capacity()) v.reserve(2 * v.size() + 8);
}

}  // namespace

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
    m_widestIndex = std::exchange(other.m_widestIndex, 0);
    other.clear();  // a moved-from journal is empty and usable
  }
  return *this;
}

void Journal::NewSegment() {
  const std::size_t lines = kFirstSegment << m_index.size();
  RoomForOne(m_index);
  m_index.push_back(std::make_unique_for_overwrite<Line[]>(lines));
  m_slot = m_index.back().get();
  m_slotsLeft = lines;
}

// Starts a new current block of `size` bytes, moving the first `carry` bytes
// of the free end into it; a block left with nothing in use is released.
void Journal::NewBlock(std::size_t size, std::size_t carry) {
  RoomForOne(m_blocks);
  RoomForOne(m_blockSizes);
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
    RoomForOne(m_blocks);
    RoomForOne(m_blockSizes);
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
  m_widestIndex = 0;
}

Journal::Mark Journal::GetMark() const {
  return {m_count,       m_blocks.size(), m_index.size(), m_widest,
          m_widestIndex, m_freeLeft,      m_slotsLeft,    m_blocks.empty() ? nullptr : m_blocks.back().get(),
          m_free,        m_slot};
}

// The blocks before the mark's last one never move (long lines go in before
// the last block); of the blocks after them only that last one can hold
// lines from before the mark, unless it was empty and has been released.
void Journal::Rollback(const Mark& mark) noexcept {
  const std::size_t stable = mark.blocks == 0 ? 0 : mark.blocks - 1;
  std::unique_ptr<char[]> current;
  std::size_t currentSize = 0;
  for (std::size_t k = stable; k < m_blocks.size(); ++k)
    if (m_blocks[k].get() == mark.current) current = std::move(m_blocks[k]), currentSize = m_blockSizes[k];
  m_blocks.resize(stable);
  m_blockSizes.resize(stable);
  m_free = nullptr;
  m_freeLeft = 0;
  if (current) {
    m_blocks.push_back(std::move(current));  // within capacity: no allocation
    m_blockSizes.push_back(currentSize);
    m_free = mark.free;
    m_freeLeft = mark.freeLeft;
  }
  m_index.resize(mark.segments);
  m_slot = mark.slot;
  m_slotsLeft = mark.slotsLeft;
  m_count = mark.count;
  m_widest = mark.widest;
  m_widestIndex = mark.widestIndex;
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
