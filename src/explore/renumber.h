// Sector and glide renumbering: stable compaction of the numbers in use, with every
// reference in the tracks and used sectors rewritten; walks never leave their track or
// sector, and a command's parameter byte is never rewritten.
#pragma once

#include <array>
#include <cstdint>

#include "explore/pack_state.h"

namespace zspack {

// Renumbers the used sectors to 0..n-1 in the order of their old numbers; true when at
// least one sector got a new number.
bool CompactSectors(PackState& state);

// Renumbers the used glides of the (old-numbered) GlideMap to 0..n-1; GlideMap itself
// keeps the old numbering.
void CompactGlides(PackState& state);

// The one-at-a-time moves of the tracker's own packer: each move walks every track
// (or every used sector) again. The compactions above give the same bytes in a single
// pass; these are kept as the reference they are checked against.
void MoveSector(PackState& state, int oldNumber, int newNumber);
void RenumberGlide(PackState& state, int oldNumber, int newNumber);
bool CompactSectorsOneByOne(PackState& state);
void CompactGlidesOneByOne(PackState& state);

}  // namespace zspack
