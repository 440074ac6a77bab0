// End to end: zspack packs a tune in a fresh working folder, the real ACME assembles the
// two generated sources with the stand-in MakeMe.a, and the assembled program is read
// back. Every byte table of the music, reached through its label or through the song and
// sector pointers, must hold exactly what the packer's own final image holds, crunched
// where --crunch asks for it; every PSID file must play in sidplayfp. Without acme (or sidplayfp for a PSID file) a run reports
// itself skipped.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "pack/pack_tune.h"
#include "common/music_layout.h"
#include "support/demo_tune.h"
#include "support/process.h"
#include "support/tune_builder.h"

namespace zspack::testing {
namespace {

namespace fs = std::filesystem;

// ---------------------------------------------------------------------------------------
// The tunes of the run table.
// ---------------------------------------------------------------------------------------

std::vector<uint8_t> BundledDemo() {
  const std::string text = ReadText(std::string(ZSPACK_SOURCE_DIR) + "/examples/demo.prg");
  return {text.begin(), text.end()};
}

// Four songs, each with its own sectors, instrument and speed.
std::vector<uint8_t> FourSongs() {
  TuneBuilder tune;
  for (int s = 0; s < 4; ++s) {
    const auto base = static_cast<uint8_t>(4 * s);
    tune.Song(s, {base, static_cast<uint8_t>(base + 1), 0xFF}, {static_cast<uint8_t>(base + 2), 0xFF},
              {static_cast<uint8_t>(base + 3), 0xFE, 0x00}, static_cast<uint8_t>(3 + s),
              static_cast<uint8_t>(0x10 * s));
    tune.Arpspds(s, static_cast<uint8_t>(s + 1));
    for (int v = 0; v < 4; ++v) {
      tune.Sector(4 * s + v, {static_cast<uint8_t>(0xC0 + s), static_cast<uint8_t>(0x20 + v), 0x24,
                              static_cast<uint8_t>(0x30 + s), 0xFF});
    }
    tune.Instrument(s, {.ad = static_cast<uint8_t>(0x11 * (s + 1)), .sr = 0xF8,
                        .wave = static_cast<uint8_t>(2 * s), .hardRestart = static_cast<uint8_t>(s)});
    tune.WaveRows(2 * s, {{0x41, static_cast<uint8_t>(s)}, {0xFF, 0x00}});
  }
  return tune.File();
}

std::vector<uint8_t> OneSong() {
  TuneBuilder tune;
  tune.Song(0, {1, 0, 0xFF}, {2, 0xFF}, {0xFF}, 4, 0x07).Arpspds(0, 0x02);
  tune.Sector(0, {0xC1, 0x18, 0x1C, 0xFF}).Sector(1, {0xC1, 0x1F, 0xFB, 0xFF}).Sector(2, {0xC3, 0x2A, 0xFF});
  tune.Instrument(1, {.ad = 0x0A, .sr = 0xA8, .wave = 3, .pulse = 2, .v1 = 0x41});
  tune.Instrument(3, {.ad = 0x0F, .sr = 0x0F, .wave = 1, .vibrato = 0x12, .hardRestart = 2});
  tune.WaveRows(1, {{0x81, 0x00}, {0xFF, 0x00}, {0x41, 0x00}, {0x90, 0x03}});
  tune.PulseRows(2, {{0x08, 0x00}, {0x40, 0x10}, {0x20, 0x00}});
  return tune.File();
}

// Every feature the defines know: multispeed, a speed change, song change, loop, end,
// transpose, repeat, volume, glides, tie notes, all five tuner commands, pulse and filter
// programs, vibrato and all four hard-restart types; songs 0 and 2 exist, 1 and 3 not.
std::vector<uint8_t> EveryFeature() {
  TuneBuilder tune;
  tune.Arpspds(0, 0x35).Arpspds(2, 0x02);
  tune.Song(0, {0x83, 2, 0xC2, 5, 0x62, 2, 0xFE, 0x01}, {9, 0xE7, 5, 0xF1}, {0xBE, 14, 0xFF}, 6, 0x02);
  tune.Song(2, {30, 0xF4, 2, 0xFF}, {31, 0xF0}, {2, 0xFE, 0x00}, 4, 0x03);
  tune.Sector(2, {0xC0, 0x61, 0x20, 0xFB, 0x22, 0xF6, 0x04, 0xFF});
  tune.Sector(5, {0xC1, 0x20, 0xF7, 0x05, 0x24, 0xF8, 0x10, 0xFF});
  tune.Sector(9, {0xC2, 0x67, 0x30, 0xF9, 0xFF, 0x31, 0xFF});
  tune.Sector(14, {0xC3, 0xFA, 0xC7, 0x2C, 0x6A, 0x2E, 0xFF});
  tune.Sector(30, {0xC1, 0x18, 0xFF});
  tune.Sector(31, {0xC0, 0x61, 0x19, 0xFF});
  tune.Instrument(0, {.ad = 0x01, .sr = 0xF0, .wave = 10, .pulse = 1, .filter = 1, .v1 = 0x41, .hardRestart = 0});
  tune.Instrument(1, {.ad = 0x02, .sr = 0xE0, .wave = 12, .pulse = 8, .v2 = 0x21, .vibrato = 0x34, .hardRestart = 1});
  tune.Instrument(2, {.ad = 0x03, .sr = 0xD0, .wave = 10, .filter = 7, .hardRestart = 2, .hf1 = 0x0F});
  tune.Instrument(3, {.ad = 0x04, .sr = 0xC0, .wave = 16, .hardRestart = 3, .hf2 = 0x08});
  tune.Glide(1, 0x11, 0x01).Glide(7, 0x77, 0x07).Glide(10, 0xAA, 0x0A);
  tune.WaveRows(10, {{0x41, 0x00}, {0x90, 0x0A}, {0x21, 0x0C}, {0x11, 0x00}, {0xFE, 0x00}});
  tune.WaveRows(16, {{0x81, 0x2F}, {0x90, 0x0C}});
  tune.PulseRows(1, {{0x08, 0x00}, {0x20, 0x40}, {0x10, 0x00}});
  tune.PulseRows(5, {{0x04, 0x00}, {0x30, 0x10}, {0x08, 0x00}});
  tune.PulseRows(8, {{0x02, 0x00}, {0x40, 0x40}, {0x04, 0x0B}, {0x10, 0x00}, {0x20, 0x00}});
  tune.FilterRows(1, {{0x1F, 0x00}, {0x90, 0x40}, {0x10, 0x00}});
  tune.FilterRows(4, {{0x2F, 0x00}, {0xA0, 0x80}, {0x08, 0x00}});
  tune.FilterRows(7, {{0x3F, 0x00}, {0x01, 0x01}, {0x01, 0x01}});
  return tune.File();
}

// Sectors and instruments, but no track of voice 0 holds an end byte: no song exists.
std::vector<uint8_t> NoSongs() {
  TuneBuilder tune;
  tune.Track(0, 0, {1, 2, 3}).Track(0, 1, {4, 0xFF}).Speed(0, 5).Arpspds(0, 0x01);
  tune.Sector(1, {0xC0, 0x20, 0xFF}).Instrument(0, {.ad = 0x12, .wave = 0});
  tune.WaveRows(0, {{0x41, 0x00}, {0xFF, 0x00}}).Glide(0, 0x01, 0x02);
  return tune.File();
}

// Two tracks that fill their 256 entries: song 0 voice 0 ends with $FF at index 255, and
// song 3 voice 2 has its loop byte at index 255, so its argument is the entry after it.
std::vector<uint8_t> FullLengthTracks() {
  std::vector<uint8_t> full(256), looping(256);
  for (size_t i = 0; i < 255; ++i) {
    full[i] = static_cast<uint8_t>(i % 3 == 2 ? 0x81 : i % 7);
    looping[i] = static_cast<uint8_t>(i % 5 == 4 ? 0xC1 : 7 + i % 4);
  }
  full[255] = 0xFF;
  looping[255] = 0xFE;
  TuneBuilder tune;
  tune.Song(0, full, {0, 0xFF}, {1, 0xFF}, 2, 0x00);
  tune.Song(3, {2, 0xFF}, {3, 0xFF}, looping, 2, 0x00);
  for (int n = 0; n < 11; ++n) {
    tune.Sector(n, {static_cast<uint8_t>(0xC0 + n % 2), static_cast<uint8_t>(0x10 + n), 0xFF});
  }
  tune.Instrument(0, {.ad = 0x22, .wave = 0}).Instrument(1, {.ad = 0x33, .wave = 0});
  tune.WaveRows(0, {{0x41, 0x00}, {0xFF, 0x00}});
  return tune.File();
}

// Two songs that play the same music through copies: song 1's sectors select copies of
// song 0's instruments, so crunched they merge, and so do the tracks of both songs.
std::vector<uint8_t> TwinSongs() {
  TuneBuilder tune;
  tune.Song(0, {0, 1, 0xFF}, {1, 0xFF}, {4, 0xFF}, 4, 0x00).Song(1, {2, 3, 0xFF}, {3, 0xFF}, {0xFF}, 4, 0x00);
  tune.Sector(0, {0xC0, 0x20, 0x24, 0xFF}).Sector(1, {0xC1, 0x27, 0xFB, 0x30, 0xFF});
  tune.Sector(4, {0x27, 0xFB, 0x30, 0xFF});  // the end of sector 1, written inside it
  tune.Sector(2, {0xC2, 0x20, 0x24, 0xFF}).Sector(3, {0xC3, 0x27, 0xFB, 0x30, 0xFF});
  for (int i : {0, 2}) tune.Instrument(i, {.ad = 0x09, .sr = 0xA0, .wave = 0, .pulse = 1, .v1 = 0x41});
  for (int i : {1, 3}) tune.Instrument(i, {.ad = 0x0C, .sr = 0x6A, .wave = 2, .hardRestart = 1});
  tune.WaveRows(0, {{0x41, 0x00}, {0xFF, 0x00}, {0x81, 0x0C}, {0x90, 0x02}});
  tune.PulseRows(1, {{0x08, 0x00}, {0x20, 0x40}, {0x10, 0x00}});
  return tune.File();
}

// ---------------------------------------------------------------------------------------
// The working folder and the tools.
// ---------------------------------------------------------------------------------------

std::string FindOnPath(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path != nullptr ? path : "/usr/bin:/bin");
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    const std::string candidate = (dir.empty() ? "." : dir) + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
  }
  return {};
}

