// The exploration report and what it leaves in the image: songs, sector counting and
// renumbering, instruments, glide renumbering, and the song switch.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "explore/scan_music.h"
#include "explore/report_text.h"
#include "explore/renumber.h"
#include "features/derive_features.h"
#include "support/tune_builder.h"

namespace zspack::testing {
namespace {

const std::string kHeader = "exploring music ... you will see\n";

// A wavetable whose row 0 ends at once, so that instruments starting there are quiet.
TuneBuilder& QuietWaveRow(TuneBuilder& tune) { return tune.WaveRows(0, {{0xFF, 0x00}}); }

TEST(ExploreReport, TwoSongsWithAGapInTheSectorsPrintTheWholeReport) {
  TuneBuilder tune;
  tune.Song(0, {0, 1, 0xFF}, {2, 0xFF}, {0xFF})
      .Song(1, {5, 0, 0xFF}, {0xFF}, {0xFF})
      .Sector(0, {0xC0, 0x30, 0xFF})
      .Sector(1, {0xC1, 0x32, 0xFF})
      .Sector(2, {0xC2, 0x34, 0xFF})
      .Sector(5, {0xC0, 0x36, 0x37, 0x38, 0xFF, 0x44});
  QuietWaveRow(tune);

  std::string console;
  auto state = Explore(tune.Image(), console);

  const std::string expected =
      kHeader +
      "Songs: ++--\n"
      "4 Sectors : \n"
      "+++--+------------------------------------------\n"
      "------------------------------------------------\n"
      "after reorganizing: \n"
      "++++--------------------------------------------\n"
      "------------------------------------------------\n"
      "3 Instruments :\n"
      "+++-----------------------------\n" +
      TableReport("Wavetable/Arpeggiotable - usage :", Marks({0}, 256)) + EmptyTableReports();
  EXPECT_EQ(console, expected);

  // Sector 5 became sector 3: the reference in song 1 follows, its bytes are copied.
  MusicImage want = tune.Image();
  want.Set(TrackAddress(1, 0), 3);
  for (uint32_t i = 0; i < kSectorEntries; ++i) {
    want.Set(SectorAddress(3) + i, tune.Image().At(SectorAddress(5) + i));
  }
  EXPECT_TRUE(SameImage(state->image, want));
  EXPECT_EQ(state->exploration.counts.SectorCount, 4);
  EXPECT_EQ(state->exploration.counts.InstrumentCount, 3);
  EXPECT_EQ(state->exploration.counts.GlideCount, 0);
  EXPECT_FALSE(state->features.Has(Feature::kGlides));
}

TEST(ExploreReport, NoSongPrintsEmptyMapsAndStillRunsTheTableReports) {
  TuneBuilder tune;
  // Voice 1 has an end byte and a sector, but voice 0 alone decides, and it has none.
  tune.Track(0, 1, {3, 0xFF}).Sector(3, {0xC1, 0x30, 0xFF});
  for (int i = 0; i < kTrackEntries; ++i) tune.Poke(TrackAddress(0, 0) + static_cast<uint32_t>(i), 0x85);

  std::string console;
  auto state = Explore(tune.Image(), console);

  const std::string expected = kHeader + "Songs: ----\n0 Sectors : \n" + SectorLines(Times('-', 96)) +
                               "0 Instruments :\n" + Times('-', 32) + "\n" +
                               TableReport("Wavetable/Arpeggiotable - usage :", Times('-', 256)) +
                               EmptyTableReports();
  EXPECT_EQ(console, expected);
  EXPECT_TRUE(SameImage(state->image, tune.Image()));
  EXPECT_EQ(state->exploration.counts.SectorCount, 0);
  EXPECT_EQ(state->exploration.counts.InstrumentCount, 0);
  for (Feature f : {Feature::kTranspose, Feature::kEnd}) EXPECT_FALSE(state->features.Has(f));
}

TEST(ExploreReport, SectorsAlreadyPackedLeaveTheImageUnchanged) {
  TuneBuilder tune;
  tune.Song(0, {0, 1, 0xFF}, {2, 0, 0xFF}, {1, 0xFF})
      .Sector(0, {0xC0, 0x30, 0xFF})
      .Sector(1, {0xC1, 0x30, 0xFF})
      .Sector(2, {0x31, 0xFF})
      .Sector(7, {0xC5, 0xFF});  // not played: stays where it is
  QuietWaveRow(tune);

  std::string console;
  auto state = Explore(tune.Image(), console);

  EXPECT_EQ(console.substr(0, console.find("Wavetable")),
            kHeader + "Songs: +---\n3 Sectors : \n" + SectorLines(MarkRange(0, 2, 96)) +
                "2 Instruments :\n" + Marks({0, 1}, 32) + "\n");
  EXPECT_TRUE(SameImage(state->image, tune.Image()));

  // The compaction itself reports that nothing moved.
  auto again = StateOf(tune.Image());
  again->exploration.maps.SongMap = FindSongs(again->image);
  for (int v = 0; v < kVoiceCount; ++v) ScanTrack(again->image, 0, v, again->exploration);
  EXPECT_FALSE(CompactSectors(again->image, again->exploration.maps.SectorMap));
  EXPECT_TRUE(SameImage(again->image, tune.Image()));
}

TEST(ExploreReport, ASectorPlayedManyTimesCountsOnce) {
  TuneBuilder tune;
  tune.Song(0, {7, 7, 9, 7, 0xFF}, {7, 0xFF}, {9, 0xFF}).Song(2, {9, 7, 0xFF}, {9, 0xFF}, {0xFF});
  tune.Sector(7, {0x30, 0xFF}).Sector(9, {0x31, 0xFF});

  std::string console;
  auto state = Explore(tune.Image(), console);

  EXPECT_EQ(Section(console, "Songs: +-+-", "0 Instruments :"),
            "Songs: +-+-\n2 Sectors : \n" + SectorLines(Marks({7, 9}, 96)) + "after reorganizing: \n" +
                SectorLines(Marks({0, 1}, 96)));
  MusicImage want = tune.Image();
  const std::vector<std::pair<uint32_t, uint8_t>> rewritten = {
      {TrackAddress(0, 0) + 0, 0}, {TrackAddress(0, 0) + 1, 0}, {TrackAddress(0, 0) + 2, 1},
      {TrackAddress(0, 0) + 3, 0}, {TrackAddress(0, 1) + 0, 0}, {TrackAddress(0, 2) + 0, 1},
      {TrackAddress(2, 0) + 0, 1}, {TrackAddress(2, 0) + 1, 0}, {TrackAddress(2, 1) + 0, 1}};
  for (const auto& [address, value] : rewritten) want.Set(address, value);
  for (uint32_t i = 0; i < kSectorEntries; ++i) {
    want.Set(SectorAddress(0) + i, tune.Image().At(SectorAddress(7) + i));
    want.Set(SectorAddress(1) + i, tune.Image().At(SectorAddress(9) + i));
  }
  EXPECT_TRUE(SameImage(state->image, want));
  EXPECT_EQ(state->exploration.counts.SectorCount, 2);
}

// Song 1's voice-0 track decides whether song 1 exists; its voice 1 plays sector 4, which
// then is the second sector in use and moves to number 1.
struct ExistenceCase {
  const char* name;
  std::vector<uint8_t> voice0;
  bool exists;
};

class SongExistence : public ::testing::TestWithParam<ExistenceCase> {};

TEST_P(SongExistence, VoiceZeroDecidesAndAbsentSongsAreNotScanned) {
  const ExistenceCase& c = GetParam();
  TuneBuilder tune;
  tune.Song(0, {0, 0xFF}, {0xFF}, {0xFF}).Track(1, 0, c.voice0).Track(1, 1, {4, 0xFF});
  tune.Sector(0, {0x30, 0xFF}).Sector(4, {0xFB, 0xFF});

  std::string console;
  auto state = Explore(tune.Image(), console);

  const std::string report =
      c.exists ? "Songs: ++--\n2 Sectors : \n" + SectorLines(Marks({0, 4}, 96)) +
                     "after reorganizing: \n" + SectorLines(Marks({0, 1}, 96))
               : "Songs: +---\n1 Sectors : \n" + SectorLines(Marks({0}, 96));
  EXPECT_EQ(Section(console, c.exists ? "Songs: ++--" : "Songs: +---", "0 Instruments :"), report);
  MusicImage want = tune.Image();
  if (c.exists) {
    want.Set(TrackAddress(1, 1), 1);
    for (uint32_t i = 0; i < kSectorEntries; ++i) want.Set(SectorAddress(1) + i, tune.Image().At(SectorAddress(4) + i));
  }
  EXPECT_TRUE(SameImage(state->image, want));
  EXPECT_EQ(state->features.Has(Feature::kTieNotes), c.exists);
}

std::vector<uint8_t> Filled(uint8_t value, std::vector<std::pair<int, uint8_t>> at) {
  std::vector<uint8_t> track(kTrackEntries, value);
  for (const auto& [i, b] : at) track[static_cast<size_t>(i)] = b;
  return track;
}

INSTANTIATE_TEST_SUITE_P(
    ExploreReport, SongExistence,
    ::testing::Values(
        ExistenceCase{"EndAfterF6IsItsParameter", {0xF6, 0xFF}, false},
        ExistenceCase{"EndAfterF7IsItsParameter", {0xF7, 0xFF}, false},
        ExistenceCase{"EndAfterF8IsItsParameter", {0xF8, 0xFF}, false},
        ExistenceCase{"EndAfterF9IsItsParameter", {0xF9, 0xFF}, false},
        ExistenceCase{"EndAfterFAIsItsParameter", {0xFA, 0xFF}, false},
        ExistenceCase{"SongChangeAfterF6IsHidden", {0xF6, 0xF1}, false},
        ExistenceCase{"EndAfterTheParameterCounts", {0xF8, 0x80, 0xFF}, true},
        ExistenceCase{"F5TakesOneByte", {0xF5, 0xFF}, true},
        ExistenceCase{"FBTakesOneByte", {0xFB, 0xFF}, true},
        ExistenceCase{"SongChangeF0", {0xF0}, true},
        ExistenceCase{"SongChangeF3", {0xF3}, true},
        ExistenceCase{"Loop", {0xFE, 0x00}, true},
        ExistenceCase{"EndInTheLastEntry", Filled(0x80, {{255, 0xFF}}), true},
        ExistenceCase{"EndInTheLastEntryHiddenByF6", Filled(0x80, {{254, 0xF6}, {255, 0xFF}}), false},
        ExistenceCase{"NoEndInTheTrack", Filled(4, {}), false},
        ExistenceCase{"F7InTheLastEntry", Filled(0x80, {{255, 0xF7}}), false}),
    [](const ::testing::TestParamInfo<ExistenceCase>& info) { return std::string(info.param.name); });

TEST(ExploreReport, NoEndInVoiceZeroLeavesTheOtherVoicesUnscanned) {
  TuneBuilder tune;
  tune.Track(2, 0, Filled(6, {}))
      .Track(2, 1, {3, 0x80, 0xFF})
      .Track(2, 2, {4, 0xC1, 0xFF})
      .Sector(3, {0xC2, 0xFF})
      .Sector(4, {0x62, 0xFF});
  std::string console;
  auto state = Explore(tune.Image(), console);
  EXPECT_EQ(Section(console, "Songs: ----", "0 Instruments :"),
            "Songs: ----\n0 Sectors : \n" + SectorLines(Times('-', 96)));
  EXPECT_TRUE(SameImage(state->image, tune.Image()));
  for (Feature f : {Feature::kTranspose, Feature::kRepeat, Feature::kEnd}) {
    EXPECT_FALSE(state->features.Has(f)) << DefineName(f);
  }
}

// After a song-change byte the track scan stops, but the renumbering walk goes on to the
// track's $FE or $FF and rewrites the references it meets there.
TEST(ExploreReport, SectorNumbersAfterASongChangeAreRewrittenButNotCounted) {
  for (uint8_t change : {0xF0, 0xF1, 0xF2, 0xF3}) {
    SCOPED_TRACE(change);
    TuneBuilder tune;
    tune.Song(0, {6, change, 6, 8, 0xFF, 6}, {change}, {change})
        .Track(1, 1, {6, 8, 0xFE, 6, 6})  // song 1 does not exist; its tracks are still rewritten
        .Sector(6, {0x30, 0xFF})
        .Sector(8, {0x31, 0xFF});

    std::string console;
    auto state = Explore(tune.Image(), console);

    EXPECT_EQ(Section(console, "Songs: +---", "0 Instruments :"),
              "Songs: +---\n1 Sectors : \n" + SectorLines(Marks({6}, 96)) + "after reorganizing: \n" +
                  SectorLines(Marks({0}, 96)));
    MusicImage want = tune.Image();
    want.Set(TrackAddress(0, 0) + 0, 0);
    want.Set(TrackAddress(0, 0) + 2, 0);
    want.Set(TrackAddress(1, 1) + 0, 0);
    for (uint32_t i = 0; i < kSectorEntries; ++i) {
      want.Set(SectorAddress(0) + i, tune.Image().At(SectorAddress(6) + i));
    }
    EXPECT_TRUE(SameImage(state->image, want));
    EXPECT_TRUE(state->features.Has(Feature::kSongChange));
    EXPECT_FALSE(state->features.Has(Feature::kEnd));
  }
}

TEST(ExploreReport, GlidesThreeAndSevenBecomeZeroAndOne) {
  TuneBuilder tune;
  tune.Song(0, {0, 0xFF}, {1, 0xFF}, {0xFF})
      .Sector(0, {0x63, 0x30, 0xF8, 0x63, 0x67, 0x31, 0x63, 0xFF, 0x67})
      .Sector(1, {0xFA, 0x67, 0x67, 0xFF})
      .Sector(2, {0x63, 0x67, 0xFF})  // not played
      .Glide(0, 0xA0, 0xA1)
      .Glide(1, 0xB0, 0xB1)
      .Glide(3, 0x13, 0x33)
      .Glide(7, 0x17, 0x37);

  std::string console;
  auto state = Explore(tune.Image(), console);

  EXPECT_EQ(Section(console, "0 Instruments :", "Wavetable/Arpeggiotable - usage :"),
            "0 Instruments :\n" + Times('-', 32) + "\n2 Glides :\n" + Marks({3, 7}, 32) + "\n");
  MusicImage want = tune.Image();
  // Selects become $60 and $61; parameters, bytes after $FF and unplayed sectors stay.
  want.Set(SectorAddress(0) + 0, 0x60);
  want.Set(SectorAddress(0) + 4, 0x61);
  want.Set(SectorAddress(0) + 6, 0x60);
  want.Set(SectorAddress(1) + 2, 0x61);
  want.Set(addr::gldtbl + 0, 0x13);
  want.Set(addr::gldtbh + 0, 0x33);
  want.Set(addr::gldtbl + 1, 0x17);
  want.Set(addr::gldtbh + 1, 0x37);
  EXPECT_TRUE(SameImage(state->image, want));
  EXPECT_EQ(state->exploration.counts.GlideCount, 2);
  EXPECT_TRUE(state->features.Has(Feature::kGlides));
  // The map keeps the numbers it was printed with.
  std::array<uint8_t, kGlideCount> glides{};
  glides[3] = glides[7] = 1;
  EXPECT_EQ(state->exploration.maps.GlideMap, glides);
}

// The song switch only picks the song for the defines; everything that exists is explored.
TEST(ExploreReport, TheSongSwitchDoesNotNarrowTheExploration) {
  TuneBuilder tune;
  tune.Song(0, {4, 0xFF}, {0xFF}, {0xFF}, 3)
      .Song(2, {9, 0xFF}, {4, 0xFF}, {0xFF}, 6)
      .Sector(4, {0xC1, 0x62, 0x30, 0xFF})
      .Sector(9, {0xC3, 0x65, 0x30, 0xFF})
      .Instrument(1, {.wave = 2})
      .Instrument(3, {.wave = 1})
      .WaveRows(1, {{0xFF, 0}, {0xFF, 0}})
      .Glide(2, 1, 2)
      .Glide(5, 3, 4);

  std::string allConsole;
  auto all = Explore(tune.Image(), allConsole);
  const std::string report =
      "Songs: +-+-\n2 Sectors : \n" + SectorLines(Marks({4, 9}, 96)) + "after reorganizing: \n" +
      SectorLines(Marks({0, 1}, 96)) + "2 Instruments :\n" + Marks({1, 3}, 32) + "\n2 Glides :\n" +
      Marks({2, 5}, 32) + "\n" + TableReport("Wavetable/Arpeggiotable - usage :", Marks({1, 2}, 256)) +
      "after Reorganizing :\n" + MapLines(MarkRange(0, 1, 256), 64);
  EXPECT_EQ(Section(allConsole, "Songs: +-+-", "Pulsetable-Usage :"), report);
  EXPECT_EQ(all->features.SelectedSong, -1);

  for (int16_t song : {0, 2, 3}) {
    SCOPED_TRACE(song);
    PackOptions options;
    options.RequestedSong = song;
    std::string console;
    auto one = Explore(tune.Image(), console, options);
    EXPECT_EQ(console, allConsole);
    EXPECT_TRUE(SameImage(one->image, all->image));
    EXPECT_EQ(one->exploration.maps.SectorMap, all->exploration.maps.SectorMap);
    EXPECT_EQ(one->exploration.maps.InstrumentMap, all->exploration.maps.InstrumentMap);
    EXPECT_EQ(one->exploration.maps.GlideMap, all->exploration.maps.GlideMap);
    EXPECT_EQ(one->exploration.maps.WaveMap, all->exploration.maps.WaveMap);
    EXPECT_EQ(one->exploration.counts.SectorCount, 2);
    EXPECT_EQ(one->exploration.counts.InstrumentCount, 2);
    EXPECT_EQ(one->exploration.counts.GlideCount, 2);
    EXPECT_EQ(one->features.SelectedSong, song);
  }
}

// A used sector with no $FF: the walks stop at its last entry; a command there has no
// parameter inside the sector, so the first byte of the next sector is neither rewritten
// as a glide select nor taken as a pulse program start.
TEST(ExploreReport, ACommandInTheLastEntryOfASectorWithoutEndReadsNothingBeyond) {
  std::vector<uint8_t> sector(kSectorEntries, 0x30);
  sector[253] = 0xC1;
  sector[254] = 0x63;
  sector[255] = 0xF7;
  TuneBuilder tune;
  tune.Song(0, {0, 0xFF}, {0xFF}, {0xFF})
      .Sector(0, sector)
      .Sector(1, {0x63, 0xC4, 0x63, 0xFF})  // not played
      .Glide(3, 0x21, 0x22)
      .PulseRows(99, {{1, 0}, {2, 0}, {3, 0}});
  QuietWaveRow(tune);

  std::string console;
  auto state = Explore(tune.Image(), console);

  EXPECT_EQ(Section(console, "1 Sectors : "),
            "1 Sectors : \n" + SectorLines(Marks({0}, 96)) + "1 Instruments :\n" + Marks({1}, 32) +
                "\n1 Glides :\n" + Marks({3}, 32) + "\n" +
                TableReport("Wavetable/Arpeggiotable - usage :", Marks({0}, 256)) + EmptyTableReports());
  MusicImage want = tune.Image();
  want.Set(SectorAddress(0) + 254, 0x60);
  want.Set(addr::gldtbl, 0x21);
  want.Set(addr::gldtbh, 0x22);
  EXPECT_TRUE(SameImage(state->image, want));
  EXPECT_TRUE(state->features.Has(Feature::kTunePp));
  EXPECT_FALSE(state->features.Has(Feature::kPulse));
}

}  // namespace
}  // namespace zspack::testing
