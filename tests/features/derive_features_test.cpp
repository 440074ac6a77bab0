// DeriveFeatures: the flags that come from the table maps, the instrument slots and the
// glide count, and the derived song, single speed and multispeed values.
#include <gtest/gtest.h>

#include <array>
#include <optional>
#include <string>
#include <vector>

#include "explore/explore_fixture.h"
#include "features/derive_features.h"
#include "support/tune_builder.h"

namespace zspack::testing {
namespace {

struct DeriveCase {
  const char* name;
  int16_t requested = kAllSongs;
  std::array<uint8_t, kSongCount> speeds = {1, 2, 3, 4};
  std::array<uint8_t, kSongCount> arpspds = {};
  bool speedChange = false;  // a track changes the speed
  int16_t glides = 0;
  std::vector<int> pulseRows = {}, filterRows = {};
  std::optional<int16_t> highest = std::nullopt;  // the highest instrument in use
  std::vector<uint8_t> hardRestart = {};  // hrtb from slot 0 on
  std::vector<uint8_t> vibrato = {};      // v3tb from slot 0 on
  const char* features = "";           // what DeriveFeatures sets besides _SPEEDCHANGE_
  std::optional<int16_t> singleSpeed = std::nullopt, selectedSong = std::nullopt, multiSpeed = std::nullopt;
};

const DeriveCase kCases[] = {
    {.name = "AllSongsShareSpeed5", .speeds = {5, 5, 5, 5}, .singleSpeed = 6},
    {.name = "FirstSongDiffers", .speeds = {6, 5, 5, 5}},
    {.name = "MiddleSongDiffers", .speeds = {5, 5, 4, 5}},
    {.name = "LastSongDiffers", .speeds = {5, 5, 5, 6}},
    {.name = "Speed255Gives256", .speeds = {0xFF, 0xFF, 0xFF, 0xFF}, .singleSpeed = 256},
    {.name = "RequestedSong0", .requested = 0, .speeds = {9, 1, 2, 3}, .singleSpeed = 10, .selectedSong = 0},
    {.name = "RequestedSong2", .requested = 2, .speeds = {1, 7, 3, 9}, .singleSpeed = 4, .selectedSong = 2},
    {.name = "RequestedSong3", .requested = 3, .speeds = {5, 5, 5, 0}, .singleSpeed = 1, .selectedSong = 3},
    {.name = "SpeedChangeAllSongs", .speeds = {5, 5, 5, 5}, .speedChange = true},
    {.name = "SpeedChangeOneSong", .requested = 1, .speedChange = true, .selectedSong = 1},
    // The high nibble of song 0's arpeggio speed, and only of song 0's.
    {.name = "MultiSpeed3", .arpspds = {0x35, 0, 0, 0}, .multiSpeed = 3},
    {.name = "MultiSpeed1", .arpspds = {0x10, 0, 0, 0}, .multiSpeed = 1},
    {.name = "MultiSpeed15", .arpspds = {0xFF, 0, 0, 0}, .multiSpeed = 15},
    {.name = "LowNibbleIsNoMultiSpeed", .arpspds = {0x0F, 0x40, 0x40, 0x40}},
    {.name = "OtherSongsDoNotCount", .arpspds = {0x21, 0x70, 0x70, 0x70}, .multiSpeed = 2},
    {.name = "RequestedSongDoesNotCount", .requested = 1, .arpspds = {0, 0x10, 0, 0}, .singleSpeed = 3,
     .selectedSong = 1},
    {.name = "Glides", .glides = 1, .features = "_GLIDES_"},
    {.name = "OnePulseRowAnywhere", .pulseRows = {255}, .features = "_PULSE_"},
    {.name = "OneFilterRowAnywhere", .filterRows = {0}, .features = "_FILTERS_"},
    {.name = "BothTables", .pulseRows = {128}, .filterRows = {1, 200}, .features = "_FILTERS_ _PULSE_"},
    // Every slot up to the highest instrument in use counts, unused slots in between too.
    {.name = "NoInstrumentExaminesNoSlot", .hardRestart = {0, 1}, .vibrato = {1, 1}},
    {.name = "SlotZeroAlone", .highest = 0, .features = "_HR0_"},
    {.name = "EveryHardRestartKind", .highest = 3, .hardRestart = {3, 2, 1, 0},
     .features = "_HR0_ _HR1_ _HR2_ _HR3_"},
    {.name = "HardRestart4OrMoreIsNone", .highest = 2, .hardRestart = {4, 0xFF, 0x10}},
    {.name = "Vibrato", .highest = 1, .hardRestart = {5, 5}, .vibrato = {0, 0x80}, .features = "_VIBRATO_"},
    {.name = "SlotsAboveTheHighestDoNotCount", .highest = 1, .hardRestart = {4, 4, 1, 2}, .vibrato = {0, 0, 1}},
    {.name = "LastSlot", .highest = 31, .hardRestart = std::vector<uint8_t>(31, 7), .features = "_HR0_"},
};

class Derive : public ::testing::TestWithParam<DeriveCase> {};

TEST_P(Derive, FlagsAndValues) {
  const DeriveCase& c = GetParam();
  TuneBuilder tune;
  for (int s = 0; s < kSongCount; ++s) {
    tune.Speed(s, c.speeds[static_cast<size_t>(s)]).Arpspds(s, c.arpspds[static_cast<size_t>(s)]);
  }
  for (size_t i = 0; i < c.hardRestart.size(); ++i) tune.Poke(addr::hrtb + static_cast<uint32_t>(i), c.hardRestart[i]);
  for (size_t i = 0; i < c.vibrato.size(); ++i) tune.Poke(addr::v3tb + static_cast<uint32_t>(i), c.vibrato[i]);
  Exploration found;
  for (int r : c.pulseRows) found.maps.PulseMap[static_cast<size_t>(r)] = 1;
  for (int r : c.filterRows) found.maps.FilterMap[static_cast<size_t>(r)] = 1;
  found.counts.GlideCount = c.glides;
  found.counts.HighestInstrument = c.highest;
  if (c.speedChange) found.entryFeatures.Set(Feature::kSpeedChange);
  PackOptions options;
  options.RequestedSong = c.requested;

  const FeatureState f = DeriveFeatures(tune.Image(), found, options);

  FeatureFlags flags = f;
  if (c.speedChange) {
    EXPECT_TRUE(flags.Has(Feature::kSpeedChange));
    flags.flags[static_cast<size_t>(Feature::kSpeedChange)] = false;
  }
  EXPECT_EQ(Names(flags), c.features);
  EXPECT_EQ(f.SingleSpeed, c.singleSpeed);
  EXPECT_EQ(f.SelectedSong, c.selectedSong);
  EXPECT_EQ(f.MultiSpeed, c.multiSpeed);
}

INSTANTIATE_TEST_SUITE_P(DeriveFeatures, Derive, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zspack::testing
