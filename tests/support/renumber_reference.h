// The move-at-a-time sector and glide renumbering, one full walk over every track (or every
// used sector) per moved number: the slow plain form that the single-pass CompactSectors and
// CompactGlides of explore/renumber.h must match byte for byte.
#pragma once

#include "common/music_image.h"
#include "common/pack_state.h"

namespace zspack::testing {

// Moves each used sector down to the lowest free number, in ascending order, one move at a
// time; true when at least one sector moved.
bool CompactSectorsOneByOne(MusicImage& image, SectorMarks& sectors);

// Moves each used glide of GlideMap down to the lowest free number in the sectors that
// SectorMap marks, one move at a time; GlideMap keeps the old numbering.
void CompactGlidesOneByOne(MusicImage& image, const UsageMaps& maps);

}  // namespace zspack::testing
