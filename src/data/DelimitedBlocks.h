#pragma once
// Where 64 bytes hold a separator, a quote, a CR, an LF or a NUL: one bit per
// byte, bit i for byte i. Three ways that give the same bits: eight bytes at
// a time in plain integers, or 16 (SSE2) or 32 (AVX2) at a time.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define MIRTO_X86_BLOCKS 1
#endif

namespace mirto::data::blocks {

inline constexpr std::size_t kBlock = 64;

// The same bytes in two sets: separators, and what ends a plain record's run
// of fields (a quote, a CR, an LF, a NUL).
struct Classes {
  std::uint64_t separators = 0, ends = 0;
};

struct Portable {
  // Bytes of `word` equal to the byte repeated in `pattern`: the top bit of each, exactly (no carry crosses bytes).
  static std::uint64_t Equal(std::uint64_t word, std::uint64_t pattern) {
    constexpr std::uint64_t kLow7 = 0x7F7F7F7F7F7F7F7FULL;
    const std::uint64_t x = word ^ pattern;
    return ~(((x & kLow7) + kLow7) | x | kLow7);
  }
  static std::uint64_t Specials(const char* p, char separator) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    const std::uint64_t sep = kOnes * static_cast<unsigned char>(separator);
    std::uint64_t mask = 0;
    for (int i = 0; i < 8; ++i) {
      std::uint64_t word;
      std::memcpy(&word, p + 8 * i, 8);
      if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
      const std::uint64_t hits = Equal(word, sep) | Equal(word, kOnes * '"') | Equal(word, kOnes * '\n') |
                                 Equal(word, kOnes * '\r') | Equal(word, 0);
      mask |= Bits(hits) << (8 * i);
    }
    return mask;
  }
  static Classes Split(const char* p, char separator) {
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    const std::uint64_t sep = kOnes * static_cast<unsigned char>(separator);
    Classes out;
    for (int i = 0; i < 8; ++i) {
      std::uint64_t word;
      std::memcpy(&word, p + 8 * i, 8);
      if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
      const std::uint64_t ends =
          Equal(word, kOnes * '"') | Equal(word, kOnes * '\n') | Equal(word, kOnes * '\r') | Equal(word, 0);
      out.separators |= Bits(Equal(word, sep)) << (8 * i);
      out.ends |= Bits(ends) << (8 * i);
    }
    return out;
  }
  // The top bit of byte k to bit k.
  static std::uint64_t Bits(std::uint64_t hits) { return ((hits >> 7) * 0x0102040810204080ULL) >> 56; }
};

#ifdef MIRTO_X86_BLOCKS
struct Sse2 {
  static std::uint64_t Specials(const char* p, char separator) {
    const __m128i sep = _mm_set1_epi8(separator), quote = _mm_set1_epi8('"'), lf = _mm_set1_epi8('\n'),
                  cr = _mm_set1_epi8('\r'), nul = _mm_setzero_si128();
    std::uint64_t mask = 0;
    for (int i = 0; i < 4; ++i) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
      const __m128i hits = _mm_or_si128(
          _mm_or_si128(_mm_cmpeq_epi8(v, sep), _mm_cmpeq_epi8(v, quote)),
          _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, lf), _mm_cmpeq_epi8(v, cr)), _mm_cmpeq_epi8(v, nul)));
      mask |= static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm_movemask_epi8(hits))) << (16 * i);
    }
    return mask;
  }
  static Classes Split(const char* p, char separator) {
    const __m128i sep = _mm_set1_epi8(separator), quote = _mm_set1_epi8('"'), lf = _mm_set1_epi8('\n'),
                  cr = _mm_set1_epi8('\r'), nul = _mm_setzero_si128();
    Classes out;
    for (int i = 0; i < 4; ++i) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
      const __m128i ends = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(v, quote), _mm_cmpeq_epi8(v, nul)),
                                        _mm_or_si128(_mm_cmpeq_epi8(v, lf), _mm_cmpeq_epi8(v, cr)));
      out.separators |=
          static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(v, sep)))) << (16 * i);
      out.ends |= static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm_movemask_epi8(ends))) << (16 * i);
    }
    return out;
  }
};

struct Avx2 {
  // Not forced inline: it is inlined where the caller is itself built for AVX2.
  __attribute__((target("avx2"))) static std::uint64_t Specials(const char* p, char separator) {
    const __m256i sep = _mm256_set1_epi8(separator), quote = _mm256_set1_epi8('"'), lf = _mm256_set1_epi8('\n'),
                  cr = _mm256_set1_epi8('\r'), nul = _mm256_setzero_si256();
    std::uint64_t mask = 0;
    for (int i = 0; i < 2; ++i) {
      const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32 * i));
      const __m256i hits =
          _mm256_or_si256(_mm256_or_si256(_mm256_cmpeq_epi8(v, sep), _mm256_cmpeq_epi8(v, quote)),
                          _mm256_or_si256(_mm256_or_si256(_mm256_cmpeq_epi8(v, lf), _mm256_cmpeq_epi8(v, cr)),
                                          _mm256_cmpeq_epi8(v, nul)));
      mask |= static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm256_movemask_epi8(hits))) << (32 * i);
    }
    return mask;
  }
  __attribute__((target("avx2"))) static Classes Split(const char* p, char separator) {
    const __m256i sep = _mm256_set1_epi8(separator), quote = _mm256_set1_epi8('"'), lf = _mm256_set1_epi8('\n'),
                  cr = _mm256_set1_epi8('\r'), nul = _mm256_setzero_si256();
    Classes out;
    for (int i = 0; i < 2; ++i) {
      const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + 32 * i));
      const __m256i ends = _mm256_or_si256(_mm256_or_si256(_mm256_cmpeq_epi8(v, quote), _mm256_cmpeq_epi8(v, nul)),
                                           _mm256_or_si256(_mm256_cmpeq_epi8(v, lf), _mm256_cmpeq_epi8(v, cr)));
      out.separators |=
          static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm256_movemask_epi8(_mm256_cmpeq_epi8(v, sep))))
          << (32 * i);
      out.ends |= static_cast<std::uint64_t>(static_cast<std::uint32_t>(_mm256_movemask_epi8(ends))) << (32 * i);
    }
    return out;
  }
};
#endif

// The bits of the `size` bytes at `p` (fewer than a block): the rest is
// padded with a byte that is none of them.
template <class Search>
std::uint64_t TailSpecials(const char* p, std::size_t size, char separator) {
  if (size == 0) return 0;
  char block[kBlock];
  std::memset(block, 'a', sizeof block);
  std::memcpy(block, p, size);
  return Search::Specials(block, separator) & ((std::uint64_t{1} << size) - 1);
}

template <class Search>
Classes TailClasses(const char* p, std::size_t size, char separator) {
  if (size == 0) return {};
  char block[kBlock];
  std::memset(block, 'a', sizeof block);
  std::memcpy(block, p, size);
  const std::uint64_t kept = (std::uint64_t{1} << size) - 1;
  const Classes c = Search::Split(block, separator);
  return {c.separators & kept, c.ends & kept};
}

}  // namespace mirto::data::blocks
