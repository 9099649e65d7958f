#pragma once
// A direct-mapped memory of recent lookups, in front of a hash map: a file
// holds a few strata, PSUs and domains at a time, found again here in a few
// instructions where a hash map would take a probe and a comparison each row.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>
#include <unordered_map>
#include <utility>

namespace mirto::survey {

class Recent {
 public:
  static constexpr std::uint64_t kNone = ~std::uint64_t{0};
  // The value kept for `key`, or kNone.
  std::uint64_t Find(std::uint64_t key) const {
    const Slot& s = m_slots[Mix(key) % kSlots];
    return s.key == key ? s.value : kNone;
  }
  void Keep(std::uint64_t key, std::uint64_t value) { m_slots[Mix(key) % kSlots] = {key, value}; }

  static std::uint64_t Mix(std::uint64_t k) {
    k ^= k >> 33;
    k *= 0xff51afd7ed558ccdULL;
    return k ^ (k >> 33);
  }
  // A key for text: FNV-1a, whose collisions the caller's own check catches.
  static std::uint64_t TextKey(std::string_view text) {
    std::uint64_t h = 0xcbf29ce484222325ULL;
    for (char c : text) h = (h ^ static_cast<unsigned char>(c)) * 0x100000001b3ULL;
    return h;
  }

 private:
  static constexpr std::size_t kSlots = 256;
  struct Slot {
    std::uint64_t key = kNone, value = kNone;
  };
  std::array<Slot, kSlots> m_slots{};
};

// Numbers for pairs (a PSU or stratum and a domain), given in order of first
// appearance, those used lately found again first.
class PairIndex {
 public:
  // The pair's number, and whether it was given it now.
  std::pair<std::size_t, bool> Of(std::size_t high, std::size_t low) {
    const std::uint64_t key = Key(high, low);
    if (const std::uint64_t found = m_recent.Find(key); found != Recent::kNone) return {found, false};
    const auto [at, added] = m_numbers.try_emplace(key, m_numbers.size());
    m_recent.Keep(key, at->second);
    return {at->second, added};
  }
  // The pair's number, or Recent::kNone when it has none.
  std::uint64_t Find(std::size_t high, std::size_t low) const {
    const std::uint64_t key = Key(high, low);
    if (const std::uint64_t found = m_recent.Find(key); found != Recent::kNone) return found;
    const auto at = m_numbers.find(key);
    if (at == m_numbers.end()) return Recent::kNone;
    m_recent.Keep(key, at->second);
    return at->second;
  }
  std::size_t size() const { return m_numbers.size(); }

 private:
  static std::uint64_t Key(std::size_t high, std::size_t low) { return (static_cast<std::uint64_t>(high) << 32) | low; }
  mutable Recent m_recent;
  std::unordered_map<std::uint64_t, std::size_t> m_numbers;
};

}  // namespace mirto::survey
