#include "support/demo_tune.h"

namespace zspack::testing {

namespace {

// Track bytes.
constexpr uint8_t kTranspose(int halfTones) { return static_cast<uint8_t>(0x80 + halfTones); }
constexpr uint8_t kRepeat(int times) { return static_cast<uint8_t>(0xC0 + times); }
constexpr uint8_t kSetVolume(int volume) { return static_cast<uint8_t>(0xE0 + volume); }
constexpr uint8_t kLoop = 0xFE;
constexpr uint8_t kEnd = 0xFF;

// Sector bytes.
constexpr uint8_t kInstrument(int i) { return static_cast<uint8_t>(0xC0 + i); }
constexpr uint8_t kGlide(int g) { return static_cast<uint8_t>(0x60 + g); }
constexpr uint8_t kFilterProgram = 0xF6;
constexpr uint8_t kPulseProgram = 0xF7;
constexpr uint8_t kTuneSr = 0xF9;
constexpr uint8_t kTuneAd = 0xFA;
constexpr uint8_t kTie = 0xFB;
constexpr uint8_t kSectorEnd = 0xFF;

// Wavetable rows.
constexpr uint8_t kJump = 0x90;
constexpr uint8_t kStop = 0xFF;

}  // namespace

TuneBuilder DemoTune() {
  TuneBuilder tune;

  // Song 0: a bass line transposed and repeated, a melody and a drum voice; it loops.
  tune.Song(0, {kTranspose(2), 3, kRepeat(1), 7, 3, kLoop, 0x00},
            {10, 12, 10, 12, kEnd},
            {20, kSetVolume(12), 20, kEnd}, 5, 0x00);
  // Song 1: a short jingle over sectors that song 0 shares, then it ends.
  tune.Song(1, {21, 40, kEnd}, {kTranspose(5), 12, kEnd}, {20, 21, kEnd}, 5, 0x01);
  // Both songs play at speed 5, like the two empty song records, so one speed serves all.
  tune.Speed(2, 5).Speed(3, 5);
  tune.Arpspds(0, 0x03).Arpspds(1, 0x04);

  // Sectors: 3, 7, 10, 12, 20, 21 and 40 are played and become 0 to 6; 5 and 60 are not.
  tune.Sector(3, {kInstrument(0), 0x18, 0x84, 0x1F, 0x24, kTie, 0x1F, kSectorEnd});
  tune.Sector(7, {kInstrument(2), kGlide(4), 0x30, 0x82, 0x34, kGlide(9), 0x37, kSectorEnd});
  tune.Sector(10, {kInstrument(5), 0x3C, kTuneAd, 0x28, 0x3E, 0x40, kSectorEnd});
  tune.Sector(12, {kInstrument(2), kPulseProgram, 0x01, 0x43, kTuneSr, 0xA9, 0x45, kSectorEnd});
  tune.Sector(20, {kInstrument(0), kFilterProgram, 0x08, 0x0C, 0x0C, 0x0E, kSectorEnd});
  tune.Sector(21, {kInstrument(5), kGlide(4), 0x2B, kTie, 0x2D, kSectorEnd});
  tune.Sector(40, {kInstrument(2), 0x30, 0x2F, 0x30, 0x34, 0x37, 0x3C, kSectorEnd});
  tune.Sector(5, {kInstrument(9), kGlide(2), 0x11, kSectorEnd});
  tune.Sector(60, {0x22, 0x23, 0x24, kSectorEnd});

  // Instruments 0, 2 and 5 are played; 9 is not. Three hard-restart types, one vibrato.
  tune.Instrument(0, {.ad = 0x09, .sr = 0x00, .wave = 0, .pulse = 0, .filter = 0,
                      .v1 = 0x41, .v2 = 0x40, .vibrato = 0, .hardRestart = 0, .hf1 = 0x0F, .hf2 = 0x00});
  tune.Instrument(2, {.ad = 0x28, .sr = 0xA9, .wave = 8, .pulse = 1, .filter = 0xFF,
                      .v1 = 0x41, .v2 = 0x00, .vibrato = 0x23, .hardRestart = 1, .hf1 = 0x0F, .hf2 = 0x08});
  tune.Instrument(5, {.ad = 0x0A, .sr = 0x6C, .wave = 20, .pulse = 5, .filter = 3,
                      .v1 = 0x11, .v2 = 0x10, .vibrato = 0, .hardRestart = 3, .hf1 = 0x00, .hf2 = 0x00});
  tune.Instrument(9, {.ad = 0x55, .sr = 0x55, .wave = 30, .pulse = 12, .filter = 12,
                      .v1 = 0x81, .v2 = 0x80, .vibrato = 0x11, .hardRestart = 2, .hf1 = 0x01, .hf2 = 0x01});

  // Glides 4 and 9 are selected and become 0 and 1; glide 2 belongs to the unplayed sector.
  tune.Glide(2, 0x10, 0x01).Glide(4, 0x40, 0x02).Glide(9, 0x80, 0x04);

  // Wavetable: instrument 0 loops rows 1 to 3, instrument 2 plays rows 8 to 10 and stops,
  // instrument 5 plays row 20 and jumps into instrument 2's program; the rows between are
  // unused and the table closes up.
  tune.WaveRows(0, {{0x41, 0x00}, {0x41, 0x0C}, {0x41, 0x07}, {kJump, 1}});
  tune.WaveRows(4, {{0x21, 0x33}, {0x21, 0x34}});
  tune.WaveRows(8, {{0x81, 0x30}, {0x41, 0x00}, {kStop, 0x00}});
  tune.WaveRows(20, {{0x11, 0x00}, {kJump, 9}});
  tune.WaveRows(30, {{0x15, 0x00}, {kStop, 0x00}});

  // Pulse programs: instrument 2 from row 1 (one step), instrument 5 from row 5 (two
  // steps, the second links back to the first); the sector command shares row 1.
  tune.PulseRows(1, {{0x08, 0x00}, {0x20, 0x40}, {0x10, 0x00}});
  tune.PulseRows(5, {{0x04, 0x00}, {0x30, 0x10}, {0x08, 10}});
  tune.PulseRows(10, {{0x50, 0x20}, {0x10, 6}});
  tune.PulseRows(12, {{0x02, 0x00}, {0x01, 0x01}, {0x01, 0x00}});
  // Filter programs: instrument 5 from row 3, the sector command from row 8.
  tune.FilterRows(3, {{0x1F, 0x00}, {0x90, 0x40}, {0x10, 0x00}});
  tune.FilterRows(8, {{0x2F, 0x00}, {0xA0, 0x80}, {0x08, 0x00}});
  tune.FilterRows(12, {{0x3F, 0x00}, {0x01, 0x01}, {0x01, 0x00}});
  return tune;
}

std::vector<uint8_t> DemoTuneFile() { return DemoTune().File(); }

}  // namespace zspack::testing
