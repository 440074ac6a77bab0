#include "explore/explore_music.h"

#include "explore/map_text.h"
#include "explore/pulse_filter.h"
#include "explore/renumber.h"
#include "explore/wave_table.h"
#include "features/feature_scan.h"

namespace zspack {

void FindSongs(PackState& state) {
  for (int s = 0; s < kSongCount; ++s) {
    const uint32_t start = TrackAddress(s, 0);
    // This test alone takes $F6..$FA as two-byte entries, so such a byte hides the one
    // after it; the tracker decides song existence the same way.
    for (int k = 0; k < kTrackEntries;) {
      const uint8_t b = state.image.Byte(start + static_cast<uint32_t>(k));
      if ((b >= 0xF0 && b <= 0xF3) || b >= 0xFE) {
        state.maps.SongMap[static_cast<size_t>(s)] = 1;
        break;
      }
      k += (b >= 0xF6 && b <= 0xFA) ? 2 : 1;
    }
  }
}

void PrintSectorMap(const PackState& state, std::string& console) {
  AppendMapLines(console, state.maps.SectorMap, 48);
}

void ExploreMusic(PackState& state, const RunOptions& options, std::string& console) {
  console += "exploring music ... you will see\n";
  state.features.Reset();
  state.maps = UsageMaps{};
  state.counts = Counts{};

  FindSongs(state);
  console += "Songs: ";
  AppendMapLines(console, state.maps.SongMap, kSongCount);

  DeriveMultiSpeed(state);

  state.counts.SectorCount = 0;
  for (int s = 0; s < kSongCount; ++s) {
    if (state.maps.SongMap[static_cast<size_t>(s)] == 0) continue;
    for (int v = 0; v < kVoiceCount; ++v) {
      state.counts.SectorCount = static_cast<int16_t>(state.counts.SectorCount + ScanTrack(state, s, v));
    }
  }
  AppendNumber(console, state.counts.SectorCount);
  console += " Sectors : \n";
  PrintSectorMap(state, console);

  if (CompactSectors(state)) {
    console += "after reorganizing: \n";
    PrintSectorMap(state, console);
  }

  state.counts.InstrumentCount = 0;
  state.counts.GlideCount = 0;
  for (int n = 0; n < kSectorCount; ++n) {
    if (state.maps.SectorMap[static_cast<size_t>(n)] != 0) ScanSector(state, n);
  }
  AppendNumber(console, state.counts.InstrumentCount);
  console += " Instruments :\n";
  AppendMapLines(console, state.maps.InstrumentMap, kInstrumentCount);

  if (state.counts.GlideCount > 0) {
    state.features.Set(Feature::kGlides);
    AppendNumber(console, state.counts.GlideCount);
    console += " Glides :\n";
    AppendMapLines(console, state.maps.GlideMap, kGlideCount);
  }

  ExploreWaveTable(state, console);
  ExplorePulseTable(state, console);
  ExploreFilterTable(state, console);

  DeriveFeatures(state, options);

  CompactGlides(state);
}

}  // namespace zspack