std::string Examples(const std::string& name) { return std::string(ZSPACK_SOURCE_DIR) + "/examples/" + name; }

// The stand-in main source, header and player beside zspack, ACME.exe a link to acme.
void PrepareWorkFolder(const TempDir& dir, const std::string& acme) {
  for (const char* name : {"MakeMe.a", "PSID_header.a", "placeholder_player.a"}) {
    fs::copy_file(Examples(name), dir / name);
  }
  fs::create_symlink(acme, dir / "ACME.exe");
}

// The symbol list MakeMe.a asks ACME for: "<TAB>name<TAB>= $hex", maybe with comments.
std::map<std::string, int64_t> ReadSymbols(const std::string& path) {
  std::map<std::string, int64_t> symbols;
  std::stringstream lines(ReadText(path));
  std::string line;
  while (std::getline(lines, line)) {
    if (line.empty()) continue;
    const size_t nameStart = line.find_first_not_of(" \t");
    const size_t nameEnd = line.find_first_of(" \t=", nameStart);
    const size_t equals = line.find('=', nameEnd);
    if (nameStart == std::string::npos || nameEnd == std::string::npos || equals == std::string::npos) {
      ADD_FAILURE() << "unreadable symbol line: " << line;
      continue;
    }
    size_t p = line.find_first_not_of(" \t", equals + 1);
    bool negative = false;
    if (p != std::string::npos && line[p] == '-') {
      negative = true;
      ++p;
    }
    if (p == std::string::npos || line[p] != '$') {
      ADD_FAILURE() << "symbol value is not hexadecimal: " << line;
      continue;
    }
    const int64_t value = std::stoll(line.substr(p + 1), nullptr, 16);
    symbols[line.substr(nameStart, nameEnd - nameStart)] = negative ? -value : value;
  }
  return symbols;
}

