// Renders usage maps as the console shows them: '+' for a used entry, '-' for an unused
// one, entry 0 first, a line end after every `perLine` marks.
#pragma once

#include <cassert>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

namespace zspack {

// The console's line widths: the sector map, and the wave, pulse and filter maps.
inline constexpr size_t kSectorMapLine = 48;
inline constexpr size_t kTableMapLine = 64;

// Every map is a whole number of lines.
inline void AppendMapLines(std::string& out, std::span<const uint8_t> map, size_t perLine) {
  assert(map.size() % perLine == 0);
  for (size_t i = 0; i < map.size(); ++i) {
    out += map[i] != 0 ? '+' : '-';
    if ((i + 1) % perLine == 0) out += '\n';
  }
}

}  // namespace zspack
