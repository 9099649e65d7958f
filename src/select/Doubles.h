#pragma once
// A long row of numbers in blocks: it grows without ever holding two copies
// of itself, so a frame's sizes take 8 bytes a unit and no more.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace mirto::select {

template <typename T>
class Blocks {
 public:
  void push_back(T x) {
    if ((m_size & kMask) == 0) m_blocks.push_back(std::make_unique_for_overwrite<T[]>(kBlock));
    m_blocks.back()[m_size & kMask] = x;
    ++m_size;
  }
  T& operator[](std::size_t i) { return m_blocks[i >> kShift][i & kMask]; }
  T operator[](std::size_t i) const { return m_blocks[i >> kShift][i & kMask]; }
  std::size_t size() const { return m_size; }
  bool empty() const { return m_size == 0; }
  T back() const { return (*this)[m_size - 1]; }
  // n zeros (or what was there): room to fill by index.
  void resize(std::size_t n) {
    while (m_blocks.size() * kBlock < n) m_blocks.push_back(std::make_unique<T[]>(kBlock));
    m_size = n;
  }

 private:
  static constexpr std::size_t kShift = 12, kBlock = std::size_t{1} << kShift, kMask = kBlock - 1;
  std::vector<std::unique_ptr<T[]>> m_blocks;
  std::size_t m_size = 0;
};

using Doubles = Blocks<double>;

}  // namespace mirto::select