// The assembled program as C64 memory: the file bytes from `dataOffset` on lie at
// `loadAddress` onwards.
struct Program {
  std::vector<uint8_t> file;
  size_t dataOffset = 0;
  uint32_t loadAddress = 0;

  bool Holds(uint32_t address, size_t count) const {
    return address >= loadAddress && dataOffset + (address - loadAddress) + count <= file.size();
  }
  std::vector<uint8_t> Bytes(uint32_t address, size_t count) const {
    if (!Holds(address, count)) return {};
    const auto first = file.begin() + static_cast<std::ptrdiff_t>(dataOffset + (address - loadAddress));
    return {first, first + static_cast<std::ptrdiff_t>(count)};
  }
  uint8_t At(uint32_t address) const { return Holds(address, 1) ? Bytes(address, 1)[0] : 0; }
  uint32_t Word(uint32_t lowAt, uint32_t highAt) const { return At(lowAt) | At(highAt) << 8; }
};

uint16_t BigEndian(const std::vector<uint8_t>& file, size_t at) {
  return static_cast<uint16_t>(file[at] << 8 | file[at + 1]);
}

// ---------------------------------------------------------------------------------------
// What the packer's own image says the data must be.
// ---------------------------------------------------------------------------------------

std::vector<uint8_t> ImageBytes(const MusicImage& image, uint32_t start, int count) {
  std::vector<uint8_t> bytes;
  // A table always holds at least its first entry.
  for (int k = 0; k < std::max(count, 1); ++k) bytes.push_back(image.Byte(start + static_cast<uint32_t>(k)));
  return bytes;
}

