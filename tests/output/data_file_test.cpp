// The data file "the_data.a": byte tables of 17 values a line, track and sector lengths,
// the highest marked row of a usage map, and the whole file rendered from a pack state
// set up by hand, so that each case controls exactly the maps and counts it is about.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "pack/pack_tune.h"
#include "output/data_file.h"
#include "output/generated_text.h"
#include "support/tune_builder.h"

namespace zspack::testing {
namespace {

// "$XX" by printf, to spell out expected values without the code under test.
std::string Hex(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "$%02X", value & 0xFFu);
  return text;
}

// ---------------------------------------------------------------------------------------
// WriteByteTable

// Entries from $4800 on hold k in their low byte and junk above it.
MusicImage CountingImage() {
  MusicImage image;
  for (uint32_t k = 0; k < 64; ++k) image.Set(0x4800 + k, static_cast<uint16_t>(((k % 3) << 8) | k));
  return image;
}

const std::string kFirst17 = "\t!by $00,$01,$02,$03,$04,$05,$06,$07,$08,$09,$0A,$0B,$0C,$0D,$0E,$0F,$10\r\n";
const std::string kSecond17 = "\t!by $11,$12,$13,$14,$15,$16,$17,$18,$19,$1A,$1B,$1C,$1D,$1E,$1F,$20,$21\r\n";

struct TableCase {
  const char* name;
  int count;
  std::string expected;
};

void PrintTo(const TableCase& c, std::ostream* os) { *os << c.name; }

class ByteTable : public ::testing::TestWithParam<TableCase> {};

TEST_P(ByteTable, WritesLabelAndSeventeenValuesALine) {
  const TableCase& c = GetParam();
  const MusicImage image = CountingImage();
  std::string out = "before\r\n";
  WriteByteTable(out, image, "lbl", 0x4800, c.count);
  EXPECT_TRUE(SameText("before\r\nlbl\r\n" + c.expected, out));
}

INSTANTIATE_TEST_SUITE_P(
    Table, ByteTable,
    ::testing::Values(TableCase{"One", 1, "\t!by $00\r\n"},
                      TableCase{"Two", 2, "\t!by $00,$01\r\n"},
                      TableCase{"ZeroStillWritesOne", 0, "\t!by $00\r\n"},
                      TableCase{"NegativeWritesOne", -1, "\t!by $00\r\n"},
                      TableCase{"MostNegativeWritesOne", -32768, "\t!by $00\r\n"},
                      TableCase{"Sixteen", 16,
                                "\t!by $00,$01,$02,$03,$04,$05,$06,$07,$08,$09,$0A,$0B,$0C,$0D,$0E,$0F\r\n"},
                      TableCase{"Seventeen", 17, kFirst17},
                      TableCase{"Eighteen", 18, kFirst17 + "\t!by $11\r\n"},
                      TableCase{"ThirtyFour", 34, kFirst17 + kSecond17},
                      TableCase{"ThirtyFive", 35, kFirst17 + kSecond17 + "\t!by $22\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ByteTableLabel, AssignmentLabelStandsAloneOnItsLine) {
  MusicImage image;
  image.Set(0x4401, 0x1C7);
  image.Set(0x4402, 0x08);
  std::string out;
  WriteByteTable(out, image, "ptb1 = *-1", 0x4401, 2);
  EXPECT_TRUE(SameText("ptb1 = *-1\r\n\t!by $C7,$08\r\n", out));
}

// ---------------------------------------------------------------------------------------
// TrackLength: through the first $F0..$F3 or $FF, or a $FE and its argument.

struct TrackCase {
  const char* name;
  uint8_t fill;                                     // all 256 entries first
  std::vector<std::pair<int, uint16_t>> entries;    // then these, by index
  int expected;
};

void PrintTo(const TrackCase& c, std::ostream* os) { *os << c.name; }

class TrackLengthTable : public ::testing::TestWithParam<TrackCase> {};

TEST_P(TrackLengthTable, Length) {
  const TrackCase& c = GetParam();
  for (const uint32_t start : {TrackAddress(0, 0), TrackAddress(3, 2)}) {
    MusicImage image;
    for (uint32_t k = 0; k < 256; ++k) image.Set(start + k, c.fill);
    for (const auto& [index, value] : c.entries) image.Set(start + static_cast<uint32_t>(index), value);
    EXPECT_EQ(TrackLength(image, start), c.expected) << "track at $" << std::hex << start;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, TrackLengthTable,
    ::testing::Values(
        TrackCase{"FFAt0", 0x01, {{0, 0xFF}}, 1},
        TrackCase{"F2At7", 0x01, {{7, 0xF2}}, 8},
        TrackCase{"F0At3", 0x01, {{3, 0xF0}}, 4},
        TrackCase{"F1At3", 0x01, {{3, 0xF1}}, 4},
        TrackCase{"F3At3", 0x01, {{3, 0xF3}}, 4},
        TrackCase{"FEAt3", 0x01, {{3, 0xFE}}, 5},
        TrackCase{"FEAt0", 0x01, {{0, 0xFE}}, 2},
        TrackCase{"NoStopByte", 0x01, {}, 1},
        TrackCase{"CommandsDoNotStop", 0xF4, {{1, 0xF5}, {2, 0xF6}, {3, 0xFA}, {4, 0xFB}, {5, 0xFD}}, 1},
        // $F6..$FA take no argument in a track: the $FF right after one still ends it.
        TrackCase{"NoArgumentAfterF6", 0x01, {{4, 0xF6}, {5, 0xFF}}, 6},
        TrackCase{"FirstStopWins", 0x01, {{1, 0xFF}, {2, 0xF1}, {3, 0xFE}}, 2},
        TrackCase{"FEArgumentNotExamined", 0x01, {{2, 0xFE}, {3, 0xFF}}, 4},
        TrackCase{"HighBitsIgnored", 0x01, {{0, 0x0160}, {4, 0x01FF}}, 5},
        TrackCase{"HighBitsDoNotMakeAStop", 0x01, {{0, 0xFF01}, {1, 0x0F02}, {9, 0xFF}}, 10},
        TrackCase{"FFAt255", 0x01, {{255, 0xFF}}, 256},
        TrackCase{"F3At255", 0x01, {{255, 0xF3}}, 256},
        TrackCase{"FEAt254", 0x01, {{254, 0xFE}}, 256},
        TrackCase{"FEAt255", 0x01, {{255, 0xFE}}, 257}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------
// SectorLength: through the $FF, commands $F6..$FA with their argument, at most 256.

struct SectorCase {
  const char* name;
  uint8_t fill;
  std::vector<std::pair<int, uint16_t>> entries;
  int expected;
};

void PrintTo(const SectorCase& c, std::ostream* os) { *os << c.name; }

class SectorLengthTable : public ::testing::TestWithParam<SectorCase> {};

TEST_P(SectorLengthTable, Length) {
  const SectorCase& c = GetParam();
  // Sector 94 is followed by sector 95, whose $FF must not count; sector 95 ends the image.
  for (const int sector : {0, 94, 95}) {
    MusicImage image;
    for (uint32_t k = 0; k < 256; ++k) image.Set(SectorAddress(sector) + k, c.fill);
    for (const auto& [index, value] : c.entries) image.Set(SectorAddress(sector) + static_cast<uint32_t>(index), value);
    if (sector < 95) image.Set(SectorAddress(sector + 1), 0xFF);
    EXPECT_EQ(SectorLength(image, sector), c.expected) << "sector " << sector;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, SectorLengthTable,
    ::testing::Values(
        SectorCase{"FFAt0", 0x30, {{0, 0xFF}}, 1},
        SectorCase{"F6ThenTwoFF", 0x30, {{0, 0xF6}, {1, 0xFF}, {2, 0xFF}}, 3},
        SectorCase{"F7ArgumentFF", 0x30, {{0, 0xF7}, {1, 0xFF}, {2, 0xFF}}, 3},
        SectorCase{"F8ArgumentFF", 0x30, {{0, 0xF8}, {1, 0xFF}, {2, 0xFF}}, 3},
        SectorCase{"F9ArgumentFF", 0x30, {{0, 0xF9}, {1, 0xFF}, {2, 0xFF}}, 3},
        SectorCase{"FAArgumentFF", 0x30, {{0, 0xFA}, {1, 0xFF}, {2, 0xFF}}, 3},
        SectorCase{"ArgumentIsAnotherCommand", 0x30, {{0, 0xF9}, {1, 0xF6}, {2, 0xFF}}, 3},
        SectorCase{"F5IsOneByte", 0x30, {{0, 0xF5}, {1, 0xFF}}, 2},
        SectorCase{"TieNoteIsOneByte", 0x30, {{0, 0xFB}, {1, 0xFF}}, 2},
        SectorCase{"InstrumentAndGlideAreOneByte", 0x30, {{0, 0xC3}, {1, 0x61}, {2, 0x30}, {3, 0xFF}}, 4},
        SectorCase{"HighBitsIgnored", 0x30, {{0, 0x01F7}, {1, 0x30}, {2, 0x01FF}}, 3},
        SectorCase{"FFAt255", 0x30, {{255, 0xFF}}, 256},
        SectorCase{"NoFF", 0x30, {}, 256},
        SectorCase{"CommandInLastEntry", 0x30, {{255, 0xF7}}, 256},
        SectorCase{"CommandWithArgumentAtTheEnd", 0x30, {{254, 0xFA}, {255, 0xFF}}, 256},
        SectorCase{"AllCommands", 0xF8, {}, 256}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------
// HighestMarked

struct MarkCase {
  const char* name;
  size_t size;
  std::vector<std::pair<size_t, uint8_t>> marks;
  int expected;
};

void PrintTo(const MarkCase& c, std::ostream* os) { *os << c.name; }

class HighestMarkedTable : public ::testing::TestWithParam<MarkCase> {};

TEST_P(HighestMarkedTable, Index) {
  const MarkCase& c = GetParam();
  std::vector<uint8_t> map(c.size, 0);
  for (const auto& [index, mark] : c.marks) map[index] = mark;
  EXPECT_EQ(HighestMarked(map), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Table, HighestMarkedTable,
    ::testing::Values(MarkCase{"None", 256, {}, 0}, MarkCase{"OnlyRow0", 256, {{0, 1}}, 0},
                      MarkCase{"Row1", 256, {{1, 1}}, 1}, MarkCase{"Row5", 256, {{5, 1}}, 5},
                      MarkCase{"Row255", 256, {{255, 1}}, 255},
                      MarkCase{"HighestOfSeveral", 256, {{3, 1}, {200, 1}, {17, 1}}, 200},
                      MarkCase{"FirstAndLast", 256, {{0, 1}, {255, 1}}, 255},
                      MarkCase{"AnyNonZeroMark", 256, {{40, 7}}, 40},
                      MarkCase{"SectorMapLast", 96, {{95, 1}}, 95},
                      MarkCase{"SectorMapNone", 96, {}, 0}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------
// RenderDataFile

// A small packed state: song 0 in use with three short tracks, one sector selecting
// instrument 0, no glide, one wavetable row, no pulse or filter row. Each table's first
// entries hold values that differ from table to table.
std::unique_ptr<PackState> SmallState() {
  auto state = std::make_unique<PackState>();
  MusicImage& image = state->image;
  image.Set(0x403C, 0x11);
  image.Set(0x403D, 0x22);
  image.Set(0x403E, 0x33);
  image.Set(0x403F, 0x44);
  for (int s = 0; s < 4; ++s) {
    image.Set(SongRecordAddress(s) + 6, static_cast<uint16_t>(0x05 + s));
    image.Set(SongRecordAddress(s) + 7, static_cast<uint16_t>(0x40 + s));
    for (int v = 0; v < 3; ++v) image.Set(TrackAddress(s, v), 0xFF);
  }
  image.Set(TrackAddress(0, 0), 0x00);
  image.Set(TrackAddress(0, 0) + 1, 0xFF);
  image.Set(0x4060, 0x61);
  image.Set(0x4080, 0x62);
  const uint32_t tables[] = {0x40A0, 0x40C0, 0x40E0, 0x4100, 0x4120, 0x4140,
                             0x4160, 0x4180, 0x41A0, 0x41C0, 0x41E0};
  for (uint32_t t = 0; t < 11; ++t) {
    for (uint32_t i = 0; i < 32; ++i) image.Set(tables[t] + i, static_cast<uint16_t>(((t + 1) << 4) | (i & 15)));
  }
  image.Set(0x4200, 0x81);
  image.Set(0x4300, 0x82);
  image.Set(0x4400, 0xE0);
  image.Set(0x4401, 0x83);
  image.Set(0x4500, 0xE1);
  image.Set(0x4501, 0x84);
  image.Set(0x4600, 0xE2);
  image.Set(0x4601, 0x85);
  image.Set(0x4700, 0xE3);
  image.Set(0x4701, 0x86);
  image.Set(SectorAddress(0), 0xC0);
  image.Set(SectorAddress(0) + 1, 0x30);
  image.Set(SectorAddress(0) + 2, 0xFF);

  state->exploration.maps.SongMap[0] = 1;
  state->exploration.maps.SectorMap[0] = 1;
  state->exploration.maps.InstrumentMap[0] = 1;
  state->exploration.maps.WaveMap[0] = 1;
  state->exploration.counts.SectorCount = 1;
  state->exploration.counts.InstrumentCount = 1;
  state->exploration.counts.HighestInstrument = 0;
  return state;
}

// Renders and checks what holds for every data file: CR LF line ends and no empty line.
std::string Render(const PackState& state, std::string_view inputName = "tune.prg") {
  std::string text = RenderDataFile(state.image, state.exploration, state.features, inputName);
  EXPECT_TRUE(LineEndsAreCrLf(text));
  EXPECT_TRUE(HasNoEmptyLine(text));
  return text;
}

// The data lines after a label line, up to the next line that is not a data line; fails
// the test when the label is missing or stands twice.
Lines Block(const std::string& text, const std::string& label) {
  const Lines lines = SplitLines(text);
  Lines block;
  size_t found = 0;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (lines[i] != label) continue;
    ++found;
    for (size_t k = i + 1; k < lines.size() && !lines[k].empty() && lines[k][0] == '\t'; ++k) {
      block.push_back(lines[k]);
    }
  }
  EXPECT_EQ(found, 1u) << "label line \"" << label << "\" in\n" << Visible(text);
  return block;
}

// The values of a block, each line checked to be a "\t!by " line.
std::vector<std::string> Values(const Lines& block) {
  std::vector<std::string> values;
  for (const std::string& line : block) {
    EXPECT_EQ(line.rfind("\t!by ", 0), 0u) << Visible(line);
    size_t begin = 5;
    while (begin <= line.size()) {
      const size_t end = std::min(line.find(',', begin), line.size());
      values.push_back(line.substr(begin, end - begin));
      begin = end + 1;
    }
  }
  return values;
}

// Values of `count` image entries from `start`, as printf spells them.
std::vector<std::string> ImageValues(const MusicImage& image, uint32_t start, int count) {
  std::vector<std::string> values;
  for (int k = 0; k < count; ++k) values.push_back(Hex(image.At(start + static_cast<uint32_t>(k))));
  return values;
}

// Lines of a block holding n values: 17 a line, the last the rest.
std::vector<size_t> ValuesPerLine(const Lines& block) {
  std::vector<size_t> counts;
  for (const std::string& line : block) counts.push_back(Values({line}).size());
  return counts;
}

std::vector<size_t> ExpectedPerLine(size_t n) {
  std::vector<size_t> counts;
  for (; n > 17; n -= 17) counts.push_back(17);
  counts.push_back(n);
  return counts;
}

Lines LabelsStartingWith(const std::string& text, const std::string& prefix) {
  Lines labels;
  for (const std::string& line : SplitLines(text)) {
    if (line.rfind(prefix, 0) == 0) labels.push_back(line);
  }
  return labels;
}

TEST(DataFile, SmallTuneWholeFile) {
  const auto state = SmallState();
  EXPECT_TRUE(SameText(
      ";data dump of \"tune.prg\"\r\n"
      ";\r\n"
      "arpspds\t!by $11,$22,$33,$44\r\n"
      "tunedats\r\n"
      "\t!by <.trk00,>.trk00,<.trk01,>.trk01,<.trk02,>.trk02,$05,$40\r\n"
      ".trk00\r\n\t!by $00,$FF\r\n"
      ".trk01\r\n\t!by $FF\r\n"
      ".trk02\r\n\t!by $FF\r\n"
      ";...\r\n"
      "gldtbl\r\n\t!by $61\r\n"
      "gldtbh\r\n\t!by $62\r\n"
      ";...\r\n"
      "adtb\r\n\t!by $10\r\n"
      "srtb\r\n\t!by $20\r\n"
      "aptb\r\n\t!by $30\r\n"
      "pptb\r\n\t!by $40\r\n"
      "fptb\r\n\t!by $50\r\n"
      "v1tb\r\n\t!by $60\r\n"
      "v2tb\r\n\t!by $70\r\n"
      "v3tb\r\n\t!by $80\r\n"
      "hrtb\r\n\t!by $90\r\n"
      "hf1tb\r\n\t!by $A0\r\n"
      "hf2tb\r\n\t!by $B0\r\n"
      "wave\r\n\t!by $81\r\n"
      "trans\r\n\t!by $82\r\n"
      "ptb1 = *-1\r\n\t!by $83\r\n"
      "ptb2 = *-1\r\n\t!by $84\r\n"
      "ftb1 = *-1\r\n\t!by $85\r\n"
      "ftb2 = *-1\r\n\t!by $86\r\n"
      ";...\r\n"
      ".sec00\r\n\t!by $C0,$30,$FF\r\n"
      "Asecsl\r\n\t!by <.sec00\r\n"
      "Asecsh\r\n\t!by >.sec00\r\n",
      Render(*state)));
}

// -- first line: the input name as typed, control characters as "?".

struct NameCase {
  const char* name;
  std::string_view input;
  std::string firstLine;
};

void PrintTo(const NameCase& c, std::ostream* os) { *os << c.name; }

class DataFileInputName : public ::testing::TestWithParam<NameCase> {};

TEST_P(DataFileInputName, FirstLines) {
  const NameCase& c = GetParam();
  const auto state = SmallState();
  const Lines lines = SplitLines(Render(*state, c.input));
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0], c.firstLine) << Visible(lines[0]);
  EXPECT_EQ(lines[1], ";");
}

INSTANTIATE_TEST_SUITE_P(
    Table, DataFileInputName,
    ::testing::Values(
        NameCase{"Plain", "tune.prg", ";data dump of \"tune.prg\""},
        NameCase{"PathAndBlanks", "C:\\My Tunes\\song 1.prg", ";data dump of \"C:\\My Tunes\\song 1.prg\""},
        NameCase{"SlashPath", "../music/a b.prg", ";data dump of \"../music/a b.prg\""},
        NameCase{"Empty", "", ";data dump of \"\""},
        NameCase{"Newline", "tu\nne.prg", ";data dump of \"tu?ne.prg\""},
        NameCase{"CarriageReturnAndTab", "a\rb\tc", ";data dump of \"a?b?c\""},
        NameCase{"Controls", std::string_view("\x00\x01\x1F", 3), ";data dump of \"???\""},
        NameCase{"SpaceAndHighBytesKept", " \x7F\xFC\xFF", ";data dump of \" \x7F\xFC\xFF\""}),
    [](const auto& info) { return std::string(info.param.name); });

// -- arpspds: four values for all songs, the selected song's one otherwise.

struct ArpspdsCase {
  int16_t selected;
  std::string line;
};

void PrintTo(const ArpspdsCase& c, std::ostream* os) { *os << "selected " << c.selected; }

class DataFileArpspds : public ::testing::TestWithParam<ArpspdsCase> {};

TEST_P(DataFileArpspds, Line) {
  const ArpspdsCase& c = GetParam();
  auto state = SmallState();
  state->image.Set(0x403E, 0x0233);  // only the low byte shows
  state->features.SelectedSong = c.selected;
  const Lines lines = SplitLines(Render(*state));
  ASSERT_GE(lines.size(), 4u);
  EXPECT_EQ(lines[2], c.line) << Visible(lines[2]);
}

INSTANTIATE_TEST_SUITE_P(Table, DataFileArpspds,
                         ::testing::Values(ArpspdsCase{-1, "arpspds\t!by $11,$22,$33,$44"},
                                           ArpspdsCase{0, "arpspds\t!by $11"},
                                           ArpspdsCase{1, "arpspds\t!by $22"},
                                           ArpspdsCase{2, "arpspds\t!by $33"},
                                           ArpspdsCase{3, "arpspds\t!by $44"}));

// -- tunedats and tracks: the songs selected and in use, each with its three tracks.

struct SongsCase {
  const char* name;
  std::array<uint8_t, 4> songMap;
  int16_t selected;
  Lines tunedats;
  Lines tracks;
};

void PrintTo(const SongsCase& c, std::ostream* os) { *os << c.name; }

class DataFileSongs : public ::testing::TestWithParam<SongsCase> {};

TEST_P(DataFileSongs, TunedatsAndTracks) {
  const SongsCase& c = GetParam();
  auto state = SmallState();
  state->exploration.maps.SongMap = c.songMap;
  state->features.SelectedSong = c.selected;
  const std::string text = Render(*state);
  EXPECT_EQ(Block(text, "tunedats"), c.tunedats) << Visible(text);
  EXPECT_EQ(LabelsStartingWith(text, ".trk"), c.tracks) << Visible(text);
  // The tracks stand right after tunedats, before the glide tables.
  const Lines lines = SplitLines(text);
  const size_t tunedats = static_cast<size_t>(std::find(lines.begin(), lines.end(), "tunedats") - lines.begin());
  const size_t firstTrack = tunedats + 1 + c.tunedats.size();
  ASSERT_LT(firstTrack, lines.size());
  EXPECT_EQ(lines[firstTrack], c.tracks.empty() ? ";..." : c.tracks.front()) << Visible(text);
}

const std::string kSong0 = "\t!by <.trk00,>.trk00,<.trk01,>.trk01,<.trk02,>.trk02,$05,$40";
const std::string kSong1 = "\t!by <.trk03,>.trk03,<.trk04,>.trk04,<.trk05,>.trk05,$06,$41";
const std::string kSong2 = "\t!by <.trk06,>.trk06,<.trk07,>.trk07,<.trk08,>.trk08,$07,$42";
const std::string kSong3 = "\t!by <.trk09,>.trk09,<.trk0A,>.trk0A,<.trk0B,>.trk0B,$08,$43";

INSTANTIATE_TEST_SUITE_P(
    Table, DataFileSongs,
    ::testing::Values(
        SongsCase{"AllSongs", {1, 1, 1, 1}, -1, {kSong0, kSong1, kSong2, kSong3},
                  {".trk00", ".trk01", ".trk02", ".trk03", ".trk04", ".trk05", ".trk06", ".trk07",
                   ".trk08", ".trk09", ".trk0A", ".trk0B"}},
        SongsCase{"NoSongInUse", {0, 0, 0, 0}, -1, {}, {}},
        SongsCase{"Songs0And2", {1, 0, 1, 0}, -1, {kSong0, kSong2},
                  {".trk00", ".trk01", ".trk02", ".trk06", ".trk07", ".trk08"}},
        SongsCase{"Song3Alone", {0, 0, 0, 1}, -1, {kSong3}, {".trk09", ".trk0A", ".trk0B"}},
        SongsCase{"Song2Selected", {1, 1, 1, 1}, 2, {kSong2}, {".trk06", ".trk07", ".trk08"}},
        SongsCase{"Song0Selected", {1, 1, 1, 1}, 0, {kSong0}, {".trk00", ".trk01", ".trk02"}},
        SongsCase{"SelectedSongNotInUse", {1, 0, 1, 1}, 1, {}, {}},
        SongsCase{"SelectedSongOnlyOneInUse", {0, 0, 0, 1}, 3, {kSong3}, {".trk09", ".trk0A", ".trk0B"}}),
    [](const auto& info) { return std::string(info.param.name); });

// -- track contents: a track is written through its stop byte, also at 256 and 257
// entries; a $FE in its last entry takes the entry after the track as its argument.

struct TrackBodyCase {
  const char* name;
  int song, voice;
  std::vector<std::pair<int, uint8_t>> entries;  // over a fill of $01
  size_t count;
  std::vector<std::string> last;                // the last values of the table
};

void PrintTo(const TrackBodyCase& c, std::ostream* os) { *os << c.name; }

class DataFileTrack : public ::testing::TestWithParam<TrackBodyCase> {};

TEST_P(DataFileTrack, Values) {
  const TrackBodyCase& c = GetParam();
  auto state = SmallState();
  state->exploration.maps.SongMap = {1, 1, 1, 1};
  const uint32_t start = TrackAddress(c.song, c.voice);
  for (uint32_t k = 0; k < 256; ++k) state->image.Set(start + k, 0x01);
  for (const auto& [index, value] : c.entries) state->image.Set(start + static_cast<uint32_t>(index), value);
  // What follows the track: the next track's first entry, or after track $0B sector 0's.
  state->image.Set(start + 256, 0x55);
  const std::string text = Render(*state);
  const std::string label = ".trk" + Hex(static_cast<unsigned>(3 * c.song + c.voice)).substr(1);
  const Lines block = Block(text, label);
  const std::vector<std::string> values = Values(block);
  EXPECT_EQ(values, ImageValues(state->image, start, static_cast<int>(c.count))) << Visible(text);
  EXPECT_EQ(ValuesPerLine(block), ExpectedPerLine(c.count));
  ASSERT_GE(values.size(), c.last.size());
  EXPECT_EQ(std::vector<std::string>(values.end() - static_cast<long>(c.last.size()), values.end()), c.last);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DataFileTrack,
    ::testing::Values(
        TrackBodyCase{"FFAt0", 0, 0, {{0, 0xFF}}, 1, {"$FF"}},
        TrackBodyCase{"F2At7", 1, 1, {{7, 0xF2}}, 8, {"$01", "$F2"}},
        TrackBodyCase{"FEAt3", 2, 2, {{3, 0xFE}, {4, 0x02}}, 5, {"$FE", "$02"}},
        TrackBodyCase{"NoStopByteWritesOne", 0, 1, {}, 1, {"$01"}},
        TrackBodyCase{"SeventeenEntries", 0, 2, {{16, 0xFF}}, 17, {"$FF"}},
        TrackBodyCase{"EighteenEntries", 1, 0, {{17, 0xFF}}, 18, {"$01", "$FF"}},
        TrackBodyCase{"FFAt255", 1, 2, {{255, 0xFF}}, 256, {"$01", "$FF"}},
        TrackBodyCase{"FEAt254", 2, 0, {{254, 0xFE}, {255, 0x00}}, 256, {"$FE", "$00"}},
        TrackBodyCase{"FEAt255TakesNextTrack", 0, 0, {{255, 0xFE}}, 257, {"$01", "$FE", "$55"}},
        TrackBodyCase{"FEAt255Track0B", 3, 2, {{255, 0xFE}}, 257, {"$01", "$FE", "$55"}}),
    [](const auto& info) { return std::string(info.param.name); });

// Track $0B's last $FE reads sector 0's first entry: the same entry the sector table
// starts with.
TEST(DataFileTrack0B, ArgumentIsSector0sFirstEntry) {
  auto state = SmallState();
  state->exploration.maps.SongMap = {0, 0, 0, 1};
  for (uint32_t k = 0; k < 256; ++k) state->image.Set(TrackAddress(3, 2) + k, 0x02);
  state->image.Set(TrackAddress(3, 2) + 255, 0xFE);
  state->image.Set(0x5400, 0x3C);
  const std::string text = Render(*state);
  const std::vector<std::string> track = Values(Block(text, ".trk0B"));
  ASSERT_EQ(track.size(), 257u);
  EXPECT_EQ(track[255], "$FE");
  EXPECT_EQ(track[256], "$3C");
  EXPECT_EQ(Block(text, ".trk0B").back(), "\t!by $FE,$3C");
  EXPECT_EQ(Values(Block(text, ".sec00")), (std::vector<std::string>{"$3C", "$30", "$FF"}));
}

// -- glide, instrument and table sizes.

struct CountedCase {
  const char* name;
  void (*setup)(PackState&);
  std::vector<std::pair<std::string, uint32_t>> tables;  // label and first address
  int count;
};

void PrintTo(const CountedCase& c, std::ostream* os) { *os << c.name; }

class DataFileCounted : public ::testing::TestWithParam<CountedCase> {};

TEST_P(DataFileCounted, TablesHoldTheirEntries) {
  const CountedCase& c = GetParam();
  auto state = SmallState();
  for (uint32_t a = 0x4060; a < 0x40A0; ++a) state->image.Set(a, static_cast<uint16_t>(0x100 | (a & 0xFF)));
  for (uint32_t a = 0x4200; a < 0x4800; ++a) state->image.Set(a, static_cast<uint16_t>((a >> 8) ^ (a & 0xFF)));
  c.setup(*state);
  const std::string text = Render(*state);
  const size_t expected = static_cast<size_t>(std::max(c.count, 1));
  for (const auto& [label, start] : c.tables) {
    const Lines block = Block(text, label);
    EXPECT_EQ(Values(block), ImageValues(state->image, start, static_cast<int>(expected))) << label;
    EXPECT_EQ(ValuesPerLine(block), ExpectedPerLine(expected)) << label;
  }
}

const std::vector<std::pair<std::string, uint32_t>> kGlideTables = {{"gldtbl", 0x4060}, {"gldtbh", 0x4080}};
const std::vector<std::pair<std::string, uint32_t>> kInstrumentTables = {
    {"adtb", 0x40A0}, {"srtb", 0x40C0}, {"aptb", 0x40E0}, {"pptb", 0x4100},
    {"fptb", 0x4120}, {"v1tb", 0x4140}, {"v2tb", 0x4160}, {"v3tb", 0x4180},
    {"hrtb", 0x41A0}, {"hf1tb", 0x41C0}, {"hf2tb", 0x41E0}};
const std::vector<std::pair<std::string, uint32_t>> kWaveTables = {{"wave", 0x4200}, {"trans", 0x4300}};
const std::vector<std::pair<std::string, uint32_t>> kPulseTables = {{"ptb1 = *-1", 0x4401}, {"ptb2 = *-1", 0x4501}};
const std::vector<std::pair<std::string, uint32_t>> kFilterTables = {{"ftb1 = *-1", 0x4601}, {"ftb2 = *-1", 0x4701}};

void Mark(std::array<uint8_t, 256>& map, std::initializer_list<int> rows) {
  map.fill(0);
  for (const int r : rows) map[static_cast<size_t>(r)] = 1;
}

INSTANTIATE_TEST_SUITE_P(
    Table, DataFileCounted,
    ::testing::Values(
        CountedCase{"NoGlide", [](PackState& s) { s.exploration.counts.GlideCount = 0; }, kGlideTables, 1},
        CountedCase{"OneGlide", [](PackState& s) { s.exploration.counts.GlideCount = 1; }, kGlideTables, 1},
        CountedCase{"TwentyGlides", [](PackState& s) { s.exploration.counts.GlideCount = 20; }, kGlideTables, 20},
        CountedCase{"AllGlides", [](PackState& s) { s.exploration.counts.GlideCount = 32; }, kGlideTables, 32},
        // Instrument slots run to the highest instrument in use, gaps included.
        CountedCase{"NoInstrument",
                    [](PackState& s) {
                      s.exploration.counts.InstrumentCount = 0;
                      s.exploration.counts.HighestInstrument = -1;
                    },
                    kInstrumentTables, 1},
        CountedCase{"Instrument0", [](PackState& s) { s.exploration.counts.HighestInstrument = 0; }, kInstrumentTables, 1},
        CountedCase{"InstrumentsWithGaps",
                    [](PackState& s) {
                      s.exploration.counts.InstrumentCount = 3;
                      s.exploration.counts.HighestInstrument = 5;
                    },
                    kInstrumentTables, 6},
        CountedCase{"OnlyInstrument17",
                    [](PackState& s) {
                      s.exploration.counts.InstrumentCount = 1;
                      s.exploration.counts.HighestInstrument = 17;
                    },
                    kInstrumentTables, 18},
        CountedCase{"AllInstruments",
                    [](PackState& s) {
                      s.exploration.counts.InstrumentCount = 32;
                      s.exploration.counts.HighestInstrument = 31;
                    },
                    kInstrumentTables, 32},
        CountedCase{"NoWaveRow", [](PackState& s) { Mark(s.exploration.maps.WaveMap, {}); }, kWaveTables, 1},
        CountedCase{"WaveRow0", [](PackState& s) { Mark(s.exploration.maps.WaveMap, {0}); }, kWaveTables, 1},
        CountedCase{"WaveRowsTo17", [](PackState& s) { Mark(s.exploration.maps.WaveMap, {0, 1, 2, 17}); }, kWaveTables, 18},
        CountedCase{"WaveRow255", [](PackState& s) { Mark(s.exploration.maps.WaveMap, {255}); }, kWaveTables, 256},
        CountedCase{"NoPulseRow", [](PackState& s) { Mark(s.exploration.maps.PulseMap, {}); }, kPulseTables, 1},
        CountedCase{"PulseRow1", [](PackState& s) { Mark(s.exploration.maps.PulseMap, {1}); }, kPulseTables, 1},
        CountedCase{"PulseRowsTo5", [](PackState& s) { Mark(s.exploration.maps.PulseMap, {3, 4, 5}); }, kPulseTables, 5},
        CountedCase{"PulseRow255", [](PackState& s) { Mark(s.exploration.maps.PulseMap, {255}); }, kPulseTables, 255},
        CountedCase{"NoFilterRow", [](PackState& s) { Mark(s.exploration.maps.FilterMap, {}); }, kFilterTables, 1},
        CountedCase{"FilterRowsTo18", [](PackState& s) { Mark(s.exploration.maps.FilterMap, {7, 8, 9, 18}); }, kFilterTables, 18},
        CountedCase{"FilterRow255", [](PackState& s) { Mark(s.exploration.maps.FilterMap, {255}); }, kFilterTables, 255},
        // Each table follows its own map only.
        CountedCase{"PulseDoesNotSizeFilter", [](PackState& s) { Mark(s.exploration.maps.PulseMap, {40}); }, kFilterTables, 1},
        CountedCase{"FilterDoesNotSizeWave", [](PackState& s) { Mark(s.exploration.maps.FilterMap, {40}); }, kWaveTables, 1}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DataFileGlides, TwentyGlidesExactLines) {
  auto state = SmallState();
  for (uint32_t g = 0; g < 20; ++g) state->image.Set(0x4060 + g, static_cast<uint16_t>(g));
  state->exploration.counts.GlideCount = 20;
  const std::string text = Render(*state);
  EXPECT_EQ(Block(text, "gldtbl"),
            (Lines{"\t!by $00,$01,$02,$03,$04,$05,$06,$07,$08,$09,$0A,$0B,$0C,$0D,$0E,$0F,$10",
                   "\t!by $11,$12,$13"}));
}

// -- sectors and the sector address lists.

struct SectorListCase {
  const char* name;
  int sectors;
  Lines low;  // the Asecsh lines are the same with ">"
};

void PrintTo(const SectorListCase& c, std::ostream* os) { *os << c.name; }

class DataFileSectorList : public ::testing::TestWithParam<SectorListCase> {};

TEST_P(DataFileSectorList, Lists) {
  const SectorListCase& c = GetParam();
  auto state = SmallState();
  state->exploration.maps.SectorMap.fill(0);
  for (int n = 0; n < c.sectors; ++n) {
    state->exploration.maps.SectorMap[static_cast<size_t>(n)] = 1;
    state->image.Set(SectorAddress(n), static_cast<uint16_t>(n));
    state->image.Set(SectorAddress(n) + 1, 0xFF);
  }
  state->exploration.counts.SectorCount = static_cast<int16_t>(c.sectors);
  const std::string text = Render(*state);

  std::string expectedTail = "Asecsl\r\n";
  for (const std::string& line : c.low) expectedTail += line + "\r\n";
  expectedTail += "Asecsh\r\n";
  for (std::string line : c.low) {
    for (char& ch : line) ch = ch == '<' ? '>' : ch;
    expectedTail += line + "\r\n";
  }
  ASSERT_GE(text.size(), expectedTail.size());
  EXPECT_TRUE(SameText(expectedTail, text.substr(text.size() - expectedTail.size())));

  Lines labels;
  for (int n = 0; n < c.sectors; ++n) labels.push_back(".sec" + Hex(static_cast<unsigned>(n)).substr(1));
  EXPECT_EQ(LabelsStartingWith(text, ".sec"), labels);
  for (int n = 0; n < c.sectors; ++n) {
    EXPECT_EQ(Values(Block(text, labels[static_cast<size_t>(n)])),
              (std::vector<std::string>{Hex(static_cast<unsigned>(n)), "$FF"}));
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, DataFileSectorList,
    ::testing::Values(
        SectorListCase{"None", 0, {}},
        SectorListCase{"One", 1, {"\t!by <.sec00"}},
        SectorListCase{"Eight", 8, {"\t!by <.sec00,<.sec01,<.sec02,<.sec03,<.sec04,<.sec05,<.sec06,<.sec07"}},
        SectorListCase{"Nine", 9,
                       {"\t!by <.sec00,<.sec01,<.sec02,<.sec03,<.sec04,<.sec05,<.sec06,<.sec07",
                        "\t!by <.sec08"}},
        SectorListCase{"Seventeen", 17,
                       {"\t!by <.sec00,<.sec01,<.sec02,<.sec03,<.sec04,<.sec05,<.sec06,<.sec07",
                        "\t!by <.sec08,<.sec09,<.sec0A,<.sec0B,<.sec0C,<.sec0D,<.sec0E,<.sec0F",
                        "\t!by <.sec10"}},
        SectorListCase{"All96", 96,
                       {"\t!by <.sec00,<.sec01,<.sec02,<.sec03,<.sec04,<.sec05,<.sec06,<.sec07",
                        "\t!by <.sec08,<.sec09,<.sec0A,<.sec0B,<.sec0C,<.sec0D,<.sec0E,<.sec0F",
                        "\t!by <.sec10,<.sec11,<.sec12,<.sec13,<.sec14,<.sec15,<.sec16,<.sec17",
                        "\t!by <.sec18,<.sec19,<.sec1A,<.sec1B,<.sec1C,<.sec1D,<.sec1E,<.sec1F",
                        "\t!by <.sec20,<.sec21,<.sec22,<.sec23,<.sec24,<.sec25,<.sec26,<.sec27",
                        "\t!by <.sec28,<.sec29,<.sec2A,<.sec2B,<.sec2C,<.sec2D,<.sec2E,<.sec2F",
                        "\t!by <.sec30,<.sec31,<.sec32,<.sec33,<.sec34,<.sec35,<.sec36,<.sec37",
                        "\t!by <.sec38,<.sec39,<.sec3A,<.sec3B,<.sec3C,<.sec3D,<.sec3E,<.sec3F",
                        "\t!by <.sec40,<.sec41,<.sec42,<.sec43,<.sec44,<.sec45,<.sec46,<.sec47",
                        "\t!by <.sec48,<.sec49,<.sec4A,<.sec4B,<.sec4C,<.sec4D,<.sec4E,<.sec4F",
                        "\t!by <.sec50,<.sec51,<.sec52,<.sec53,<.sec54,<.sec55,<.sec56,<.sec57",
                        "\t!by <.sec58,<.sec59,<.sec5A,<.sec5B,<.sec5C,<.sec5D,<.sec5E,<.sec5F"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DataFileSectors, NoSectorEndsWithTheTwoStems) {
  auto state = SmallState();
  state->exploration.maps.SectorMap.fill(0);
  state->exploration.counts.SectorCount = 0;
  const std::string text = Render(*state);
  const std::string tail = ";...\r\nAsecsl\r\nAsecsh\r\n";
  ASSERT_GE(text.size(), tail.size());
  EXPECT_EQ(text.substr(text.size() - tail.size()), tail) << Visible(text);
}

// Sector contents through their $FF; one without $FF is written whole and no further.
struct SectorBodyCase {
  const char* name;
  int sector;
  std::vector<std::pair<int, uint8_t>> entries;  // over a fill of $30
  size_t count;
};

void PrintTo(const SectorBodyCase& c, std::ostream* os) { *os << c.name; }

class DataFileSectorBody : public ::testing::TestWithParam<SectorBodyCase> {};

TEST_P(DataFileSectorBody, Values) {
  const SectorBodyCase& c = GetParam();
  auto state = SmallState();
  state->exploration.maps.SectorMap.fill(0);
  for (int n = 0; n <= c.sector; ++n) {
    state->exploration.maps.SectorMap[static_cast<size_t>(n)] = 1;
    state->image.Set(SectorAddress(n), 0xFF);
  }
  state->exploration.counts.SectorCount = static_cast<int16_t>(c.sector + 1);
  const uint32_t start = SectorAddress(c.sector);
  for (uint32_t k = 0; k < 256; ++k) state->image.Set(start + k, 0x30);
  for (const auto& [index, value] : c.entries) state->image.Set(start + static_cast<uint32_t>(index), value);
  const std::string text = Render(*state);
  const Lines block = Block(text, ".sec" + Hex(static_cast<unsigned>(c.sector)).substr(1));
  EXPECT_EQ(Values(block), ImageValues(state->image, start, static_cast<int>(c.count)));
  EXPECT_EQ(ValuesPerLine(block), ExpectedPerLine(c.count));
}

INSTANTIATE_TEST_SUITE_P(
    Table, DataFileSectorBody,
    ::testing::Values(
        SectorBodyCase{"F6ArgumentFF", 0, {{0, 0xF6}, {1, 0xFF}, {2, 0xFF}}, 3},
        SectorBodyCase{"FFAt255", 3, {{255, 0xFF}}, 256},
        SectorBodyCase{"NoFF", 1, {}, 256},
        SectorBodyCase{"CommandInLastEntry", 2, {{255, 0xF9}}, 256},
        SectorBodyCase{"LastSectorNoFF", 95, {}, 256},
        SectorBodyCase{"LastSectorCommandInLastEntry", 95, {{255, 0xFA}}, 256}),
    [](const auto& info) { return std::string(info.param.name); });

// -- a whole pack: a tune whose instruments leave gaps keeps every slot up to the highest
// one, and the file holds exactly the labels the assembler sources refer to, in order.
TEST(DataFilePack, LabelOrderAndInstrumentSlots) {
  TuneBuilder tune;
  tune.Song(0, {0, 0xFF}, {0, 0xFF}, {0, 0xFF});
  tune.Sector(0, {0xC2, 0x30, 0xC4, 0x30, 0xFF});
  tune.Instrument(2, {.ad = 0x12, .sr = 0x34, .hardRestart = 4});
  tune.Instrument(4, {.ad = 0x56, .sr = 0x78, .hardRestart = 4});
  auto state = std::make_unique<PackState>();
  PackedTune packed;
  PackOptions options;
  options.InputName = "tune.prg";
  options.OutputName = "tune";
  const std::vector<uint8_t> file = tune.File();
  PackTune(file, options, *state, packed);
  ASSERT_EQ(packed.depack, DepackStatus::kDone);
  ASSERT_TRUE(LineEndsAreCrLf(packed.data));
  ASSERT_TRUE(HasNoEmptyLine(packed.data));

  Lines labels;
  for (const std::string& line : SplitLines(packed.data)) {
    if (!line.empty() && line[0] != '\t') labels.push_back(line.substr(0, line.find('\t')));
  }
  EXPECT_EQ(labels, (Lines{";data dump of \"tune.prg\"", ";", "arpspds", "tunedats", ".trk00", ".trk01",
                           ".trk02", ";...", "gldtbl", "gldtbh", ";...", "adtb", "srtb", "aptb", "pptb",
                           "fptb", "v1tb", "v2tb", "v3tb", "hrtb", "hf1tb", "hf2tb", "wave", "trans",
                           "ptb1 = *-1", "ptb2 = *-1", "ftb1 = *-1", "ftb2 = *-1", ";...", ".sec00",
                           "Asecsl", "Asecsh"}));
  EXPECT_EQ(Block(packed.data, "adtb"), Lines{"\t!by $00,$00,$12,$00,$56"});
  EXPECT_EQ(Block(packed.data, "srtb"), Lines{"\t!by $00,$00,$34,$00,$78"});
  EXPECT_EQ(Block(packed.data, "hrtb"), Lines{"\t!by $00,$00,$04,$00,$04"});
}

}  // namespace
}  // namespace zspack::testing
