// The whole exploration of one image: only the songs that exist are walked, only the
// sectors they play are scanned (under their new numbers), and the report says so.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "explore/explore_fixture.h"
#include "explore/explore_music.h"
#include "support/tune_builder.h"

namespace zspack::testing {
namespace {

// Lines of 64 unused rows, as a table report prints them.
std::string UnusedRows(int lines) {
  std::string text;
  for (int i = 0; i < lines; ++i) text += std::string(64, '-') + "\n";
  return text;
}

TEST(ExploreMusic, ReportsWhatTheExistingSongsPlay) {
  TuneBuilder tune;
  tune.Song(0, {2, 0xFF}, {5, 2, 0xFF}, {0xFF})
      .Track(1, 0, Filled(0x85))  // no end: song 1 does not exist
      .Track(1, 1, {7, 0xC1, 0xFF})
      .Sector(2, {0xC3, 0x64, 0x30, 0xFF})
      .Sector(5, {0xC1, 0x30, 0xFF})
      .Sector(7, {0xC9, 0x66, 0xFB, 0xF6, 1, 0xFF})  // played by song 1 alone
      .Sector(9, {0xFB, 0xFA, 0, 0xFF})              // played by no song
      .Glide(4, 0x44, 0x04)
      .WaveRows(0, {{0xFF, 0}});

  auto state = StateOf(tune.Image());
  std::string console;
  const Exploration found = ExploreMusic(state->image, console);

  EXPECT_EQ(console,
            "exploring music ... you will see\n"
            "Songs: +---\n"
            "2 Sectors : \n"
            "--+--+------------------------------------------\n"
            "------------------------------------------------\n"
            "after reorganizing: \n"
            "++----------------------------------------------\n"
            "------------------------------------------------\n"
            "2 Instruments :\n"
            "-+-+----------------------------\n"
            "1 Glides :\n"
            "----+---------------------------\n"
            "Wavetable/Arpeggiotable - usage :\n"
            "+---------------------------------------------------------------\n" +
                UnusedRows(3) + "Pulsetable-Usage :\n" + UnusedRows(4) + "Filtertable-Usage :\n" + UnusedRows(4));
  EXPECT_EQ(Names(found.entryFeatures), "_END_");
  EXPECT_EQ(found.counts.SectorCount, 2);
  EXPECT_EQ(found.counts.InstrumentCount, 2);
  EXPECT_EQ(found.counts.HighestInstrument, 3);
  EXPECT_EQ(found.counts.GlideCount, 1);
  EXPECT_EQ(Marked(found.maps.GlideMap), std::vector<int>{4});
  // Sectors 2 and 5 became 0 and 1, glide 4 became glide 0.
  EXPECT_EQ(state->image.At(TrackAddress(0, 1)), 1);
  EXPECT_EQ(state->image.At(TrackAddress(0, 1) + 1), 0);
  EXPECT_EQ(state->image.At(SectorAddress(0) + 1), 0x60);
  EXPECT_EQ(state->image.At(addr::gldtbl), 0x44);
}

}  // namespace
}  // namespace zspack::testing
