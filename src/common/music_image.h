// MusicImage: the tracker's C64 memory from $403C to $B3FF, one 16-bit entry per
// address, all zero until depacked; reads outside the range give 0 and writes outside
// it are dropped, so no address computed from the music can leave the buffer.
#pragma once

#include <array>
#include <cassert>
#include <cstdint>

namespace zspack {

inline constexpr uint32_t kImageFirst = 0x403C;
inline constexpr uint32_t kImageLast = 0xB3FF;
inline constexpr uint32_t kImageSize = kImageLast - kImageFirst + 1;  // 29,636 entries

struct MusicImage {
  std::array<uint16_t, kImageSize> entries{};

  // An address below the image wraps around to far above it.
  static constexpr bool Holds(uint32_t address) { return address - kImageFirst < kImageSize; }

  // The whole 16-bit entry at a C64 address.
  uint16_t At(uint32_t address) const {
    assert(Holds(address));
    return Holds(address) ? entries[address - kImageFirst] : 0;
  }

  // The byte value the music format sees: the low 8 bits of the entry.
  uint8_t Byte(uint32_t address) const { return static_cast<uint8_t>(At(address) & 0xFF); }

  void Set(uint32_t address, uint16_t value) {
    assert(Holds(address));
    if (Holds(address)) entries[address - kImageFirst] = value;
  }

  void Clear() { entries.fill(0); }
};

}  // namespace zspack
