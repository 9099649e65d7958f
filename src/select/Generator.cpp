#include "select/Generator.h"

#include <chrono>

namespace mirto::select {
namespace {

std::uint64_t SplitMix64(std::uint64_t& x) {
  std::uint64_t z = (x += 0x9e3779b97f4a7c15u);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9u;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebu;
  return z ^ (z >> 31);
}

constexpr std::uint64_t Rotl(std::uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

}  // namespace

Generator::Generator(std::uint64_t seed) {
  for (std::uint64_t& s : m_s) s = SplitMix64(seed);
}

std::uint64_t Generator::Next() {
  const std::uint64_t result = Rotl(m_s[1] * 5, 7) * 9;
  const std::uint64_t t = m_s[1] << 17;
  m_s[2] ^= m_s[0];
  m_s[3] ^= m_s[1];
  m_s[1] ^= m_s[2];
  m_s[0] ^= m_s[3];
  m_s[2] ^= t;
  m_s[3] = Rotl(m_s[3], 45);
  return result;
}

double Generator::Uniform() { return static_cast<double>(Next53()) * 0x1.0p-53; }

std::uint64_t Generator::Below(std::uint64_t n) {
  Uint128 m = static_cast<Uint128>(Next()) * n;
  auto low = static_cast<std::uint64_t>(m);
  if (low < n) {
    const std::uint64_t threshold = (0 - n) % n;  // 2^64 mod n
    while (low < threshold) {
      m = static_cast<Uint128>(Next()) * n;
      low = static_cast<std::uint64_t>(m);
    }
  }
  return static_cast<std::uint64_t>(m >> 64);
}

std::uint64_t ClockSeed() {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(now).count()) & kMaxSeed;
}

}  // namespace mirto::select
