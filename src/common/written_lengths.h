// How much of each track, sector and program table the data file writes: a track and a
// sector as the player reads them, through their end, and a table up to its highest row
// in use; the crunch stage and the data file count with these same rules.
#pragma once

#include <algorithm>
#include <cstdint>
#include <span>

#include "common/music_format.h"
#include "common/music_image.h"
#include "common/music_layout.h"

namespace zspack {

// Length of the track at `start`: through its first $F0..$F3/$FF, or its $FE and the
// argument after it; 1 when the 256 entries hold no such byte. 257 reads one entry past.
inline int TrackLength(const MusicImage& image, uint32_t start) {
  // A loop's argument is written with it.
  constexpr WalkRule kWrittenTrack{WalkEnd::kTrackEnd, false};
  const WalkResult walk = WalkEntries(image, start, kWrittenTrack, [](int, uint8_t) {});
  if (!walk.ended) return 1;
  return ClassifyTrackEntry(walk.last).kind == TrackEntry::kLoop ? walk.length + 1 : walk.length;
}

// Length of a sector through its $FF, two for each $F6..$FA command; at most 256: a
// sector without $FF is written whole, and a command in its last entry does not stretch
// it past its 256 entries.
inline int SectorLength(const MusicImage& image, int sector) {
  constexpr WalkRule kWrittenSector{WalkEnd::kSectorEnd, true};
  return WalkEntries(image, SectorAddress(sector), kWrittenSector, [](int, uint8_t) {}).length;
}

// The highest index whose mark is set, 0 when none is.
inline int HighestMarked(std::span<const uint8_t> map) {
  int i = static_cast<int>(map.size()) - 1;
  while (i > 0 && map[static_cast<size_t>(i)] == 0) --i;
  return std::max(i, 0);
}

}  // namespace zspack
