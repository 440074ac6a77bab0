// The music view decides whether crunched music is written, so it must tell apart every
// difference a player hears and no difference of numbering alone: one row per pair of
// tables, with whether their views must be equal.
#include <gtest/gtest.h>

#include <functional>

#include "output/data_tables.h"
#include "pack/music_view.h"

namespace zspack::testing {
namespace {

using Bytes = std::vector<uint8_t>;

// One song: voice 0 plays sectors 0 and 1, voices 1 and 2 sector 1. Sector 0 selects
// glide 0 and instrument 0 and starts pulse program 1; sector 1 selects instrument 1 and
// sets a tune parameter. Instrument 0's wave program loops rows 0..1; instrument 1's
// ends at row 2. Pulse program 1 steps to row 4, which links back to itself.
DataTables Base() {
  DataTables t;
  t.arpspds = {0, 0, 0, 0};
  t.songs.push_back({{Bytes{0, 1, 0xFE, 0x00}, Bytes{1, 0xFF}, Bytes{1, 0xFF}}, 5, 0});
  t.sectors = {Bytes{0x60, 0xC0, 0x30, 0xF7, 0x01, 0xFF}, Bytes{0xC1, 0x31, 0xF8, 0x07, 0xFF}};
  t.gldtbl = {0x10};
  t.gldtbh = {0x20};
  for (Bytes& column : t.instruments) column = {0, 0};
  t.instruments[kAptb] = {0, 2};
  t.instruments[kHrtb] = {1, 2};
  t.wave = {0x41, 0x90, 0xFF};
  t.trans = {0x05, 0x00, 0x00};
  t.ptb1 = {0, 0x11, 0x12, 0x13, 0x14, 0x15};
  t.ptb2 = {0, 0x21, 0x22, 0x04, 0x24, 0x04};
  t.ftb1 = {0};
  t.ftb2 = {0};
  return t;
}

struct ViewCase {
  const char* name;
  std::function<void(DataTables&)> change;
  bool same;  // whether the changed tables play as the base ones
};

const ViewCase kCases[] = {
    // Numbering alone.
    {"SectorsSwapped",
     [](DataTables& t) {
       std::swap(t.sectors[0], t.sectors[1]);
       t.songs[0].tracks = {Bytes{1, 0, 0xFE, 0x00}, Bytes{0, 0xFF}, Bytes{0, 0xFF}};
     },
     true},
    {"InstrumentsSwapped",
     [](DataTables& t) {
       for (Bytes& column : t.instruments) std::swap(column[0], column[1]);
       t.sectors[0][1] = 0xC1;
       t.sectors[1][0] = 0xC0;
     },
     true},
    {"UnusedRowsBetween",
     [](DataTables& t) {
       t.wave = {0x41, 0x90, 0x77, 0xFF};
       t.trans = {0x05, 0x00, 0x77, 0x00};
       t.instruments[kAptb][1] = 3;
     },
     true},
    {"LoopUnrolledOnce",
     [](DataTables& t) {
       t.wave = {0x41, 0x41, 0x90, 0xFF};
       t.trans = {0x05, 0x05, 0x01, 0x00};
       t.instruments[kAptb][1] = 3;
     },
     false},  // the jump row is played every time round: 41 41 90 41 90 ... is not 41 90 41 90
    {"LoopEnteredOneRowEarlier",
     [](DataTables& t) {
       t.wave = {0x41, 0x90, 0x41, 0x90, 0xFF};
       t.trans = {0x05, 0x02, 0x05, 0x02, 0x00};
       t.instruments[kAptb][1] = 4;
     },
     true},  // 41, then the loop 90 41 at rows 2..3: the same endless rows as 41 90 41 90 ...
    {"LoopOfTheSamePairTwice",
     [](DataTables& t) {
       t.wave = {0x41, 0x90, 0x41, 0x90, 0xFF};
       t.trans = {0x05, 0x02, 0x05, 0x00, 0x00};
       t.instruments[kAptb][1] = 4;
     },
     true},  // rows 0..3 loop: 41 90 41 90, the pair 41 90 twice
    {"LoopFoundAtItsJump",
     [](DataTables& t) {
       t.wave = {0x90, 0x41, 0x90, 0xFF};
       t.trans = {0x02, 0x05, 0x01, 0x00};
       t.instruments[kAptb] = {1, 3};
     },
     true},  // the unplayed row 0 jumps into the loop at its jump row
    {"PulseStepCopiedAndLinkedThere",
     [](DataTables& t) {
       t.ptb1.push_back(0x14);
       t.ptb2.push_back(0x24);
       t.ptb1.push_back(0x15);
       t.ptb2.push_back(0x06);
       t.ptb2[3] = 0x06;
     },
     true},
    // What a player hears.
    {"InstrumentValue", [](DataTables& t) { t.instruments[kHrtb][1] = 3; }, false},
    {"InstrumentUnusedColumn", [](DataTables& t) { t.instruments[kHf2tb][0] = 1; }, false},
    {"WaveRowValue", [](DataTables& t) { t.trans[0] = 0x06; }, false},
    {"WaveEndRowValue", [](DataTables& t) { t.trans[2] = 0x01; }, false},
    {"PulseStartRow", [](DataTables& t) { t.ptb2[1] = 0x20; }, false},
    {"PulseStepRow", [](DataTables& t) { t.ptb1[5] = 0x16; }, false},
    {"PulseLinkEnds", [](DataTables& t) { t.ptb2[5] = 0x00; }, false},
    {"PulseStartNoneKind", [](DataTables& t) { t.sectors[0][4] = 0xFF; }, false},
    {"GlideByte", [](DataTables& t) { t.gldtbh[0] = 0x21; }, false},
    {"SectorNote", [](DataTables& t) { t.sectors[1][1] = 0x32; }, false},
    {"SectorCommandParameter", [](DataTables& t) { t.sectors[1][3] = 0x08; }, false},
    {"TrackLoopTarget", [](DataTables& t) { t.songs[0].tracks[0][3] = 0x01; }, false},
    {"TrackOrder", [](DataTables& t) { t.songs[0].tracks[0] = {1, 0, 0xFE, 0x00}; }, false},
    {"SongSpeed", [](DataTables& t) { t.songs[0].speed = 6; }, false},
    {"SongSetting", [](DataTables& t) { t.songs[0].setting = 1; }, false},
    {"Arpspds", [](DataTables& t) { t.arpspds[2] = 1; }, false},
    {"SectorMissing", [](DataTables& t) { t.songs[0].tracks[1] = {2, 0xFF}; }, false},
    {"SectorWithoutEnd", [](DataTables& t) { t.sectors[1].pop_back(); }, false},
    {"InstrumentMissing", [](DataTables& t) { for (Bytes& column : t.instruments) column.pop_back(); }, false},
    {"WaveProgramRunsOff", [](DataTables& t) { t.wave[2] = 0x41; }, false},
};

class View : public ::testing::TestWithParam<ViewCase> {};

TEST_P(View, EqualExactlyWhenTheMusicIs) {
  const ViewCase& c = GetParam();
  const DataTables base = Base();
  DataTables changed = Base();
  c.change(changed);
  MusicViewer viewer;
  const MusicView before = viewer.View(base);
  EXPECT_EQ(before == viewer.View(changed), c.same);
}

INSTANTIATE_TEST_SUITE_P(MusicView, View, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<ViewCase>& info) { return info.param.name; });

}  // namespace
}  // namespace zspack::testing
