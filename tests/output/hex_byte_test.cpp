// HexByte renders the low 8 bits of any integer as "$" and two upper-case digits;
// HexDigits is the same without the "$", for labels and the start address's low byte.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "output/hex_byte.h"

namespace zspack::testing {
namespace {

TEST(HexByte, EveryByteAndTheBitsAboveIt) {
  for (long v = 0; v < 256; ++v) {
    char expected[8];
    std::snprintf(expected, sizeof expected, "$%02X", static_cast<unsigned>(v));
    // Bits above the low eight never show, also of negative values.
    for (const long value : {v, v + 0x100, v + 0x7F00, v + 0x12345600, v - 0x100, v - 0x10000}) {
      ASSERT_EQ(HexByte(value), expected) << "value " << value;
      ASSERT_EQ(HexDigits(value), expected + 1) << "value " << value;
    }
  }
}

}  // namespace
}  // namespace zspack::testing
