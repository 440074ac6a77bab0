// ExploreMusic: from a depacked image, finds the songs, the sectors, instruments, glides
// and table rows in use, renumbers sectors and glides, compacts the wavetable and appends
// the whole console report; it starts from empty maps, so exploring the same image twice
// gives the same result.
#pragma once

#include <string>

#include "common/music_image.h"
#include "common/pack_state.h"

namespace zspack {

Exploration ExploreMusic(MusicImage& image, std::string& console);

}  // namespace zspack