// A track runs through its first $F0..$F3 or $FF, or its $FE and the byte after it; a
// track without such a byte is written as its first entry alone.
int ExpectedTrackLength(const MusicImage& image, uint32_t start) {
  for (uint32_t k = 0; k < 256; ++k) {
    const uint8_t b = image.Byte(start + k);
    if ((b >= 0xF0 && b <= 0xF3) || b == 0xFF) return static_cast<int>(k) + 1;
    if (b == 0xFE) return static_cast<int>(k) + 2;
  }
  return 1;
}

// A sector runs through its $FF; $F6..$FA take their argument byte along.
int ExpectedSectorLength(const MusicImage& image, int sector) {
  const uint32_t start = SectorAddress(sector);
  int j = 0;
  while (j < 256) {
    const uint8_t b = image.Byte(start + static_cast<uint32_t>(j));
    if (b == 0xFF) return j + 1;
    j += (b >= 0xF6 && b <= 0xFA) ? 2 : 1;
  }
  return 256;
}

int HighestMark(const std::array<uint8_t, kTableRows>& map) {
  int i = kTableRows - 1;
  while (i > 0 && map[static_cast<size_t>(i)] == 0) --i;
  return i;
}

std::string Hex(uint32_t value) {
  std::ostringstream s;
  s << "$" << std::hex << std::uppercase << value;
  return s.str();
}

::testing::AssertionResult SameBytes(const std::string& what, uint32_t address,
                                     const std::vector<uint8_t>& assembled,
                                     const std::vector<uint8_t>& expected) {
  if (assembled.size() != expected.size()) {
    return ::testing::AssertionFailure() << what << " at " << Hex(address) << ": the program holds "
                                         << assembled.size() << " of its " << expected.size() << " bytes";
  }
  for (size_t i = 0; i < expected.size(); ++i) {
    if (assembled[i] != expected[i]) {
      return ::testing::AssertionFailure()
             << what << " at " << Hex(address) << ", byte " << i << " of " << expected.size()
             << ": assembled " << Hex(assembled[i]) << ", packer's image " << Hex(expected[i]);
    }
  }
  return ::testing::AssertionSuccess();
}

std::string TwoDigits(int n) {
  static constexpr char kDigits[] = "0123456789ABCDEF";
  return {kDigits[(n >> 4) & 15], kDigits[n & 15]};
}

// Walks the music data of the assembled program in the order the data file lays it out
// and compares each table with the packer's image. `next` is where the following table
// must begin: every table has to end exactly where the next one starts.
class DataCheck {
 public:
  DataCheck(const Program& program, const std::map<std::string, int64_t>& symbols, const PackState& state)
      : program_(program), symbols_(symbols), state_(state) {}

