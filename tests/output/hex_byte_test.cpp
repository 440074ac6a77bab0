// HexByte renders the low 8 bits of any integer as "$" and two upper-case digits;
// HexDigits is the same without the "$", for labels and the start address's low byte.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "output/hex_byte.h"

namespace zspack::testing {
namespace {

struct HexCase {
  long value;
  const char* expected;
};

class HexByteTable : public ::testing::TestWithParam<HexCase> {};

TEST_P(HexByteTable, RendersTheLowByteWithTwoUpperCaseDigits) {
  const HexCase& c = GetParam();
  EXPECT_EQ(HexByte(c.value), c.expected) << "value " << c.value;
  EXPECT_EQ(HexDigits(c.value), std::string(c.expected).substr(1)) << "value " << c.value;
}

INSTANTIATE_TEST_SUITE_P(Values, HexByteTable,
                         ::testing::Values(HexCase{0, "$00"}, HexCase{10, "$0A"},
                                           HexCase{11, "$0B"}, HexCase{171, "$AB"},
                                           HexCase{255, "$FF"}, HexCase{256, "$00"},
                                           HexCase{427, "$AB"}, HexCase{0xFFFF, "$FF"},
                                           HexCase{0x1F0, "$F0"}, HexCase{-1, "$FF"},
                                           HexCase{-256, "$00"}, HexCase{0x12345678, "$78"}));

TEST(HexByte, DigitsOfElevenAreZeroB) { EXPECT_EQ(HexDigits(11), "0B"); }

TEST(HexByte, EveryByteParsesBackToItself) {
  for (long v = 0; v < 256; ++v) {
    const std::string text(HexByte(v));
    ASSERT_EQ(text.size(), 3u) << v;
    ASSERT_EQ(text[0], '$') << v;
    for (const char digit : text.substr(1)) {
      EXPECT_TRUE((digit >= '0' && digit <= '9') || (digit >= 'A' && digit <= 'F'))
          << "value " << v << " gives " << text;
    }
    char* end = nullptr;
    EXPECT_EQ(std::strtol(text.c_str() + 1, &end, 16), v) << text;
    EXPECT_EQ(*end, '\0') << text;
    // Bits above the low eight never show.
    EXPECT_EQ(HexByte(v + 0x100), text) << v;
    EXPECT_EQ(HexByte(v + 0x7F00), text) << v;
  }
}

}  // namespace
}  // namespace zspack::testing
