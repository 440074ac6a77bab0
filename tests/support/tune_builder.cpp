#include "support/tune_builder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace zspack::testing {

TuneBuilder& TuneBuilder::Song(int song, std::vector<uint8_t> voice0, std::vector<uint8_t> voice1,
                               std::vector<uint8_t> voice2, uint8_t speed, uint8_t setting) {
  Track(song, 0, voice0);
  Track(song, 1, voice1);
  Track(song, 2, voice2);
  Speed(song, speed);
  return Poke(SongRecordAddress(song) + kSongSettingOffset, setting);
}

TuneBuilder& TuneBuilder::Track(int song, int voice, const std::vector<uint8_t>& bytes) {
  for (size_t i = 0; i < bytes.size() && i < kTrackEntries; ++i) {
    Poke(TrackAddress(song, voice) + static_cast<uint32_t>(i), bytes[i]);
  }
  return *this;
}

TuneBuilder& TuneBuilder::Speed(int song, uint8_t speed) {
  return Poke(SongRecordAddress(song) + kSongSpeedOffset, speed);
}

TuneBuilder& TuneBuilder::Arpspds(int song, uint8_t value) {
  return Poke(addr::arpspds + static_cast<uint32_t>(song), value);
}

TuneBuilder& TuneBuilder::Sector(int sector, const std::vector<uint8_t>& bytes) {
  for (size_t i = 0; i < bytes.size() && i < kSectorEntries; ++i) {
    Poke(SectorAddress(sector) + static_cast<uint32_t>(i), bytes[i]);
  }
  return *this;
}

TuneBuilder& TuneBuilder::Instrument(int instrument, const InstrumentSpec& spec) {
  const auto i = static_cast<uint32_t>(instrument);
  Poke(addr::adtb + i, spec.ad);
  Poke(addr::srtb + i, spec.sr);
  Poke(addr::aptb + i, spec.wave);
  Poke(addr::pptb + i, spec.pulse);
  Poke(addr::fptb + i, spec.filter);
  Poke(addr::v1tb + i, spec.v1);
  Poke(addr::v2tb + i, spec.v2);
  Poke(addr::v3tb + i, spec.vibrato);
  Poke(addr::hrtb + i, spec.hardRestart);
  Poke(addr::hf1tb + i, spec.hf1);
  return Poke(addr::hf2tb + i, spec.hf2);
}

TuneBuilder& TuneBuilder::Glide(int glide, uint8_t low, uint8_t high) {
  Poke(addr::gldtbl + static_cast<uint32_t>(glide), low);
  return Poke(addr::gldtbh + static_cast<uint32_t>(glide), high);
}

namespace {
void Rows(TuneBuilder& tune, uint32_t column1, int first,
          std::initializer_list<std::pair<uint8_t, uint8_t>> rows) {
  auto row = static_cast<uint32_t>(first);
  for (const auto& [a, b] : rows) {
    tune.Poke(column1 + row, a);
    tune.Poke(column1 + 0x100 + row, b);
    ++row;
  }
}
}  // namespace

TuneBuilder& TuneBuilder::WaveRows(int first, std::initializer_list<std::pair<uint8_t, uint8_t>> rows) {
  Rows(*this, addr::wave, first, rows);
  return *this;
}
TuneBuilder& TuneBuilder::PulseRows(int first, std::initializer_list<std::pair<uint8_t, uint8_t>> rows) {
  Rows(*this, addr::ptb1, first, rows);
  return *this;
}
TuneBuilder& TuneBuilder::FilterRows(int first, std::initializer_list<std::pair<uint8_t, uint8_t>> rows) {
  Rows(*this, addr::ftb1, first, rows);
  return *this;
}

TuneBuilder& TuneBuilder::Poke(uint32_t address, uint8_t value) {
  image_.Set(address, value);
  return *this;
}

std::vector<uint8_t> TuneBuilder::File(uint8_t escape) const {
  uint32_t last = kImageLast;
  while (last > kImageFirst && image_.At(last) == 0) --last;
  return PackImage(image_, kImageFirst, last, escape);
}

void WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  file.close();
  ASSERT_TRUE(file.good()) << "cannot write " << path;
}

std::string ReadText(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

}  // namespace zspack::testing