  void Run() {
    const MusicImage& image = state_.image;
    const auto arpspds = Label("arpspds");
    if (!arpspds) return;
    next_ = *arpspds;

    // Song speeds: all four songs, or the selected one alone.
    const std::optional<int16_t> selected = state_.features.SelectedSong;
    Table("arpspds", 0, !selected ? ImageBytes(image, addr::arpspds, 4)
                                  : ImageBytes(image, addr::arpspds + static_cast<uint32_t>(*selected), 1));

    // Song lines: three track pointers, speed and setting; the tracks follow in song order.
    std::vector<int> songs;
    for (int s = 0; s < kSongCount; ++s) {
      if ((!selected || *selected == s) && state_.exploration.maps.SongMap[static_cast<size_t>(s)] != 0) songs.push_back(s);
    }
    const auto tunedats = Label("tunedats");
    if (!tunedats) return;
    EXPECT_EQ(*tunedats, next_) << "tunedats does not follow arpspds";
    uint32_t trackAt = *tunedats + 8 * static_cast<uint32_t>(songs.size());
    // Where each written track went; a crunched track that shares an earlier one's bytes
    // is not written again, and its song points to that one.
    std::array<uint32_t, kTrackCount> written{};
    for (size_t line = 0; line < songs.size(); ++line) {
      const int s = songs[line];
      const uint32_t record = *tunedats + 8 * static_cast<uint32_t>(line);
      for (int v = 0; v < kVoiceCount; ++v) {
        const uint32_t pointer = program_.Word(record + 2 * v, record + 2 * v + 1);
        const std::string name = ".trk" + TwoDigits(3 * s + v);
        const int label = state_.exploration.trackLabels[static_cast<size_t>(3 * s + v)];
        if (label != 3 * s + v) {
          EXPECT_EQ(pointer, written[static_cast<size_t>(label)]) << name << " does not share .trk" << TwoDigits(label);
          continue;
        }
        written[static_cast<size_t>(label)] = trackAt;
        EXPECT_EQ(pointer, trackAt) << "tunedats line " << line << " points " << name << " to " << Hex(pointer)
                                    << ", the tracks lie from " << Hex(trackAt);
        const uint32_t start = TrackAddress(s, v);
        const int length = ExpectedTrackLength(image, start);
        EXPECT_TRUE(SameBytes(name + " (song " + std::to_string(s) + ", voice " + std::to_string(v) + ")",
                              pointer, program_.Bytes(pointer, static_cast<size_t>(length)),
                              ImageBytes(image, start, length)));
        trackAt += static_cast<uint32_t>(length);
      }
      EXPECT_TRUE(SameBytes("tunedats line " + std::to_string(line) + " speed and setting", record + 6,
                            program_.Bytes(record + 6, 2), ImageBytes(image, SongRecordAddress(s) + 6, 2)));
    }
    next_ = trackAt;

    Table("gldtbl", addr::gldtbl, ImageBytes(image, addr::gldtbl, state_.exploration.counts.GlideCount));
    Table("gldtbh", addr::gldtbh, ImageBytes(image, addr::gldtbh, state_.exploration.counts.GlideCount));
    const int instruments = state_.exploration.counts.InstrumentSlots();
    const std::pair<const char*, uint32_t> kInstrumentTables[] = {
        {"adtb", addr::adtb}, {"srtb", addr::srtb}, {"aptb", addr::aptb}, {"pptb", addr::pptb},
        {"fptb", addr::fptb}, {"v1tb", addr::v1tb}, {"v2tb", addr::v2tb}, {"v3tb", addr::v3tb},
        {"hrtb", addr::hrtb}, {"hf1tb", addr::hf1tb}, {"hf2tb", addr::hf2tb}};
    for (const auto& [name, start] : kInstrumentTables) Table(name, start, ImageBytes(image, start, instruments));
    const int w = HighestMark(state_.exploration.maps.WaveMap);
    Table("wave", addr::wave, ImageBytes(image, addr::wave, w + 1));
    Table("trans", addr::trans, ImageBytes(image, addr::trans, w + 1));
    // Pulse and filter rows count from 1: the label stands one byte before row 1.
    const int p = HighestMark(state_.exploration.maps.PulseMap);
    Table("ptb1", addr::ptb1 + 1, ImageBytes(image, addr::ptb1 + 1, p), 1);
    Table("ptb2", addr::ptb2 + 1, ImageBytes(image, addr::ptb2 + 1, p), 1);
    const int f = HighestMark(state_.exploration.maps.FilterMap);
    Table("ftb1", addr::ftb1 + 1, ImageBytes(image, addr::ftb1 + 1, f), 1);
    Table("ftb2", addr::ftb2 + 1, ImageBytes(image, addr::ftb2 + 1, f), 1);

    // Sectors, reached through the address lists, which follow the last sector.
    const auto low = Label("Asecsl");
    const auto high = Label("Asecsh");
    if (!low || !high) return;
    const int count = state_.exploration.counts.SectorCount;
    // The sectors written whole lie one after the other; one written inside another lies
    // at that one's address plus its offset.
    uint32_t sectorAt = next_;
    std::vector<uint32_t> placed(static_cast<size_t>(std::max(count, 0)));
    for (int n = 0; n < count; ++n) {
      if (state_.exploration.sectorPlaces[static_cast<size_t>(n)].host != n) continue;
      placed[static_cast<size_t>(n)] = sectorAt;
      sectorAt += static_cast<uint32_t>(ExpectedSectorLength(image, n));
    }
    for (int n = 0; n < count; ++n) {
      EXPECT_NE(state_.exploration.maps.SectorMap[static_cast<size_t>(n)], 0) << "sector " << n << " is not in use";
      const uint32_t pointer = program_.Word(*low + static_cast<uint32_t>(n), *high + static_cast<uint32_t>(n));
      const std::string name = ".sec" + TwoDigits(n);
      const SectorPlace place = state_.exploration.sectorPlaces[static_cast<size_t>(n)];
      const uint32_t due = placed[place.host] + (place.host == n ? 0 : place.offset);
      EXPECT_EQ(pointer, due) << "Asecsl/Asecsh give " << name << " at " << Hex(pointer) << ", it lies at " << Hex(due);
      const int length = ExpectedSectorLength(image, n);
      EXPECT_TRUE(SameBytes(name, pointer, program_.Bytes(pointer, static_cast<size_t>(length)),
                            ImageBytes(image, SectorAddress(n), length)));
    }
    EXPECT_EQ(*low, sectorAt) << "Asecsl does not follow the last sector";
    EXPECT_EQ(*high, *low + static_cast<uint32_t>(count)) << "Asecsh does not follow Asecsl";
    const auto end = Label("zs_music_end");
    if (end) {
      EXPECT_EQ(*end, *high + static_cast<uint32_t>(count)) << "bytes after Asecsh";
    }
  }

