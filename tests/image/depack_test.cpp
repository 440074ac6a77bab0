// Depacking a tracker file: the record kinds of the run-length stream, the edges of the
// image, files the tracker never saves, and the test packer as the depacker's inverse;
// and the image's own rule for addresses outside it.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "image/depack.h"
#include "support/tune_builder.h"

namespace zspack::testing {
namespace {

constexpr uint8_t E = 0xBF;  // the escape byte of most cases

// A tracker file: load address, target address, escape byte, then the stream as given.
std::vector<uint8_t> Tracker(uint32_t target, uint8_t escape, std::vector<uint8_t> stream, uint16_t load = 0x0801) {
  stream.insert(stream.begin(), {static_cast<uint8_t>(load & 0xFF), static_cast<uint8_t>(load >> 8),
                                 static_cast<uint8_t>(target & 0xFF), static_cast<uint8_t>((target >> 8) & 0xFF),
                                 escape});
  return stream;
}

std::vector<uint8_t> Repeat(size_t count, uint8_t value) { return std::vector<uint8_t>(count, value); }

std::vector<uint8_t> Concat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// The longest stream that still fits: every entry of the image as its own three-byte run.
std::vector<uint8_t> EveryEntryAsARun() {
  std::vector<uint8_t> stream;
  for (uint32_t a = kImageFirst; a <= kImageLast; ++a) stream.insert(stream.end(), {E, 1, static_cast<uint8_t>(a)});
  return Tracker(kImageFirst, E, Concat(stream, {E, 0}));
}

std::vector<uint8_t> EveryEntryAsARunStored() {
  std::vector<uint8_t> bytes;
  for (uint32_t a = kImageFirst; a <= kImageLast; ++a) bytes.push_back(static_cast<uint8_t>(a));
  return bytes;
}

struct DepackCase {
  const char* name;
  std::vector<uint8_t> file;
  DepackStatus status;
  uint32_t first = 0;           // where the stored entries start
  std::vector<uint8_t> stored = {};  // a depacked file: all other entries stay 0
};

constexpr DepackStatus kDone = DepackStatus::kDone;

const std::vector<DepackCase>& Cases() {
  static const std::vector<DepackCase> cases = {
      // Files the tracker can save.
      {"OnlyTheEndRecord", Tracker(0x403C, E, {E, 0}), kDone},
      {"LiteralsThenEnd", Tracker(0x4200, E, {0x10, 0x20, 0x30, E, 0}), kDone, 0x4200, {0x10, 0x20, 0x30}},
      {"EscapeZeroCodesZeroBytesAsRuns", Tracker(0x403C, 0x00, {1, 0, 3, 0, 2, 0, 0}), kDone, 0x403C, {1, 0, 0, 0, 2}},
      {"RunOf255", Tracker(0x4100, E, {E, 255, 7, 9, E, 0}), kDone, 0x4100, Concat(Repeat(255, 7), {9})},
      {"RunOfOneEscapeByte", Tracker(0x403C, E, {E, 1, E, 5, E, 0}), kDone, 0x403C, {E, 5}},
      {"RunLengthEqualToTheEscapeByte", Tracker(0x5400, E, {E, E, 3, 4, E, 0}), kDone, 0x5400, Concat(Repeat(E, 3), {4})},
      {"EscapeFF", Tracker(0x403C, 0xFF, {0xFE, 0xFF, 2, 0xFF, 0, 0xFF, 0}), kDone, 0x403C, {0xFE, 0xFF, 0xFF, 0}},
      {"TargetAfterTheSongSpeeds", Tracker(0x4040, E, {0x11, 0x22, E, 0}), kDone, 0x4040, {0x11, 0x22}},
      {"BytesAfterTheEndRecordIgnored", Tracker(0x403C, E, {0x11, E, 0, 0x22, E, 5, 0x44, 0x01, 0x08}), kDone, 0x403C, {0x11}},
      {"LoadAddressIgnored", Tracker(0x4800, E, {0xAA, E, 0}, 0xFFFF), kDone, 0x4800, {0xAA}},
      {"LiteralAtTheLastEntry", Tracker(0xB3FF, E, {0x42, E, 0}), kDone, 0xB3FF, {0x42}},
      {"RunEndingAtTheLastEntry", Tracker(0xB301, E, {E, 255, 7, E, 0}), kDone, 0xB301, Repeat(255, 7)},
      {"LongestPossibleStream", EveryEntryAsARun(), kDone, kImageFirst, EveryEntryAsARunStored()},
      {"LongestStreamWithPadding", Concat(EveryEntryAsARun(), Repeat(200 * 1024, 0x11)), kDone, kImageFirst,
       EveryEntryAsARunStored()},
      {"TargetAboveTheImageWithOnlyTheEndRecord", Tracker(0xB400, E, {E, 0}), kDone},
      // Files the tracker never saves.
      {"EmptyFile", {}, DepackStatus::kTooShort},
      {"FourBytes", {0x01, 0x08, 0x3C, 0x40}, DepackStatus::kTooShort},
      {"HeaderWithoutStream", Tracker(0x403C, E, {}), DepackStatus::kNoEndRecord},
      {"StreamWithoutEnd", Tracker(0x403C, E, {1, 2, E, 3, 4}), DepackStatus::kNoEndRecord},
      {"EscapeAtTheVeryEnd", Tracker(0x403C, E, {1, E}), DepackStatus::kRunCutShort},
      {"RunWithoutValue", Tracker(0x403C, E, {1, E, 5}), DepackStatus::kRunCutShort},
      {"TargetJustBelowTheImage", Tracker(0x403B, E, {0x42, E, 0}), DepackStatus::kTargetBelowImage},
      {"TargetBelowWithOnlyTheEndRecord", Tracker(0x403B, E, {E, 0}), DepackStatus::kTargetBelowImage},
      {"LiteralPastTheLastEntry", Tracker(0xB3FF, E, {0x11, 0x22, E, 0}), DepackStatus::kBeyondImage},
      {"LiteralAboveTheImage", Tracker(0xB400, E, {0x11, E, 0}), DepackStatus::kBeyondImage},
      {"RunCrossingTheLastEntry", Tracker(0xB302, E, {E, 255, 7, E, 0}), DepackStatus::kBeyondImage},
      {"RunAtTheTopOfMemoryDoesNotWrap", Tracker(0xFFFF, E, {E, 2, 7, E, 0}), DepackStatus::kBeyondImage},
      {"OneLiteralAfterTheWholeImage",
       [] {
         std::vector<uint8_t> file = EveryEntryAsARun();
         file.insert(file.end() - 2, 0x42);  // before the end record
         return file;
       }(),
       DepackStatus::kBeyondImage},
  };
  return cases;
}

class Depack : public ::testing::TestWithParam<DepackCase> {};

TEST_P(Depack, GivesTheStatusAndTheImage) {
  const DepackCase& c = GetParam();
  auto image = std::make_unique<MusicImage>();
  EXPECT_EQ(DepackMusic(c.file, *image), c.status);
  if (c.status != kDone) return;
  auto expected = std::make_unique<MusicImage>();
  for (size_t i = 0; i < c.stored.size(); ++i) expected->Set(c.first + static_cast<uint32_t>(i), c.stored[i]);
  for (uint32_t a = kImageFirst; a <= kImageLast; ++a) {
    ASSERT_EQ(image->At(a), expected->At(a)) << "first difference at $" << std::hex << std::uppercase << a;
  }
}

INSTANTIATE_TEST_SUITE_P(Files, Depack, ::testing::ValuesIn(Cases()),
                         [](const auto& info) { return std::string(info.param.name); });

// Past either edge of the image a write is dropped and a read gives 0; a fill that crosses
// an edge stores only its entries inside, as a write of each entry would.
TEST(MusicImage, KeepsEveryAccessInside) {
  constexpr uint16_t kValue = 0x1234;
  const struct {
    uint32_t first, count;
    std::vector<uint32_t> inside;  // the entries of the fill that the image holds
  } kFills[] = {
      {0, 1, {}},
      {kImageFirst - 1, 1, {}},
      {kImageLast + 1, 1, {}},
      {0xFFFFFFFF, 1, {}},
      {kImageFirst - 2, 3, {kImageFirst}},
      {kImageLast, 2, {kImageLast}},
  };
  for (const auto& fill : kFills) {
    SCOPED_TRACE(fill.first);
    auto filled = std::make_unique<MusicImage>();
    auto written = std::make_unique<MusicImage>();
    auto expected = std::make_unique<MusicImage>();
    filled->Fill(fill.first, fill.count, kValue);
    for (uint32_t i = 0; i < fill.count; ++i) written->Set(fill.first + i, kValue);
    for (const uint32_t a : fill.inside) expected->Set(a, kValue);
    EXPECT_TRUE(*filled == *expected);
    EXPECT_TRUE(*written == *expected);
  }
  auto full = std::make_unique<MusicImage>();
  full->Fill(kImageFirst, kImageSize, kValue);
  for (const uint32_t outside : {0u, kImageFirst - 1, kImageLast + 1, 0xFFFFFFFFu}) EXPECT_EQ(full->At(outside), 0);
}

TEST(Depack, TheTestPackerIsItsInverseForEveryEscapeByte) {
  TuneBuilder tune;
  tune.Song(0, {0, 1, 0xFF}, {0xFF}, {0xFF}).Sector(0, {0xC0, 0x30, 0x30, 0x30, 0x30, 0x00, 0xFF}).Poke(kImageLast, 0xBF);
  for (const uint8_t escape : {0x00, 0x30, 0xBF, 0xFF}) {
    SCOPED_TRACE(escape);
    auto image = std::make_unique<MusicImage>();
    ASSERT_EQ(DepackMusic(tune.File(escape), *image), kDone);
    EXPECT_TRUE(*image == tune.Image());
  }
}

}  // namespace
}  // namespace zspack::testing
