#pragma once
// A direct-mapped memory of recent lookups, in front of a hash map: a file
// holds a few strata, PSUs and domains at a time, found again here in a few
// instructions where a hash map would take a probe and a comparison each row.
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

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

}  // namespace mirto::survey
