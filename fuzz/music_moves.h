// Edits of a depacked tune that mean something in the tracker's format, for the
// structure-aware mutator: each writes a track or sector command with its parameter,
// points an instrument at a table row, sets a table jump or link, renumbers sectors or
// glides with gaps, moves the end of a track or sector, changes the song records or the
// instrument settings, or splices a table from another tune.
#pragma once

#include <cstdint>
#include <random>

#include "common/music_image.h"

namespace zspack::fuzzing {

// The random source of one mutation, with the few draws the moves need.
class MoveRandom {
 public:
  explicit MoveRandom(unsigned seed) : engine_(seed) {}
  // 0..n-1.
  uint32_t Below(uint32_t n) { return n == 0 ? 0 : static_cast<uint32_t>(engine_() % n); }
  bool OneIn(uint32_t n) { return Below(n) == 0; }
  uint8_t Byte() { return static_cast<uint8_t>(engine_() >> 8); }

 private:
  std::minstd_rand engine_;
};

// Applies one of the moves above but the splice, chosen at random.
void ApplyRandomMove(MusicImage& image, MoveRandom& random);

// Copies one table of `other` (a track, a sector, a column of the instrument tables, the
// glides, a slice of the wave, pulse or filter table, or the song records) into `image`.
void SpliceTable(MusicImage& image, const MusicImage& other, MoveRandom& random);

}  // namespace zspack::fuzzing
