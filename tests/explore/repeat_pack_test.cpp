// Packing is a function of the file and the options alone: a state used before, or one
// filled with leftovers, gives the same report, image, maps, counts and flags as a fresh one.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "features/derive_features.h"
#include "pack/pack_tune.h"
#include "explore/report_text.h"
#include "support/tune_builder.h"

namespace zspack::testing {
namespace {

// A tune that exercises every stage that edits the image or reports: sectors and glides
// that move, a wavetable with a gap, pulse and filter programs, one inconsistent.
TuneBuilder BusyTune() {
  TuneBuilder tune;
  tune.Song(0, {3, 0x80, 5, 0xFE, 0}, {5, 0xFF}, {8, 0xFF}, 4)
      .Song(1, {8, 0xE3, 0xFF}, {0xFF}, {0xFF}, 4)
      .Sector(3, {0xC1, 0x64, 0x30, 0xF7, 0x10, 0xFF})
      .Sector(5, {0xC4, 0x6A, 0x31, 0xF6, 0x04, 0xFB, 0xFF})
      .Sector(8, {0xC1, 0x64, 0x32, 0xF9, 0x64, 0xFF})
      .Instrument(1, {.ad = 0x09, .wave = 10, .pulse = 20, .hardRestart = 1})
      .Instrument(4, {.wave = 12, .filter = 3, .vibrato = 1, .hardRestart = 2})
      .WaveRows(10, {{0x41, 0x00}, {0xFF, 0x00}, {0x90, 11}})
      .PulseRows(16, {{0x08, 0x00}, {0x10, 0x20}, {0x20, 0x00}})
      .PulseRows(20, {{0x08, 0x00}, {0x10, 0x20}, {0x20, 0x00}})
      .FilterRows(3, {{0x01, 0x00}, {0x02, 0x00}, {0x03, 0x00}})
      .Glide(4, 0x11, 0x12)
      .Glide(10, 0x21, 0x22)
      .Arpspds(0, 0x20);
  return tune;
}

::testing::AssertionResult SameState(const PackState& a, const PackState& b) {
  if (::testing::AssertionResult same = SameImage(a.image, b.image); !same) return same;
  const UsageMaps& x = a.exploration.maps;
  const UsageMaps& y = b.exploration.maps;
  if (x.SongMap != y.SongMap) return ::testing::AssertionFailure() << "SongMap differs";
  if (x.SectorMap != y.SectorMap) return ::testing::AssertionFailure() << "SectorMap differs";
  if (x.InstrumentMap != y.InstrumentMap) return ::testing::AssertionFailure() << "InstrumentMap differs";
  if (x.GlideMap != y.GlideMap) return ::testing::AssertionFailure() << "GlideMap differs";
  if (x.WaveMap != y.WaveMap) return ::testing::AssertionFailure() << "WaveMap differs";
  if (x.PulseMap != y.PulseMap) return ::testing::AssertionFailure() << "PulseMap differs";
  if (x.FilterMap != y.FilterMap) return ::testing::AssertionFailure() << "FilterMap differs";
  const Counts& c = a.exploration.counts;
  const Counts& d = b.exploration.counts;
  if (c.SectorCount != d.SectorCount || c.InstrumentCount != d.InstrumentCount ||
      c.GlideCount != d.GlideCount || c.HighestInstrument != d.HighestInstrument) {
    return ::testing::AssertionFailure() << "counts differ";
  }
  for (size_t f = 0; f < kFeatureCount; ++f) {
    if (a.features.flags[f] != b.features.flags[f]) {
      return ::testing::AssertionFailure() << kFeatureDefines[f] << " differs";
    }
  }
  if (a.features.SelectedSong != b.features.SelectedSong || a.features.SingleSpeed != b.features.SingleSpeed ||
      a.features.MultiSpeed != b.features.MultiSpeed) {
    return ::testing::AssertionFailure() << "derived values differ";
  }
  return ::testing::AssertionSuccess();
}

TEST(RepeatPack, TheSameFileTwiceInOneStateAndOnceInAFreshStateGivesTheSameResult) {
  const std::vector<uint8_t> file = BusyTune().File();
  for (int16_t song : {int16_t{4}, int16_t{1}}) {
    SCOPED_TRACE(song);
    PackOptions options;
    options.RequestedSong = song;
    options.InputName = "busy.prg";
    options.OutputName = "busy";

    auto reused = std::make_unique<PackState>();
    PackedTune first, second, fresh;
    PackTune(file, options, *reused, first);
    ASSERT_EQ(first.depack, DepackStatus::kDone);
    const auto afterFirst = std::make_unique<PackState>(*reused);
    PackTune(file, options, *reused, second);
    auto other = std::make_unique<PackState>();
    PackTune(file, options, *other, fresh);

    // The first pack really moved and reported things, so the comparison means something.
    for (const char* line : {"after reorganizing: \n", "after Reorganizing :\n", "2 Glides :\n",
                             "Inconsistent Filter-Table at Position #4.\n"}) {
      EXPECT_NE(first.console.find(line), std::string::npos) << line;
    }
    EXPECT_EQ(second.console, first.console);
    EXPECT_EQ(fresh.console, first.console);
    EXPECT_EQ(second.defines, first.defines);
    EXPECT_EQ(fresh.defines, first.defines);
    EXPECT_EQ(second.data, first.data);
    EXPECT_EQ(fresh.data, first.data);
    EXPECT_TRUE(SameState(*reused, *afterFirst));
    EXPECT_TRUE(SameState(*other, *afterFirst));
  }
}

TEST(RepeatPack, ExploringOverLeftoversEqualsExploringAFreshState) {
  const TuneBuilder tune = BusyTune();
  std::string freshConsole;
  auto fresh = Explore(tune.Image(), freshConsole);

  auto dirty = StateOf(tune.Image());
  for (auto* map : {&dirty->exploration.maps.WaveMap, &dirty->exploration.maps.PulseMap, &dirty->exploration.maps.FilterMap}) map->fill(1);
  dirty->exploration.maps.SongMap.fill(1);
  dirty->exploration.maps.SectorMap.fill(1);
  dirty->exploration.maps.InstrumentMap.fill(1);
  dirty->exploration.maps.GlideMap.fill(1);
  dirty->exploration.counts = Counts{77, 31, 12, 31};
  dirty->features.flags.fill(true);
  dirty->features.SelectedSong = 2;
  dirty->features.SingleSpeed = 9;
  dirty->features.MultiSpeed = 7;
  std::string console;
  dirty->exploration = ExploreMusic(dirty->image, console); dirty->features = DeriveFeatures(dirty->image, dirty->exploration, PackOptions{});

  EXPECT_EQ(console, freshConsole);
  EXPECT_TRUE(SameState(*dirty, *fresh));
}

}  // namespace
}  // namespace zspack::testing
