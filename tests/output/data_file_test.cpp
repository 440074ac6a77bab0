// The data file "the_data.a": byte tables of 17 values a line, the lengths of tracks and
// sectors, and the whole file rendered from a pack state set up by hand, so that each case
// controls exactly the maps and counts it is about.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "output/data_file.h"

namespace zspack::testing {
namespace {

using Entries = std::vector<std::pair<int, uint16_t>>;  // index and value, over a fill

// "$XX" by printf, to spell out expected values without the code under test.
std::string Hex(unsigned value) {
  char text[8];
  std::snprintf(text, sizeof text, "$%02X", value & 0xFFu);
  return text;
}

TEST(WriteByteTable, LabelThenSeventeenValuesALine) {
  // Entries from $4800 on hold their index in the low byte, and bits above it that never show.
  MusicImage image;
  for (uint32_t k = 0; k < 40; ++k) image.Set(0x4800 + k, static_cast<uint16_t>(((k % 3) << 8) | k));
  const std::string first = "\t!by $00,$01,$02,$03,$04,$05,$06,$07,$08,$09,$0A,$0B,$0C,$0D,$0E,$0F,$10\r\n";
  const std::string second = "\t!by $11,$12,$13,$14,$15,$16,$17,$18,$19,$1A,$1B,$1C,$1D,$1E,$1F,$20,$21\r\n";
  const std::pair<int, std::string> cases[] = {
      {0, "\t!by $00\r\n"}, {-32768, "\t!by $00\r\n"}, {2, "\t!by $00,$01\r\n"}, {17, first},
      {18, first + "\t!by $11\r\n"}, {34, first + second}, {35, first + second + "\t!by $22\r\n"},
  };
  for (const auto& [count, lines] : cases) {
    SCOPED_TRACE(count);
    std::string out = "before\r\n";
    WriteByteTable(out, image, "ptb1 = *-1", 0x4800, count);
    EXPECT_EQ(out, "before\r\nptb1 = *-1\r\n" + lines);
  }
}

// Through the first $F0..$F3 or $FF, or a $FE and its argument; 1 when there is none.
TEST(TrackLength, ThroughTheFirstStop) {
  struct Case {
    const char* name;
    uint8_t fill;
    Entries entries;
    int length;
  };
  const Case cases[] = {
      {"FFAt0", 0x01, {{0, 0xFF}}, 1},
      {"F0At3", 0x01, {{3, 0xF0}}, 4},
      {"F3At3", 0x01, {{3, 0xF3}}, 4},
      {"FEAt0", 0x01, {{0, 0xFE}}, 2},
      {"NoStop", 0x01, {}, 1},
      {"CommandsDoNotStop", 0xF4, {{1, 0xF5}, {2, 0xF6}, {3, 0xFA}, {4, 0xFB}, {5, 0xFD}}, 1},
      {"NoArgumentAfterF6", 0x01, {{4, 0xF6}, {5, 0xFF}}, 6},
      {"OnlyTheLowByteCounts", 0x01, {{0, 0xFF01}, {1, 0x0160}, {4, 0x01FF}}, 5},
      {"FFAt255", 0x01, {{255, 0xFF}}, 256},
      {"FEAt254", 0x01, {{254, 0xFE}}, 256},
      {"FEAt255TakesTheNextEntry", 0x01, {{255, 0xFE}}, 257},
  };
  for (const Case& c : cases) {
    for (const uint32_t start : {TrackAddress(0), TrackAddress(11)}) {
      SCOPED_TRACE(std::string(c.name) + " at " + Hex(start >> 8));
      MusicImage image;
      for (uint32_t k = 0; k < kTrackEntries; ++k) image.Set(start + k, c.fill);
      for (const auto& [index, value] : c.entries) image.Set(start + static_cast<uint32_t>(index), value);
      EXPECT_EQ(TrackLength(image, start), c.length);
    }
  }
}

// Through the $FF, each $F6..$FA with its argument, at most 256 entries.
TEST(SectorLength, ThroughTheEnd) {
  struct Case {
    const char* name;
    uint8_t fill;
    Entries entries;
    int length;
  };
  const Case cases[] = {
      {"FFAt0", 0x30, {{0, 0xFF}}, 1},
      {"EveryCommandTakesAnArgument", 0x30,
       {{0, 0xF6}, {1, 0xFF}, {2, 0xF7}, {3, 0xFF}, {4, 0xF8}, {5, 0xFF}, {6, 0xF9}, {7, 0xFF}, {8, 0xFA}, {9, 0xFF}, {10, 0xFF}},
       11},
      {"ArgumentIsAnotherCommand", 0x30, {{0, 0xF9}, {1, 0xF6}, {2, 0xFF}}, 3},
      {"F5IsOneEntry", 0x30, {{0, 0xF5}, {1, 0xFF}}, 2},
      {"TieNoteIsOneEntry", 0x30, {{0, 0xFB}, {1, 0xFF}}, 2},
      {"HighBitsIgnored", 0x30, {{0, 0x01F7}, {1, 0x30}, {2, 0x01FF}}, 3},
      {"FFAt255", 0x30, {{255, 0xFF}}, 256},
      {"NoFF", 0x30, {}, 256},
      {"CommandInTheLastEntry", 0x30, {{255, 0xF7}}, 256},
      {"CommandWithArgumentAtTheEnd", 0x30, {{254, 0xFA}, {255, 0xFF}}, 256},
  };
  for (const Case& c : cases) {
    // Sector 94 is followed by sector 95, whose $FF must not count; sector 95 ends the image.
    for (const int sector : {0, 94, 95}) {
      SCOPED_TRACE(std::string(c.name) + " in sector " + std::to_string(sector));
      MusicImage image;
      for (uint32_t k = 0; k < kSectorEntries; ++k) image.Set(SectorAddress(sector) + k, c.fill);
      for (const auto& [index, value] : c.entries) image.Set(SectorAddress(sector) + static_cast<uint32_t>(index), value);
      if (sector < kSectorCount - 1) image.Set(SectorAddress(sector + 1), 0xFF);
      EXPECT_EQ(SectorLength(image, sector), c.length);
    }
  }
}

// Song 0 in use with three short tracks and sector 0; every song's arpeggio speed and
// record differ. The tables from the glides to the filter table hold a byte of their
// address in each entry, so that a table written from the wrong place shows.
std::unique_ptr<PackState> SmallState() {
  auto state = std::make_unique<PackState>();
  MusicImage& image = state->image;
  for (uint32_t s = 0; s < kSongCount; ++s) {
    image.Set(addr::arpspds + s, static_cast<uint16_t>(0x11 * (s + 1)));
    image.Set(SongRecordAddress(static_cast<int>(s)) + kSongSpeedOffset, static_cast<uint16_t>(0x05 + s));
    image.Set(SongRecordAddress(static_cast<int>(s)) + kSongSettingOffset, static_cast<uint16_t>(0x40 + s));
    for (int v = 0; v < kVoiceCount; ++v) image.Set(TrackAddress(static_cast<int>(s), v), 0xFF);
  }
  image.Set(TrackAddress(0, 0), 0x00);
  image.Set(TrackAddress(0, 0) + 1, 0xFF);
  for (uint32_t a = addr::gldtbl; a < addr::tracks; ++a) image.Set(a, static_cast<uint16_t>((a >> 8) ^ (a & 0xFF)));
  image.Set(SectorAddress(0), 0xC0);
  image.Set(SectorAddress(0) + 1, 0xFF);
  UsageMaps& maps = state->exploration.maps;
  maps.SongMap[0] = maps.SectorMap[0] = maps.InstrumentMap[0] = maps.WaveMap[0] = 1;
  state->exploration.counts = {.SectorCount = 1, .InstrumentCount = 1, .GlideCount = 0, .HighestInstrument = 0};
  return state;
}

// Renders, and checks what holds for every data file: CR LF line ends, no empty line.
std::string Render(const PackState& state, std::string_view inputName = "tune.prg") {
  std::string text;
  AppendDataFile(text, state.image, state.exploration, state.features, inputName);
  size_t lineFeeds = 0, lineEnds = 0;
  for (size_t at = 0; (at = text.find('\n', at)) != std::string::npos; ++at) ++lineFeeds;
  for (size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos; ++at) ++lineEnds;
  EXPECT_EQ(lineFeeds, lineEnds) << "a bare line feed in\n" << text;
  EXPECT_TRUE(text.ends_with("\r\n")) << text;
  EXPECT_EQ(text.find("\n\r\n"), std::string::npos) << "an empty line in\n" << text;
  return text;
}

// The file holds the table of `count` entries from `start` under its label, in the layout
// that WriteByteTable is checked for above, and no more entries after them.
::testing::AssertionResult HasTable(const std::string& text, const MusicImage& image, const std::string& label,
                                    uint32_t start, int count) {
  std::string table = "\r\n";
  WriteByteTable(table, image, label, start, count);
  const size_t at = text.find(table);
  if (at != std::string::npos && !text.substr(at + table.size()).starts_with('\t')) return ::testing::AssertionSuccess();
  return ::testing::AssertionFailure() << "no table " << table << "in\n" << text;
}

// The label lines that start with `stem`, in file order.
std::vector<std::string> Labels(const std::string& text, const std::string& stem) {
  std::vector<std::string> labels;
  for (size_t at = 0; (at = text.find("\r\n" + stem, at)) != std::string::npos; at += 2) {
    labels.push_back(text.substr(at + 2, text.find("\r\n", at + 2) - at - 2));
  }
  return labels;
}

std::string Label(const char* stem, int number) { return stem + Hex(static_cast<unsigned>(number)).substr(1); }

TEST(AppendDataFile, InputNameInTheFirstLine) {
  const std::pair<std::string_view, std::string> cases[] = {
      {std::string_view("\x00\x01\x1F\r\n\t.prg", 10), "??????.prg"},
      {"C:\\My Tunes\\ \x7F\xFC\xFF", "C:\\My Tunes\\ \x7F\xFC\xFF"},
  };
  for (const auto& [input, shown] : cases) {
    EXPECT_TRUE(Render(*SmallState(), input).starts_with(";data dump of \"" + shown + "\"\r\n;\r\narpspds"));
  }
}

// The songs in use and selected: the arpeggio speeds (all four, or the selected song's),
// a tunedats line per song and its three tracks, in song order, right after tunedats.
TEST(AppendDataFile, SongsInUseAndSelected) {
  const std::string song[] = {
      "\t!by <.trk00,>.trk00,<.trk01,>.trk01,<.trk02,>.trk02,$05,$40\r\n",
      "\t!by <.trk03,>.trk03,<.trk04,>.trk04,<.trk05,>.trk05,$06,$41\r\n",
      "\t!by <.trk06,>.trk06,<.trk07,>.trk07,<.trk08,>.trk08,$07,$42\r\n",
      "\t!by <.trk09,>.trk09,<.trk0A,>.trk0A,<.trk0B,>.trk0B,$08,$43\r\n",
  };
  struct Case {
    const char* name;
    std::array<uint8_t, kSongCount> songMap;
    std::optional<int16_t> selected;
    const char* arpspds;
    std::vector<int> packed;
  };
  const Case cases[] = {
      {"AllSongs", {1, 1, 1, 1}, std::nullopt, "$11,$22,$33,$44", {0, 1, 2, 3}},
      {"NoSongInUse", {0, 0, 0, 0}, std::nullopt, "$11,$22,$33,$44", {}},
      {"Song3Alone", {0, 0, 0, 1}, std::nullopt, "$11,$22,$33,$44", {3}},
      {"Song0Selected", {1, 1, 1, 1}, 0, "$11", {0}},
      {"SelectedSongNotInUse", {1, 1, 1, 0}, 3, "$44", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto state = SmallState();
    state->exploration.maps.SongMap = c.songMap;
    state->features.SelectedSong = c.selected;
    const std::string text = Render(*state);
    std::string head = ";data dump of \"tune.prg\"\r\n;\r\narpspds\t!by " + std::string(c.arpspds) + "\r\ntunedats\r\n";
    std::vector<std::string> tracks;
    for (int s : c.packed) {
      head += song[s];
      for (int v = 0; v < kVoiceCount; ++v) tracks.push_back(Label(".trk", kVoiceCount * s + v));
    }
    EXPECT_TRUE(text.starts_with(head + (tracks.empty() ? ";..." : tracks.front()) + "\r\n")) << text;
    EXPECT_EQ(Labels(text, ".trk"), tracks);
  }
}

// A track is written through its stop; a $FE in its last entry takes its argument from the
// entry after the track: the next track's first, or after track $0B sector 0's first.
TEST(AppendDataFile, TracksThroughTheirStop) {
  for (const auto& [track, stop, length] : {std::tuple{4, 7, 8}, std::tuple{0, 255, 257}, std::tuple{11, 255, 257}}) {
    SCOPED_TRACE(track);
    auto state = SmallState();
    state->exploration.maps.SongMap = {1, 1, 1, 1};
    const uint32_t start = TrackAddress(track);
    for (uint32_t k = 0; k < kTrackEntries; ++k) state->image.Set(start + k, 0x01);
    state->image.Set(start + static_cast<uint32_t>(stop), length == 257 ? 0xFE : 0xF2);
    state->image.Set(start + kTrackEntries, 0x3C);
    EXPECT_TRUE(HasTable(Render(*state), state->image, Label(".trk", track), start, length));
  }
}

// Glide tables hold GlideCount entries, the instrument tables every slot up to the highest
// instrument in use, the wave tables rows up to the highest marked, the pulse and filter
// tables rows 1 up to the highest marked; each at least one entry, each by its own count.
TEST(AppendDataFile, TableSizes) {
  using Tables = std::vector<std::pair<std::string, uint32_t>>;
  const Tables glides = {{"gldtbl", addr::gldtbl}, {"gldtbh", addr::gldtbh}};
  const Tables instruments = {{"adtb", addr::adtb}, {"srtb", addr::srtb}, {"aptb", addr::aptb}, {"pptb", addr::pptb},
                              {"fptb", addr::fptb}, {"v1tb", addr::v1tb}, {"v2tb", addr::v2tb}, {"v3tb", addr::v3tb},
                              {"hrtb", addr::hrtb}, {"hf1tb", addr::hf1tb}, {"hf2tb", addr::hf2tb}};
  const Tables wave = {{"wave", addr::wave}, {"trans", addr::trans}};
  const Tables pulse = {{"ptb1 = *-1", addr::ptb1 + 1}, {"ptb2 = *-1", addr::ptb2 + 1}};
  const Tables filter = {{"ftb1 = *-1", addr::ftb1 + 1}, {"ftb2 = *-1", addr::ftb2 + 1}};
  struct Case {
    const char* name;
    void (*set)(Exploration&);
    const Tables& tables;
    int entries;
  };
  const Case cases[] = {
      {"NoGlide", [](Exploration& e) { e.counts.GlideCount = 0; }, glides, 1},
      {"AllGlides", [](Exploration& e) { e.counts.GlideCount = 32; }, glides, 32},
      {"NoInstrument", [](Exploration& e) { e.counts.HighestInstrument = std::nullopt; }, instruments, 1},
      {"InstrumentsUpTo5", [](Exploration& e) { e.counts.HighestInstrument = 5; }, instruments, 6},
      {"AllInstruments", [](Exploration& e) { e.counts.HighestInstrument = 31; }, instruments, 32},
      {"NoWaveRow", [](Exploration& e) { e.maps.WaveMap = {}; }, wave, 1},
      {"WaveRow255", [](Exploration& e) { e.maps.WaveMap[255] = 1; }, wave, 256},
      {"NoPulseRow", [](Exploration&) {}, pulse, 1},
      {"PulseRow255", [](Exploration& e) { e.maps.PulseMap[255] = 1; }, pulse, 255},
      {"FilterRowsUpTo18", [](Exploration& e) { e.maps.FilterMap[18] = 1; }, filter, 18},
      {"PulseDoesNotSizeFilter", [](Exploration& e) { e.maps.PulseMap[40] = 1; }, filter, 1},
      {"FilterDoesNotSizeWave", [](Exploration& e) { e.maps.FilterMap[40] = 1; }, wave, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto state = SmallState();
    c.set(state->exploration);
    const std::string text = Render(*state);
    for (const auto& [label, start] : c.tables) EXPECT_TRUE(HasTable(text, state->image, label, start, c.entries));
  }
}

// Each sector through its $FF (a command's argument is no end), or all 256 entries and no
// more, also the last sector; then the address lists, eight labels a line.
TEST(AppendDataFile, SectorsAndTheirAddressLists) {
  const std::string eight = "\t!by <.sec00,<.sec01,<.sec02,<.sec03,<.sec04,<.sec05,<.sec06,<.sec07\r\n";
  const std::pair<int, std::string> cases[] = {
      {0, ""},
      {9, eight + "\t!by <.sec08\r\n"},
      {96, eight +
               "\t!by <.sec08,<.sec09,<.sec0A,<.sec0B,<.sec0C,<.sec0D,<.sec0E,<.sec0F\r\n"
               "\t!by <.sec10,<.sec11,<.sec12,<.sec13,<.sec14,<.sec15,<.sec16,<.sec17\r\n"
               "\t!by <.sec18,<.sec19,<.sec1A,<.sec1B,<.sec1C,<.sec1D,<.sec1E,<.sec1F\r\n"
               "\t!by <.sec20,<.sec21,<.sec22,<.sec23,<.sec24,<.sec25,<.sec26,<.sec27\r\n"
               "\t!by <.sec28,<.sec29,<.sec2A,<.sec2B,<.sec2C,<.sec2D,<.sec2E,<.sec2F\r\n"
               "\t!by <.sec30,<.sec31,<.sec32,<.sec33,<.sec34,<.sec35,<.sec36,<.sec37\r\n"
               "\t!by <.sec38,<.sec39,<.sec3A,<.sec3B,<.sec3C,<.sec3D,<.sec3E,<.sec3F\r\n"
               "\t!by <.sec40,<.sec41,<.sec42,<.sec43,<.sec44,<.sec45,<.sec46,<.sec47\r\n"
               "\t!by <.sec48,<.sec49,<.sec4A,<.sec4B,<.sec4C,<.sec4D,<.sec4E,<.sec4F\r\n"
               "\t!by <.sec50,<.sec51,<.sec52,<.sec53,<.sec54,<.sec55,<.sec56,<.sec57\r\n"
               "\t!by <.sec58,<.sec59,<.sec5A,<.sec5B,<.sec5C,<.sec5D,<.sec5E,<.sec5F\r\n"},
  };
  for (const auto& [sectors, lows] : cases) {
    SCOPED_TRACE(sectors);
    auto state = SmallState();
    state->exploration.maps.SectorMap.fill(0);
    std::vector<std::string> labels;
    for (int n = 0; n < sectors; ++n) {
      state->exploration.maps.SectorMap[static_cast<size_t>(n)] = 1;
      for (uint32_t k = 0; k < kSectorEntries; ++k) state->image.Set(SectorAddress(n) + k, static_cast<uint16_t>(n));
      labels.push_back(Label(".sec", n));
    }
    // Sector 2 ends after a command whose argument is $FF; sector 95 has no $FF at all.
    for (const auto& [entry, value] : Entries{{0, 0xF6}, {1, 0xFF}, {2, 0xFF}}) state->image.Set(SectorAddress(2) + entry, value);
    state->image.Set(SectorAddress(95) + 255, 0xF9);
    state->exploration.counts.SectorCount = static_cast<int16_t>(sectors);
    const std::string text = Render(*state);
    std::string highs = lows;
    std::replace(highs.begin(), highs.end(), '<', '>');
    EXPECT_TRUE(text.ends_with("Asecsl\r\n" + lows + "Asecsh\r\n" + highs)) << text;
    EXPECT_EQ(Labels(text, ".sec"), labels);
    for (int n = 0; n < sectors; ++n) {
      EXPECT_TRUE(HasTable(text, state->image, labels[static_cast<size_t>(n)], SectorAddress(n), n == 2 ? 3 : 256));
    }
  }
}

}  // namespace
}  // namespace zspack::testing
