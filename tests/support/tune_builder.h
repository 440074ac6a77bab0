// TuneBuilder: writes tracker music into a MusicImage the way a musician would describe
// it (songs with their tracks, sectors, instruments, glides and table rows), and packs it
// into a real tracker file; the test cases read like the music they check.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

#include "common/music_image.h"
#include "common/music_layout.h"
#include "support/tracker_file.h"

namespace zspack::testing {

struct InstrumentSpec {
  uint8_t ad = 0, sr = 0, wave = 0, pulse = 0, filter = 0, v1 = 0, v2 = 0, vibrato = 0,
          hardRestart = 0, hf1 = 0, hf2 = 0;
};

class TuneBuilder {
 public:
  // Song s: its three tracks (any bytes, end byte included by the caller), speed and the
  // setting byte 7 of the record.
  TuneBuilder& Song(int song, std::vector<uint8_t> voice0, std::vector<uint8_t> voice1,
                    std::vector<uint8_t> voice2, uint8_t speed = 5, uint8_t setting = 0);
  TuneBuilder& Track(int song, int voice, const std::vector<uint8_t>& bytes);
  TuneBuilder& Speed(int song, uint8_t speed);
  TuneBuilder& Arpspds(int song, uint8_t value);
  TuneBuilder& Sector(int sector, const std::vector<uint8_t>& bytes);
  TuneBuilder& Instrument(int instrument, const InstrumentSpec& spec);
  TuneBuilder& Glide(int glide, uint8_t low, uint8_t high);
  // Wavetable rows from `first` on: pairs of (wave, trans).
  TuneBuilder& WaveRows(int first, std::initializer_list<std::pair<uint8_t, uint8_t>> rows);
  // Pulse / filter rows from `first` on: pairs of (column 1, column 2).
  TuneBuilder& PulseRows(int first, std::initializer_list<std::pair<uint8_t, uint8_t>> rows);
  TuneBuilder& FilterRows(int first, std::initializer_list<std::pair<uint8_t, uint8_t>> rows);
  TuneBuilder& Poke(uint32_t address, uint8_t value);

  const MusicImage& Image() const { return image_; }
  // The tune as the tracker saves it: load address, target $403C, escape byte, stream.
  std::vector<uint8_t> File(uint8_t escape = 0xBF) const;

 private:
  MusicImage image_;
};

// Writes bytes to a file; the test fails on error.
void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::string ReadText(const std::string& path);

}  // namespace zspack::testing
