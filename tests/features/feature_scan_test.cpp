// The track and sector scans, the multispeed factor and the final derivation of the
// player features: which entries set which flag, what gets marked and counted, and
// where each scan stops.
#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

#include "explore/scan_music.h"
#include "explore/report_text.h"
#include "features/derive_features.h"
#include "support/tune_builder.h"

namespace zspack::testing {
namespace {

using Flags = std::set<Feature>;

std::string Names(const Flags& flags) {
  std::string names;
  for (Feature f : flags) names += std::string(DefineName(f)) + " ";
  return names;
}

Flags FlagsOf(const FeatureFlags& features) {
  Flags set;
  for (size_t f = 0; f < kFeatureCount; ++f) {
    if (features.flags[f]) set.insert(static_cast<Feature>(f));
  }
  return set;
}

template <size_t N>
std::vector<int> Marked(const std::array<uint8_t, N>& map) {
  std::vector<int> marked;
  for (size_t i = 0; i < N; ++i) {
    if (map[i] != 0) marked.push_back(static_cast<int>(i));
  }
  return marked;
}

std::vector<uint8_t> Filled(uint8_t value, std::vector<std::pair<int, uint8_t>> at = {}, size_t size = 256) {
  std::vector<uint8_t> bytes(size, value);
  for (const auto& [i, b] : at) bytes[static_cast<size_t>(i)] = b;
  return bytes;
}

struct Poke {
  uint32_t address;
  uint8_t value;
};

// ---- Track scan -------------------------------------------------------------------------

struct TrackCase {
  const char* name;
  int song;
  int voice;
  std::vector<uint8_t> bytes;
  std::vector<Poke> beyond;  // bytes after the track, which the scan must not reach
  int16_t result;
  std::vector<int> sectors;
  Flags flags;
};

class TrackScan : public ::testing::TestWithParam<TrackCase> {};

TEST_P(TrackScan, MarksSectorsSetsFlagsAndStopsAtTheEnd) {
  const TrackCase& c = GetParam();
  TuneBuilder tune;
  tune.Track(c.song, c.voice, c.bytes);
  for (const Poke& p : c.beyond) tune.Poke(p.address, p.value);
  auto state = StateOf(tune.Image());

  EXPECT_EQ(ScanTrack(state->image, c.song, c.voice, state->exploration), c.result);
  EXPECT_EQ(Marked(state->exploration.maps.SectorMap), c.sectors);
  EXPECT_EQ(Names(FlagsOf(state->exploration.entryFeatures)), Names(c.flags));
  EXPECT_TRUE(SameImage(state->image, tune.Image()));
}

std::vector<uint8_t> Cycle(int first, int count) {
  std::vector<uint8_t> bytes;
  for (int i = 0; i < kTrackEntries; ++i) bytes.push_back(static_cast<uint8_t>(first + i % count));
  return bytes;
}

const uint32_t kAfterSong0Voice0 = TrackAddress(0, 1);
const uint32_t kAfterLastTrack = SectorAddress(0);

std::vector<TrackCase> TrackCases() {
  std::vector<TrackCase> cases = {
      {"SectorsZeroOneZeroThenEnd", 0, 0, {0, 1, 0, 0xFF}, {}, 2, {0, 1}, {Feature::kEnd}},
      {"LowestAndHighestSector", 1, 2, {0x5F, 0, 0xFF}, {}, 2, {0, 95}, {Feature::kEnd}},
      {"SpeedChange", 0, 1, {0x60, 0x7F, 0xFF}, {}, 0, {}, {Feature::kSpeedChange, Feature::kEnd}},
      {"Transpose", 0, 1, {0x80, 0xBF, 0xFF}, {}, 0, {}, {Feature::kTranspose, Feature::kEnd}},
      {"Repeat", 0, 1, {0xC0, 0xDF, 0xFF}, {}, 0, {}, {Feature::kRepeat, Feature::kEnd}},
      {"SetMasterVolume", 0, 1, {0xE0, 0xEF, 0xFF}, {}, 0, {}, {Feature::kSetMvl, Feature::kEnd}},
      {"MixedCommands",
       2, 0,
       {0x80, 2, 0xC3, 0xE5, 2, 0x61, 9, 0xFF},
       {},
       2,
       {2, 9},
       {Feature::kTranspose, Feature::kRepeat, Feature::kSetMvl, Feature::kSpeedChange, Feature::kEnd}},
      {"LoopEndsAndNothingAfterIsRead", 0, 2, {3, 0xFE, 5, 6, 0x80, 0xFF}, {}, 1, {3}, {Feature::kLoop}},
      {"EndEndsAndNothingAfterIsRead", 0, 2, {4, 0xFF, 5, 0x80, 0xFE}, {}, 1, {4}, {Feature::kEnd}},
      {"OnlySectorNumbersInAllEntries",
       0, 0,
       Cycle(10, 9),
       {{kAfterSong0Voice0, 0xFF}, {kAfterSong0Voice0 + 1, 0x80}},
       9,
       {10, 11, 12, 13, 14, 15, 16, 17, 18},
       {}},
      {"LastTrackWithoutEndStopsBeforeTheSectors",
       3, 2,
       Filled(0x85),
       {{kAfterLastTrack, 0xFF}, {kAfterLastTrack + 1, 0xE0}},
       0,
       {},
       {Feature::kTranspose}},
      {"LoopInTheLastEntry",
       0, 0,
       Filled(0x80, {{255, 0xFE}}),
       {{kAfterSong0Voice0, 7}, {kAfterSong0Voice0 + 1, 0xFF}},
       0,
       {},
       {Feature::kTranspose, Feature::kLoop}},
      {"SectorInTheLastEntry", 1, 1, Filled(0xC1, {{255, 40}}), {{TrackAddress(1, 2), 41}}, 1, {40}, {Feature::kRepeat}},
  };
  for (uint8_t change : {0xF0, 0xF1, 0xF2, 0xF3}) {
    cases.push_back({"SongChangeEnds", 0, 0, {change, 4, 0x80, 0xFF}, {}, 0, {}, {Feature::kSongChange}});
  }
  for (int b = 0xF4; b <= 0xFD; ++b) {
    cases.push_back({"F4ToFDDoNothing", 0, 0, {static_cast<uint8_t>(b), 6, 0xFF}, {}, 1, {6}, {Feature::kEnd}});
  }
  return cases;
}

INSTANTIATE_TEST_SUITE_P(ScanTrack, TrackScan, ::testing::ValuesIn(TrackCases()),
                         [](const ::testing::TestParamInfo<TrackCase>& info) {
                           return std::string(info.param.name) + "_" + std::to_string(info.index);
                         });

TEST(ScanTrack, ALaterTrackCountsOnlySectorsNotMarkedBefore) {
  TuneBuilder tune;
  tune.Track(0, 0, {0, 1, 0, 0xFF}).Track(0, 1, {1, 2, 0xFF}).Track(0, 2, {2, 0, 1, 0xFF});
  auto state = StateOf(tune.Image());
  EXPECT_EQ(ScanTrack(state->image, 0, 0, state->exploration), 2);
  EXPECT_EQ(ScanTrack(state->image, 0, 1, state->exploration), 1);
  EXPECT_EQ(ScanTrack(state->image, 0, 2, state->exploration), 0);
  EXPECT_EQ(Marked(state->exploration.maps.SectorMap), (std::vector<int>{0, 1, 2}));
}

// ---- Sector scan ------------------------------------------------------------------------

struct SectorCase {
  const char* name;
  int sector;
  std::vector<uint8_t> bytes;
  std::vector<uint8_t> next;  // the following sector's first bytes, which are never reached
  std::vector<int> instruments;
  std::vector<int> glides;
  Flags flags;
};

class SectorScan : public ::testing::TestWithParam<SectorCase> {};

TEST_P(SectorScan, MarksAndCountsInstrumentsAndGlides) {
  const SectorCase& c = GetParam();
  TuneBuilder tune;
  tune.Sector(c.sector, c.bytes);
  if (!c.next.empty()) tune.Sector(c.sector + 1, c.next);
  auto state = StateOf(tune.Image());

  ScanSector(state->image, c.sector, state->exploration);

  EXPECT_EQ(Marked(state->exploration.maps.InstrumentMap), c.instruments);
  EXPECT_EQ(Marked(state->exploration.maps.GlideMap), c.glides);
  EXPECT_EQ(state->exploration.counts.InstrumentCount, static_cast<int16_t>(c.instruments.size()));
  EXPECT_EQ(state->exploration.counts.GlideCount, static_cast<int16_t>(c.glides.size()));
  EXPECT_EQ(state->exploration.counts.HighestInstrument, c.instruments.empty() ? -1 : c.instruments.back());
  EXPECT_EQ(Names(FlagsOf(state->exploration.entryFeatures)), Names(c.flags));
  EXPECT_TRUE(SameImage(state->image, tune.Image()));
}

INSTANTIATE_TEST_SUITE_P(
    ScanSector, SectorScan,
    ::testing::Values(
        SectorCase{"ParameterFFDoesNotEndTheSector", 0, {0xF9, 0xFF, 0xC1, 0xFF}, {}, {1}, {}, {Feature::kTuneSr}},
        SectorCase{"ParameterC3IsNoInstrument", 0, {0xF7, 0xC3, 0xFF}, {}, {}, {}, {Feature::kTunePp}},
        SectorCase{"FilterProgramParameter", 0, {0xF6, 0xC5, 0xFF}, {}, {}, {}, {Feature::kTuneFp}},
        SectorCase{"ParameterIsNoGlide", 0, {0xF8, 0x65, 0xFF}, {}, {}, {}, {Feature::kTuneFf}},
        SectorCase{"ParameterIsNoTieNote", 0, {0xFA, 0xFB, 0xFF}, {}, {}, {}, {Feature::kTuneAd}},
        SectorCase{"ParameterIsNoCommand", 0, {0xF9, 0xF6, 0xC2, 0xFF}, {}, {2}, {}, {Feature::kTuneSr}},
        SectorCase{"TieNote", 0, {0x30, 0xFB, 0xFF}, {}, {}, {}, {Feature::kTieNotes}},
        SectorCase{"SelectRangeBounds", 0, {0x60, 0x7F, 0xC0, 0xDF, 0xFF}, {}, {0, 31}, {0, 31}, {}},
        SectorCase{"UnclassifiedBytes",
                   0,
                   {0x00, 0x5F, 0x80, 0xBF, 0xE0, 0xEF, 0xF0, 0xF5, 0xFC, 0xFD, 0xFE, 0xFF},
                   {},
                   {},
                   {},
                   {}},
        SectorCase{"RepeatedSelectsCountOnce", 7, {0xC2, 0x30, 0xC2, 0x62, 0x62, 0xC2, 0x62, 0xFF}, {}, {2}, {2}, {}},
        SectorCase{"EndByteStopsTheScan", 0, {0xC1, 0xFF, 0xC4, 0x64, 0xFB, 0xF7, 1}, {}, {1}, {}, {}},
        SectorCase{"HighestInstrumentIsNotTheLastSelected", 0, {0xC5, 0xC0, 0xC2, 0xFF}, {}, {0, 2, 5}, {}, {}},
        SectorCase{"NoEndReadsAll256Bytes",
                   3,
                   Filled(0x30, {{0, 0x61}, {255, 0xC6}}),
                   {0xC5, 0x65, 0xFB},
                   {6},
                   {1},
                   {}},
        SectorCase{"CommandInTheLastByteReadsNothingBeyond",
                   3,
                   Filled(0x30, {{255, 0xF8}}),
                   {0xC4, 0xC6, 0xFB},
                   {},
                   {},
                   {Feature::kTuneFf}},
        SectorCase{"CommandBeforeTheLastByte",
                   3,
                   Filled(0x30, {{254, 0xF9}, {255, 0xC4}}),
                   {0xC6, 0xFB},
                   {},
                   {},
                   {Feature::kTuneSr}},
        SectorCase{"LastSectorWithoutEnd", 95, Filled(0xC7), {}, {7}, {}, {}},
        SectorCase{"LastSectorWithACommandInItsLastByte", 95, Filled(0x30, {{255, 0xFA}}), {}, {}, {}, {Feature::kTuneAd}}),
    [](const ::testing::TestParamInfo<SectorCase>& info) { return std::string(info.param.name); });

TEST(ScanSector, CountsAddUpOverSectorsAndDistinctNumbersOnly) {
  TuneBuilder tune;
  tune.Sector(0, {0xC3, 0x61, 0xFF}).Sector(1, {0xC1, 0xC3, 0x61, 0x62, 0xFF}).Sector(2, {0xC9, 0xFF});
  auto state = StateOf(tune.Image());
  for (int n : {0, 1, 2}) ScanSector(state->image, n, state->exploration);
  EXPECT_EQ(Marked(state->exploration.maps.InstrumentMap), (std::vector<int>{1, 3, 9}));
  EXPECT_EQ(Marked(state->exploration.maps.GlideMap), (std::vector<int>{1, 2}));
  EXPECT_EQ(state->exploration.counts.InstrumentCount, 3);
  EXPECT_EQ(state->exploration.counts.GlideCount, 2);
  EXPECT_EQ(state->exploration.counts.HighestInstrument, 9);
}

// ---- Multispeed ---------------------------------------------------------------------------

TEST(DeriveMultiSpeed, TheHighNibbleOfSongZerosArpeggioSpeed) {
  struct Case {
    uint8_t first;
    uint8_t others;
    int16_t multiSpeed;
  };
  for (const Case& c : {Case{0x35, 0, 3}, Case{0x05, 0, -1}, Case{0x00, 0, -1}, Case{0x10, 0, 1}, Case{0xF0, 0, 15},
                        Case{0xFF, 0, 15}, Case{0x0F, 0x40, -1}, Case{0x21, 0x70, 2}}) {
    SCOPED_TRACE(::testing::Message() << "first $" << std::hex << int{c.first} << " others $" << int{c.others});
    TuneBuilder tune;
    tune.Arpspds(0, c.first).Arpspds(1, c.others).Arpspds(2, c.others).Arpspds(3, c.others);
    auto state = StateOf(tune.Image());
    state->features = DeriveFeatures(state->image, state->exploration, PackOptions{});
    EXPECT_EQ(state->features.MultiSpeed, c.multiSpeed);
    EXPECT_EQ(FlagsOf(state->features), Flags{});
  }
}

// ---- Final derivation -------------------------------------------------------------------

struct DeriveCase {
  const char* name;
  int16_t requested;
  std::array<uint8_t, 4> speeds;
  bool speedChange;
  std::vector<int> pulseRows;
  std::vector<int> filterRows;
  int16_t highest;                 // highest instrument in use, -1 none
  std::vector<uint8_t> hardRestart;  // hrtb from slot 0 on; the rest stay 0
  std::vector<uint8_t> vibrato;      // v3tb from slot 0 on
  Flags flags;                       // what DeriveFeatures sets (kSpeedChange when given)
  int16_t singleSpeed;
  int16_t selectedSong;
};

class Derive : public ::testing::TestWithParam<DeriveCase> {};

TEST_P(Derive, SetsTheTableInstrumentAndSpeedResults) {
  const DeriveCase& c = GetParam();
  TuneBuilder tune;
  for (int s = 0; s < kSongCount; ++s) tune.Speed(s, c.speeds[static_cast<size_t>(s)]);
  for (size_t i = 0; i < c.hardRestart.size(); ++i) tune.Poke(addr::hrtb + static_cast<uint32_t>(i), c.hardRestart[i]);
  for (size_t i = 0; i < c.vibrato.size(); ++i) tune.Poke(addr::v3tb + static_cast<uint32_t>(i), c.vibrato[i]);
  auto state = StateOf(tune.Image());
  for (int r : c.pulseRows) state->exploration.maps.PulseMap[static_cast<size_t>(r)] = 1;
  for (int r : c.filterRows) state->exploration.maps.FilterMap[static_cast<size_t>(r)] = 1;
  state->exploration.counts.HighestInstrument = c.highest;
  state->exploration.counts.InstrumentCount = c.highest < 0 ? 0 : 1;
  if (c.speedChange) state->exploration.entryFeatures.Set(Feature::kSpeedChange);
  PackOptions options;
  options.RequestedSong = c.requested;

  state->features = DeriveFeatures(state->image, state->exploration, options);

  Flags want = c.flags;
  if (c.speedChange) want.insert(Feature::kSpeedChange);
  EXPECT_EQ(Names(FlagsOf(state->features)), Names(want));
  EXPECT_EQ(state->features.SingleSpeed, c.singleSpeed);
  EXPECT_EQ(state->features.SelectedSong, c.selectedSong);
  EXPECT_EQ(state->features.MultiSpeed, -1);
  EXPECT_TRUE(SameImage(state->image, tune.Image()));
}

INSTANTIATE_TEST_SUITE_P(
    DeriveFeatures, Derive,
    ::testing::Values(
        DeriveCase{"AllSongsShareSpeed5", 4, {5, 5, 5, 5}, false, {}, {}, -1, {}, {}, {}, 6, -1},
        DeriveCase{"LastSongDiffers", 4, {5, 5, 5, 6}, false, {}, {}, -1, {}, {}, {}, -1, -1},
        DeriveCase{"FirstSongDiffers", 4, {6, 5, 5, 5}, false, {}, {}, -1, {}, {}, {}, -1, -1},
        DeriveCase{"MiddleSongDiffers", 4, {5, 5, 4, 5}, false, {}, {}, -1, {}, {}, {}, -1, -1},
        DeriveCase{"RequestedSongTwoTakesItsOwnSpeed", 2, {1, 7, 3, 9}, false, {}, {}, -1, {}, {}, {}, 4, 2},
        DeriveCase{"RequestedSongZero", 0, {9, 1, 2, 3}, false, {}, {}, -1, {}, {}, {}, 10, 0},
        DeriveCase{"RequestedSongThree", 3, {5, 5, 5, 0}, false, {}, {}, -1, {}, {}, {}, 1, 3},
        DeriveCase{"SpeedChangeAllSongs", 4, {5, 5, 5, 5}, true, {}, {}, -1, {}, {}, {}, -1, -1},
        DeriveCase{"SpeedChangeOneSong", 1, {5, 5, 5, 5}, true, {}, {}, -1, {}, {}, {}, -1, 1},
        DeriveCase{"SpeedFFPlusOneIs256", 4, {0xFF, 0xFF, 0xFF, 0xFF}, false, {}, {}, -1, {}, {}, {}, 256, -1},
        DeriveCase{"NoInstrumentExaminesNoSlot", 4, {1, 2, 3, 4}, false, {}, {}, -1, {0, 1}, {1, 1}, {}, -1, -1},
        DeriveCase{"EveryHardRestartType",
                   4, {1, 2, 3, 4}, false, {}, {}, 3, {3, 2, 1, 0}, {},
                   {Feature::kHr0, Feature::kHr1, Feature::kHr2, Feature::kHr3}, -1, -1},
        DeriveCase{"HardRestart4OrMoreSetsNone", 4, {1, 2, 3, 4}, false, {}, {}, 2, {4, 0xFF, 0x10}, {}, {}, -1, -1},
        DeriveCase{"Vibrato", 4, {1, 2, 3, 4}, false, {}, {}, 1, {5, 5}, {0, 0x80}, {Feature::kVibrato}, -1, -1},
        DeriveCase{"SlotsAboveTheHighestAreNotExamined",
                   4, {1, 2, 3, 4}, false, {}, {}, 1, {4, 4, 1, 2}, {0, 0, 1}, {}, -1, -1},
        DeriveCase{"SlotZeroAloneWithHardRestartZero", 4, {1, 2, 3, 4}, false, {}, {}, 0, {}, {}, {Feature::kHr0}, -1, -1},
        DeriveCase{"LastSlot", 4, {1, 2, 3, 4}, false, {}, {}, 31,
                   std::vector<uint8_t>(31, 7), std::vector<uint8_t>(32, 0), {Feature::kHr0}, -1, -1},
        DeriveCase{"OnePulseRowAnywhere", 4, {1, 2, 3, 4}, false, {255}, {}, -1, {}, {}, {Feature::kPulse}, -1, -1},
        DeriveCase{"OneFilterRowAnywhere", 4, {1, 2, 3, 4}, false, {}, {0}, -1, {}, {}, {Feature::kFilters}, -1, -1},
        DeriveCase{"BothTables", 4, {1, 2, 3, 4}, false, {128}, {1, 200}, -1, {}, {},
                   {Feature::kPulse, Feature::kFilters}, -1, -1}),
    [](const ::testing::TestParamInfo<DeriveCase>& info) { return std::string(info.param.name); });

// Instruments 0, 2 and 5 in use: the slots examined are 0 to 5, the unused 1, 3 and 4
// included, and not slot 6.
TEST(DeriveFeatures, ExaminesEverySlotUpToTheHighestInstrumentInUse) {
  TuneBuilder tune;
  tune.Song(0, {0, 0xFF}, {0xFF}, {0xFF})
      .Sector(0, {0xC0, 0x30, 0xC2, 0x31, 0xC5, 0x32, 0xFF})
      .WaveRows(0, {{0xFF, 0}});
  const uint8_t hardRestart[] = {1, 2, 1, 3, 1, 1, 0};
  const uint8_t vibrato[] = {0, 0, 0, 0, 9, 0, 9};
  for (uint32_t i = 0; i < 7; ++i) {
    tune.Poke(addr::hrtb + i, hardRestart[i]);
    tune.Poke(addr::v3tb + i, vibrato[i]);
  }
  std::string console;
  auto state = Explore(tune.Image(), console);

  EXPECT_EQ(Section(console, "3 Instruments :", "Wavetable/Arpeggiotable - usage :"),
            "3 Instruments :\n" + Marks({0, 2, 5}, 32) + "\n");
  EXPECT_EQ(state->exploration.counts.InstrumentCount, 3);
  EXPECT_EQ(state->exploration.counts.HighestInstrument, 5);
  for (Feature f : {Feature::kHr1, Feature::kHr2, Feature::kHr3, Feature::kVibrato}) {
    EXPECT_TRUE(state->features.Has(f)) << DefineName(f);
  }
  EXPECT_FALSE(state->features.Has(Feature::kHr0));
}

// Only what the scans reach counts: tracks of songs that exist up to their end, used
// sectors up to their $FF.
TEST(FeatureScan, OnlyReachedEntriesSetFlags) {
  TuneBuilder tune;
  tune.Song(0, {0, 0xFF, 0x80, 0xC0}, {0xFE, 0x00, 0xE0}, {0x60, 0xFF})  // voice 2 changes speed
      .Track(1, 0, Filled(0x61))       // song 1 has no end byte: not scanned
      .Track(1, 1, {0xE0, 0xD0, 0xFF})
      .Sector(0, {0x30, 0xFF, 0xFB, 0xF6, 1})
      .Sector(5, {0xFB, 0xFA, 0, 0xF8, 1, 0xFF});  // not played
  for (int s = 0; s < kSongCount; ++s) tune.Speed(s, 5);

  std::string console;
  auto state = Explore(tune.Image(), console);
  EXPECT_EQ(Names(FlagsOf(state->features)),
            Names({Feature::kEnd, Feature::kLoop, Feature::kSpeedChange}));
  EXPECT_EQ(state->features.SingleSpeed, -1);
  EXPECT_EQ(state->features.SelectedSong, -1);
  EXPECT_EQ(state->features.MultiSpeed, -1);

  // Without the speed change in voice 2 the four equal speeds give a single speed.
  tune.Track(0, 2, {0xFF});
  state = Explore(tune.Image(), console);
  EXPECT_EQ(Names(FlagsOf(state->features)), Names({Feature::kEnd, Feature::kLoop}));
  EXPECT_EQ(state->features.SingleSpeed, 6);
}

TEST(FeatureScan, MultiSpeedAndSongSwitchInTheFullExploration) {
  TuneBuilder tune;
  tune.Song(0, {0, 0xFF}, {0xFF}, {0xFF}, 3).Song(2, {0, 0xFF}, {0xFF}, {0xFF}, 3).Sector(0, {0xFF});
  tune.Speed(1, 3).Speed(3, 7).Arpspds(0, 0x35).Arpspds(2, 0x50);
  struct Case {
    int16_t requested;
    int16_t singleSpeed;
    int16_t selected;
  };
  for (const Case& c : {Case{4, -1, -1}, Case{2, 4, 2}, Case{3, 8, 3}, Case{0, 4, 0}}) {
    SCOPED_TRACE(c.requested);
    PackOptions options;
    options.RequestedSong = c.requested;
    std::string console;
    auto state = Explore(tune.Image(), console, options);
    EXPECT_EQ(state->features.MultiSpeed, 3);
    EXPECT_EQ(state->features.SingleSpeed, c.singleSpeed);
    EXPECT_EQ(state->features.SelectedSong, c.selected);
  }
}

}  // namespace
}  // namespace zspack::testing
