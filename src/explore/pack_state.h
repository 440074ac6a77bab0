// PackState: everything one pack works on (the image, the usage maps, the counts and the
// feature results), a plain value so that many packs can run side by side in one process.
#pragma once

#include <array>
#include <cstdint>

#include "features/feature_flags.h"
#include "image/music_image.h"
#include "image/music_layout.h"

namespace zspack {

// One byte mark per entry of a music table: 0 not used, 1 used.
struct UsageMaps {
  std::array<uint8_t, kSongCount> SongMap{};
  std::array<uint8_t, kSectorCount> SectorMap{};
  std::array<uint8_t, kInstrumentCount> InstrumentMap{};
  std::array<uint8_t, kGlideCount> GlideMap{};
  std::array<uint8_t, kTableRows> WaveMap{};
  std::array<uint8_t, kTableRows> PulseMap{};
  std::array<uint8_t, kTableRows> FilterMap{};
};

struct Counts {
  int16_t SectorCount = 0;
  int16_t InstrumentCount = 0;  // distinct instruments selected in used sectors
  int16_t GlideCount = 0;
  // The highest instrument number in use, -1 when none: the instrument tables keep the
  // slots 0..HighestInstrument so that instruments above a gap are not lost.
  int16_t HighestInstrument = -1;
};

struct PackState {
  MusicImage image;
  UsageMaps maps;
  Counts counts;
  FeatureState features;
};

}  // namespace zspack