 private:
  std::optional<uint32_t> Label(const std::string& name) const {
    const auto found = symbols_.find(name);
    if (found == symbols_.end()) {
      ADD_FAILURE() << "symbols.txt has no " << name;
      return std::nullopt;
    }
    return static_cast<uint32_t>(found->second);
  }

  // A labelled table; `labelOffset` is how far the label stands before the first byte.
  void Table(const std::string& name, uint32_t imageStart, const std::vector<uint8_t>& expected,
             uint32_t labelOffset = 0) {
    const auto label = Label(name);
    if (!label) return;
    const uint32_t first = *label + labelOffset;
    EXPECT_EQ(first, next_) << name << " starts at " << Hex(first) << ", the table before it ends at "
                            << Hex(next_);
    EXPECT_TRUE(SameBytes(name + " (image " + Hex(imageStart) + ")", first,
                          program_.Bytes(first, expected.size()), expected));
    next_ = first + static_cast<uint32_t>(expected.size());
  }

  const Program& program_;
  const std::map<std::string, int64_t>& symbols_;
  const PackState& state_;
  uint32_t next_ = 0;
};

// ---------------------------------------------------------------------------------------
// The run table.
// ---------------------------------------------------------------------------------------

struct RunCase {
  const char* name;
  std::vector<uint8_t> (*tune)();
  std::vector<std::string> switches;
  std::string outputName;
  // What those switches ask for.
  int16_t requestedSong = kAllSongs;
  uint32_t startAddress = 0x1000;
  bool psid = false;
  int16_t sidType = 0;
  std::string crunchReport = "";  // with --crunch: lines the console must show
};

void PrintTo(const RunCase& c, std::ostream* os) { *os << c.name; }

const RunCase kRuns[] = {
    {"DemoAt1000", BundledDemo, {}, "demo_c64"},
    {"DemoAt0801", BundledDemo, {"-a0801"}, "demo0801", kAllSongs, 0x0801},
    {"DemoAtC000LowerCaseDigits", BundledDemo, {"-ac000"}, "democ000", kAllSongs, 0xC000},
    {"DemoPsidOldSid", BundledDemo, {"-p1"}, "demo_psid", kAllSongs, 0x1000, true, 1},
    {"DemoBlankInOutputName", BundledDemo, {}, "demo tune", kAllSongs},
    {"SecondOfFourSongs", FourSongs, {"-s2"}, "song2", 2},
    {"FourSongsPsidNewSid", FourSongs, {"-p2"}, "four", kAllSongs, 0x1000, true, 2},
    {"LastOfFourSongsPsidAtAnyAddress", FourSongs, {"-a2000", "-s3", "-p3"}, "song3", 3, 0x2000, true, 3},
    {"OnlySongOfOne", OneSong, {"-s0"}, "one", 0},
    {"OneSongPsidBlankInName", OneSong, {"-p2"}, "my song", kAllSongs, 0x1000, true, 2},
    {"EveryFeatureCrunched", EveryFeature, {"-c"}, "all"},
    {"EveryFeaturePsidMultispeed", EveryFeature, {"-p3"}, "all", kAllSongs, 0x1000, true, 3},
    {"NoSongs", NoSongs, {}, "empty"},
    {"NoSongsPsid", NoSongs, {"-p0"}, "empty", kAllSongs, 0x1000, true, 0},
    {"FullLengthTracks", FullLengthTracks, {"-a4000"}, "full", kAllSongs, 0x4000},
    {"DemoCrunched", BundledDemo, {"--crunch"}, "demo", kAllSongs, 0x1000, false, 0, "instruments 6 -> 3\n"},
    {"DemoCrunchedPsid", BundledDemo, {"--crunch", "-p2"}, "demo", kAllSongs, 0x1000, true, 2, "filter rows 10 -> 6\n"},
    {"SecondOfFourSongsCrunched", FourSongs, {"-s2", "--crunch"}, "song2", 2, 0x1000, false, 0, "sectors 16 -> 4\n"},
    {"TwinSongsCrunched", TwinSongs, {"--crunch", "-a0801"}, "twins", kAllSongs, 0x0801, false, 0,
     "instruments 4 -> 2\nsectors 5 -> 3\nsectors written whole 3 -> 2\ntracks 6 -> 4\n"},
    {"TwinSongsCrunchedPsid", TwinSongs, {"--crunch", "-p1"}, "twins", kAllSongs, 0x1000, true, 1,
     "sectors written whole 3 -> 2\n"},
};

