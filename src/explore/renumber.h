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

// The one-at-a-time moves of the tracker's own packer: each move walks every track
// (or every used sector) again. The compactions above give the same bytes in a single
// pass; these are kept as the reference they are checked against.
void MoveSector(MusicImage& image, SectorMarks& sectors, int oldNumber, int newNumber);
void RenumberGlide(MusicImage& image, const UsageMaps& maps, int oldNumber, int newNumber);
bool CompactSectorsOneByOne(MusicImage& image, SectorMarks& sectors);
void CompactGlidesOneByOne(MusicImage& image, const UsageMaps& maps);

}  // namespace zspack
