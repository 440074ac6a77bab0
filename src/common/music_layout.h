// Where each table of the tracker's music lies in MusicImage, and its fixed sizes;
// every address helper clamps its number to the table it indexes.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>

namespace zspack {

inline constexpr int kSongCount = 4;
inline constexpr int kVoiceCount = 3;
inline constexpr int kTrackCount = kSongCount * kVoiceCount;
inline constexpr int kSectorCount = 96;
inline constexpr int kInstrumentCount = 32;
inline constexpr int kGlideCount = 32;
inline constexpr int kTableRows = 256;
inline constexpr int kTrackEntries = 256;
inline constexpr int kSectorEntries = 256;

namespace addr {
inline constexpr uint32_t arpspds = 0x403C;
inline constexpr uint32_t tunedats = 0x4040;
inline constexpr uint32_t gldtbl = 0x4060;
inline constexpr uint32_t gldtbh = 0x4080;
inline constexpr uint32_t adtb = 0x40A0;
inline constexpr uint32_t srtb = 0x40C0;
inline constexpr uint32_t aptb = 0x40E0;
inline constexpr uint32_t pptb = 0x4100;
inline constexpr uint32_t fptb = 0x4120;
inline constexpr uint32_t v1tb = 0x4140;
inline constexpr uint32_t v2tb = 0x4160;
inline constexpr uint32_t v3tb = 0x4180;
inline constexpr uint32_t hrtb = 0x41A0;
inline constexpr uint32_t hf1tb = 0x41C0;
inline constexpr uint32_t hf2tb = 0x41E0;
inline constexpr uint32_t wave = 0x4200;
inline constexpr uint32_t trans = 0x4300;
inline constexpr uint32_t ptb1 = 0x4400;
inline constexpr uint32_t ptb2 = 0x4500;
inline constexpr uint32_t ftb1 = 0x4600;
inline constexpr uint32_t ftb2 = 0x4700;
inline constexpr uint32_t tracks = 0x4800;
inline constexpr uint32_t sectors = 0x5400;
}  // namespace addr

// The eleven instrument tables in the data file's order; a table's place is its column,
// and three columns point into the wave, pulse and filter programs.
inline constexpr uint32_t kInstrumentColumns[] = {addr::adtb, addr::srtb, addr::aptb, addr::pptb,
                                                  addr::fptb, addr::v1tb, addr::v2tb, addr::v3tb,
                                                  addr::hrtb, addr::hf1tb, addr::hf2tb};
inline constexpr size_t kInstrumentTableCount = sizeof kInstrumentColumns / sizeof kInstrumentColumns[0];
enum InstrumentColumn : uint8_t { kAdtb, kSrtb, kAptb, kPptb, kFptb, kV1tb, kV2tb, kV3tb, kHrtb, kHf1tb, kHf2tb };

// A song record in tunedats takes 8 bytes; bytes 6 and 7 are the song's speed and one
// setting copied as it is.
inline constexpr uint32_t kSongRecordSize = 8;
inline constexpr uint32_t kSongSpeedOffset = 6;
inline constexpr uint32_t kSongSettingOffset = 7;

// Tracks, sectors and the two columns of the pulse and filter tables each take one page.
inline constexpr uint32_t kPageSize = 0x100;

// A number read from the music, held to the table it indexes.
constexpr uint32_t ClampTo(int number, int count) {
  return static_cast<uint32_t>(std::clamp(number, 0, count - 1));
}

constexpr uint32_t SongRecordAddress(int song) {
  return addr::tunedats + kSongRecordSize * ClampTo(song, kSongCount);
}

// Track number 0..11 as the data file labels it: kVoiceCount * song + voice.
constexpr uint32_t TrackAddress(int track) {
  return addr::tracks + kPageSize * ClampTo(track, kTrackCount);
}

constexpr uint32_t TrackAddress(int song, int voice) {
  return TrackAddress(kVoiceCount * static_cast<int>(ClampTo(song, kSongCount)) +
                      static_cast<int>(ClampTo(voice, kVoiceCount)));
}

constexpr uint32_t SectorAddress(int sector) {
  return addr::sectors + kPageSize * ClampTo(sector, kSectorCount);
}

}  // namespace zspack
