#pragma once
// The random numbers of a draw, the same from a seed on every machine and in
// every version: xoshiro256** (Blackman and Vigna) with its state filled by
// SplitMix64 from the seed, uniform doubles as (x >> 11) * 2^-53, whole
// numbers below n by Lemire's multiply-and-reject. No standard-library
// distribution is used: the standard does not fix their output.
#include <cstdint>

namespace mirto::select {

// Seeds are whole numbers 0 to 2^53 - 1, so that a results file (numbers as
// doubles) carries them exactly.
inline constexpr std::uint64_t kMaxSeed = (std::uint64_t{1} << 53) - 1;

// Exact products of two 64-bit numbers (an extension of GCC and Clang).
__extension__ typedef unsigned __int128 Uint128;

class Generator {
 public:
  explicit Generator(std::uint64_t seed);
  std::uint64_t Next();
  // A multiple of 2^-53 in [0, 1).
  double Uniform();
  // The top 53 bits of the next output: Uniform() times 2^53.
  std::uint64_t Next53() { return Next() >> 11; }
  // Uniform on 0 .. n - 1, n >= 1, without bias.
  std::uint64_t Below(std::uint64_t n);

 private:
  std::uint64_t m_s[4];
};

// A seed from the clock (nanoseconds, reduced to the seed range).
std::uint64_t ClockSeed();

}  // namespace mirto::select
