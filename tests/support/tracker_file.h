// PackImage: writes image entries [first, last] as a tracker file (load address, target
// address, escape byte, run-length stream, end record): the inverse of the depacker, with
// no dependency beyond the packer's core, so tests, tools and benchmarks share it.
#pragma once

#include <cstdint>
#include <vector>

#include "common/music_image.h"

namespace zspack::testing {

std::vector<uint8_t> PackImage(const MusicImage& image, uint32_t first, uint32_t last,
                               uint8_t escape = 0xBF, uint16_t loadAddress = 0x0801);

}  // namespace zspack::testing
