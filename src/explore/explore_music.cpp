#include "explore/explore_music.h"

#include "common/text.h"
#include "explore/map_text.h"
#include "explore/pulse_filter.h"
#include "explore/renumber.h"
#include "explore/scan_music.h"
#include "explore/wave_table.h"

namespace zspack {

Exploration ExploreMusic(MusicImage& image, std::string& console) {
  Exploration found;
  UsageMaps& maps = found.maps;
  Counts& counts = found.counts;
  console += "exploring music ... you will see\n";

  maps.SongMap = FindSongs(image);
  console += "Songs: ";
  AppendMapLines(console, maps.SongMap, kSongCount);

  for (int s = 0; s < kSongCount; ++s) {
    if (maps.SongMap[static_cast<size_t>(s)] == 0) continue;
    for (int v = 0; v < kVoiceCount; ++v) {
      counts.SectorCount = static_cast<int16_t>(counts.SectorCount + ScanTrack(image, s, v, found));
    }
  }
  AppendNumber(console, counts.SectorCount);
  console += " Sectors : \n";
  AppendMapLines(console, maps.SectorMap, kSectorMapLine);

  if (CompactSectors(image, maps.SectorMap)) {
    console += "after reorganizing: \n";
    AppendMapLines(console, maps.SectorMap, kSectorMapLine);
  }

  for (int n = 0; n < kSectorCount; ++n) {
    if (maps.SectorMap[static_cast<size_t>(n)] != 0) ScanSector(image, n, found);
  }
  AppendNumber(console, counts.InstrumentCount);
  console += " Instruments :\n";
  AppendMapLines(console, maps.InstrumentMap, kInstrumentCount);

  if (counts.GlideCount > 0) {
    AppendNumber(console, counts.GlideCount);
    console += " Glides :\n";
    AppendMapLines(console, maps.GlideMap, kGlideCount);
  }

  maps.WaveMap = ExploreWaveTable(image, maps.InstrumentMap, console);
  maps.PulseMap = ExplorePulseTable(image, maps, console);
  maps.FilterMap = ExploreFilterTable(image, maps, console);

  CompactGlides(image, maps);
  return found;
}

}  // namespace zspack