class AssembledRun : public ::testing::TestWithParam<RunCase> {};

TEST_P(AssembledRun, ProgramHoldsThePackedMusic) {
  const RunCase& c = GetParam();
  const std::string acme = FindOnPath("acme");
  if (acme.empty()) GTEST_SKIP() << "acme is not installed";

  TempDir dir;
  PrepareWorkFolder(dir, acme);
  const std::vector<uint8_t> tune = c.tune();
  ASSERT_GT(tune.size(), 5u) << "no tune for " << c.name;
  const std::string input = "tune.prg";
  WriteBytes(dir / input, tune);
  const std::string output = c.outputName + (c.psid ? ".sid" : "");
  const std::string stale = "an output file left from an earlier run\n";
  WriteBytes(dir / output, {stale.begin(), stale.end()});

  std::vector<std::string> args = c.switches;
  args.push_back(input);
  args.push_back(c.outputName);
  const ProcessResult run = RunProcess(ZspackBinary(), args, dir.path());
  ASSERT_EQ(run.exitCode, 0) << run.out << run.err;

  // The packer's own view of the same run.
  PackOptions options;
  options.RequestedSong = c.requestedSong;
  options.StartAddress = c.startAddress;
  options.PsidFlag = c.psid;
  options.SidType = c.sidType;
  options.CrunchFlag = std::ranges::find(c.switches, "-c") != c.switches.end();
  options.Crunch = std::ranges::find(c.switches, "--crunch") != c.switches.end();
  options.InputName = input;
  options.OutputName = c.outputName;
  auto state = std::make_unique<PackState>();
  PackedTune packed;
  PackTune(tune, options, *state, packed);
  ASSERT_EQ(packed.depack, DepackStatus::kDone);
  // Crunched, the state holds the crunched music, which the run's own report announces.
  EXPECT_EQ(run.out.find("Crunching music data ... ") != std::string::npos, options.Crunch) << run.out;
  EXPECT_NE(run.out.find(c.crunchReport), std::string::npos) << run.out;

  Program program;
  const std::string text = ReadText(dir / output);
  program.file.assign(text.begin(), text.end());
  ASSERT_NE(text, stale) << output << " was not written";
  const auto symbols = ReadSymbols(dir / "symbols.txt");
  ASSERT_TRUE(symbols.contains("init") && symbols.contains("play") && symbols.contains("setvol"))
      << "no symbol list from the assembler";

  int songs = 0;
  for (int s = 0; s < kSongCount; ++s) {
    const std::optional<int16_t> selected = state->features.SelectedSong;
    if ((!selected || *selected == s) && state->exploration.maps.SongMap[static_cast<size_t>(s)] != 0) ++songs;
  }

  if (c.psid) {
    ASSERT_GE(program.file.size(), 0x7Eu) << "shorter than a PSID header";
    EXPECT_EQ(text.substr(0, 4), "PSID");
    EXPECT_EQ(BigEndian(program.file, 0x04), 2) << "version";
    EXPECT_EQ(BigEndian(program.file, 0x06), 0x7C) << "data offset";
    EXPECT_EQ(BigEndian(program.file, 0x08), 0) << "load address field";
    EXPECT_EQ(BigEndian(program.file, 0x0A), 0x1000) << "init";
    EXPECT_EQ(BigEndian(program.file, 0x0C), 0x1003) << "play";
    EXPECT_EQ(BigEndian(program.file, 0x0E), std::max(songs, 1)) << "songs";
    EXPECT_EQ(BigEndian(program.file, 0x10), 1) << "start song";
    const uint32_t speed = static_cast<uint32_t>(BigEndian(program.file, 0x12)) << 16 | BigEndian(program.file, 0x14);
    const bool cia = state->features.MultiSpeed.value_or(0) > 0;
    EXPECT_EQ(speed, cia ? (1u << std::max(songs, 1)) - 1 : 0u) << "speed bits";
    const uint16_t flags = BigEndian(program.file, 0x76);
    EXPECT_EQ((flags >> 4) & 3, c.sidType & 3) << "SID model bits of flags " << Hex(flags);
    EXPECT_EQ(flags & 0x0C, 0x04) << "clock bits (PAL) of flags " << Hex(flags);
    program.dataOffset = 0x7E;
    program.loadAddress = static_cast<uint32_t>(program.file[0x7C] | program.file[0x7D] << 8);
    EXPECT_EQ(program.loadAddress, 0x1000u) << "load address in front of the data";
  } else {
    ASSERT_GE(program.file.size(), 2u);
    program.dataOffset = 2;
    program.loadAddress = static_cast<uint32_t>(program.file[0] | program.file[1] << 8);
    EXPECT_EQ(program.loadAddress, c.startAddress) << "load address of the C64 binary";
  }
  const uint32_t playerAt = c.psid ? 0x1000 : c.startAddress;
  EXPECT_EQ(symbols.at("init"), playerAt);
  EXPECT_EQ(symbols.at("play"), playerAt + 3);
  EXPECT_EQ(symbols.at("setvol"), playerAt + 6);
  EXPECT_EQ(program.At(playerAt), 0x4C) << "the program does not begin with the jump table";

  DataCheck(program, symbols, *state).Run();

  // The defines reached the player: each feature the packer found, and no other.
  for (size_t f = 0; f < kFeatureCount; ++f) {
    std::string name(kFeatureDefines[f].substr(1, kFeatureDefines[f].size() - 2));
    for (char& ch : name) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
    const auto found = symbols.find("zs_f_" + name);
    ASSERT_NE(found, symbols.end()) << "zs_f_" << name;
    EXPECT_EQ(found->second, state->features.flags[f] ? 1 : 0) << kFeatureDefines[f];
  }
  EXPECT_EQ(symbols.at("zs_f_only_song"), state->features.SelectedSong ? 1 : 0);
  EXPECT_EQ(symbols.at("zs_v_single_speed"), state->features.SingleSpeed.value_or(0));
  EXPECT_EQ(symbols.at("zs_v_multispeed"), state->features.MultiSpeed.value_or(0));
  EXPECT_EQ(symbols.at("zs_f_sidmodel"), c.psid ? 1 : 0);
  EXPECT_EQ(symbols.at("zs_v_sidmodel"), c.psid ? c.sidType : 0);

  if (c.psid) {
    const std::string sidplayfp = FindOnPath("sidplayfp");
    if (sidplayfp.empty()) GTEST_SKIP() << "sidplayfp is not installed; the PSID file was not played";
    const std::string wav = dir / "played.wav";
    const ProcessResult play = RunProcess(sidplayfp, {"-t1", "-w" + wav, output}, dir.path());
    EXPECT_EQ(play.exitCode, 0) << play.out << play.err;
    EXPECT_EQ(ReadText(wav).substr(0, 4), "RIFF") << "sidplayfp wrote no WAV file";
  }
}

