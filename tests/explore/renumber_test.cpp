// Sector and glide renumbering: the numbers in use close up in their old order, every
// reference is rewritten where the renumbering walk reads it, and nothing else changes.
#include <gtest/gtest.h>

#include <vector>

#include "explore/explore_fixture.h"
#include "explore/renumber.h"
#include "support/tune_builder.h"

namespace zspack::testing {
namespace {

// The track walk ends only at a loop or an end, so references after a song change are
// rewritten too; all twelve tracks are rewritten, whether their song exists or not.
TEST(CompactSectors, MovesUsedSectorsDownAndRewritesEveryTrack) {
  struct Track {
    int number;  // 3 * song + voice
    std::vector<uint8_t> before, after;
  };
  struct Case {
    const char* name;
    std::vector<int> used;
    std::vector<Track> tracks;
  };
  const Case cases[] = {
      {"NoSectorUsed", {}, {{0, {0, 0xFF}, {0, 0xFF}}}},
      {"AlreadyPacked", {0, 1, 2}, {{0, {2, 1, 0, 0xFF}, {2, 1, 0, 0xFF}}}},
      {"EveryVoiceOfEverySong", {3, 7},
       {{0, {7, 3, 7, 0xFF}, {1, 0, 1, 0xFF}}, {5, {0x80, 3, 0xFF}, {0x80, 0, 0xFF}}, {11, {7, 0xFF}, {1, 0xFF}}}},
      {"SongChangesDoNotEndTheWalk", {7},
       {{0, {0xF0, 7, 0xF1, 7, 0xF2, 7, 0xF3, 7, 0xFF, 7}, {0xF0, 0, 0xF1, 0, 0xF2, 0, 0xF3, 0, 0xFF, 7}}}},
      {"LoopEndsTheWalkBeforeItsArgument", {7}, {{1, {7, 0xFE, 7, 7, 0xFF}, {0, 0xFE, 7, 7, 0xFF}}}},
      {"CommandsTakeOneEntry", {7},
       {{2, {0xF6, 7, 0xF7, 7, 0xFA, 7, 0x60, 7, 0xC0, 7, 0xFD, 7, 0xFF},
         {0xF6, 0, 0xF7, 0, 0xFA, 0, 0x60, 0, 0xC0, 0, 0xFD, 0, 0xFF}}}},
      {"OnlyMovedNumbersChange", {0, 1, 2, 7}, {{3, {2, 8, 6, 0x67, 0x5F, 7, 0xFF}, {2, 8, 6, 0x67, 0x5F, 3, 0xFF}}}},
      // Sector 7's first entry, copied to sector 0 right after track $0B, is a 7 that a
      // walk past the track's last entry would rewrite.
      {"LastTrackWithoutEnd", {7}, {{11, Filled(0x80, {{255, 7}}), Filled(0x80, {{255, 0}})}}},
      {"SectorNinetyFiveMoves", {95}, {{10, Filled(95), Filled(0)}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TuneBuilder tune;
    for (const Track& t : c.tracks) tune.Track(t.number / kVoiceCount, t.number % kVoiceCount, t.before);
    for (int n : c.used) tune.Sector(n, {static_cast<uint8_t>(n), static_cast<uint8_t>(0x30 + n), 0xFF});
    // A byte in each sector's last entry: a move must copy all 256 entries.
    for (int n : c.used) tune.Poke(SectorAddress(n) + kSectorEntries - 1, static_cast<uint8_t>(0x40 + n));
    auto state = StateOf(tune.Image());
    for (int n : c.used) state->exploration.maps.SectorMap[static_cast<size_t>(n)] = 1;

    const bool moved = CompactSectors(state->image, state->exploration.maps.SectorMap);

    MusicImage want = tune.Image();
    bool moves = false;
    for (size_t k = 0; k < c.used.size(); ++k) {
      moves = moves || c.used[k] != static_cast<int>(k);
      for (uint32_t i = 0; i < kSectorEntries; ++i) {
        want.Set(SectorAddress(static_cast<int>(k)) + i, tune.Image().At(SectorAddress(c.used[k]) + i));
      }
    }
    for (const Track& t : c.tracks) {
      for (size_t i = 0; i < t.after.size(); ++i) want.Set(TrackAddress(t.number) + static_cast<uint32_t>(i), t.after[i]);
    }
    EXPECT_EQ(moved, moves);
    EXPECT_TRUE(SameImage(state->image, want));
    std::vector<int> packed;
    for (size_t k = 0; k < c.used.size(); ++k) packed.push_back(static_cast<int>(k));
    EXPECT_EQ(Marked(state->exploration.maps.SectorMap), packed);
  }
}

// Glides 5 and 9 in use become 0 and 1 ($65 -> $60, $69 -> $61) in the used sectors only;
// a command's parameter is never a select, and no walk leaves its sector.
TEST(CompactGlides, RewritesSelectsInUsedSectorsAndMovesTheGlideData) {
  struct Sector {
    int number;
    bool used;
    std::vector<uint8_t> before, after;
  };
  struct Case {
    const char* name;
    std::vector<Sector> sectors;
  };
  const Case cases[] = {
      {"SelectsInEveryUsedSector",
       {{0, true, {0x65, 0x30, 0x69, 0x65, 0xFF}, {0x60, 0x30, 0x61, 0x60, 0xFF}}, {95, true, {0x69, 0xFF}, {0x61, 0xFF}}}},
      {"UnusedSectorsAreLeftAlone", {{1, false, {0x65, 0x69, 0xFF}, {0x65, 0x69, 0xFF}}}},
      {"NothingAfterTheEnd", {{0, true, {0x65, 0xFF, 0x65}, {0x60, 0xFF, 0x65}}, {2, true, {0xFF, 0x69}, {0xFF, 0x69}}}},
      {"OtherGlidesAndEntriesAreLeftAlone",
       {{0, true, {0x60, 0x64, 0x66, 0x7F, 0xC5, 0x05, 0xFF}, {0x60, 0x64, 0x66, 0x7F, 0xC5, 0x05, 0xFF}}}},
      {"ParametersAreNeverRewritten",
       {{3, true, {0xF6, 0x65, 0xF7, 0x65, 0xF8, 0x65, 0xF9, 0x69, 0xFA, 0x65, 0x65, 0xFF},
         {0xF6, 0x65, 0xF7, 0x65, 0xF8, 0x65, 0xF9, 0x69, 0xFA, 0x65, 0x60, 0xFF}}}},
      {"ParameterFFDoesNotEndTheSector", {{3, true, {0xF9, 0xFF, 0x65, 0xFF}, {0xF9, 0xFF, 0x60, 0xFF}}}},
      {"SpareEntriesTakeOneEntry",
       {{4, true, {0xFB, 0x65, 0xFC, 0x65, 0xFD, 0x65, 0xFE, 0x65, 0xF5, 0x65, 0xFF},
         {0xFB, 0x60, 0xFC, 0x60, 0xFD, 0x60, 0xFE, 0x60, 0xF5, 0x60, 0xFF}}}},
      {"NoEndIsWalkedToTheLastEntry",
       {{0, true, Filled(0x30, {{255, 0x65}}), Filled(0x30, {{255, 0x60}})}, {1, false, {0x65, 0xFF}, {0x65, 0xFF}}}},
      {"CommandInTheLastEntry",
       {{0, true, Filled(0x30, {{254, 0x69}, {255, 0xF7}}), Filled(0x30, {{254, 0x61}, {255, 0xF7}})},
        {1, false, {0x65, 0xFF}, {0x65, 0xFF}}}},
      {"LastSectorWithoutEnd", {{95, true, Filled(0x30, {{254, 0x65}, {255, 0xF8}}), Filled(0x30, {{254, 0x60}, {255, 0xF8}})}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TuneBuilder tune;
    for (int g = 0; g < kGlideCount; ++g) tune.Glide(g, static_cast<uint8_t>(0x10 + g), static_cast<uint8_t>(0x90 + g));
    for (const Sector& s : c.sectors) tune.Sector(s.number, s.before);
    auto state = StateOf(tune.Image());
    for (const Sector& s : c.sectors) state->exploration.maps.SectorMap[static_cast<size_t>(s.number)] = s.used;
    state->exploration.maps.GlideMap[5] = state->exploration.maps.GlideMap[9] = 1;
    const UsageMaps before = state->exploration.maps;

    CompactGlides(state->image, state->exploration.maps);

    MusicImage want = tune.Image();
    for (const Sector& s : c.sectors) {
      for (size_t i = 0; i < s.after.size(); ++i) want.Set(SectorAddress(s.number) + static_cast<uint32_t>(i), s.after[i]);
    }
    want.Set(addr::gldtbl, 0x15);
    want.Set(addr::gldtbh, 0x95);
    want.Set(addr::gldtbl + 1, 0x19);
    want.Set(addr::gldtbh + 1, 0x99);
    EXPECT_TRUE(SameImage(state->image, want));
    // The map keeps the numbers the console printed.
    EXPECT_EQ(state->exploration.maps.GlideMap, before.GlideMap);
    EXPECT_EQ(state->exploration.maps.SectorMap, before.SectorMap);
  }
}

}  // namespace
}  // namespace zspack::testing
