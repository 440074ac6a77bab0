// Where each table of the tracker's music lies in MusicImage, and its fixed sizes;
// every address helper clamps its number to the table it indexes.
#pragma once

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

// Bytes 6 and 7 of a song record: the song's speed and one setting copied as it is.
inline constexpr uint32_t kSongSpeedOffset = 6;
inline constexpr uint32_t kSongSettingOffset = 7;

constexpr uint32_t SongRecordAddress(int song) {
  return addr::tunedats + 8u * static_cast<uint32_t>(song & 3);
}

constexpr uint32_t TrackAddress(int song, int voice) {
  return addr::tracks + 0x300u * static_cast<uint32_t>(song & 3) +
         0x100u * static_cast<uint32_t>(voice < 0 ? 0 : voice > 2 ? 2 : voice);
}

// Track number 0..11 as the data file labels it: 3 * song + voice.
constexpr uint32_t TrackAddress(int track) {
  return addr::tracks + 0x100u * static_cast<uint32_t>(track < 0 ? 0 : track > 11 ? 11 : track);
}

constexpr uint32_t SectorAddress(int sector) {
  return addr::sectors + 0x100u * static_cast<uint32_t>(sector < 0 ? 0 : sector > 95 ? 95 : sector);
}

}  // namespace zspack
