// The pulse and filter programs: the rows a first visit marks, the check of a later visit,
// and which instruments and sector commands start programs. Every case runs on both
// tables, which share their rules.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "explore/explore_fixture.h"
#include "explore/pulse_filter.h"
#include "support/tune_builder.h"

namespace zspack::testing {
namespace {

struct Table {
  const char* name;  // as the inconsistency message says it
  const char* heading;
  uint32_t column1, pointer;
  uint8_t command;
  uint32_t otherColumn2, otherPointer;
  uint8_t otherCommand;
  RowMarks (*explore)(const MusicImage&, const UsageMaps&, std::string&);
};

const Table kTables[] = {
    {"Pulse", "Pulsetable-Usage :\n", addr::ptb1, addr::pptb, 0xF7, addr::ftb2, addr::fptb, 0xF6, &ExplorePulseTable},
    {"Filter", "Filtertable-Usage :\n", addr::ftb1, addr::fptb, 0xF6, addr::ptb2, addr::pptb, 0xF7, &ExploreFilterTable},
};

using Links = std::vector<std::pair<int, uint8_t>>;  // a row and its column 2

// The links, and decoys that no walk may take: the other table's links all lead to row 51,
// and the entry just past this table's column 2 (a "row 256") leads to row 9.
std::unique_ptr<PackState> WithLinks(const Table& t, const Links& links) {
  TuneBuilder tune;
  for (uint32_t r = 0; r < kTableRows; ++r) tune.Poke(t.otherColumn2 + r, 51);
  tune.Poke(t.column1 + 2 * kPageSize, 9);
  for (const auto& [row, next] : links) tune.Poke(t.column1 + kPageSize + static_cast<uint32_t>(row), next);
  return StateOf(tune.Image());
}

std::string Messages(const Table& t, const std::vector<uint16_t>& starts) {
  std::string text;
  for (uint16_t s : starts) text += std::string("Inconsistent ") + t.name + "-Table at Position #" + std::to_string(s) + ".\n";
  return text;
}

struct VisitCase {
  const char* name;
  std::vector<uint16_t> visits;  // start rows, in the order they are visited
  Links links;
  std::vector<uint16_t> inconsistent;
  std::vector<int> marked;
};

const VisitCase kVisits[] = {
    {"NoProgramAtRow0Or255OrLowByte0", {0, 255, 0x100}, {{1, 5}, {2, 0}}, {}, {}},
    {"LowByteOfTheStartCounts", {0x10A}, {{12, 0}}, {}, {10, 11, 12}},
    {"StartAt1", {1}, {{3, 0}}, {}, {1, 2, 3}},
    {"BackwardLinkToAnUnmarkedRowIsFollowed", {50}, {{52, 5}, {6, 0}}, {}, {5, 6, 50, 51, 52}},
    {"LinkToAnEarlierProgramsRowEnds", {28, 20}, {{30, 0}, {22, 30}, {31, 7}, {8, 0}}, {}, {20, 21, 22, 28, 29, 30}},
    {"SecondProgramStopsAtTheFirstOnesRow", {5, 3}, {{7, 0}, {5, 6}}, {}, {3, 4, 5, 6, 7}},
    {"StepRowsMarkedBeforeButStartNot", {11, 10}, {{13, 0}, {12, 0}}, {}, {10, 11, 12, 13}},
    // A step at row 255 has no second row: the walk marks row 255 and ends.
    {"StartAt254", {254}, {{255, 7}, {8, 0}}, {}, {254, 255}},
    {"LinkTo255", {100}, {{102, 255}, {255, 7}}, {}, {100, 101, 102, 255}},
    // A later visit marks nothing; it fails where a step's rows or a backward link's
    // target are not marked.
    {"LaterVisitOfTheSameStart", {10, 10}, {{12, 0}}, {}, {10, 11, 12}},
    {"LaterVisitOverAForwardChain", {10, 10}, {{12, 20}, {21, 0}}, {}, {10, 11, 12, 20, 21}},
    {"LaterVisitOverABackwardLink", {10, 10}, {{12, 20}, {21, 11}}, {}, {10, 11, 12, 20, 21}},
    {"LaterVisitInsideWithAnUnmarkedStepRow", {3, 4}, {{5, 0}}, {4}, {3, 4, 5}},
    {"LaterVisitWithAnUnmarkedFirstStepRow", {8, 10}, {{10, 12}, {13, 0}}, {10}, {8, 9, 10, 12, 13}},
    {"LaterVisitForwardToAnUnmarkedStep", {18, 10, 10}, {{12, 20}, {20, 0}, {21, 0}}, {10}, {10, 11, 12, 18, 19, 20}},
    {"LaterVisitBackwardToAMarkedRow", {4, 10, 10}, {{6, 0}, {12, 5}}, {}, {4, 5, 6, 10, 11, 12}},
    {"LaterVisitBackwardToAnUnmarkedRow", {20, 21}, {{22, 23}, {23, 5}, {24, 0}}, {21}, {20, 21, 22, 23, 24}},
    {"LaterVisitLinkToTheStepItself", {10, 10}, {{12, 11}}, {}, {10, 11, 12}},
    {"LaterVisitLinkToTheStepsSecondRow", {10, 10}, {{12, 12}}, {10}, {10, 11, 12}},
    {"LaterVisitLinkToTheStepsSecondRowMarkedOn", {11, 10, 10}, {{12, 12}, {13, 0}}, {}, {10, 11, 12, 13}},
    {"LaterVisitAt254With255Marked", {253, 254}, {{255, 0}}, {}, {253, 254, 255}},
    {"LaterVisitAt254With255Unmarked", {252, 254}, {{254, 0}}, {254}, {252, 253, 254}},
    {"LaterVisitForwardTo255Marked", {10, 10}, {{12, 255}}, {}, {10, 11, 12, 255}},
    {"LaterVisitForwardTo255Unmarked", {9, 10}, {{11, 12}, {12, 255}, {13, 0}}, {10}, {9, 10, 11, 12, 13}},
    // The second check of start 11 sees the rows that the first visit at 13 marked.
    {"AFirstVisitBetweenTwoChecksChangesTheAnswer", {10, 11, 13, 11}, {{12, 0}, {13, 0}, {15, 0}}, {11},
     {10, 11, 12, 13, 14, 15}},
};

class ProgramVisits : public ::testing::TestWithParam<VisitCase> {};

TEST_P(ProgramVisits, FirstVisitsMarkLaterVisitsCheck) {
  const VisitCase& c = GetParam();
  for (const Table& t : kTables) {
    SCOPED_TRACE(t.name);
    auto state = WithLinks(t, c.links);
    RowMarks map{};
    std::vector<uint16_t> inconsistent;
    for (uint16_t start : c.visits) {
      if (!WalkTableProgram(state->image, start, t.column1, map)) inconsistent.push_back(start);
    }
    EXPECT_EQ(inconsistent, c.inconsistent);
    EXPECT_EQ(Marked(map), c.marked);

    // The same visits as the start rows of instruments 0, 1, ...: the exploration keeps
    // what later visits found until a first visit changes the marks, and must agree.
    UsageMaps used{};
    for (size_t i = 0; i < c.visits.size(); ++i) {
      state->image.Set(t.pointer + static_cast<uint32_t>(i), c.visits[i]);
      used.InstrumentMap[i] = 1;
    }
    std::string console;
    EXPECT_EQ(Marked(t.explore(state->image, used, console)), c.marked);
    EXPECT_EQ(console.substr(0, console.find(t.heading)), Messages(t, c.inconsistent));
  }
}

INSTANTIATE_TEST_SUITE_P(ExploreTables, ProgramVisits, ::testing::ValuesIn(kVisits),
                         [](const auto& info) { return std::string(info.param.name); });

constexpr int kCmd = -1;    // in sector entries: this table's command
constexpr int kOther = -2;  // the other table's command

struct SectorEntries {
  int number;
  std::vector<int> entries;
  bool used = true;
};

std::vector<int> NoEnd(std::vector<int> tail) {
  std::vector<int> entries(kSectorEntries - tail.size(), 0x30);
  entries.insert(entries.end(), tail.begin(), tail.end());
  return entries;
}

struct StartCase {
  const char* name;
  std::vector<std::pair<int, uint8_t>> instruments;  // used instrument and its start row
  std::vector<SectorEntries> sectors;
  Links links;
  std::vector<uint16_t> inconsistent;
  std::vector<int> marked;
};

const StartCase kStarts[] = {
    {"CommandsStartProgramsAtTheirParameter", {}, {{0, {kCmd, 10, 0x30, kCmd, 20, 0xFF}}}, {{12, 0}, {22, 0}}, {},
     {10, 11, 12, 20, 21, 22}},
    {"ParameterFFDoesNotEndTheSector", {}, {{0, {kCmd, 0xFF, kCmd, 10, 0xFF}}}, {{12, 0}}, {}, {10, 11, 12}},
    {"OtherTablesCommandIsIgnored", {}, {{0, {kOther, 10, 0xFF}}}, {{12, 0}}, {}, {}},
    {"ParametersAreNeverCommands", {}, {{0, {0xF8, kCmd, 10, 0xF9, kCmd, 0xFF}}, {1, {0xFA, kCmd, kCmd, 30, 0xFF}}},
     {{12, 0}, {32, 0}}, {}, {30, 31, 32}},
    {"NothingAfterTheEnd", {}, {{0, {0x30, 0xFF, kCmd, 10}}, {1, {0xFF, kCmd, 20}}}, {{12, 0}, {22, 0}}, {}, {}},
    {"InstrumentsFirstThenSectors", {{0, 10}, {1, 11}}, {{0, {kCmd, 10, kCmd, 12, 0xFF}}}, {{12, 0}}, {11, 12},
     {10, 11, 12}},
    {"SectorsInAscendingOrder", {}, {{2, {kCmd, 40, 0xFF}}, {0, {kCmd, 41, 0xFF}}}, {{42, 0}, {43, 0}}, {},
     {40, 41, 42, 43}},
    {"SectorCheckAfterAFirstVisitFromAnotherSector", {{0, 10}},
     {{0, {kCmd, 11, 0xFF}}, {1, {kCmd, 13, 0xFF}}, {2, {kCmd, 11, kCmd, 11, 0xFF}}}, {{12, 0}, {13, 0}, {15, 0}},
     {11}, {10, 11, 12, 13, 14, 15}},
    // A sector without $FF is walked to its last entry; a command there has no parameter.
    {"CommandInTheLastEntry", {}, {{0, NoEnd({kCmd})}, {1, {10, 10, 0xFF}, false}}, {{12, 0}}, {}, {}},
    {"CommandJustBeforeTheEnd", {}, {{0, NoEnd({kCmd, 10, 0x30})}, {1, {kCmd, 20, 0xFF}, false}},
     {{12, 0}, {22, 0}}, {}, {10, 11, 12}},
    {"LastSectorWithoutEnd", {}, {{95, NoEnd({kCmd, 10, kCmd})}}, {{12, 0}}, {}, {10, 11, 12}},
};

class ProgramStarts : public ::testing::TestWithParam<StartCase> {};

TEST_P(ProgramStarts, UsedInstrumentsThenUsedSectorsInOrder) {
  const StartCase& c = GetParam();
  for (const Table& t : kTables) {
    SCOPED_TRACE(t.name);
    auto state = WithLinks(t, c.links);
    MusicImage& image = state->image;
    // Decoys that start a program at row 60: an unused instrument, the other table's start
    // rows and an unused sector.
    image.Set(t.pointer + kInstrumentCount - 1, 60);
    for (uint32_t i = 0; i < kInstrumentCount; ++i) image.Set(t.otherPointer + i, 60);
    image.Set(SectorAddress(94), t.command);
    image.Set(SectorAddress(94) + 1, 60);
    UsageMaps used{};
    for (const auto& [instrument, row] : c.instruments) {
      image.Set(t.pointer + static_cast<uint32_t>(instrument), row);
      used.InstrumentMap[static_cast<size_t>(instrument)] = 1;
    }
    for (const SectorEntries& s : c.sectors) {
      for (size_t i = 0; i < s.entries.size(); ++i) {
        const int e = s.entries[i];
        image.Set(SectorAddress(s.number) + static_cast<uint32_t>(i),
                  static_cast<uint16_t>(e == kCmd ? t.command : e == kOther ? t.otherCommand : e));
      }
      used.SectorMap[static_cast<size_t>(s.number)] = s.used ? 1 : 0;
    }
    std::string console;
    EXPECT_EQ(Marked(t.explore(image, used, console)), c.marked);
    EXPECT_EQ(console.substr(0, console.find(t.heading)), Messages(t, c.inconsistent));
  }
}

INSTANTIATE_TEST_SUITE_P(ExploreTables, ProgramStarts, ::testing::ValuesIn(kStarts),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zspack::testing
