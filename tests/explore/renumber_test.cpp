// Single sector moves and glide renumberings: which references they rewrite, which they
// leave alone, and what they copy.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "explore/renumber.h"
#include "explore/report_text.h"
#include "support/tune_builder.h"

namespace zspack::testing {
namespace {

struct TrackBytes {
  int track;  // 0..11, 3 * song + voice
  std::vector<uint8_t> bytes;
};

struct MoveCase {
  const char* name;
  int oldNumber;
  int newNumber;
  std::vector<TrackBytes> before;
  std::vector<TrackBytes> after;  // the same tracks once the move is done
};

uint32_t TrackStart(int track) { return TrackAddress(track / 3, track % 3); }

std::vector<uint8_t> Track(std::vector<std::pair<int, uint8_t>> at, uint8_t fill) {
  std::vector<uint8_t> track(kTrackEntries, fill);
  for (const auto& [i, b] : at) track[static_cast<size_t>(i)] = b;
  return track;
}

class SectorMove : public ::testing::TestWithParam<MoveCase> {};

TEST_P(SectorMove, RewritesTrackReferencesAndCopiesTheSector) {
  const MoveCase& c = GetParam();
  TuneBuilder tune;
  // Every track starts out ending at once, so that only the case's tracks are walked far.
  for (int t = 0; t < kTrackCount; ++t) tune.Poke(TrackStart(t), 0xFF);
  for (const TrackBytes& t : c.before) {
    for (size_t i = 0; i < t.bytes.size(); ++i) tune.Poke(TrackStart(t.track) + static_cast<uint32_t>(i), t.bytes[i]);
  }
  for (uint32_t i = 0; i < kSectorEntries; ++i) {
    tune.Poke(SectorAddress(c.oldNumber) + i, static_cast<uint8_t>(i * 7 + 1));
    tune.Poke(SectorAddress(c.newNumber) + i, static_cast<uint8_t>(0xEE - i));
  }
  auto state = StateOf(tune.Image());
  state->exploration.maps.SectorMap[static_cast<size_t>(c.oldNumber)] = 1;
  state->exploration.maps.SectorMap[30] = 1;  // another sector in use, untouched by this move

  MoveSector(state->image, state->exploration.maps.SectorMap, c.oldNumber, c.newNumber);

  MusicImage want = tune.Image();
  for (const TrackBytes& t : c.after) {
    for (size_t i = 0; i < t.bytes.size(); ++i) want.Set(TrackStart(t.track) + static_cast<uint32_t>(i), t.bytes[i]);
  }
  for (uint32_t i = 0; i < kSectorEntries; ++i) {
    want.Set(SectorAddress(c.newNumber) + i, tune.Image().At(SectorAddress(c.oldNumber) + i));
  }
  EXPECT_TRUE(SameImage(state->image, want));
  std::array<uint8_t, kSectorCount> map{};
  map[static_cast<size_t>(c.newNumber)] = 1;
  map[30] = 1;
  EXPECT_EQ(state->exploration.maps.SectorMap, map);
}

INSTANTIATE_TEST_SUITE_P(
    MoveSector, SectorMove,
    ::testing::Values(
        MoveCase{"ReferencesInEveryVoice",
                 7, 2,
                 {{0, {7, 3, 7, 0xFF}}, {4, {1, 7, 0xFF}}, {8, {7, 0xFF}}},
                 {{0, {2, 3, 2, 0xFF}}, {4, {1, 2, 0xFF}}, {8, {2, 0xFF}}}},
        MoveCase{"TracksOfEverySongIncludingTheLast",
                 9, 0,
                 {{9, {9, 9, 0xFF}}, {11, {0x80, 9, 0xFF}}},
                 {{9, {0, 0, 0xFF}}, {11, {0x80, 0, 0xFF}}}},
        MoveCase{"SongChangeDoesNotEndTheWalk",
                 7, 2,
                 {{0, {0xF0, 7, 0xF1, 7, 0xF2, 7, 0xF3, 7, 0xFF, 7}}},
                 {{0, {0xF0, 2, 0xF1, 2, 0xF2, 2, 0xF3, 2, 0xFF, 7}}}},
        MoveCase{"LoopEndsTheWalkBeforeItsParameter",
                 7, 2,
                 {{1, {7, 0xFE, 7, 7, 0xFF}}},
                 {{1, {2, 0xFE, 7, 7, 0xFF}}}},
        MoveCase{"EveryCommandTakesOneByte",
                 7, 2,
                 {{2, {0xF6, 7, 0xF7, 7, 0xFA, 7, 0x60, 7, 0xC0, 7, 0xFD, 7, 0xFF}}},
                 {{2, {0xF6, 2, 0xF7, 2, 0xFA, 2, 0x60, 2, 0xC0, 2, 0xFD, 2, 0xFF}}}},
        MoveCase{"OnlyTheOldNumberChanges",
                 7, 2,
                 {{3, {2, 8, 6, 0x67, 0x5F, 7, 0xFF}}},
                 {{3, {2, 8, 6, 0x67, 0x5F, 2, 0xFF}}}},
        MoveCase{"TrackWithoutEndIsWalkedToItsLastEntry",
                 7, 2,
                 {{5, Track({{255, 7}}, 0x80)}, {6, {7, 0xFF}}},
                 {{5, Track({{255, 2}}, 0x80)}, {6, {2, 0xFF}}}},
        MoveCase{"TrackOfOnlyTheOldNumber", 95, 94, {{10, Track({}, 95)}}, {{10, Track({}, 94)}}}),
    [](const ::testing::TestParamInfo<MoveCase>& info) { return std::string(info.param.name); });

struct SectorContent {
  int sector;
  bool used;
  std::vector<uint8_t> bytes;
};

struct GlideCase {
  const char* name;
  int oldNumber;
  int newNumber;
  std::vector<SectorContent> before;
  std::vector<SectorContent> after;  // only the sectors that change
};

std::vector<uint8_t> NoEnd(std::vector<uint8_t> tail) {
  std::vector<uint8_t> bytes(kSectorEntries - tail.size(), 0x30);
  bytes.insert(bytes.end(), tail.begin(), tail.end());
  return bytes;
}

class GlideRenumber : public ::testing::TestWithParam<GlideCase> {};

TEST_P(GlideRenumber, RewritesSelectsInUsedSectorsAndMovesTheGlideData) {
  const GlideCase& c = GetParam();
  TuneBuilder tune;
  for (int g = 0; g < kGlideCount; ++g) tune.Glide(g, static_cast<uint8_t>(0x10 + g), static_cast<uint8_t>(0x90 + g));
  for (const SectorContent& s : c.before) tune.Sector(s.sector, s.bytes);
  auto state = StateOf(tune.Image());
  for (const SectorContent& s : c.before) state->exploration.maps.SectorMap[static_cast<size_t>(s.sector)] = s.used ? 1 : 0;
  const UsageMaps mapsBefore = state->exploration.maps;

  RenumberGlide(state->image, state->exploration.maps, c.oldNumber, c.newNumber);

  MusicImage want = tune.Image();
  for (const SectorContent& s : c.after) {
    for (size_t i = 0; i < s.bytes.size(); ++i) want.Set(SectorAddress(s.sector) + static_cast<uint32_t>(i), s.bytes[i]);
  }
  want.Set(addr::gldtbl + static_cast<uint32_t>(c.newNumber), static_cast<uint8_t>(0x10 + c.oldNumber));
  want.Set(addr::gldtbh + static_cast<uint32_t>(c.newNumber), static_cast<uint8_t>(0x90 + c.oldNumber));
  EXPECT_TRUE(SameImage(state->image, want));
  EXPECT_EQ(state->exploration.maps.SectorMap, mapsBefore.SectorMap);
  EXPECT_EQ(state->exploration.maps.GlideMap, mapsBefore.GlideMap);
}

INSTANTIATE_TEST_SUITE_P(
    RenumberGlide, GlideRenumber,
    ::testing::Values(
        GlideCase{"SelectsInAUsedSector", 5, 1, {{0, true, {0x65, 0x30, 0x65, 0xFF}}}, {{0, true, {0x61, 0x30, 0x61}}}},
        GlideCase{"UnusedSectorIsLeftAlone", 5, 1, {{1, false, {0x65, 0xFF}}, {2, true, {0xFF}}}, {}},
        GlideCase{"NothingAfterTheEndByte", 5, 1, {{0, true, {0x65, 0xFF, 0x65}}}, {{0, true, {0x61}}}},
        GlideCase{"EndByteFirst", 5, 1, {{0, true, {0xFF, 0x65, 0xFF}}}, {}},
        GlideCase{"ParametersAreNeverRewritten",
                  5, 1,
                  {{3, true, {0xF6, 0x65, 0xF7, 0x65, 0xF8, 0x65, 0xF9, 0x65, 0xFA, 0x65, 0x65, 0xFF}}},
                  {{3, true, {0xF6, 0x65, 0xF7, 0x65, 0xF8, 0x65, 0xF9, 0x65, 0xFA, 0x65, 0x61}}}},
        GlideCase{"ParameterFFDoesNotEndTheSector",
                  5, 1,
                  {{3, true, {0xF9, 0xFF, 0x65, 0xFF}}},
                  {{3, true, {0xF9, 0xFF, 0x61}}}},
        GlideCase{"FBToFEAreOneByte",
                  5, 1,
                  {{4, true, {0xFB, 0x65, 0xFC, 0x65, 0xFD, 0x65, 0xFE, 0x65, 0xF5, 0x65, 0xFF}}},
                  {{4, true, {0xFB, 0x61, 0xFC, 0x61, 0xFD, 0x61, 0xFE, 0x61, 0xF5, 0x61}}}},
        GlideCase{"OtherGlidesAreLeftAlone", 5, 1, {{0, true, {0x60, 0x61, 0x64, 0x66, 0x7F, 0xC5, 0x05, 0xFF}}}, {}},
        GlideCase{"EveryUsedSector",
                  31, 0,
                  {{0, true, {0x7F, 0xFF}}, {50, true, {0x30, 0x7F, 0xFF}}, {95, true, {0x7F, 0xFF}}},
                  {{0, true, {0x60}}, {50, true, {0x30, 0x60}}, {95, true, {0x60}}}},
        // No $FF: the walk ends with the sector's last entry.
        GlideCase{"SectorWithoutEndIsWalkedToItsLastEntry",
                  5, 1,
                  {{0, true, NoEnd({0x65})}, {1, false, {0x65, 0x65, 0xFF}}},
                  {{0, true, NoEnd({0x61})}}},
        GlideCase{"CommandInTheLastEntryReadsNothingBeyond",
                  5, 1,
                  {{0, true, NoEnd({0x65, 0xF7})}, {1, false, {0x65, 0x65, 0xFF}}},
                  {{0, true, NoEnd({0x61, 0xF7})}}},
        GlideCase{"LastSectorWithoutEnd",
                  5, 1,
                  {{95, true, NoEnd({0x65, 0xF8})}},
                  {{95, true, NoEnd({0x61, 0xF8})}}}),
    [](const ::testing::TestParamInfo<GlideCase>& info) { return std::string(info.param.name); });

TEST(Compaction, ReportsWhetherAnySectorMoved) {
  struct Case {
    std::vector<int> used;
    bool moves;
  };
  for (const Case& c : {Case{{}, false}, Case{{0}, false}, Case{{0, 1, 2}, false}, Case{{1}, true},
                        Case{{0, 1, 3}, true}, Case{{95}, true}}) {
    SCOPED_TRACE(::testing::PrintToString(c.used));
    TuneBuilder tune;
    for (int n : c.used) tune.Sector(n, {static_cast<uint8_t>(n), 0xFF});
    auto state = StateOf(tune.Image());
    for (int n : c.used) state->exploration.maps.SectorMap[static_cast<size_t>(n)] = 1;
    EXPECT_EQ(CompactSectors(state->image, state->exploration.maps.SectorMap), c.moves);
    std::array<uint8_t, kSectorCount> packed{};
    for (size_t i = 0; i < c.used.size(); ++i) packed[i] = 1;
    EXPECT_EQ(state->exploration.maps.SectorMap, packed);
    for (size_t i = 0; i < c.used.size(); ++i) {
      EXPECT_EQ(state->image.At(SectorAddress(static_cast<int>(i))), c.used[i]) << "sector " << i;
    }
    if (!c.moves) {
      EXPECT_TRUE(SameImage(state->image, tune.Image()));
    }
  }
}

TEST(Compaction, GlidesKeepTheirOrderAndTheMapItsNumbers) {
  TuneBuilder tune;
  tune.Sector(0, {0x69, 0x63, 0x7E, 0x63, 0xFF});
  for (int g = 0; g < kGlideCount; ++g) tune.Glide(g, static_cast<uint8_t>(g), static_cast<uint8_t>(0x40 + g));
  auto state = StateOf(tune.Image());
  state->exploration.maps.SectorMap[0] = 1;
  for (int g : {3, 9, 30}) state->exploration.maps.GlideMap[static_cast<size_t>(g)] = 1;
  const auto glideMap = state->exploration.maps.GlideMap;

  CompactGlides(state->image, state->exploration.maps);

  MusicImage want = tune.Image();
  const std::vector<uint8_t> renumbered = {0x61, 0x60, 0x62, 0x60, 0xFF};
  for (uint32_t i = 0; i < renumbered.size(); ++i) want.Set(SectorAddress(0) + i, renumbered[i]);
  for (uint32_t k = 0; k < 3; ++k) {
    const uint32_t old = std::array<uint32_t, 3>{3, 9, 30}[k];
    want.Set(addr::gldtbl + k, static_cast<uint8_t>(old));
    want.Set(addr::gldtbh + k, static_cast<uint8_t>(0x40 + old));
  }
  EXPECT_TRUE(SameImage(state->image, want));
  EXPECT_EQ(state->exploration.maps.GlideMap, glideMap);
}

}  // namespace
}  // namespace zspack::testing
