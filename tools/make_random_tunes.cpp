// make_random_tunes: writes COUNT random but music-like tracker files into DIR, named
// 0000.prg, 0001.prg, ..., for comparing two zspack builds on the same input. Tune i
// depends only on the seed and i, so a difference found in a run of 2,000 tunes is
// reproduced by asking for tune i alone.
//
//   make_random_tunes DIR COUNT [SEED]
//
// Most tunes are music as the tracker saves it: songs whose tracks play sectors between
// track commands, sectors that select instruments and glides and start pulse and filter
// programs, wave/pulse/filter programs with jumps and loops, all numbered with gaps. A
// share breaks the rules the format leaves open (tracks or sectors without an end byte,
// programs that run off their table, a song end hidden behind a command) and a few are
// malformed files, files padded after the end record or images full of noise.
#include <array>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "common/music_layout.h"
#include "support/tracker_file.h"
#include "support/tune_builder.h"

namespace {

using zspack::MusicImage;
using zspack::testing::InstrumentSpec;
using zspack::testing::PackImage;
using zspack::testing::TuneBuilder;
using Bytes = std::vector<uint8_t>;
namespace addr = zspack::addr;

// A fixed-seed source of choices; mt19937's output is the same on every platform, and
// the reductions below do not depend on the standard library's distributions.
class Dice {
 public:
  explicit Dice(uint32_t seed) : engine_(seed) {}
  int Below(int n) { return static_cast<int>(engine_() % static_cast<uint32_t>(n)); }
  int Between(int low, int high) { return low + Below(high - low + 1); }
  bool Chance(int percent) { return Below(100) < percent; }
  uint8_t Byte() { return static_cast<uint8_t>(engine_() & 0xFF); }
  uint8_t ByteBetween(int low, int high) { return static_cast<uint8_t>(Between(low, high)); }
  template <class T>
  T Pick(const std::vector<T>& from) {
    return from[static_cast<size_t>(Below(static_cast<int>(from.size())))];
  }

  // Distinct numbers of 0..limit-1 in ascending order: the first `count` when `packed`,
  // else up to `count` scattered ones (a number drawn twice counts once).
  std::vector<int> Numbers(int count, int limit, bool packed) {
    std::vector<int> chosen;
    std::vector<bool> taken(static_cast<size_t>(limit), false);
    for (int i = 0; i < count && i < limit; ++i) taken[static_cast<size_t>(packed ? i : Below(limit))] = true;
    for (int n = 0; n < limit; ++n) {
      if (taken[static_cast<size_t>(n)]) chosen.push_back(n);
    }
    return chosen;
  }

