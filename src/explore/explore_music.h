// ExploreMusic: from a depacked image, finds the songs, the sectors, instruments, glides
// and table rows in use, renumbers sectors and glides, compacts the wavetable, derives the
// player features and appends the whole console report; it resets every map, count and
// flag itself, so packing the same image twice gives the same result.
#pragma once

#include <string>

#include "driver/run_options.h"
#include "explore/pack_state.h"

namespace zspack {

void ExploreMusic(PackState& state, const RunOptions& options, std::string& console);

// Marks the songs whose voice-0 track holds an end byte within its 256 entries.
void FindSongs(PackState& state);

void PrintSectorMap(const PackState& state, std::string& console);

}  // namespace zspack
