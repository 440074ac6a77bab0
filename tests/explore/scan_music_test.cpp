// The walks that find what the music uses: which songs exist, which sectors a track plays,
// which instruments and glides a sector selects, the features their entries call for, and
// where each walk stops.
#include <gtest/gtest.h>

#include <optional>
#include <vector>

#include "explore/explore_fixture.h"
#include "explore/scan_music.h"
#include "support/tune_builder.h"

namespace zspack::testing {
namespace {

// Song `song` exists when its first voice's track ends within its 256 entries. The search
// steps over the entry after each $F6..$FA, so such a byte hides an end right after it.
// The song's other voices end at once: they must not count, nor be read as voice 0's tail.
TEST(FindSongs, TheFirstVoiceAloneDecides) {
  struct Case { const char* name; int song; std::vector<uint8_t> voice0; bool exists; };
  const Case cases[] = {
      {"EndsAfterF6ToFAAreTheirParameters", 0, {0xF6, 0xFF, 0xF7, 0xFF, 0xF8, 0xFF, 0xF9, 0xFF, 0xFA, 0xFF}, false},
      {"SongChangeAfterF6IsHidden", 1, {0xF6, 0xF1}, false},
      {"EndAfterTheParameterCounts", 2, {0xF8, 0x80, 0xFF}, true},
      {"F5TakesOneEntry", 3, {0xF5, 0xFF}, true},
      {"FBTakesOneEntry", 0, {0xFB, 0xFF}, true},
      {"SongChangeF0", 1, {0xF0}, true},
      {"SongChangeF3", 2, {0xF3}, true},
      {"Loop", 3, {0xFE, 0x00}, true},
      {"EndInTheLastEntry", 0, Filled(0x80, {{255, 0xFF}}), true},
      {"EndInTheLastEntryHiddenByF6", 1, Filled(0x80, {{254, 0xF6}, {255, 0xFF}}), false},
      {"F7InTheLastEntry", 2, Filled(0x80, {{255, 0xF7}}), false},
      {"NoEndInTheTrack", 3, Filled(4), false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TuneBuilder tune;
    tune.Track(c.song, 0, c.voice0).Track(c.song, 1, {0xFF}).Track(c.song, 2, {0xFF});
    SongMarks want{};
    want[static_cast<size_t>(c.song)] = c.exists ? 1 : 0;
    EXPECT_EQ(FindSongs(tune.Image()), want);
  }
}

// A track is walked to its first song change, loop or end, or through its 256 entries; the
// two entries after it (the next track, or sector 0 after the last track) are never read.
TEST(ScanTrack, MarksSectorsAndFeaturesUpToTheEnd) {
  struct Case {
    const char* name;
    int song, voice;
    std::vector<uint8_t> entries;
    int16_t firstMarks;
    std::vector<int> sectors;
    const char* features;
  };
  const Case cases[] = {
      {"SectorBoundsAndRepeats", 1, 2, {0x5F, 0, 0x5F, 0xFF}, 2, {0, 95}, "_END_"},
      {"SpeedBounds", 0, 1, {0x60, 0x7F, 0xFF}, 0, {}, "_SPEEDCHANGE_ _END_"},
      {"TransposeBounds", 0, 1, {0x80, 0xBF, 0xFF}, 0, {}, "_TRANSPOSE_ _END_"},
      {"RepeatBounds", 0, 1, {0xC0, 0xDF, 0xFF}, 0, {}, "_REPEAT_ _END_"},
      {"VolumeBounds", 0, 1, {0xE0, 0xEF, 0xFF}, 0, {}, "_SETMVL_ _END_"},
      {"F4ToFDMeanNothing", 2, 0, {0xF4, 0xF5, 0xF6, 0xF7, 0xF8, 0xF9, 0xFA, 0xFB, 0xFC, 0xFD, 6, 0xFF},
       1, {6}, "_END_"},
      {"SongChangeF0Ends", 0, 0, {0xF0, 4, 0x80, 0xFF}, 0, {}, "_SONGCHANGE_"},
      {"SongChangeF3Ends", 0, 0, {0xF3, 4, 0x80, 0xFF}, 0, {}, "_SONGCHANGE_"},
      {"LoopEndsBeforeItsArgument", 0, 2, {3, 0xFE, 5, 6, 0x80, 0xFF}, 1, {3}, "_LOOP_"},
      {"EndEnds", 0, 2, {4, 0xFF, 5, 0x80, 0xFE}, 1, {4}, "_END_"},
      {"LastTrackWithoutEnd", 3, 2, Filled(0x85, {{255, 40}}), 1, {40}, "_TRANSPOSE_"},
      {"LoopInTheLastEntry", 0, 0, Filled(0x80, {{255, 0xFE}}), 0, {}, "_TRANSPOSE_ _LOOP_"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TuneBuilder tune;
    const uint32_t after = TrackAddress(c.song, c.voice) + kTrackEntries;
    tune.Track(c.song, c.voice, c.entries).Poke(after, 7).Poke(after + 1, 0xE0);
    Exploration found;
    EXPECT_EQ(ScanTrack(tune.Image(), c.song, c.voice, found), c.firstMarks);
    EXPECT_EQ(Marked(found.maps.SectorMap), c.sectors);
    EXPECT_EQ(Names(found.entryFeatures), c.features);
  }
}

// A sector is walked to its $FF or through its 256 entries, each $F6..$FA stepping over its
// parameter; the first entries of the next sector are never read.
TEST(ScanSector, MarksInstrumentsGlidesAndFeaturesUpToTheEnd) {
  struct Case {
    const char* name;
    int sector;
    std::vector<uint8_t> entries;
    std::vector<int> instruments, glides;
    const char* features;
  };
  const Case cases[] = {
      {"F6ParameterIsNoInstrument", 0, {0xF6, 0xC5, 0xFF}, {}, {}, "_TUNEFP_"},
      {"F7ParameterIsNoInstrument", 0, {0xF7, 0xC3, 0xFF}, {}, {}, "_TUNEPP_"},
      {"F8ParameterIsNoGlide", 0, {0xF8, 0x65, 0xFF}, {}, {}, "_TUNEFF_"},
      {"F9ParameterFFDoesNotEnd", 0, {0xF9, 0xFF, 0xC1, 0xFF}, {1}, {}, "_TUNESR_"},
      {"FAParameterIsNoTie", 0, {0xFA, 0xFB, 0xFF}, {}, {}, "_TUNEAD_"},
      {"ParameterIsNoCommand", 0, {0xF9, 0xF6, 0xC2, 0xFF}, {2}, {}, "_TUNESR_"},
      {"TieNote", 0, {0x30, 0xFB, 0xFF}, {}, {}, "_TIENOTES_"},
      {"SelectBounds", 0, {0x60, 0x7F, 0xC0, 0xDF, 0xFF}, {0, 31}, {0, 31}, ""},
      {"SpareEntriesMeanNothing", 0, {0x00, 0x5F, 0x80, 0xBF, 0xE0, 0xF5, 0xFC, 0xFE, 0xFF}, {}, {}, ""},
      {"RepeatedSelectsCountOnce", 7, {0xC2, 0x30, 0xC2, 0x62, 0x62, 0xFF}, {2}, {2}, ""},
      {"EndStops", 0, {0xC1, 0xFF, 0xC4, 0x64, 0xFB}, {1}, {}, ""},
      {"HighestIsNotTheLastSelected", 0, {0xC5, 0xC0, 0xC2, 0xFF}, {0, 2, 5}, {}, ""},
      {"NoEndReadsAll256Entries", 3, Filled(0x30, {{0, 0x61}, {255, 0xC6}}), {6}, {1}, ""},
      {"CommandInTheLastEntry", 3, Filled(0x30, {{255, 0xF8}}), {}, {}, "_TUNEFF_"},
      {"CommandBeforeTheLastEntry", 3, Filled(0x30, {{254, 0xF9}, {255, 0xC4}}), {}, {}, "_TUNESR_"},
      {"LastSectorWithoutEnd", 95, Filled(0xC7), {7}, {}, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TuneBuilder tune;
    tune.Sector(c.sector, c.entries);
    if (c.sector + 1 < kSectorCount) tune.Sector(c.sector + 1, {0xC5, 0x65, 0xFB});
    Exploration found;
    ScanSector(tune.Image(), c.sector, found);
    EXPECT_EQ(Marked(found.maps.InstrumentMap), c.instruments);
    EXPECT_EQ(Marked(found.maps.GlideMap), c.glides);
    EXPECT_EQ(found.counts.InstrumentCount, static_cast<int16_t>(c.instruments.size()));
    EXPECT_EQ(found.counts.GlideCount, static_cast<int16_t>(c.glides.size()));
    EXPECT_EQ(found.counts.HighestInstrument,
            c.instruments.empty() ? std::nullopt : std::optional<int16_t>(c.instruments.back()));
    EXPECT_EQ(Names(found.entryFeatures), c.features);
  }
}

}  // namespace
}  // namespace zspack::testing