 private:
  std::mt19937 engine_;
};

uint8_t U8(int value) { return static_cast<uint8_t>(value & 0xFF); }

// What the tables of one tune offer to its instruments and sectors.
struct Programs {
  std::vector<int> wave;    // start rows of wavetable programs
  std::vector<int> pulse;   // start rows of pulse programs (0 or $FF: none)
  std::vector<int> filter;  // start rows of filter programs
};

// Wavetable programs: ordinary rows that end in an end row, a jump back into the program
// or into an earlier one, or fall through into whatever follows; gaps of unused rows
// between them so that compaction has rows to move and jumps to renumber.
std::vector<int> WriteWavePrograms(Dice& dice, TuneBuilder& tune) {
  std::vector<int> starts;
  int row = dice.Between(0, 6);
  const int programs = dice.Between(1, 7);
  for (int n = 0; n < programs && row < 250; ++n) {
    const int start = row;
    const int length = dice.Between(1, 8);
    for (int i = 0; i < length && row < 256; ++i, ++row) {
      tune.Poke(addr::wave + static_cast<uint32_t>(row), dice.ByteBetween(0x00, 0x8F));
      tune.Poke(addr::trans + static_cast<uint32_t>(row), dice.Byte());
    }
    const uint32_t last = static_cast<uint32_t>(row - 1);
    const bool lastProgram = n + 1 == programs;
    const int ending = dice.Below(lastProgram ? 9 : 10);
    if (ending < 5) {
      tune.Poke(addr::wave + last, dice.ByteBetween(0x91, 0xFF));
    } else if (ending < 9) {
      tune.Poke(addr::wave + last, 0x90);
      int target = start;
      if (dice.Chance(70)) {
        target = dice.Between(start, row - 1);
      } else if (!starts.empty()) {
        target = dice.Pick(starts);  // into an earlier program
      }
      tune.Poke(addr::trans + last, U8(target));
    }
    starts.push_back(start);
    // An ordinary last row runs on into the next program; after the others, a gap.
    if (ending < 9) row += dice.Chance(60) ? dice.Between(1, 12) : 0;
  }
  if (dice.Chance(4)) {
    // A program that runs off the table: ordinary rows up to row 255.
    for (int r = 250; r < 256; ++r) tune.Poke(addr::wave + static_cast<uint32_t>(r), 0x41);
    starts.push_back(dice.Between(250, 255));
  }
  return starts;
}

// Pulse or filter programs: a start row and steps of two rows, each step's second row
// linking (column 2) to the next step, back to an earlier step or to 0; some programs
// start inside another one, at the table's last rows, or link to row 255.
std::vector<int> WriteTablePrograms(Dice& dice, TuneBuilder& tune, uint32_t column1) {
  const uint32_t column2 = column1 + 0x100;
  if (dice.Chance(40)) {
    // Noise in the link column first: links that nobody planned.
    for (uint32_t r = 1; r < 256; ++r) {
      if (dice.Chance(30)) tune.Poke(column2 + r, dice.Byte());
    }
  }
  std::vector<int> starts;
  int row = dice.Between(1, 8);
  const int programs = dice.Between(0, 6);
  for (int n = 0; n < programs && row < 240; ++n) {
    const int start = row;
    tune.Poke(column1 + static_cast<uint32_t>(start), dice.Byte());
    tune.Poke(column2 + static_cast<uint32_t>(start), dice.Byte());
    const int steps = dice.Between(1, 4);
    std::vector<int> stepRows;
    int p = start + 1;
    for (int s = 0; s < steps && p < 253; ++s) {
      stepRows.push_back(p);
      tune.Poke(column1 + static_cast<uint32_t>(p), dice.Byte());
      tune.Poke(column2 + static_cast<uint32_t>(p), dice.Byte());
      tune.Poke(column1 + static_cast<uint32_t>(p + 1), dice.Byte());
      const bool lastStep = s + 1 == steps;
      const int next = p + 2 + (dice.Chance(25) ? 2 * dice.Between(1, 3) : 0);
      int link = lastStep ? 0 : next;
      if (lastStep && dice.Chance(25)) link = dice.Pick(stepRows);  // a loop
      if (lastStep && dice.Chance(5)) link = 255;
      tune.Poke(column2 + static_cast<uint32_t>(p + 1), U8(link));
      p = next;
    }
    starts.push_back(start);
    if (dice.Chance(20)) starts.push_back(dice.Between(start, p));  // a start inside it
    row = p + (dice.Chance(50) ? dice.Between(0, 10) : 0);
  }
  if (dice.Chance(5)) starts.push_back(dice.Chance(50) ? 254 : 253);
  starts.push_back(0);
  starts.push_back(0xFF);
  return starts;
}

// Which kinds of entry one tune uses at all: most tunes leave some out, so that the
// feature defines and the defines derived from them come in many combinations.
struct Palette {
  bool transpose, repeat, volume, speedChange, idleTrackByte;  // track commands
  bool songEnd, loop, songChange;                               // track ends
  std::array<bool, 5> tuners;                                   // $F6..$FA
  bool tie, otherSectorByte;
  std::vector<uint8_t> hardRestarts;                            // hrtb types 0..3 in use
};

Palette RandomPalette(Dice& dice) {
  const int likely = dice.Chance(30) ? 100 : 55;
  Palette p{};
  p.transpose = dice.Chance(likely);
  p.repeat = dice.Chance(likely);
  p.volume = dice.Chance(likely);
  p.speedChange = dice.Chance(likely / 2);
  p.idleTrackByte = dice.Chance(likely);
  p.songEnd = dice.Chance(80);
  p.loop = dice.Chance(50);
  p.songChange = dice.Chance(35);
  if (!p.songEnd && !p.loop && !p.songChange) p.songEnd = true;
  for (bool& tuner : p.tuners) tuner = dice.Chance(likely);
  p.tie = dice.Chance(likely);
  p.otherSectorByte = dice.Chance(likely);
  for (uint8_t type = 0; type < 4; ++type) {
    if (dice.Chance(50)) p.hardRestarts.push_back(type);
  }
  if (p.hardRestarts.empty()) p.hardRestarts.push_back(dice.ByteBetween(0, 3));
  return p;
}

// Everything the sectors, tracks and instruments of one tune choose from.
struct Plan {
  std::vector<int> sectors;
  std::vector<int> instruments;
  std::vector<int> glides;
  Programs programs;
  Palette palette;
};

InstrumentSpec RandomInstrument(Dice& dice, const Plan& plan) {
  const Programs& programs = plan.programs;
  InstrumentSpec instrument;
  instrument.ad = dice.Byte();
  instrument.sr = dice.Byte();
  instrument.wave = dice.Chance(97) ? U8(dice.Pick(programs.wave)) : dice.Byte();
  instrument.pulse = dice.Chance(60) ? U8(dice.Pick(programs.pulse)) : 0;
  instrument.filter = dice.Chance(45) ? U8(dice.Pick(programs.filter)) : 0;
  instrument.v1 = dice.Byte();
  instrument.v2 = dice.Byte();
  instrument.vibrato = dice.Chance(30) ? dice.Byte() : 0;
  instrument.hardRestart = dice.Chance(95) ? dice.Pick(plan.palette.hardRestarts) : dice.Byte();
  instrument.hf1 = dice.Byte();
  instrument.hf2 = dice.Byte();
  return instrument;
}

uint8_t RandomNote(Dice& dice) {
  return dice.Chance(70) ? dice.ByteBetween(0x00, 0x5F) : dice.ByteBetween(0x80, 0xBF);
}

// One sector's bytes: notes between selects, commands with their parameters (which may
// look like commands themselves), tie notes, and the end byte; or, now and then, no end
// byte at all or a command in the sector's last entry.
Bytes RandomSector(Dice& dice, const Plan& plan) {
  const Palette& palette = plan.palette;
  Bytes bytes;
  const int shape = dice.Below(100);
  size_t length = 256;
  if (shape >= 4) length = static_cast<size_t>(shape < 10 ? dice.Between(40, 254) : dice.Between(0, 30));
  while (bytes.size() < length) {
    const int kind = dice.Below(100);
    if (kind < 58 && kind >= 45 && !plan.instruments.empty()) {
      bytes.push_back(U8(0xC0 + dice.Pick(plan.instruments)));
    } else if (kind < 64 && kind >= 58 && !plan.glides.empty()) {
      bytes.push_back(U8(0x60 + dice.Pick(plan.glides)));
    } else if (kind < 69 && kind >= 64 && palette.tuners[0]) {
      bytes.insert(bytes.end(), {0xF6, dice.Chance(85) ? U8(dice.Pick(plan.programs.filter)) : dice.Byte()});
    } else if (kind < 74 && kind >= 69 && palette.tuners[1]) {
      bytes.insert(bytes.end(), {0xF7, dice.Chance(85) ? U8(dice.Pick(plan.programs.pulse)) : dice.Byte()});
    } else if (kind < 80 && kind >= 74) {
      static constexpr uint8_t kTricky[] = {0xFF, 0xC3, 0x61, 0xF7, 0xF6, 0x00};
      const int command = dice.Between(2, 4);
      const uint8_t parameter = dice.Chance(40) ? kTricky[dice.Below(6)] : dice.Byte();
      if (palette.tuners[static_cast<size_t>(command)]) {
        bytes.insert(bytes.end(), {U8(0xF6 + command), parameter});
      }
    } else if (kind < 85 && kind >= 80 && palette.tie) {
      bytes.push_back(0xFB);
    } else if (kind >= 85 && palette.otherSectorByte) {
      static constexpr uint8_t kOther[] = {0xE0, 0xE7, 0xEF, 0xF0, 0xF3, 0xF5, 0xFC, 0xFD, 0xFE};
      bytes.push_back(kOther[dice.Below(9)]);
    } else {
      bytes.push_back(RandomNote(dice));
    }
  }
  if (shape < 4) {
    bytes.resize(256);
    for (uint8_t& b : bytes) {
      if (b == 0xFF) b = 0xFE;
    }
    if (shape < 2) bytes[255] = dice.ByteBetween(0xF6, 0xFA);  // a command with no room for its parameter
    return bytes;
  }
  if (bytes.size() > 255) bytes.resize(255);
  bytes.push_back(0xFF);
  return bytes;
}

// The end of a track, one of the kinds the palette allows.
Bytes RandomTrackEnd(Dice& dice, const Plan& plan) {
  const Palette& palette = plan.palette;
  for (;;) {
    const int end = dice.Below(100);
    if (end < 60 && palette.songEnd) return {0xFF};
    if (end >= 60 && end < 85 && palette.loop) return {0xFE, dice.Byte()};
    if (end >= 85 && palette.songChange) {
      Bytes bytes = {dice.ByteBetween(0xF0, 0xF3)};
      if (dice.Chance(50) && !plan.sectors.empty()) {
        // Sector numbers after a song change are still renumbered when sectors move.
        for (int i = dice.Between(1, 3); i > 0; --i) bytes.push_back(U8(dice.Pick(plan.sectors)));
        bytes.push_back(0xFF);
      }
      return bytes;
    }
  }
}

// One track: sector numbers from the pool between track commands, then an end byte; now
// and then a track that fills all 256 entries, with or without an end in its last ones.
Bytes RandomTrack(Dice& dice, const Plan& plan, bool mustEnd) {
  const Palette& palette = plan.palette;
  Bytes bytes;
  const bool full = dice.Chance(4);
  const size_t length = full ? 256 : static_cast<size_t>(dice.Between(0, 24));
  while (bytes.size() < length) {
    const int kind = dice.Below(1000);
    if (kind >= 800 && kind < 860 && palette.transpose) {
      bytes.push_back(dice.ByteBetween(0x80, 0xBF));
    } else if (kind >= 860 && kind < 910 && palette.repeat) {
      bytes.push_back(dice.ByteBetween(0xC0, 0xDF));
    } else if (kind >= 910 && kind < 950 && palette.volume) {
      bytes.push_back(dice.ByteBetween(0xE0, 0xEF));
    } else if (kind >= 950 && kind < 965 && palette.speedChange) {
      bytes.push_back(dice.ByteBetween(0x60, 0x7F));
    } else if (kind >= 965 && palette.idleTrackByte) {
      bytes.push_back(dice.ByteBetween(0xF4, 0xFD));  // no meaning to the packer
    } else if (!plan.sectors.empty()) {
      bytes.push_back(U8(dice.Pick(plan.sectors)));
    }
  }
  if (!full) {
    const Bytes end = RandomTrackEnd(dice, plan);
    bytes.insert(bytes.end(), end.begin(), end.end());
    return bytes;
  }
  bytes.resize(256);
  for (uint8_t& b : bytes) {
    if ((b >= 0xF0 && b <= 0xF3) || b >= 0xFE) b = 0x01;
  }
  if (mustEnd || dice.Chance(50)) {
    // The end in the last entries: a length of 256, or 257 with a loop's parameter.
    if (dice.Chance(50)) {
      bytes[255] = 0xFF;
    } else {
      bytes[254] = 0xFE;
      bytes[255] = dice.Byte();
    }
  }
  return bytes;
}

// A voice-0 track of a song that must not exist: no end byte, or the only one hidden
// behind a $F6..$FA byte that the song test takes as a command with a parameter.
Bytes AbsentSongTrack(Dice& dice, const Plan& plan) {
  if (plan.sectors.empty() || dice.Chance(50)) return {};
  Bytes bytes;
  for (int i = dice.Between(1, 6); i > 0; --i) bytes.push_back(U8(dice.Pick(plan.sectors)));
  if (dice.Chance(50)) bytes.insert(bytes.end(), {dice.ByteBetween(0xF6, 0xFA), 0xFF});
  return bytes;
}

Plan RandomPlan(Dice& dice, TuneBuilder& tune) {
  Plan plan;
  const int sectorCount = dice.Chance(8) ? dice.Between(40, 96) : dice.Between(1, 20);
  plan.sectors = dice.Numbers(sectorCount, zspack::kSectorCount, dice.Chance(20));
  const int instrumentShape = dice.Below(100);
  if (instrumentShape >= 15) {
    const int count = dice.Between(1, instrumentShape < 55 ? 10 : 32);
    plan.instruments = dice.Numbers(count, zspack::kInstrumentCount, instrumentShape < 55);
  }
  if (!dice.Chance(45)) {
    const int glideCount = dice.Between(1, 10);
    plan.glides = dice.Numbers(glideCount, zspack::kGlideCount, dice.Chance(20));
  }
  plan.programs.wave = WriteWavePrograms(dice, tune);
  plan.programs.pulse = WriteTablePrograms(dice, tune, addr::ptb1);
  plan.programs.filter = WriteTablePrograms(dice, tune, addr::ftb1);
  plan.palette = RandomPalette(dice);
  return plan;
}

TuneBuilder MusicTune(Dice& dice) {
  TuneBuilder tune;
  const Plan plan = RandomPlan(dice, tune);

  for (const int i : plan.instruments) tune.Instrument(i, RandomInstrument(dice, plan));
  if (dice.Chance(30)) {
    // Data in slots no sector selects, below and above the ones in use.
    for (int i = 0; i < zspack::kInstrumentCount; ++i) {
      if (dice.Chance(20)) tune.Instrument(i, RandomInstrument(dice, plan));
    }
  }
  for (int g = 0; g < zspack::kGlideCount; ++g) {
    const uint8_t low = dice.Byte();
    tune.Glide(g, low, dice.Byte());
  }

  for (const int n : plan.sectors) tune.Sector(n, RandomSector(dice, plan));
  if (dice.Chance(20)) {
    // Unused sectors with commands of their own, which nothing may walk.
    for (int k = dice.Between(1, 4); k > 0; --k) {
      const int n = dice.Below(zspack::kSectorCount);
      tune.Sector(n, RandomSector(dice, plan));
    }
  }

  const int songMask = dice.Chance(4) ? 0 : dice.Between(1, 15);
  // All four songs at one speed, all but one of them, or each at its own.
  const int speedShape = dice.Below(100);
  const uint8_t speed = dice.ByteBetween(1, 8);
  const int oddSong = dice.Below(zspack::kSongCount);
  for (int s = 0; s < zspack::kSongCount; ++s) {
    const bool exists = (songMask >> s & 1) != 0;
    Bytes voice0 = exists ? RandomTrack(dice, plan, true) : AbsentSongTrack(dice, plan);
    if (exists && voice0.size() < 256 && dice.Chance(3)) {
      // The song test skips the byte after $F6..$FA, but the track scan does not.
      voice0.insert(voice0.begin(), {0xF8, 0xFF});
    }
    const Bytes voice1 = RandomTrack(dice, plan, false);
    const Bytes voice2 = RandomTrack(dice, plan, false);
    uint8_t songSpeed = speed;
    if (speedShape >= 45 && speedShape < 60 && s == oddSong) songSpeed = U8(speed + 1);
    if (speedShape >= 60) songSpeed = dice.ByteBetween(0, 9);
    tune.Song(s, voice0, voice1, voice2, songSpeed, dice.Byte());
    for (uint32_t b = 0; b < zspack::kSongSpeedOffset; ++b) {
      tune.Poke(zspack::SongRecordAddress(s) + b, dice.Byte());
    }
    tune.Arpspds(s, dice.Chance(60) ? dice.ByteBetween(0x00, 0x0F) : dice.Byte());
  }
  return tune;
}

// Every entry of the image a random byte: whatever the walks make of noise.
TuneBuilder NoiseTune(Dice& dice) {
  TuneBuilder tune;
  for (uint32_t a = zspack::kImageFirst; a <= zspack::kImageLast; ++a) tune.Poke(a, dice.Byte());
  return tune;
}

// The image as a tracker file, from its first non-default entry to its last non-zero one.
Bytes Pack(Dice& dice, const TuneBuilder& tune) {
  const MusicImage& image = tune.Image();
  uint32_t first = zspack::kImageFirst;
  const int start = dice.Below(100);
  if (start < 8) first = addr::tunedats;  // leaves the four arpspds entries at 0
  uint32_t last = zspack::kImageLast;
  if (!dice.Chance(5)) {
    while (last > first && image.At(last) == 0) --last;
  }
  const uint8_t escape = dice.Chance(50) ? 0xBF : dice.Byte();
  const uint16_t load = dice.Chance(80) ? 0x0801 : static_cast<uint16_t>(dice.Between(0, 0xFFFF));
  Bytes file = PackImage(image, first, last, escape, load);
  if (dice.Chance(4)) {
    // Bytes after the end record change nothing, however many there are.
    const size_t padding = dice.Chance(10) ? 150000 : static_cast<size_t>(dice.Between(1, 3000));
    for (size_t i = 0; i < padding; ++i) file.push_back(dice.Byte());
  }
  return file;
}

// A file the depacker must refuse, one of each way a tracker file can be broken.
Bytes Malformed(Dice& dice, Bytes file) {
  switch (dice.Below(6)) {
    case 0:  // shorter than the five header bytes
      file.resize(static_cast<size_t>(dice.Below(5)));
      break;
    case 1:  // the end record is missing
      file.resize(file.size() - 2);
      break;
    case 2: {  // a run record cut short by the end of the file
      const uint8_t escape = file[4];
      file.resize(file.size() - 2);
      file.push_back(escape);
      if (dice.Chance(50)) file.push_back(dice.ByteBetween(1, 255));
      break;
    }
    case 3: {  // a target address below the image
      const int target = dice.Chance(50) ? 0x403B : dice.Between(0, 0x403B);
      file[2] = U8(target);
      file[3] = U8(target >> 8);
      break;
    }
    case 4: {  // a stream that reaches past $B3FF
      const int target = dice.Between(0xB300, 0xFFFF);
      file[2] = U8(target);
      file[3] = U8(target >> 8);
      break;
    }
    default: {  // garbage of any length
      file.resize(static_cast<size_t>(dice.Between(5, 64)));
      for (size_t i = 2; i < file.size(); ++i) file[i] = dice.Byte();
      break;
    }
  }
  return file;
}

Bytes RandomTuneFile(uint32_t seed, uint32_t index) {
  Dice dice(seed * 1000003u + index);
  const int kind = dice.Below(100);
  if (kind < 3) return Pack(dice, NoiseTune(dice));
  const Bytes file = Pack(dice, MusicTune(dice));
  if (kind < 9) return Malformed(dice, file);
  return file;
}

bool WriteFile(const std::string& path, const Bytes& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "usage: %s DIR COUNT [SEED]\n", argc > 0 ? argv[0] : "make_random_tunes");
    return 2;
  }
  const std::string dir = argv[1];
  const unsigned long count = std::stoul(argv[2]);
  const uint32_t seed = argc == 4 ? static_cast<uint32_t>(std::stoul(argv[3])) : 1;
  for (unsigned long i = 0; i < count; ++i) {
    char name[32];
    std::snprintf(name, sizeof name, "%04lu.prg", i);
    if (!WriteFile(dir + "/" + name, RandomTuneFile(seed, static_cast<uint32_t>(i)))) {
      std::fprintf(stderr, "make_random_tunes: cannot write %s/%s\n", dir.c_str(), name);
      return 1;
    }
  }
  return 0;
}
