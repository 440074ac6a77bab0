// Crunching, one kind of leftover per row: the report lines it prints, a line the crunched
// data file must hold, and, for every row, the same music view as the plain pack's with
// no more bytes.
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "output/data_file.h"
#include "output/data_tables.h"
#include "pack/music_view.h"
#include "pack/pack_tune.h"
#include "support/tune_builder.h"

namespace zspack::testing {
namespace {

using Bytes = std::vector<uint8_t>;

struct CrunchCase {
  const char* name;
  std::function<void(TuneBuilder&)> build;
  std::vector<std::string> report;  // the lines after the bytes line
  std::string data;                 // a piece of the crunched the_data.a
  int16_t song = kAllSongs;
};

// Song 0 plays `sectors` on voice 0; voices 1 and 2 play sector 0 twice and thrice.
void OneSong(TuneBuilder& t, Bytes sectors) {
  sectors.push_back(0xFF);
  t.Song(0, sectors, {0, 0, 0xFF}, {0, 0, 0, 0xFF});
}

const CrunchCase kCases[] = {
    {"InstrumentNumbersCloseUp",
     [](TuneBuilder& t) {
       OneSong(t, {0});
       t.Sector(0, {0xC1, 0x30, 0xC4, 0x32, 0xFF}).Instrument(1, {.ad = 0x11}).Instrument(4, {.ad = 0x44});
     },
     {"instruments 5 -> 2"}, ".sec00\r\n\t!by $C0,$30,$C1,$32,$FF"},
    {"IdenticalInstrumentsMerge",
     [](TuneBuilder& t) {
       OneSong(t, {0});
       t.Sector(0, {0xC0, 0x30, 0xC1, 0x31, 0xC2, 0xFF})
           .Instrument(0, {.ad = 9, .hardRestart = 1}).Instrument(1, {.ad = 8}).Instrument(2, {.ad = 9, .hardRestart = 1});
     },
     {"instruments 3 -> 2"}, ".sec00\r\n\t!by $C0,$30,$C1,$31,$C0,$FF"},
    {"InstrumentsWithCopiedWaveProgramsMerge",
     [](TuneBuilder& t) {
       OneSong(t, {0});
       t.Sector(0, {0xC0, 0x30, 0xC1, 0xFF}).Instrument(0, {.wave = 0}).Instrument(1, {.wave = 2});
       t.WaveRows(0, {{0x41, 0}, {0xFF, 0}, {0x41, 0}, {0xFF, 0}});
     },
     {"instruments 2 -> 1", "wave rows 4 -> 2"}, "wave\r\n\t!by $41,$FF"},
    {"CopiedSectorsMerge",
     [](TuneBuilder& t) {
       OneSong(t, {0, 1, 2});
       t.Sector(0, {0x30, 0xFF}).Sector(1, {0x31, 0xFF}).Sector(2, {0x31, 0xFF});
     },
     {"sectors 3 -> 2"}, ".trk00\r\n\t!by $00,$01,$01,$FF"},
    {"SectorsIdenticalOnceTheirInstrumentsMerge",
     [](TuneBuilder& t) {
       OneSong(t, {0, 1});
       t.Sector(0, {0xC0, 0x30, 0xFF}).Sector(1, {0xC1, 0x30, 0xFF}).Instrument(0, {.sr = 3}).Instrument(1, {.sr = 3});
     },
     {"instruments 2 -> 1", "sectors 2 -> 1", "tracks 3 -> 2"}, ".trk00\r\n\t!by $00,$00,$FF"},
    {"SectorThatEndsAnotherIsWrittenInsideIt",
     [](TuneBuilder& t) {
       OneSong(t, {0, 1});
       t.Sector(0, {0x30, 0x31, 0x32, 0xFF}).Sector(1, {0x31, 0x32, 0xFF});
     },
     {"sectors written whole 2 -> 1"}, ".sec00\r\n\t!by $30\r\n.sec01\r\n\t!by $31,$32,$FF"},
    {"IdenticalTracksShareALabel",
     [](TuneBuilder& t) { t.Song(0, {0, 0xFF}, {0, 0xFF}, {1, 0xFF}).Sector(0, {0x30, 0xFF}).Sector(1, {0x31, 0xFF}); },
     {"tracks 3 -> 2"}, "\t!by <.trk00,>.trk00,<.trk00,>.trk00,<.trk02,>.trk02,"},
    {"CopiedGlidesMerge",
     [](TuneBuilder& t) {
       OneSong(t, {0});
       t.Sector(0, {0x61, 0x30, 0x63, 0x32, 0xFF}).Glide(1, 0x10, 0x20).Glide(3, 0x10, 0x20);
     },
     {"glides 2 -> 1"}, ".sec00\r\n\t!by $60,$30,$60,$32,$FF"},
    {"SingleSongLeavesTheOtherSongsOut",
     [](TuneBuilder& t) {
       t.Song(0, {0, 0xFF}, {0, 0, 0xFF}, {0, 0, 0, 0xFF}).Song(1, {1, 0xFF}, {1, 1, 0xFF}, {1, 1, 1, 0xFF});
       t.Sector(0, {0xC0, 0x30, 0xFF}).Sector(1, {0xC1, 0x31, 0xFF}).Instrument(0, {.ad = 1}).Instrument(1, {.ad = 2});
     },
     {"instruments 2 -> 1", "sectors 2 -> 1"}, ".sec00\r\n\t!by $C0,$31,$FF", 1},
    {"PulseRowsCloseUp",
     [](TuneBuilder& t) {
       OneSong(t, {0});
       t.Sector(0, {0xC0, 0x30, 0xFF}).Instrument(0, {.pulse = 5});
       t.PulseRows(1, {{1, 1}, {2, 2}, {3, 3}, {4, 4}, {0x50, 0x51}, {0x60, 0x61}, {0x70, 0}});
     },
     {"pulse rows 7 -> 3"}, "pptb\r\n\t!by $01"},
    {"FilterStartOfACommandMoves",
     [](TuneBuilder& t) {
       OneSong(t, {0});
       t.Sector(0, {0xF6, 0x04, 0x30, 0xFF});
       t.FilterRows(1, {{1, 1}, {2, 2}, {3, 3}, {0x50, 0x51}, {0x60, 0x61}, {0x70, 0}});
     },
     {"filter rows 6 -> 3"}, ".sec00\r\n\t!by $F6,$01,$30,$FF"},
    {"PulseTailsShare",
     [](TuneBuilder& t) {
       OneSong(t, {0});
       t.Sector(0, {0xC0, 0x30, 0xC1, 0xFF}).Instrument(0, {.pulse = 1}).Instrument(1, {.pulse = 8});
       // Program 1 steps to row 4, program 8 to row 11: both play the step 4 / 11 alone.
       t.PulseRows(1, {{1, 1}, {2, 2}, {3, 4}, {0x40, 0x41}, {0x42, 0}});
       t.PulseRows(8, {{8, 8}, {9, 9}, {10, 11}, {0x40, 0x41}, {0x42, 0}});
     },
     {"pulse rows 12 -> 8"}, "ptb2 = *-1\r\n\t!by $01,$02,$04,$41,$00,$08,$09,$04"},
    {"WaveProgramThatIsATailStartsInsideTheOther",
     [](TuneBuilder& t) {
       OneSong(t, {0});
       t.Sector(0, {0xC0, 0x30, 0xC1, 0xFF}).Instrument(0, {.wave = 0}).Instrument(1, {.wave = 3});
       t.WaveRows(0, {{0x41, 1}, {0x21, 2}, {0xFF, 0}, {0x21, 2}, {0xFF, 0}});
     },
     {"wave rows 5 -> 3"}, "aptb\r\n\t!by $00,$01"},
    {"ProgramReadingRowsNotWrittenIsLeft",
     [](TuneBuilder& t) {
       OneSong(t, {0});
       // Instrument 1 starts inside instrument 0's program, and its step reads row 6.
       t.Sector(0, {0xC0, 0xC1, 0x30, 0xFF}).Instrument(0, {.pulse = 3}).Instrument(1, {.pulse = 4});
       t.PulseRows(3, {{3, 3}, {4, 4}, {5, 0}});
     },
     {"pulse table left as it is: a program reads rows that are not written."}, "pptb\r\n\t!by $03,$04"},
    {"RowThatIsValueAndLinkIsLeft",
     [](TuneBuilder& t) {
       OneSong(t, {0});
       // Row 3 ends program 1's step and begins program 2's.
       t.Sector(0, {0xC0, 0xC1, 0x30, 0xFF}).Instrument(0, {.pulse = 2}).Instrument(1, {.pulse = 1});
       t.PulseRows(1, {{1, 1}, {2, 2}, {3, 0}, {4, 0}});
     },
     {"pulse table left as it is: a row is a value to one program and a link to another."}, "pptb\r\n\t!by $02,$01"},
    {"TrackWithoutEndCrunchesNothing",
     [](TuneBuilder& t) {
       t.Song(0, {0, 0xFF}, Bytes(256, 0), {0, 0xFF}).Sector(0, {0xC1, 0x30, 0xFF}).Instrument(1, {.ad = 1});
     },
     {"nothing crunched: a track or sector of the packed songs has no end, or a track loops from its last entry."},
     "adtb\r\n\t!by $00,$01"},
};

class Crunch : public ::testing::TestWithParam<CrunchCase> {};

TEST_P(Crunch, ReportsWhatWentAndPlaysTheSame) {
  const CrunchCase& c = GetParam();
  TuneBuilder tune;
  tune.WaveRows(0, {{0xFF, 0}});  // every instrument's wave program ends at once
  c.build(tune);
  PackOptions options;
  options.RequestedSong = c.song;
  auto plain = std::make_unique<PackState>();
  auto crunched = std::make_unique<PackState>();
  PackedTune plainOut, crunchedOut;
  PackTune(tune.File(), options, *plain, plainOut);
  options.Crunch = true;
  PackTune(tune.File(), options, *crunched, crunchedOut);

  const size_t bytesLine = crunchedOut.console.find("Crunching music data ... ");
  ASSERT_NE(bytesLine, std::string::npos) << crunchedOut.console;
  std::istringstream after(crunchedOut.console.substr(bytesLine));
  std::string line;
  std::getline(after, line);
  std::vector<std::string> report;
  while (std::getline(after, line)) report.push_back(line);
  EXPECT_EQ(report, c.report) << crunchedOut.console;
  EXPECT_NE(crunchedOut.data.find(c.data), std::string::npos) << crunchedOut.data;

  const std::optional<int16_t> selected = crunched->features.SelectedSong;
  EXPECT_LE(CountDataBytes(crunched->image, crunched->exploration, selected),
            CountDataBytes(plain->image, plain->exploration, selected));
  MusicViewer viewer;
  EXPECT_EQ(viewer.View(ResolveDataTables(plain->image, plain->exploration, selected)),
            viewer.View(ResolveDataTables(crunched->image, crunched->exploration, selected)));
}

INSTANTIATE_TEST_SUITE_P(Leftovers, Crunch, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<CrunchCase>& info) { return info.param.name; });

}  // namespace
}  // namespace zspack::testing
