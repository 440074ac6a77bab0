// The wavetable/arpeggio table: which rows the used instruments reach, the error line for
// programs that run off the table, the usage report, and the compaction with its
// rewritten jump targets and start rows.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "explore/report_text.h"
#include "explore/wave_table.h"
#include "support/tune_builder.h"

namespace zspack::testing {
namespace {

struct WaveRow {
  int row;
  uint8_t wave;
  uint8_t trans;
};

struct Start {
  int instrument;
  uint8_t row;
};

struct WaveCase {
  const char* name;
  std::vector<int> used;             // instruments marked in InstrumentMap
  std::vector<Start> starts;         // aptb entries
  std::vector<WaveRow> rows;
  std::vector<int> errors;           // instruments that get the error line, in order
  std::vector<int> marked;           // rows the walk marks
  std::vector<WaveRow> after;        // rows 0..K-1 after compaction; empty: nothing moves
  std::vector<Start> startsAfter;    // aptb entries after compaction
};

std::string ErrorLine(int instrument) {
  return "Error in wavetable/arpeggiotable of Instrument #" + std::to_string(instrument) +
         ". Sound will probably be weird there ...\n";
}

std::string MarksOf(const std::vector<int>& rows) {
  std::string marks(256, '-');
  for (int r : rows) marks.at(static_cast<size_t>(r)) = '+';
  return marks;
}

class WaveTable : public ::testing::TestWithParam<WaveCase> {};

TEST_P(WaveTable, WalksReportsAndCompacts) {
  const WaveCase& c = GetParam();
  TuneBuilder tune;
  // Every slot gets a start row, to show that only the used ones are rewritten.
  for (uint32_t i = 0; i < kInstrumentCount; ++i) tune.Poke(addr::aptb + i, static_cast<uint8_t>(0x80 + i));
  for (const Start& s : c.starts) tune.Poke(addr::aptb + static_cast<uint32_t>(s.instrument), s.row);
  for (const WaveRow& r : c.rows) tune.WaveRows(r.row, {{r.wave, r.trans}});
  auto state = StateOf(tune.Image());
  for (int i : c.used) state->exploration.maps.InstrumentMap[static_cast<size_t>(i)] = 1;

  std::string console;
  state->exploration.maps.WaveMap = ExploreWaveTable(state->image, state->exploration.maps.InstrumentMap, console);

  std::string expected;
  for (int i : c.errors) expected += ErrorLine(i);
  expected += TableReport("Wavetable/Arpeggiotable - usage :", MarksOf(c.marked));
  const size_t kept = c.marked.size();
  if (!c.after.empty()) {
    expected += "after Reorganizing :\n" + MapLines(MarkRange(0, static_cast<int>(kept) - 1, 256), 64);
  }
  EXPECT_EQ(console, expected);

  if (c.after.empty()) {
    EXPECT_TRUE(SameImage(state->image, tune.Image()));
    for (size_t r = 0; r < kTableRows; ++r) {
      EXPECT_EQ(state->exploration.maps.WaveMap[r], MarksOf(c.marked)[r] == '+' ? 1 : 0) << "row " << r;
    }
    return;
  }
  ASSERT_EQ(c.after.size(), kept) << "case lists every kept row";
  MusicImage want = tune.Image();
  for (const WaveRow& r : c.after) {
    want.Set(addr::wave + static_cast<uint32_t>(r.row), r.wave);
    want.Set(addr::trans + static_cast<uint32_t>(r.row), r.trans);
  }
  for (const Start& s : c.startsAfter) want.Set(addr::aptb + static_cast<uint32_t>(s.instrument), s.row);
  // Rows from K on are free after the compaction and are not compared.
  const auto freeRow = [kept](uint32_t a) {
    return (a >= addr::wave + kept && a <= addr::wave + 255) || (a >= addr::trans + kept && a <= addr::trans + 255);
  };
  EXPECT_TRUE(SameImage(state->image, want, freeRow));
  for (size_t r = 0; r < kTableRows; ++r) EXPECT_EQ(state->exploration.maps.WaveMap[r], r < kept ? 1 : 0) << "row " << r;
}

INSTANTIATE_TEST_SUITE_P(
    ExploreWaveTable, WaveTable,
    ::testing::Values(
        // The worked example: rows 0-4 with a jump back to row 1, rows 8-10.
        WaveCase{"TwoProgramsWithAGap",
                 {0, 2},
                 {{0, 0}, {1, 9}, {2, 8}},
                 {{0, 0x41, 0x00}, {1, 0x41, 0x0C}, {2, 0x21, 0x07}, {3, 0x11, 0x00}, {4, 0x90, 0x01},
                  {5, 0x81, 0xAA}, {6, 0x82, 0xBB}, {7, 0x90, 0x05}, {8, 0x41, 0x03}, {9, 0x40, 0x05},
                  {10, 0xFF, 0x00}, {11, 0x90, 0x08}},
                 {},
                 {0, 1, 2, 3, 4, 8, 9, 10},
                 {{0, 0x41, 0x00}, {1, 0x41, 0x0C}, {2, 0x21, 0x07}, {3, 0x11, 0x00}, {4, 0x90, 0x01},
                  {5, 0x41, 0x03}, {6, 0x40, 0x05}, {7, 0xFF, 0x00}},
                 {{0, 0}, {2, 5}}},
        WaveCase{"NoInstrumentUsed", {}, {{0, 3}}, {{3, 0x41, 0}, {4, 0xFF, 0}}, {}, {}, {}, {}},
        WaveCase{"AlreadyPackedFromRowZero",
                 {0, 1},
                 {{0, 0}, {1, 3}},
                 {{0, 0x41, 1}, {1, 0x8F, 2}, {2, 0x91, 3}, {3, 0xFF, 4}, {5, 0x41, 0}},
                 {},
                 {0, 1, 2, 3},
                 {},
                 {}},
        WaveCase{"SharedRowsAreMarkedOnceAndBothStartsMove",
                 {0, 1},
                 {{0, 4}, {1, 5}},
                 {{4, 0x41, 0x10}, {5, 0x42, 0x11}, {6, 0xFF, 0x12}},
                 {},
                 {4, 5, 6},
                 {{0, 0x41, 0x10}, {1, 0x42, 0x11}, {2, 0xFF, 0x12}},
                 {{0, 0}, {1, 1}}},
        WaveCase{"JumpBackIntoAnEarlierProgramAcrossAGap",
                 {0, 1},
                 {{0, 2}, {1, 10}},
                 {{2, 0x41, 7}, {3, 0xFF, 0}, {10, 0x43, 9}, {11, 0x90, 3}},
                 {},
                 {2, 3, 10, 11},
                 {{0, 0x41, 7}, {1, 0xFF, 0}, {2, 0x43, 9}, {3, 0x90, 1}},
                 {{0, 0}, {1, 2}}},
        WaveCase{"JumpForwardIntoALaterProgramAcrossAGap",
                 {0, 1},
                 {{0, 5}, {1, 40}},
                 {{5, 0x90, 40}, {40, 0x41, 1}, {41, 0xFF, 2}},
                 {},
                 {5, 40, 41},
                 {{0, 0x90, 1}, {1, 0x41, 1}, {2, 0xFF, 2}},
                 {{0, 0}, {1, 1}}},
        WaveCase{"JumpToItself", {0}, {{0, 7}}, {{7, 0x90, 7}}, {}, {7}, {{0, 0x90, 0}}, {{0, 0}}},
        WaveCase{"OrdinaryRow255RunsOffTheTable",
                 {0, 3},
                 {{0, 2}, {3, 255}},
                 {{2, 0xFF, 5}, {255, 0x41, 0x66}},
                 {3},
                 {2, 255},
                 {{0, 0xFF, 5}, {1, 0x41, 0x66}},
                 {{0, 0}, {3, 1}}},
        WaveCase{"FirstInstrumentIsNumberZero",
                 {0},
                 {{0, 252}},
                 {{252, 0x41, 1}, {253, 0x41, 2}, {254, 0x41, 3}, {255, 0x41, 4}},
                 {0},
                 {252, 253, 254, 255},
                 {{0, 0x41, 1}, {1, 0x41, 2}, {2, 0x41, 3}, {3, 0x41, 4}},
                 {{0, 0}}},
        WaveCase{"LastInstrumentIsNumber31",
                 {31},
                 {{31, 255}},
                 {{255, 0x10, 9}},
                 {31},
                 {255},
                 {{0, 0x10, 9}},
                 {{31, 0}}},
        WaveCase{"StartInsideAWalkThatRanOffGetsNoLine",
                 {1, 2},
                 {{1, 254}, {2, 255}},
                 {{254, 0x41, 0}, {255, 0x41, 0}},
                 {1},
                 {254, 255},
                 {{0, 0x41, 0}, {1, 0x41, 0}},
                 {{1, 0}, {2, 1}}},
        WaveCase{"JumpToRow255ThenOff",
                 {4, 6},
                 {{4, 1}, {6, 1}},
                 {{1, 0x90, 255}, {255, 0x41, 0}},
                 {4},
                 {1, 255},
                 {{0, 0x90, 1}, {1, 0x41, 0}},
                 {{4, 0}, {6, 0}}},
        WaveCase{"EndRowAt255IsNoError",
                 {0},
                 {{0, 254}},
                 {{254, 0x41, 1}, {255, 0xFF, 2}},
                 {},
                 {254, 255},
                 {{0, 0x41, 1}, {1, 0xFF, 2}},
                 {{0, 0}}},
        WaveCase{"JumpRowAt255IsNoError",
                 {0},
                 {{0, 255}},
                 {{255, 0x90, 3}, {3, 0xA0, 4}},
                 {},
                 {3, 255},
                 {{0, 0xA0, 4}, {1, 0x90, 0}},
                 {{0, 1}}},
        WaveCase{"EndRowsAbove90AndOrdinaryBelow",
                 {0},
                 {{0, 3}},
                 {{3, 0x8F, 0x20}, {4, 0x91, 0x21}, {5, 0x41, 0x22}},
                 {},
                 {3, 4},
                 {{0, 0x8F, 0x20}, {1, 0x91, 0x21}},
                 {{0, 0}}},
        WaveCase{"UnusedInstrumentsKeepTheirStartRows",
                 {1},
                 {{0, 6}, {1, 6}, {2, 200}},
                 {{6, 0xFF, 0}},
                 {},
                 {6},
                 {{0, 0xFF, 0}},
                 {{1, 0}}}),
    [](const ::testing::TestParamInfo<WaveCase>& info) { return std::string(info.param.name); });

// The worked example through the whole exploration, with its exact report.
TEST(ExploreWaveTable, WorkedExampleInTheFullReport) {
  TuneBuilder tune;
  tune.Song(0, {0, 0xFF}, {0xFF}, {0xFF})
      .Sector(0, {0xC0, 0x30, 0xC2, 0x31, 0xFF})
      .Instrument(0, {.wave = 0})
      .Instrument(1, {.wave = 9})
      .Instrument(2, {.wave = 8})
      .WaveRows(0, {{0x41, 0x00}, {0x41, 0x0C}, {0x21, 0x07}, {0x11, 0x00}, {0x90, 0x01},
                    {0x81, 0xAA}, {0x82, 0xBB}, {0x83, 0xCC}, {0x41, 0x03}, {0x40, 0x05}, {0xFF, 0x00}});

  std::string console;
  auto state = Explore(tune.Image(), console);

  EXPECT_EQ(Section(console, "2 Instruments :", "Pulsetable-Usage :"),
            "2 Instruments :\n" + Marks({0, 2}, 32) + "\n" + "Wavetable/Arpeggiotable - usage :\n" +
                Times('+', 5) + Times('-', 3) + Times('+', 3) + Times('-', 53) + "\n" + Times('-', 64) + "\n" +
                Times('-', 64) + "\n" + Times('-', 64) + "\n" + "after Reorganizing :\n" + Times('+', 8) +
                Times('-', 56) + "\n" + Times('-', 64) + "\n" + Times('-', 64) + "\n" + Times('-', 64) + "\n");
  EXPECT_EQ(state->image.At(addr::trans + 4), 1);
  EXPECT_EQ(state->image.At(addr::aptb + 0), 0);
  EXPECT_EQ(state->image.At(addr::aptb + 1), 9);
  EXPECT_EQ(state->image.At(addr::aptb + 2), 5);
  const std::vector<std::pair<uint16_t, uint16_t>> moved = {{0x41, 0x03}, {0x40, 0x05}, {0xFF, 0x00}};
  for (uint32_t i = 0; i < moved.size(); ++i) {
    EXPECT_EQ(state->image.At(addr::wave + 5 + i), moved[i].first) << "row " << 5 + i;
    EXPECT_EQ(state->image.At(addr::trans + 5 + i), moved[i].second) << "row " << 5 + i;
  }
}

}  // namespace
}  // namespace zspack::testing
