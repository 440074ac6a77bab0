// MusicImage: the tracker's C64 memory from $403C to $B3FF, one 16-bit entry per address,
// all zero until depacked, read through At and written through Set, Fill and Clear.
//
// An address outside the image reads 0 and a write to it is dropped, in every build. No
// address that a walk or a table read computes from the depacked music leaves the image,
// and the depacker refuses records that would; the rule is the safety net that keeps a
// mistake in that arithmetic from reading or writing past the buffer.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace zspack {

inline constexpr uint32_t kImageFirst = 0x403C;
inline constexpr uint32_t kImageLast = 0xB3FF;
inline constexpr uint32_t kImageSize = kImageLast - kImageFirst + 1;  // 29,636 entries

class MusicImage {
 public:
  // The whole 16-bit entry at a C64 address.
  uint16_t At(uint32_t address) const { return Holds(address) ? entries_[address - kImageFirst] : 0; }

  // The byte value the music format sees: the low 8 bits of the entry.
  uint8_t Byte(uint32_t address) const { return static_cast<uint8_t>(At(address) & 0xFF); }

  // The bytes of out.size() entries from `first` on, as Byte reads them one by one.
  void ReadBytes(uint32_t first, std::span<uint8_t> out) const {
    for (size_t k = 0; k < out.size(); ++k) out[k] = Byte(first + static_cast<uint32_t>(k));
  }

  void Set(uint32_t address, uint16_t value) {
    if (Holds(address)) entries_[address - kImageFirst] = value;
  }

  // Sets the `count` entries from `first` on, as a run record of the packed file does. The
  // part inside the image is filled in one go rather than entry by entry: runs cover most
  // of a small tune, and a check per entry made packing the bundled example 75 % dearer.
  void Fill(uint32_t first, uint32_t count, uint16_t value) {
    const uint32_t below = first < kImageFirst ? std::min(count, kImageFirst - first) : 0;
    first += below;
    count -= below;
    if (!Holds(first)) return;
    std::fill_n(entries_.begin() + (first - kImageFirst), std::min(count, kImageLast + 1 - first), value);
  }

  void Clear() { entries_.fill(0); }

  bool operator==(const MusicImage&) const = default;

 private:
  // An address below the image wraps around to far above it.
  static constexpr bool Holds(uint32_t address) { return address - kImageFirst < kImageSize; }

  std::array<uint16_t, kImageSize> entries_{};
};

}  // namespace zspack
