// Sector and glide renumbering: stable compaction of the numbers in use, with every
// reference in the tracks and used sectors rewritten; walks never leave their track or
// sector, and a command's parameter byte is never rewritten.
#pragma once

#include "common/music_image.h"
#include "common/pack_state.h"

namespace zspack {

// Renumbers the used sectors to 0..n-1 in the order of their old numbers and moves their
// marks along; true when at least one sector got a new number.
bool CompactSectors(MusicImage& image, SectorMarks& sectors);

// Renumbers the used glides of the (old-numbered) GlideMap to 0..n-1 in the sectors that
// SectorMap marks; GlideMap itself keeps the old numbering.
void CompactGlides(MusicImage& image, const UsageMaps& maps);

}  // namespace zspack
