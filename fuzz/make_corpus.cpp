// Writes the fuzz seed corpus: representative tunes built with the test suite's
// TuneBuilder and one file of each malformed class, each behind the five switch bytes
// that fuzz_input.h decodes. Usage: fuzz_make_corpus DIR (files are replaced).
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "fuzz_input.h"
#include "support/tune_builder.h"

namespace {

using zspack::testing::InstrumentSpec;
using zspack::testing::TuneBuilder;
using Bytes = std::vector<uint8_t>;

struct Switches {
  uint8_t song = 4;
  uint16_t start = 0x1000;
  uint8_t flags = 0;  // bit 0 PSID, bits 1..2 name pair
  uint8_t sid = '0';
};

struct Seed {
  std::string name;
  Switches switches;
  Bytes file;
};

Bytes WithSwitches(const Switches& s, const Bytes& file) {
  Bytes out = {s.song, static_cast<uint8_t>(s.start & 0xFF), static_cast<uint8_t>(s.start >> 8), s.flags,
               s.sid};
  out.insert(out.end(), file.begin(), file.end());
  return out;
}

TuneBuilder TwoSongs() {
  TuneBuilder t;
  t.Song(0, {0, 1, 0xFF}, {2, 0xFF}, {5, 0xFF}, 5).Song(1, {1, 2, 0xFE, 0}, {0xFF}, {0xFF}, 5);
  for (int n : {0, 1, 2, 5}) t.Sector(n, {0xC0, 0x30, 0x32, 0xC1, 0x34, 0xFF});
  t.Instrument(0, {.ad = 0x09, .sr = 0xA0, .wave = 0}).Instrument(1, {.wave = 2, .hardRestart = 1});
  t.WaveRows(0, {{0x41, 0x00}, {0xFF, 0x00}, {0x21, 0x0C}, {0x90, 0x02}});
  return t;
}

TuneBuilder Glides() {
  TuneBuilder t;
  t.Song(0, {3, 7, 0xFF}, {7, 0xFF}, {0xFF});
  t.Sector(3, {0x65, 0x30, 0x7F, 0x31, 0xC0, 0xFF}).Sector(7, {0x62, 0x30, 0x65, 0xF8, 0x62, 0xFF});
  t.Glide(2, 0x10, 0x01).Glide(5, 0x20, 0x02).Glide(31, 0x30, 0x03);
  return t;
}

TuneBuilder Tables() {
  TuneBuilder t;
  t.Song(0, {0, 1, 0xFF}, {0xFF}, {0xFF});
  t.Sector(0, {0xC0, 0x30, 0xC2, 0xF7, 0x11, 0xF6, 0x20, 0xFF});
  t.Sector(1, {0xC3, 0xF7, 0x06, 0xF6, 0x04, 0xF7, 0xFF, 0x31, 0xFF});
  t.Instrument(0, {.wave = 0, .pulse = 5, .filter = 3});
  t.Instrument(2, {.wave = 8, .pulse = 3, .filter = 4});
  t.Instrument(3, {.wave = 255, .pulse = 254, .filter = 255});
  t.WaveRows(0, {{0x41, 0}, {0x41, 1}, {0x41, 2}, {0x41, 3}, {0x90, 1}});
  t.WaveRows(8, {{0x11, 0}, {0x11, 0}, {0xA0, 0}});
  t.WaveRows(255, {{0x41, 0}});
  t.PulseRows(3, {{0x08, 0}, {0x10, 0}, {0x20, 6}, {0x30, 0}, {0x40, 0}, {0x50, 0}});
  t.PulseRows(17, {{0x01, 0}, {0x02, 0}, {0x03, 17}});
  t.PulseRows(254, {{0x01, 0}});
  t.FilterRows(3, {{0x01, 0}, {0x02, 0}, {0x03, 0}});
  t.FilterRows(32, {{0x01, 0}, {0x02, 0}, {0x03, 40}});
  t.FilterRows(40, {{0x04, 0}, {0x05, 33}});
  return t;
}

TuneBuilder AllFeatures() {
  TuneBuilder t;
  t.Song(0, {0x60, 0x80, 0, 0xC1, 1, 0xE5, 2, 0xF4, 0xFD, 0xF1}, {3, 0xFE, 0}, {4, 0xFF}, 3, 0x42);
  t.Song(2, {5, 0xFF}, {5, 0xF0}, {5, 0xF3}, 3, 0x01);
  t.Arpspds(0, 0x35).Arpspds(2, 0x07);
  t.Sector(0, {0xC0, 0x30, 0xFB, 0x31, 0xF8, 0xFF, 0xF9, 0x12, 0xFA, 0x34, 0xFF});
  t.Sector(1, {0xC1, 0xF7, 0x02, 0xF6, 0x02, 0x60, 0x30, 0xFF});
  t.Sector(2, {0xC2, 0x61, 0x30, 0xFF});
  t.Sector(3, {0xC3, 0x30, 0xFF});
  t.Sector(4, {0xC4, 0x30, 0xFF});
  t.Sector(5, {0xDF, 0x30, 0xFF});
  for (int i = 0; i < 5; ++i) {
    t.Instrument(i, {.ad = static_cast<uint8_t>(i), .wave = static_cast<uint8_t>(i), .pulse = 2,
                     .filter = 2, .vibrato = static_cast<uint8_t>(i & 1),
                     .hardRestart = static_cast<uint8_t>(i)});
  }
  t.Instrument(31, {.wave = 6, .hardRestart = 9});
  t.WaveRows(0, {{0x41, 0}, {0x41, 0}, {0x41, 0}, {0x41, 0}, {0x41, 0}, {0xFF, 0}, {0x90, 6}});
  t.PulseRows(2, {{0x08, 0}, {0x10, 0}, {0x20, 0}});
  t.FilterRows(2, {{0x08, 0}, {0x10, 0}, {0x20, 0}});
  t.Glide(0, 1, 2).Glide(1, 3, 4);
  return t;
}

// Tracks that fill their 256 entries: no end byte, $FF at 255, $FE at 254 and at 255.
TuneBuilder FullTracks() {
  TuneBuilder t;
  Bytes noEnd(256), endLast(256), loop254(256), loop255(256);
  for (size_t i = 0; i < 256; ++i) noEnd[i] = endLast[i] = loop254[i] = loop255[i] = static_cast<uint8_t>(i % 96);
  endLast[255] = 0xFF;
  loop254[254] = 0xFE;
  loop254[255] = 0x00;
  loop255[255] = 0xFE;
  t.Song(0, endLast, noEnd, loop254).Song(1, {0xFF}, {0xFF}, {0xFF}).Song(3, loop255, endLast, {0xF6, 0xFF});
  t.Song(1, endLast, loop255, noEnd);
  for (int n = 0; n < 96; ++n) t.Sector(n, {static_cast<uint8_t>(0xC0 + n % 32), 0x30, 0xFF});
  return t;
}

// Sectors with no end byte, one ending in a two-byte command in its last entry, and gaps
// between the used sectors so that they move.
TuneBuilder SectorsWithoutEnd() {
  TuneBuilder t;
  t.Song(0, {10, 40, 95, 0xFF}, {60, 0xFF}, {0xFF});
  Bytes notes(256, 0x30), commandLast(256, 0x31), instruments(256);
  commandLast[255] = 0xF7;
  for (size_t i = 0; i < 256; ++i) instruments[i] = static_cast<uint8_t>(0xC0 + (i % 32));
  instruments[254] = 0xF6;
  t.Sector(10, notes).Sector(40, commandLast).Sector(95, instruments).Sector(60, {0xF7, 0xFF, 0xFF});
  for (int i = 0; i < 32; ++i) t.Instrument(i, {.wave = static_cast<uint8_t>(i * 8), .pulse = 0xFF});
  return t;
}

// Instruments used above a gap, an empty song 0 and a song change in song 3.
TuneBuilder InstrumentGap() {
  TuneBuilder t;
  t.Song(3, {0, 0xF2}, {1, 0xFF}, {0xFF}, 7);
  t.Speed(0, 7).Speed(1, 7).Speed(2, 7);
  t.Sector(0, {0xC4, 0x30, 0xC9, 0xFF}).Sector(1, {0xC9, 0xFB, 0xFF});
  t.Instrument(4, {.wave = 1, .hardRestart = 3}).Instrument(9, {.wave = 1, .vibrato = 1, .hardRestart = 3});
  t.WaveRows(1, {{0x41, 0}, {0xFF, 0}});
  return t;
}

Bytes Header(uint16_t target, uint8_t escape) {
  return {0x01, 0x08, static_cast<uint8_t>(target & 0xFF), static_cast<uint8_t>(target >> 8), escape};
}

Bytes Cat(Bytes a, const Bytes& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

std::vector<Seed> Seeds() {
  std::vector<Seed> seeds;
  const TuneBuilder empty;
  seeds.push_back({"tune-empty", {}, empty.File()});
  seeds.push_back({"tune-two-songs", {}, TwoSongs().File()});
  seeds.push_back({"tune-two-songs-song1-psid", {1, 0x1000, 1, '2'}, TwoSongs().File(0x00)});
  seeds.push_back({"tune-glides", {0, 0xC000, 2, '0'}, Glides().File()});
  seeds.push_back({"tune-tables", {4, 0x2000, 4, '0'}, Tables().File()});
  seeds.push_back({"tune-all-features", {}, AllFeatures().File()});
  seeds.push_back({"tune-all-features-song2-psid", {2, 0, 7, 'A'}, AllFeatures().File(0xFF)});
  seeds.push_back({"tune-full-tracks", {}, FullTracks().File()});
  seeds.push_back({"tune-full-tracks-song3", {3, 0xFFFF, 0, '0'}, FullTracks().File()});
  seeds.push_back({"tune-sectors-without-end", {}, SectorsWithoutEnd().File()});
  seeds.push_back({"tune-instrument-gap-song3", {3, 0x0801, 0, '0'}, InstrumentGap().File()});
  // A file whose data starts at $4040 leaves arpspds at zero; padding after the end record.
  Bytes late = zspack::testing::PackImage(TwoSongs().Image(), 0x4040, 0x5A00, 0x30);
  late.insert(late.end(), {0x30, 0x05, 0x99, 0x12});
  seeds.push_back({"tune-target-4040-padded", {}, late});

  seeds.push_back({"malformed-empty", {}, {}});
  seeds.push_back({"malformed-4-bytes", {}, {0x01, 0x08, 0x3C, 0x40}});
  seeds.push_back({"malformed-no-end-record", {}, Cat(Header(0x403C, 0xBF), {1, 2, 3, 0xBF, 4, 9})});
  seeds.push_back({"malformed-run-cut-short", {}, Cat(Header(0x403C, 0xBF), {1, 2, 0xBF, 4})});
  seeds.push_back({"malformed-escape-last", {}, Cat(Header(0x403C, 0xBF), {1, 2, 0xBF})});
  seeds.push_back({"malformed-target-below-image", {}, Cat(Header(0x403B, 0xBF), {1, 0xBF, 0})});
  seeds.push_back({"malformed-beyond-image-run", {}, Cat(Header(0xB3F0, 0xBF), {0xBF, 0x20, 1, 0xBF, 0})});
  seeds.push_back({"malformed-beyond-image-literal", {}, Cat(Header(0xB3FF, 0xBF), {1, 2, 0xBF, 0})});
  seeds.push_back({"malformed-target-ffff", {}, Cat(Header(0xFFFF, 0x00), {0x00, 0xFF, 7, 0x00, 0x00})});
  return seeds;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s DIR\n", argv[0]);
    return 2;
  }
  for (const Seed& seed : Seeds()) {
    const std::string path = std::string(argv[1]) + "/" + seed.name;
    const Bytes bytes = WithSwitches(seed.switches, seed.file);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      std::fprintf(stderr, "cannot write %s\n", path.c_str());
      return 1;
    }
  }
  return 0;
}
