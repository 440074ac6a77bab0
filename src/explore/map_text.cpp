#include "explore/map_text.h"

#include <charconv>

namespace zspack {

void AppendMapLines(std::string& out, std::span<const uint8_t> map, size_t perLine) {
  for (size_t i = 0; i < map.size(); ++i) {
    out += map[i] != 0 ? '+' : '-';
    if ((i + 1) % perLine == 0 || i + 1 == map.size()) out += '\n';
  }
}

void AppendNumber(std::string& out, long value) {
  char digits[24];
  const auto result = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, result.ptr);
}

}  // namespace zspack