INSTANTIATE_TEST_SUITE_P(RunTable, AssembledRun, ::testing::ValuesIn(kRuns),
                         [](const ::testing::TestParamInfo<RunCase>& info) { return info.param.name; });

// A player source that refers to a label the data file does not define: ACME stops with
// an error and zspack passes its failure on.
TEST(AssemblerFailure, MisspeltLabelInThePlayerFailsTheRun) {
  const std::string acme = FindOnPath("acme");
  if (acme.empty()) GTEST_SKIP() << "acme is not installed";
  TempDir dir;
  PrepareWorkFolder(dir, acme);
  std::string player = ReadText(dir / "placeholder_player.a");
  const std::string reference = "lda+2 hrtb,x";
  const size_t at = player.find(reference);
  ASSERT_NE(at, std::string::npos) << "the stand-in player no longer refers to hrtb";
  player.replace(at, reference.size(), "lda+2 hrtbl,x");
  fs::remove(dir / "placeholder_player.a");
  WriteBytes(dir / "placeholder_player.a", {player.begin(), player.end()});
  WriteBytes(dir / "tune.prg", BundledDemo());

  const ProcessResult run = RunProcess(ZspackBinary(), {"tune.prg", "broken"}, dir.path());
  EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
  EXPECT_NE(run.out.find("Assembling failed, ACME.exe exit code 1"), std::string::npos) << run.out;
  EXPECT_NE((run.out + run.err).find("hrtbl"), std::string::npos) << "ACME did not name the unknown label";
}

}  // namespace
}  // namespace zspack::testing
