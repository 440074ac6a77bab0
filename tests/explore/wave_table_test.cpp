// The wavetable/arpeggio table: the rows the used instruments' programs reach, the error
// line for a program that runs off the table, and the compaction that moves the used rows
// to the top with their jump targets and the used instruments' start rows rewritten.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "explore/explore_fixture.h"
#include "explore/wave_table.h"
#include "support/tune_builder.h"

namespace zspack::testing {
namespace {

struct Row {
  int row;
  uint8_t wave, trans;
};

using Starts = std::vector<std::pair<int, uint8_t>>;  // instrument, start row

struct WaveCase {
  const char* name;
  std::vector<int> used;
  Starts starts;
  std::vector<Row> rows;
  std::vector<int> errors;  // instruments whose program runs off the table, in order
  std::vector<int> marked;
  std::vector<Row> after;   // rows 0..n-1 after the compaction; none when nothing moves
  Starts startsAfter;
};

const WaveCase kCases[] = {
    // Rows 0-4 loop back to row 1; instrument 2's rows 8-10 move up to 5-7.
    {"TwoProgramsWithAGap", {0, 2}, {{0, 0}, {1, 9}, {2, 8}},
     {{0, 0x41, 0x00}, {1, 0x41, 0x0C}, {2, 0x21, 0x07}, {3, 0x11, 0x00}, {4, 0x90, 0x01}, {5, 0x81, 0xAA},
      {6, 0x82, 0xBB}, {7, 0x90, 0x05}, {8, 0x41, 0x03}, {9, 0x40, 0x05}, {10, 0xFF, 0x00}, {11, 0x90, 0x08}},
     {}, {0, 1, 2, 3, 4, 8, 9, 10},
     {{0, 0x41, 0x00}, {1, 0x41, 0x0C}, {2, 0x21, 0x07}, {3, 0x11, 0x00}, {4, 0x90, 0x01}, {5, 0x41, 0x03},
      {6, 0x40, 0x05}, {7, 0xFF, 0x00}},
     {{0, 0}, {2, 5}}},
    {"NoInstrumentUsed", {}, {{0, 3}}, {{3, 0x41, 0}, {4, 0xFF, 0}}, {}, {}, {}, {}},
    {"AlreadyPackedWithEndRowsAbove90", {0, 1}, {{0, 0}, {1, 3}},
     {{0, 0x41, 1}, {1, 0x8F, 2}, {2, 0x91, 3}, {3, 0xFF, 4}, {5, 0x41, 0}}, {}, {0, 1, 2, 3}, {}, {}},
    {"SharedRowsAreMarkedOnce", {0, 1}, {{0, 4}, {1, 5}}, {{4, 0x41, 0x10}, {5, 0x42, 0x11}, {6, 0xFF, 0x12}},
     {}, {4, 5, 6}, {{0, 0x41, 0x10}, {1, 0x42, 0x11}, {2, 0xFF, 0x12}}, {{0, 0}, {1, 1}}},
    {"JumpBackAcrossAGap", {0, 1}, {{0, 2}, {1, 10}}, {{2, 0x41, 7}, {3, 0xFF, 0}, {10, 0x43, 9}, {11, 0x90, 3}},
     {}, {2, 3, 10, 11}, {{0, 0x41, 7}, {1, 0xFF, 0}, {2, 0x43, 9}, {3, 0x90, 1}}, {{0, 0}, {1, 2}}},
    {"JumpForwardAcrossAGap", {0, 1}, {{0, 5}, {1, 40}}, {{5, 0x90, 40}, {40, 0x41, 1}, {41, 0xFF, 2}},
     {}, {5, 40, 41}, {{0, 0x90, 1}, {1, 0x41, 1}, {2, 0xFF, 2}}, {{0, 0}, {1, 1}}},
    {"JumpToItself", {0}, {{0, 7}}, {{7, 0x90, 7}}, {}, {7}, {{0, 0x90, 0}}, {{0, 0}}},
    {"OrdinaryRow255RunsOff", {0, 3}, {{0, 2}, {3, 255}}, {{2, 0xFF, 5}, {255, 0x41, 0x66}},
     {3}, {2, 255}, {{0, 0xFF, 5}, {1, 0x41, 0x66}}, {{0, 0}, {3, 1}}},
    {"InstrumentZeroRunsOff", {0}, {{0, 252}}, {{252, 0x41, 1}, {253, 0x41, 2}, {254, 0x41, 3}, {255, 0x41, 4}},
     {0}, {252, 253, 254, 255}, {{0, 0x41, 1}, {1, 0x41, 2}, {2, 0x41, 3}, {3, 0x41, 4}}, {{0, 0}}},
    {"Instrument31RunsOff", {31}, {{31, 255}}, {{255, 0x10, 9}}, {31}, {255}, {{0, 0x10, 9}}, {{31, 0}}},
    {"StartInsideAWalkThatRanOffGetsNoLine", {1, 2}, {{1, 254}, {2, 255}}, {{254, 0x41, 0}, {255, 0x41, 0}},
     {1}, {254, 255}, {{0, 0x41, 0}, {1, 0x41, 0}}, {{1, 0}, {2, 1}}},
    {"JumpToRow255ThenOff", {4, 6}, {{4, 1}, {6, 1}}, {{1, 0x90, 255}, {255, 0x41, 0}},
     {4}, {1, 255}, {{0, 0x90, 1}, {1, 0x41, 0}}, {{4, 0}, {6, 0}}},
    {"EndRowAt255IsNoError", {0}, {{0, 254}}, {{254, 0x41, 1}, {255, 0xFF, 2}},
     {}, {254, 255}, {{0, 0x41, 1}, {1, 0xFF, 2}}, {{0, 0}}},
    {"JumpRowAt255IsNoError", {0}, {{0, 255}}, {{255, 0x90, 3}, {3, 0xA0, 4}},
     {}, {3, 255}, {{0, 0xA0, 4}, {1, 0x90, 0}}, {{0, 1}}},
    {"UnusedInstrumentsKeepTheirStartRows", {1}, {{0, 6}, {1, 6}, {2, 200}}, {{6, 0xFF, 0}},
     {}, {6}, {{0, 0xFF, 0}}, {{1, 0}}},
};

std::string Errors(const std::vector<int>& instruments) {
  std::string text;
  for (int i : instruments) {
    text += "Error in wavetable/arpeggiotable of Instrument #" + std::to_string(i) +
            ". Sound will probably be weird there ...\n";
  }
  return text;
}

// The row marks the console shows under the heading: its four lines of 64 joined.
std::string ShownMarks(const std::string& console, const std::string& heading) {
  std::string marks;
  size_t at = console.find(heading);
  if (at == std::string::npos) return marks;
  for (at += heading.size(); marks.size() < kTableRows && at < console.size();) {
    const size_t end = console.find('\n', at);
    marks += console.substr(at, end - at);
    at = end + 1;
  }
  return marks;
}

class WaveTable : public ::testing::TestWithParam<WaveCase> {};

TEST_P(WaveTable, WalksReportsAndCompacts) {
  const WaveCase& c = GetParam();
  TuneBuilder tune;
  // Every slot has a start row, so that a rewritten unused slot shows.
  for (uint32_t i = 0; i < kInstrumentCount; ++i) tune.Poke(addr::aptb + i, static_cast<uint8_t>(0x80 + i));
  for (const auto& [instrument, row] : c.starts) tune.Poke(addr::aptb + static_cast<uint32_t>(instrument), row);
  for (const Row& r : c.rows) tune.WaveRows(r.row, {{r.wave, r.trans}});
  auto state = StateOf(tune.Image());
  InstrumentMarks used{};
  for (int i : c.used) used[static_cast<size_t>(i)] = 1;

  std::string console;
  const RowMarks map = ExploreWaveTable(state->image, used, console);

  const std::string heading = "Wavetable/Arpeggiotable - usage :\n";
  EXPECT_EQ(console.substr(0, console.find(heading)), Errors(c.errors));
  std::string marks(kTableRows, '-');
  for (int r : c.marked) marks[static_cast<size_t>(r)] = '+';
  EXPECT_EQ(ShownMarks(console, heading), marks);
  EXPECT_EQ(console.find("after Reorganizing :\n") != std::string::npos, !c.after.empty()) << console;
  MusicImage want = tune.Image();
  std::vector<int> kept = c.marked;
  if (!c.after.empty()) {
    kept.clear();
    for (const Row& r : c.after) {
      kept.push_back(r.row);
      want.Set(addr::wave + static_cast<uint32_t>(r.row), r.wave);
      want.Set(addr::trans + static_cast<uint32_t>(r.row), r.trans);
    }
    ASSERT_EQ(kept.size(), c.marked.size()) << "the case lists every kept row";
  }
  for (const auto& [instrument, row] : c.startsAfter) want.Set(addr::aptb + static_cast<uint32_t>(instrument), row);
  EXPECT_EQ(Marked(map), kept);
  EXPECT_TRUE(SameImage(state->image, want));
}

INSTANTIATE_TEST_SUITE_P(ExploreWaveTable, WaveTable, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zspack::testing
