// The walks that find what the music uses: the songs that exist, the sectors their
// tracks play, the instruments and glides those sectors select, and the features their
// entries call for; each reads at most the 256 entries of its track or sector.
#pragma once

#include <cstdint>

#include "common/music_image.h"
#include "common/pack_state.h"

namespace zspack {

// Marks the songs whose voice-0 track holds an end entry within its 256 entries.
SongMarks FindSongs(const MusicImage& image);

// Walks one track (song, voice) up to its end entry; marks its sectors and returns how
// many it marked for the first time.
int16_t ScanTrack(const MusicImage& image, int song, int voice, Exploration& found);

// Walks one sector up to $FF or its 256th entry; marks and counts instruments and glides.
void ScanSector(const MusicImage& image, int sector, Exploration& found);

}  // namespace zspack
