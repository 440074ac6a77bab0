// Crunching, judged from the written text alone on generated tunes full of editing
// leftovers: numbers with holes, copied instruments, glides, sectors, tracks and programs
// (some copies selecting copies: the same music in other bytes), abandoned programs,
// several songs. Packed with all songs and with each alone, plain and crunched, the two
// data files read back must play the same, the crunched one in no more bytes and with
// nothing left that crunching merges or drops.
#include <gtest/gtest.h>

#include <algorithm>
#include <iostream>
#include <map>
#include <memory>
#include <numeric>
#include <random>
#include <set>
#include <span>
#include <string>
#include <vector>

#include "common/music_format.h"
#include "common/text.h"
#include "output/data_file_tables.h"
#include "pack/music_view.h"
#include "pack/pack_tune.h"
#include "support/data_file_reader.h"
#include "support/tune_builder.h"

namespace zspack::testing {
namespace {

using Bytes = std::vector<uint8_t>;
constexpr uint32_t kSeed = 0x5EC7;
constexpr int kTunes = 3000;

// Only the engine's raw output is used: the standard distributions differ between libraries.
class Dice {
 public:
  explicit Dice(uint32_t seed) : engine_(seed) {}
  int Below(size_t n) { return static_cast<int>(engine_() % n); }
  bool Chance(int percent) { return Below(100) < percent; }
  uint8_t Byte() { return static_cast<uint8_t>(engine_()); }
  template <typename T> T Pick(const std::vector<T>& from) { return from[static_cast<size_t>(Below(from.size()))]; }
  // `count` distinct numbers below `limit`, in no order.
  std::vector<int> Numbers(int count, int limit) {
    std::vector<int> all(static_cast<size_t>(limit));
    std::iota(all.begin(), all.end(), 0);
    for (int i = 0; i < count; ++i) std::swap(all[static_cast<size_t>(i)], all[static_cast<size_t>(i + Below(static_cast<size_t>(limit - i)))]);
    all.resize(static_cast<size_t>(count));
    return all;
  }
  // Some of `from` and never none: what the musician still uses.
  std::vector<int> Some(const std::vector<int>& from, int percent) {
    std::vector<int> kept;
    for (const int n : from) if (Chance(percent)) kept.push_back(n);
    if (kept.empty()) kept.push_back(Pick(from));
    return kept;
  }

