// HexByte: the low 8 bits of any integer as "$" and two upper-case hexadecimal digits;
// HexDigits gives the two digits alone, for labels.
#pragma once

#include <array>
#include <cstddef>
#include <string_view>

namespace zspack {

namespace detail {
inline constexpr size_t kHexChars = 3;  // "$", high digit, low digit
inline constexpr size_t kByteValues = 256;
inline constexpr unsigned kNibbleBits = 4;
inline constexpr unsigned kNibbleMask = 0xF;

// All 256 renderings side by side, "$00$01...$FF", so formatting is a table lookup.
inline constexpr std::array<char, kByteValues * kHexChars> kHexTable = [] {
  std::array<char, kByteValues * kHexChars> table{};
  constexpr std::string_view kDigits = "0123456789ABCDEF";
  for (size_t v = 0; v < kByteValues; ++v) {
    table[v * kHexChars] = '$';
    table[v * kHexChars + 1] = kDigits[v >> kNibbleBits];
    table[v * kHexChars + 2] = kDigits[v & kNibbleMask];
  }
  return table;
}();
}  // namespace detail

constexpr std::string_view HexByte(long value) {
  return {detail::kHexTable.data() + static_cast<size_t>(value & 0xFF) * detail::kHexChars,
          detail::kHexChars};
}

constexpr std::string_view HexDigits(long value) { return HexByte(value).substr(1); }

}  // namespace zspack
