// The data file read back as the assembler lays it out gives the tables ResolveDataTables
// says the writer wrote, for the golden tunes and for tunes built around the lengths that
// are easy to get wrong; plain and crunched, all songs and one. A track without an end
// byte is the one table where the two part: the writer writes its first entry only and a
// reader reads on into what follows, so none of these tunes packs one.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "pack/pack_tune.h"
#include "support/data_file_reader.h"
#include "support/tune_builder.h"

namespace zspack::testing {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Golden(const char* name) {
  const std::string text = ReadText(std::string(ZSPACK_SOURCE_DIR) + "/tests/golden/" + name + "/tune.prg");
  return {text.begin(), text.end()};
}

// Two songs: a track whose loop sits in its last entry and takes its parameter from the
// next track (257 bytes written), a song change, a sector without $FF, one whose last
// entry is a command, glides and pulse and filter programs started by both instruments
// and sectors.
Bytes LongestTables() {
  Bytes loopAtEnd(255, 0x00);
  loopAtEnd.push_back(0xFE);
  Bytes endless(256, 0x30), commandLast(255, 0x31);
  commandLast.push_back(0xF6);
  return TuneBuilder()
      .Song(0, loopAtEnd, {0x01, 0xF1}, {0x02, 0x80, 0x03, 0xFF}, 4, 0x11)
      .Song(1, {0x03, 0xFF}, {0x00, 0xC1, 0x02, 0xFE, 0x01}, {0x01, 0xFF}, 6, 0x22)
      .Arpspds(0, 0x03).Arpspds(1, 0x12)
      .Sector(0, {0xC1, 0x61, 0x30, 0xF7, 0x03, 0xF6, 0x01, 0xFB, 0x31, 0xFF})
      .Sector(1, endless)
      .Sector(2, commandLast)
      .Sector(3, {0xC0, 0x60, 0x32, 0xF9, 0xFF, 0xFF})
      .Instrument(0, {.ad = 0x10, .wave = 2, .pulse = 1, .filter = 3})
      .Instrument(1, {.ad = 0x20, .wave = 0, .hardRestart = 2})
      .Glide(0, 0x40, 0x01).Glide(1, 0x80, 0x02)
      .WaveRows(0, {{0x41, 0}, {0x90, 0}, {0x21, 5}, {0xFF, 0}})
      .PulseRows(1, {{0x08, 0x00}, {0x10, 0x20}, {0x01, 0x00}, {0x04, 0x10}, {0x02, 0x03}})
      .FilterRows(1, {{0x91, 0xF1}, {0x80, 0x40}, {0x02, 0x00}})
      .File();
}

// One song of one sector and nothing else: every table at the one entry written when none is used.
Bytes BareTables() { return TuneBuilder().Song(0, {0x00, 0xFF}, {0xFF}, {0xFF}).Sector(0, {0x30, 0xFF}).File(); }

struct ReaderCase {
  const char* name;
  Bytes (*file)();
  int16_t song;
};
void PrintTo(const ReaderCase& c, std::ostream* os) { *os << c.name; }

const ReaderCase kReaderCases[] = {
    {"default_no_features", [] { return Golden("default_no_features"); }, kAllSongs},
    {"every_feature", [] { return Golden("every_feature"); }, kAllSongs},
    {"every_feature_s2", [] { return Golden("every_feature"); }, 2},
    {"psid_p2", [] { return Golden("psid_p2"); }, kAllSongs},
    {"single_song_s1", [] { return Golden("single_song_s1"); }, 1},
    {"gaps_sectors_glides_instruments", [] { return Golden("gaps_sectors_glides_instruments"); }, kAllSongs},
    {"longest_tables", LongestTables, kAllSongs},
    {"longest_tables_s0", LongestTables, 0},
    {"longest_tables_s1", LongestTables, 1},
    {"bare_tables", BareTables, kAllSongs},
    {"no_song", [] { return TuneBuilder().Sector(0, {0x30, 0xFF}).Instrument(1, {.ad = 1}).File(); }, kAllSongs},
};

class ReadDataFileTest : public ::testing::TestWithParam<ReaderCase> {};

TEST_P(ReadDataFileTest, GivesTheTablesTheWriterWrote) {
  const ReaderCase& c = GetParam();
  auto state = std::make_unique<PackState>();
  PackedTune packed;
  for (const bool crunch : {false, true}) {
    SCOPED_TRACE(crunch ? "crunched" : "plain");
    PackOptions options;
    options.RequestedSong = c.song;
    options.Crunch = crunch;
    PackTune(c.file(), options, *state, packed);
    ASSERT_EQ(packed.depack, DepackStatus::kDone);
    const std::optional<int16_t> selected = c.song < kAllSongs ? std::optional<int16_t>(c.song) : std::nullopt;
    const DataTables read = ReadDataFile(packed.data);
    EXPECT_EQ(TablesDiffer(read, ResolveDataTables(state->image, state->exploration, selected)), "") << packed.data;
    EXPECT_EQ(read.songs.empty(), std::string_view(c.name) == "no_song");
  }
}

INSTANTIATE_TEST_SUITE_P(PackedTunes, ReadDataFileTest, ::testing::ValuesIn(kReaderCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zspack::testing