 private:
  std::mt19937 engine_;
};

// A program's rows from its first; a linked row's column 2 names a row of the program.
struct Row { uint8_t a, b; bool linked; };
using Program = std::vector<Row>;

// Ordinary rows, then an end, a jump back into the program, or (rarely) nothing: the
// program runs on into whatever the next rows hold.
Program WaveProgram(Dice& dice) {
  Program rows(static_cast<size_t>(1 + dice.Below(5)));
  for (Row& row : rows) row = {static_cast<uint8_t>(1 + dice.Below(kWaveJump - 1)), static_cast<uint8_t>(12 * dice.Below(3)), false};
  const int end = dice.Below(100);
  if (end < 55 || rows.size() == 1) rows.push_back({static_cast<uint8_t>(kWaveJump + 1 + dice.Below(0x6F)), 0, false});
  else if (end < 95) rows.back() = {kWaveJump, static_cast<uint8_t>(dice.Below(rows.size() - 1)), true};
  return rows;
}

// A start row, then steps of two rows whose second links to the next step, or at the
// last step to 0 or back to an earlier step.
Program StepProgram(Dice& dice) {
  Program rows{{dice.Byte(), dice.Byte(), false}};
  const int steps = 1 + dice.Below(3);
  for (int s = 0; s < steps; ++s) {
    rows.push_back({dice.Byte(), dice.Byte(), false});
    const bool last = s + 1 == steps, loops = last && dice.Chance(40);
    rows.push_back({dice.Byte(), static_cast<uint8_t>(last && !loops ? 0 : 1 + 2 * (loops ? dice.Below(steps) : s + 1)), !last || loops});
  }
  return rows;
}

// Programs laid out with gaps from row `row` on: new ones, copies of one before (the same
// music in other rows) and copies with another first row (the same tail). Their starts.
std::vector<int> LayOut(Dice& dice, TuneBuilder& tune, uint32_t column1, int row, Program (*make)(Dice&)) {
  std::vector<Program> made;
  std::vector<int> starts;
  for (int n = 1 + dice.Below(6); n > 0; --n) {
    Program program = made.empty() || dice.Chance(55) ? make(dice) : dice.Pick(made);
    if (!made.empty() && dice.Chance(25)) program.front().a ^= 1;
    row += dice.Chance(40) ? dice.Below(4) : 0;
    for (size_t r = 0; r < program.size(); ++r) {
      const uint32_t at = column1 + static_cast<uint32_t>(row) + static_cast<uint32_t>(r);
      tune.Poke(at, program[r].a).Poke(at + kPageSize, static_cast<uint8_t>(program[r].b + (program[r].linked ? row : 0)));
    }
    made.push_back(program);
    starts.push_back(row);
    row += static_cast<int>(program.size());
  }
  return starts;
}

// For each number copied from another, that other: selecting either plays the same.
using Twins = std::map<int, int>;
uint8_t Twin(Dice& dice, const Twins& twins, int number, int first) {
  const auto twin = twins.find(number);
  return static_cast<uint8_t>(first + (twin != twins.end() && dice.Chance(50) ? twin->second : number));
}

TuneBuilder EditedTune(Dice& dice) {
  TuneBuilder tune;
  const std::vector<int> wave = dice.Some(LayOut(dice, tune, addr::wave, 0, WaveProgram), 80);
  std::vector<int> pulse = dice.Some(LayOut(dice, tune, addr::ptb1, 1, StepProgram), 80);
  std::vector<int> filter = dice.Some(LayOut(dice, tune, addr::ftb1, 1, StepProgram), 80);
  pulse.push_back(0);
  filter.push_back(0);
  auto pickPrograms = [&](InstrumentSpec& spec) {
    spec.wave = static_cast<uint8_t>(dice.Pick(wave));
    spec.pulse = static_cast<uint8_t>(dice.Chance(50) ? dice.Pick(pulse) : 0);
    spec.filter = static_cast<uint8_t>(dice.Chance(40) ? dice.Pick(filter) : 0);
  };

  // Instruments: a few, numbered with holes; a copy picks its programs anew now and then.
  Twins instrumentTwins;
  std::map<int, InstrumentSpec> instruments;
  for (const int i : dice.Numbers(1 + dice.Below(10), kInstrumentCount)) {
    InstrumentSpec spec{dice.Byte(), dice.Byte(), 0, 0, 0, dice.Byte(), dice.Byte(), static_cast<uint8_t>(dice.Chance(30) ? dice.Byte() : 0),
                        static_cast<uint8_t>(dice.Below(4)), dice.Byte(), dice.Byte()};
    pickPrograms(spec);
    if (!instruments.empty() && dice.Chance(35)) {
      const auto& [original, copied] = *std::next(instruments.begin(), dice.Below(instruments.size()));
      spec = copied;
      if (dice.Chance(40)) pickPrograms(spec);
      else instrumentTwins[i] = original;
    }
    instruments[i] = spec;
    tune.Instrument(i, spec);
  }
  std::vector<int> selectable;
  for (const auto& [i, spec] : instruments) selectable.push_back(i);

  // Glides: all 32 hold something, a few are used, some of those copies of another.
  Twins glideTwins;
  for (int g = 0; g < kGlideCount; ++g) tune.Glide(g, dice.Byte(), dice.Byte());
  const std::vector<int> glides = dice.Numbers(dice.Below(6), kGlideCount);
  for (size_t k = 1; k < glides.size(); ++k) {
    if (!dice.Chance(35)) continue;
    const int original = glides[static_cast<size_t>(dice.Below(k))];
    tune.Glide(glides[k], tune.Image().Byte(addr::gldtbl + static_cast<uint32_t>(original)),
               tune.Image().Byte(addr::gldtbh + static_cast<uint32_t>(original)));
    glideTwins[glides[k]] = original;
  }

  // Sectors: new ones and copies, some selecting the copy of an instrument or glide.
  Twins sectorTwins;
  std::map<int, Bytes> sectors;
  for (const int n : dice.Numbers(2 + dice.Below(14), kSectorCount)) {
    Bytes bytes;
    if (!sectors.empty() && dice.Chance(35)) {
      const auto& chosen = *std::next(sectors.begin(), dice.Below(sectors.size()));
      const int original = chosen.first;
      const Bytes& copied = chosen.second;
      WalkEntries(copied, {WalkEnd::kSectorEnd, true}, [&](int at, uint8_t value) {
        const EntryRange<SectorEntry>& entry = ClassifySectorEntry(value);
        bytes.push_back(entry.kind == SectorEntry::kInstrument ? Twin(dice, instrumentTwins, SelectedNumber(entry, value), entry.first)
                        : entry.kind == SectorEntry::kGlide    ? Twin(dice, glideTwins, SelectedNumber(entry, value), entry.first)
                                                               : value);
        if (entry.kind == SectorEntry::kCommand) bytes.push_back(copied[static_cast<size_t>(at) + 1]);
      });
      sectorTwins[n] = original;
    } else {
      for (int k = 1 + dice.Below(12); k > 0; --k) {
        const int kind = dice.Below(100);
        if (kind < 20) bytes.push_back(static_cast<uint8_t>(0xC0 + dice.Pick(selectable)));
        else if (kind < 28 && !glides.empty()) bytes.push_back(GlideSelect(dice.Pick(glides)));
        else if (kind < 34) bytes.insert(bytes.end(), {kPulseCommand, static_cast<uint8_t>(dice.Pick(pulse))});
        else if (kind < 38) bytes.insert(bytes.end(), {kFilterCommand, static_cast<uint8_t>(dice.Pick(filter))});
        else if (kind < 44) bytes.insert(bytes.end(), {static_cast<uint8_t>(0xF8 + dice.Below(3)), dice.Byte()});
        else bytes.push_back(kind < 48 ? 0xFB : static_cast<uint8_t>(dice.Below(0x60)));
      }
      bytes.push_back(0xFF);
    }
    sectors[n] = bytes;
    tune.Sector(n, bytes);
  }
  std::vector<int> sectorNumbers;
  for (const auto& [n, bytes] : sectors) sectorNumbers.push_back(n);
  const std::vector<int> played = dice.Some(sectorNumbers, 70);

  // Songs: any of the four; tracks new or copied, a copy playing the copy of a sector.
  std::vector<Bytes> tracks;
  const std::vector<int> songs = dice.Some({0, 1, 2, 3}, 50);
  for (const int s : songs) {
    for (int v = 0; v < kVoiceCount; ++v) {
      Bytes bytes;
      if (!tracks.empty() && dice.Chance(30)) {
        const Bytes copied = dice.Pick(tracks);
        WalkEntries(copied, {WalkEnd::kTrackEnd, false}, [&](int at, uint8_t value) {
          const TrackEntry kind = ClassifyTrackEntry(value).kind;
          bytes.push_back(kind == TrackEntry::kSector ? Twin(dice, sectorTwins, value, 0) : value);
          if (kind == TrackEntry::kLoop) bytes.push_back(copied[static_cast<size_t>(at) + 1]);
        });
      } else {
        for (int k = 1 + dice.Below(8); k > 0; --k) {
          if (dice.Chance(12)) bytes.push_back(static_cast<uint8_t>(0x80 + dice.Below(0x40)));
          if (dice.Chance(8)) bytes.push_back(static_cast<uint8_t>(0xC0 + dice.Below(0x20)));
          bytes.push_back(static_cast<uint8_t>(dice.Pick(played)));
        }
        const int end = dice.Below(100);
        if (end < 60) bytes.push_back(0xFF);
        else if (end < 90) bytes.insert(bytes.end(), {0xFE, static_cast<uint8_t>(dice.Below(bytes.size()))});
        else bytes.push_back(static_cast<uint8_t>(0xF0 + dice.Pick(songs)));
      }
      tracks.push_back(bytes);
      tune.Track(s, v, bytes);
    }
    tune.Speed(s, static_cast<uint8_t>(1 + dice.Below(8))).Arpspds(s, static_cast<uint8_t>(dice.Below(16)));
    tune.Poke(SongRecordAddress(s) + kSongSettingOffset, dice.Byte());
  }
  return tune;
}

bool Says(const std::string& console, std::string_view line) { return console.find(line) != std::string::npos; }

// Why an entry of a part is written but not reached, or plays as another one (when `name`
// is given); a table of which nothing is reached still writes its one entry.
std::string Leftover(const char* what, size_t written, std::span<const uint8_t> marks, size_t first, MusicViewer& viewer,
                     uint32_t (MusicViewer::*name)(int)) {
  const bool none = std::ranges::none_of(marks, [](uint8_t mark) { return mark != 0; });
  std::map<uint32_t, size_t> names;
  for (size_t k = first; k < written && !(none && written == first + 1); ++k) {
    const std::string part = std::string(what) + " " + std::to_string(k);
    if (marks[k] == 0) return part + " is written but not reached";
    if (name == nullptr) continue;
    const auto [same, added] = names.try_emplace((viewer.*name)(static_cast<int>(k)), k);
    if (!added) return part + " plays as " + std::to_string(same->second);
  }
  return "";
}

// Why the crunched pack is not the plain one's music in no more bytes with nothing left to
// crunch; empty when it is.
std::string Fault(const PackedTune& plain, const PackedTune& crunched) {
  const std::string& said = crunched.console;
  if (Says(said, "Crunching would change the music")) return "crunching was refused";
  const DataTables before = ReadDataFile(plain.data), after = ReadDataFile(crunched.data);
  MusicViewer viewer;
  const MusicView plainView = viewer.View(before);
  // Viewed last, so that reached() and the part names are the crunched tables'.
  if (viewer.View(after) != plainView) return "the two data files play differently";
  if (AssembledBytes(crunched.data) > AssembledBytes(plain.data)) return "the crunched data is longer";
  if (Says(said, "nothing crunched")) return "";
  const MusicViewer::Reached reached = viewer.reached();
  // Programs of a table left as it is keep their rows: instruments and sectors that start
  // equal ones there stay apart.
  using Name = uint32_t (MusicViewer::*)(int);
  auto names = [&](Name part) { return Says(said, "table left as it is") ? nullptr : part; };
  const std::string leftovers[] = {
      Leftover("instrument", after.instruments[kAdtb].size(), reached.instruments, 0, viewer, names(&MusicViewer::Instrument)),
      Leftover("glide", after.gldtbl.size(), reached.glides, 0, viewer, names(&MusicViewer::Glide)),
      Leftover("sector", after.sectors.size(), reached.sectors, 0, viewer, names(&MusicViewer::Sector)),
      Leftover("wave row", Says(said, "wave table left") ? 0 : after.wave.size(), reached.wave, 0, viewer, nullptr),
      Leftover("pulse row", Says(said, "pulse table left") ? 0 : after.ptb1.size(), reached.pulse, 1, viewer, nullptr),
      Leftover("filter row", Says(said, "filter table left") ? 0 : after.ftb1.size(), reached.filter, 1, viewer, nullptr)};
  for (const std::string& leftover : leftovers) {
    if (!leftover.empty()) return leftover;
  }
  std::set<Bytes> tracks;
  for (const SongTables& song : after.songs) tracks.insert(song.tracks.begin(), song.tracks.end());
  const std::string label = std::string(kEol) + std::string(kTrackStem);
  size_t labels = 0;
  for (size_t at = crunched.data.find(label); at != std::string::npos; at = crunched.data.find(label, at + 1)) ++labels;
  if (labels == tracks.size()) return "";
  return std::to_string(labels) + " track labels for " + std::to_string(tracks.size()) + " different tracks";
}

struct Tally {
  size_t packs = 0, plain = 0, crunched = 0;
};
std::ostream& operator<<(std::ostream& out, const Tally& t) {
  return out << t.packs << " packs, " << t.plain << " bytes plain, " << t.crunched << " crunched ("
             << 100.0 * (static_cast<double>(t.plain) - static_cast<double>(t.crunched)) / static_cast<double>(std::max<size_t>(t.plain, 1)) << " % less)";
}

TEST(CrunchProperty, PlaysTheSameInNoMoreBytesWithNothingLeftToCrunch) {
  auto state = std::make_unique<PackState>();
  PackedTune plain, crunched;
  Tally all, single;
  int faults = 0;
  for (int index = 0; index < kTunes; ++index) {
    Dice dice(kSeed + static_cast<uint32_t>(index));
    const Bytes file = EditedTune(dice).File();
    // All songs, then each song the pack of all found.
    std::vector<int16_t> requests{kAllSongs};
    for (size_t r = 0; r < requests.size(); ++r) {
      PackOptions options;
      options.RequestedSong = requests[r];
      PackTune(file, options, *state, plain);
      ASSERT_EQ(plain.depack, DepackStatus::kDone) << "tune " << index;
      for (int16_t s = 0; s < kSongCount && r == 0; ++s) {
        if (state->exploration.maps.SongMap[static_cast<size_t>(s)] != 0) requests.push_back(s);
      }
      options.Crunch = true;
      PackTune(file, options, *state, crunched);
      Tally& tally = requests[r] == kAllSongs ? all : single;
      ++tally.packs, tally.plain += AssembledBytes(plain.data), tally.crunched += AssembledBytes(crunched.data);
      const std::string fault = Fault(plain, crunched);
      if (fault.empty() || ++faults > 5) continue;
      ADD_FAILURE() << "tune " << index << " (seed " << kSeed << " + " << index << "), song " << requests[r] << ": " << fault
                    << "\n" << crunched.console;
    }
  }
  EXPECT_EQ(faults, 0) << "packs that crunching got wrong, the first five shown above";
  std::cout << kTunes << " generated tunes\nall songs: " << all << "\none song:  " << single << "\n";
}

}  // namespace
}  // namespace zspack::testing
