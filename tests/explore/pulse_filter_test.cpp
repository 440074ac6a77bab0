// The pulse and filter programs: which rows the used instruments and the used sectors'
// commands reach, the inconsistency message for programs that overlap badly, and the
// usage report. Every case runs on both tables, which share their rules.
#include <gtest/gtest.h>

#include <array>
#include <string>
#include <vector>

#include "explore/pulse_filter.h"
#include "explore/report_text.h"
#include "support/tune_builder.h"

namespace zspack::testing {
namespace {

struct Table {
  const char* name;         // as the message says it
  const char* heading;
  uint32_t column1;
  uint32_t pointer;         // the instruments' start rows
  uint8_t command;          // the sector command that starts a program
  uint32_t otherColumn2;    // the other table's links, filled with decoys
  uint32_t otherPointer;
  uint8_t otherCommand;
  std::array<uint8_t, kTableRows> UsageMaps::*map;
  std::array<uint8_t, kTableRows> UsageMaps::*otherMap;
  RowMarks (*explore)(const MusicImage&, const UsageMaps&, std::string&);
};

const Table kPulse{"Pulse", "Pulsetable-Usage :", addr::ptb1, addr::pptb, 0xF7, addr::ftb2,
                   addr::fptb, 0xF6, &UsageMaps::PulseMap, &UsageMaps::FilterMap, &ExplorePulseTable};
const Table kFilter{"Filter", "Filtertable-Usage :", addr::ftb1, addr::fptb, 0xF6, addr::ptb2,
                    addr::pptb, 0xF7, &UsageMaps::FilterMap, &UsageMaps::PulseMap, &ExploreFilterTable};

// Placeholders in sector bytes: the table's own command and the other table's command.
constexpr int kCmd = -1;
constexpr int kOther = -2;

struct Link {
  int row;
  uint8_t next;  // column 2 of the row
};

struct Start {
  int instrument;
  uint8_t row;
};

struct SectorBytes {
  int sector;
  std::vector<int> bytes;
};

struct TableCase {
  const char* name;
  std::vector<int> instruments;  // marked in InstrumentMap
  std::vector<Start> starts;     // this table's pointers
  std::vector<int> sectors;      // marked in SectorMap
  std::vector<SectorBytes> contents;
  std::vector<Link> links;
  std::vector<int> messages;     // start rows reported inconsistent, in order
  std::vector<int> marked;
  std::vector<Start> otherStarts = {};
};

std::string MarksOf(const std::vector<int>& rows) {
  std::string marks(256, '-');
  for (int r : rows) marks.at(static_cast<size_t>(r)) = '+';
  return marks;
}

std::string Message(const Table& t, int start) {
  return std::string("Inconsistent ") + t.name + "-Table at Position #" + std::to_string(start) + ".\n";
}

// 256 sector entries of a note, ending with `tail`: a sector with no end byte.
std::vector<int> NoEndSector(std::vector<int> tail) {
  std::vector<int> bytes(kSectorEntries - tail.size(), 0x30);
  bytes.insert(bytes.end(), tail.begin(), tail.end());
  return bytes;
}

class TablePrograms : public ::testing::TestWithParam<TableCase> {};

TEST_P(TablePrograms, MarkCheckAndReport) {
  const TableCase& c = GetParam();
  for (const Table* t : {&kPulse, &kFilter}) {
    SCOPED_TRACE(t->name);
    TuneBuilder tune;
    for (const Start& s : c.starts) tune.Poke(t->pointer + static_cast<uint32_t>(s.instrument), s.row);
    for (const Start& s : c.otherStarts) tune.Poke(t->otherPointer + static_cast<uint32_t>(s.instrument), s.row);
    for (const Link& l : c.links) tune.Poke(t->column1 + 0x100 + static_cast<uint32_t>(l.row), l.next);
    // Decoys: the other table's links all lead to row 51, and the entry just past this
    // table's column 2 (a "row 256") leads to row 9.
    for (uint32_t r = 0; r < kTableRows; ++r) tune.Poke(t->otherColumn2 + r, 51);
    tune.Poke(t->column1 + 0x200, 9);
    for (const SectorBytes& s : c.contents) {
      std::vector<uint8_t> bytes;
      for (int b : s.bytes) bytes.push_back(b == kCmd ? t->command : b == kOther ? t->otherCommand : static_cast<uint8_t>(b));
      tune.Sector(s.sector, bytes);
    }
    auto state = StateOf(tune.Image());
    for (int i : c.instruments) state->exploration.maps.InstrumentMap[static_cast<size_t>(i)] = 1;
    for (int n : c.sectors) state->exploration.maps.SectorMap[static_cast<size_t>(n)] = 1;

    std::string console;
    state->exploration.maps.*t->map = t->explore(state->image, state->exploration.maps, console);

    std::string expected;
    for (int s : c.messages) expected += Message(*t, s);
    expected += TableReport(t->heading, MarksOf(c.marked));
    EXPECT_EQ(console, expected);
    const std::string marks = MarksOf(c.marked);
    for (size_t r = 0; r < kTableRows; ++r) {
      EXPECT_EQ((state->exploration.maps.*(t->map))[r], marks[r] == '+' ? 1 : 0) << "row " << r;
      EXPECT_EQ((state->exploration.maps.*(t->otherMap))[r], 0) << "other table, row " << r;
    }
    EXPECT_TRUE(SameImage(state->image, tune.Image()));
  }
}

INSTANTIATE_TEST_SUITE_P(
    ExploreTables, TablePrograms,
    ::testing::Values(
        TableCase{"NothingPointsAtAProgram",
                  {0, 1},
                  {{0, 0}, {1, 255}, {2, 9}},
                  {0},
                  {{0, {kCmd, 0, kCmd, 255, 0xFF, kCmd, 9}}, {1, {kCmd, 9, 0xFF}}},
                  {{11, 0}},
                  {},
                  {}},
        TableCase{"TwoInstrumentsWithTheSameStart", {0, 1}, {{0, 10}, {1, 10}}, {}, {}, {{12, 0}}, {}, {10, 11, 12}},
        TableCase{"LinkBackToItsOwnStartEndsTheWalk", {0}, {{0, 10}}, {}, {}, {{12, 10}}, {}, {10, 11, 12}},
        TableCase{"LinkBackIntoItsOwnChainEndsTheWalk",
                  {0},
                  {{0, 20}},
                  {},
                  {},
                  {{22, 30}, {31, 22}},
                  {},
                  {20, 21, 22, 30, 31}},
        TableCase{"SecondProgramStopsAtTheFirstOnesRow",
                  {0, 1},
                  {{0, 5}, {1, 3}},
                  {},
                  {},
                  {{7, 0}, {5, 6}},
                  {},
                  {3, 4, 5, 6, 7}},
        TableCase{"StartInsideAnotherProgramWithAnUnmarkedStep",
                  {0, 1},
                  {{0, 3}, {1, 4}},
                  {},
                  {},
                  {{5, 0}},
                  {4},
                  {3, 4, 5}},
        TableCase{"ConsistentLaterVisitOverABackwardLink",
                  {0, 1},
                  {{0, 10}, {1, 10}},
                  {},
                  {},
                  {{12, 20}, {21, 11}},
                  {},
                  {10, 11, 12, 20, 21}},
        TableCase{"OtherTablesPointerIsIgnored", {0}, {}, {}, {}, {{12, 0}}, {}, {}, {{0, 10}}},
        TableCase{"CommandWithParameterFFWalksNothingAndDoesNotEndTheSector",
                  {},
                  {},
                  {0},
                  {{0, {kCmd, 0xFF, kCmd, 10, 0xFF}}},
                  {{12, 20}, {21, 0}},
                  {},
                  {10, 11, 12, 20, 21}},
        TableCase{"OtherTablesCommandIsIgnored", {}, {}, {0}, {{0, {kOther, 10, 0xFF}}}, {{12, 0}}, {}, {}},
        TableCase{"ParameterBytesAreNeverCommands",
                  {},
                  {},
                  {0, 1},
                  {{0, {0xF8, kCmd, 10, 0xF9, kCmd, 0xFF}}, {1, {0xFA, kCmd, kCmd, 30, 0xFF}}},
                  {{12, 0}, {32, 0}},
                  {},
                  {30, 31, 32}},
        TableCase{"NothingAfterTheEndByteIsWalked", {}, {}, {0}, {{0, {0x30, 0xFF, kCmd, 10}}}, {{12, 0}}, {}, {}},
        TableCase{"EndByteFirstEndsTheSector", {}, {}, {0}, {{0, {0xFF, kCmd, 10}}}, {{12, 0}}, {}, {}},
        TableCase{"UnusedSectorsAreNotWalked",
                  {},
                  {},
                  {1},
                  {{0, {kCmd, 10, 0xFF}}, {1, {0x30, 0xFF}}},
                  {{12, 0}},
                  {},
                  {}},
        TableCase{"SectorCommandsComeAfterTheInstruments",
                  {0},
                  {{0, 10}},
                  {0},
                  {{0, {kCmd, 11, 0xFF}}},
                  {{12, 0}, {13, 0}},
                  {11},
                  {10, 11, 12}},
        TableCase{"MessagesInWalkOrder",
                  {0, 1},
                  {{0, 10}, {1, 11}},
                  {0},
                  {{0, {kCmd, 10, kCmd, 12, 0xFF}}},
                  {{12, 0}},
                  {11, 12},
                  {10, 11, 12}},
        // The second check of start 11 sees the row that the walk from 13 marked meanwhile.
        TableCase{"AFirstVisitBetweenTwoChecksChangesTheAnswer",
                  {0, 1, 2, 3},
                  {{0, 10}, {1, 11}, {2, 13}, {3, 11}},
                  {},
                  {},
                  {{12, 0}, {13, 0}, {15, 0}},
                  {11},
                  {10, 11, 12, 13, 14, 15}},
        TableCase{"SectorChecksAfterAFirstVisitOfAnotherSector",
                  {0},
                  {{0, 10}},
                  {0, 1, 2},
                  {{0, {kCmd, 11, 0xFF}}, {1, {kCmd, 13, 0xFF}}, {2, {kCmd, 11, kCmd, 11, 0xFF}}},
                  {{12, 0}, {13, 0}, {15, 0}},
                  {11},
                  {10, 11, 12, 13, 14, 15}},
        TableCase{"SectorsInAscendingOrder",
                  {},
                  {},
                  {0, 2},
                  {{2, {kCmd, 40, 0xFF}}, {0, {kCmd, 41, 0xFF}}},
                  {{42, 0}, {43, 0}},
                  {},
                  {40, 41, 42, 43}},
        // A step at row 255 has no second row: the walk marks row 255 and ends.
        TableCase{"StartAt254MarksRows254And255Only", {0}, {{0, 254}}, {}, {}, {{255, 7}, {9, 0}}, {}, {254, 255}},
        TableCase{"LinkToRow255EndsThere",
                  {0},
                  {{0, 100}},
                  {},
                  {},
                  {{102, 255}, {255, 7}},
                  {},
                  {100, 101, 102, 255}},
        TableCase{"LaterVisitAtRow255Marked", {0, 1}, {{0, 253}, {1, 254}}, {}, {}, {{255, 0}}, {}, {253, 254, 255}},
        TableCase{"LaterVisitAtRow255NotMarked",
                  {0, 1},
                  {{0, 252}, {1, 254}},
                  {},
                  {},
                  {{254, 0}},
                  {254},
                  {252, 253, 254}},
        TableCase{"LaterVisitForwardToRow255",
                  {0, 1},
                  {{0, 10}, {1, 10}},
                  {},
                  {},
                  {{12, 255}},
                  {},
                  {10, 11, 12, 255}},
        // Sectors without an end byte: walked to their last entry; a command there has no
        // parameter inside the sector.
        TableCase{"CommandInTheLastEntryOfASectorWithoutEnd",
                  {},
                  {},
                  {0},
                  {{0, NoEndSector({kCmd})}, {1, {10, 10, 0xFF}}},
                  {{12, 0}},
                  {},
                  {}},
        TableCase{"CommandJustBeforeTheEndOfASectorWithoutEnd",
                  {},
                  {},
                  {0},
                  {{0, NoEndSector({kCmd, 10, 0x30})}, {1, {kCmd, 20, 0xFF}}},
                  {{12, 0}, {22, 0}},
                  {},
                  {10, 11, 12}},
        TableCase{"LastSectorWithoutEnd",
                  {},
                  {},
                  {95},
                  {{95, NoEndSector({kCmd, 10, kCmd})}},
                  {{12, 0}},
                  {},
                  {10, 11, 12}}),
    [](const ::testing::TestParamInfo<TableCase>& info) { return std::string(info.param.name); });

// WalkTableProgram on its own: a first visit marks, a later visit only checks.
struct WalkCase {
  const char* name;
  std::vector<int> premarked;
  uint16_t start;
  std::vector<Link> links;
  bool consistent;
  std::vector<int> marked;  // the whole map afterwards
};

class WalkProgram : public ::testing::TestWithParam<WalkCase> {};

TEST_P(WalkProgram, MarksOnTheFirstVisitAndChecksLater) {
  const WalkCase& c = GetParam();
  for (const Table* t : {&kPulse, &kFilter}) {
    SCOPED_TRACE(t->name);
    TuneBuilder tune;
    for (const Link& l : c.links) tune.Poke(t->column1 + 0x100 + static_cast<uint32_t>(l.row), l.next);
    tune.Poke(t->column1 + 0x200, 9);  // just past column 2: must never be taken as a link
    std::array<uint8_t, kTableRows> map{};
    for (int r : c.premarked) map[static_cast<size_t>(r)] = 1;

    EXPECT_EQ(WalkTableProgram(tune.Image(), c.start, t->column1, map), c.consistent);
    const std::string want = MarksOf(c.marked);
    for (size_t r = 0; r < kTableRows; ++r) EXPECT_EQ(map[r], want[r] == '+' ? 1 : 0) << "row " << r;
  }
}

INSTANTIATE_TEST_SUITE_P(
    ExploreTables, WalkProgram,
    ::testing::Values(
        WalkCase{"StartZeroIsNoProgram", {}, 0, {{1, 5}, {2, 0}}, true, {}},
        WalkCase{"StartFFIsNoProgram", {}, 0xFF, {{1, 5}}, true, {}},
        WalkCase{"StartWithLowByteZeroIsNoProgram", {}, 0x100, {{1, 5}}, true, {}},
        WalkCase{"LowByteOfTheStartCounts", {}, 0x10A, {{12, 0}}, true, {10, 11, 12}},
        WalkCase{"ChainOfSteps", {}, 10, {{12, 20}, {21, 0}}, true, {10, 11, 12, 20, 21}},
        WalkCase{"BackwardLinkToAnUnmarkedRowIsFollowed", {}, 50, {{52, 5}, {6, 0}}, true, {5, 6, 50, 51, 52}},
        WalkCase{"LinkToAnEarlierWalksRowStops", {30}, 20, {{22, 30}, {31, 0}}, true, {20, 21, 22, 30}},
        WalkCase{"StepRowsMarkedBeforeButStartNot", {11, 12}, 10, {{12, 0}}, true, {10, 11, 12}},
        WalkCase{"StartAt254", {}, 254, {{255, 7}, {8, 0}}, true, {254, 255}},
        WalkCase{"LinkTo255", {}, 100, {{102, 255}, {255, 7}}, true, {100, 101, 102, 255}},
        WalkCase{"StartAt1", {}, 1, {{3, 0}}, true, {1, 2, 3}},
        WalkCase{"LaterVisitEndingWithLinkZero", {10, 11, 12}, 10, {{12, 0}}, true, {10, 11, 12}},
        WalkCase{"LaterVisitWithAnUnmarkedStepRow", {10, 11}, 10, {{12, 0}}, false, {10, 11}},
        WalkCase{"LaterVisitWithAnUnmarkedFirstStepRow", {10, 12}, 10, {{12, 0}}, false, {10, 12}},
        WalkCase{"LaterVisitForwardChain", {10, 11, 12, 20, 21}, 10, {{12, 20}, {21, 0}}, true, {10, 11, 12, 20, 21}},
        WalkCase{"LaterVisitForwardToAnUnmarkedStep", {10, 11, 12, 20}, 10, {{12, 20}, {21, 0}}, false, {10, 11, 12, 20}},
        WalkCase{"LaterVisitBackwardToAMarkedRow", {5, 10, 11, 12}, 10, {{12, 5}}, true, {5, 10, 11, 12}},
        WalkCase{"LaterVisitBackwardToAnUnmarkedRow", {10, 11, 12}, 10, {{12, 5}}, false, {10, 11, 12}},
        WalkCase{"LaterVisitLinkToTheStepItself", {10, 11, 12}, 10, {{12, 11}}, true, {10, 11, 12}},
        WalkCase{"LaterVisitLinkToTheStepsSecondRow", {10, 11, 12}, 10, {{12, 12}}, false, {10, 11, 12}},
        WalkCase{"LaterVisitLinkToTheStepsSecondRowMarkedOn", {10, 11, 12, 13}, 10, {{12, 12}, {13, 0}}, true,
                 {10, 11, 12, 13}},
        WalkCase{"LaterVisitAt254With255Marked", {254, 255}, 254, {{255, 7}}, true, {254, 255}},
        WalkCase{"LaterVisitAt254With255NotMarked", {254}, 254, {{255, 0}}, false, {254}},
        WalkCase{"LaterVisitForwardTo255Marked", {10, 11, 12, 255}, 10, {{12, 255}}, true, {10, 11, 12, 255}},
        WalkCase{"LaterVisitForwardTo255NotMarked", {10, 11, 12}, 10, {{12, 255}}, false, {10, 11, 12}}),
    [](const ::testing::TestParamInfo<WalkCase>& info) { return std::string(info.param.name); });

// The worked examples through the whole exploration, with the exact report tail.
TEST(ExploreTables, PulseExampleSecondProgramStopsAtTheFirstOnesRow) {
  TuneBuilder tune;
  tune.Song(0, {0, 0xFF}, {0xFF}, {0xFF})
      .Sector(0, {0xC0, 0x30, 0xC1, 0x31, 0xFF})
      .Instrument(0, {.pulse = 5})
      .Instrument(1, {.pulse = 3})
      .WaveRows(0, {{0xFF, 0}})
      .PulseRows(3, {{0x10, 0x00}, {0x20, 0x00}, {0x30, 0x06}, {0x40, 0x00}, {0x50, 0x00}});

  std::string console;
  auto state = Explore(tune.Image(), console);

  EXPECT_EQ(Section(console, "Pulsetable-Usage :"),
            TableReport("Pulsetable-Usage :", MarkRange(3, 7, 256)) +
                TableReport("Filtertable-Usage :", Times('-', 256)));
  EXPECT_EQ(console.find("Inconsistent"), std::string::npos);
  EXPECT_TRUE(SameImage(state->image, tune.Image()));
  EXPECT_TRUE(state->features.Has(Feature::kPulse));
  EXPECT_FALSE(state->features.Has(Feature::kFilters));
}

TEST(ExploreTables, FilterExampleStartInsideAProgramIsInconsistent) {
  TuneBuilder tune;
  tune.Song(0, {0, 0xFF}, {0xFF}, {0xFF})
      .Sector(0, {0xC0, 0x30, 0xC1, 0x31, 0xFF})
      .Instrument(0, {.filter = 3})
      .Instrument(1, {.filter = 4})
      .WaveRows(0, {{0xFF, 0}})
      .FilterRows(3, {{0x10, 0x00}, {0x20, 0x00}, {0x30, 0x00}, {0x40, 0x07}});

  std::string console;
  auto state = Explore(tune.Image(), console);

  EXPECT_EQ(Section(console, "Pulsetable-Usage :"),
            TableReport("Pulsetable-Usage :", Times('-', 256)) + "Inconsistent Filter-Table at Position #4.\n" +
                TableReport("Filtertable-Usage :", MarkRange(3, 5, 256)));
  EXPECT_TRUE(SameImage(state->image, tune.Image()));
  EXPECT_TRUE(state->features.Has(Feature::kFilters));
  EXPECT_FALSE(state->features.Has(Feature::kPulse));
}

TEST(ExploreTables, SectorCommandsStartProgramsInTheFullReport) {
  TuneBuilder tune;
  tune.Song(0, {40, 0xFF}, {0xFF}, {0xFF})
      .Sector(40, {0xF7, 10, 0xF6, 20, 0xFF})
      .PulseRows(10, {{1, 0}, {2, 0}, {3, 0}})
      .FilterRows(20, {{1, 0}, {2, 0}, {3, 0}});

  std::string console;
  auto state = Explore(tune.Image(), console);

  EXPECT_EQ(Section(console, "Pulsetable-Usage :"),
            TableReport("Pulsetable-Usage :", MarkRange(10, 12, 256)) +
                TableReport("Filtertable-Usage :", MarkRange(20, 22, 256)));
  EXPECT_TRUE(state->features.Has(Feature::kPulse));
  EXPECT_TRUE(state->features.Has(Feature::kFilters));
}

}  // namespace
}  // namespace zspack::testing
