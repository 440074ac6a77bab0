// The track and sector scans and the final derivation: they read at most the 256 entries
// of a track or sector, mark what the music uses in the usage maps, and set the feature
// flags and derived values; they cannot fail.
#pragma once

#include <cstdint>

#include "driver/run_options.h"
#include "explore/pack_state.h"

namespace zspack {

// Walks one track (song, voice) up to its end entry; marks its sectors and returns how
// many it marked for the first time.
int16_t ScanTrack(PackState& state, int song, int voice);

// Walks one sector up to $FF or its 256th entry; marks and counts instruments and glides.
void ScanSector(PackState& state, int sector);

// MultiSpeed from bits 4..7 of the first arpspds byte.
void DeriveMultiSpeed(PackState& state);

// _PULSE_, _FILTERS_, _VIBRATO_, _HR0_.._HR3_, SingleSpeed and SelectedSong.
void DeriveFeatures(PackState& state, const RunOptions& options);

}  // namespace zspack
