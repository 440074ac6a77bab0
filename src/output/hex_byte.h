// HexByte: the low 8 bits of any integer as "$" and two upper-case hexadecimal digits;
// HexDigits gives the two digits alone, for labels.
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace zspack {

namespace detail {
// All 256 renderings side by side, "$00$01...$FF", so formatting is a table lookup.
// The size is the constant 768; the widening check would flag the int product.
// NOLINTNEXTLINE(bugprone-implicit-widening-of-multiplication-result)
inline constexpr std::array<char, 256 * 3> kHexTable = [] {
  std::array<char, 256 * 3> table{};  // NOLINT(bugprone-implicit-widening-of-multiplication-result)
  constexpr char kDigits[] = "0123456789ABCDEF";
  for (int v = 0; v < 256; ++v) {
    table[static_cast<size_t>(v) * 3] = '$';
    table[static_cast<size_t>(v) * 3 + 1] = kDigits[v >> 4];
    table[static_cast<size_t>(v) * 3 + 2] = kDigits[v & 15];
  }
  return table;
}();
}  // namespace detail

constexpr std::string_view HexByte(long value) {
  return {detail::kHexTable.data() + static_cast<size_t>(value & 0xFF) * 3, 3};
}

constexpr std::string_view HexDigits(long value) { return HexByte(value).substr(1); }

}  // namespace zspack
