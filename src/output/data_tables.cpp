#include "output/data_tables.h"

#include <algorithm>
#include <iterator>

#include "output/data_file.h"
#include "output/data_file_tables.h"

namespace zspack {

namespace {

// A table written with `count` entries holds at least one, as WriteByteTable writes it.
std::vector<uint8_t> ReadTable(const MusicImage& image, uint32_t start, int count) {
  std::vector<uint8_t> bytes(static_cast<size_t>(std::max(count, 1)));
  image.ReadBytes(start, bytes);
  return bytes;
}

// Rows 1..count at indexes 1..count.
std::vector<uint8_t> ReadOneBasedTable(const MusicImage& image, uint32_t base, int count) {
  std::vector<uint8_t> rows = ReadTable(image, base + 1, count);
  rows.insert(rows.begin(), 0);
  return rows;
}

}  // namespace

DataTables ResolveDataTables(const MusicImage& image, const Exploration& found,
                             std::optional<int16_t> selected) {
  DataTables tables;
  if (selected) {
    tables.arpspds.push_back(image.Byte(addr::arpspds + ClampTo(*selected, kSongCount)));
  } else {
    for (uint32_t s = 0; s < kSongCount; ++s) tables.arpspds.push_back(image.Byte(addr::arpspds + s));
  }
  for (int s = 0; s < kSongCount; ++s) {
    if ((selected && *selected != s) || found.maps.SongMap[static_cast<size_t>(s)] == 0) continue;
    SongTables& song = tables.songs.emplace_back();
    for (int v = 0; v < kVoiceCount; ++v) {
      const int own = kVoiceCount * s + v;
      const int track = found.trackLabels[static_cast<size_t>(own)];
      song.tracks[static_cast<size_t>(v)] = ReadTable(image, TrackAddress(track), TrackLength(image, TrackAddress(track)));
    }
    song.speed = image.Byte(SongRecordAddress(s) + kSongSpeedOffset);
    song.setting = image.Byte(SongRecordAddress(s) + kSongSettingOffset);
  }
  for (int n = 0; n < kSectorCount; ++n) {
    if (found.maps.SectorMap[static_cast<size_t>(n)] == 0) continue;
    // A tail is read where its label stands, inside its host.
    const SectorPlace place = found.sectorPlaces[static_cast<size_t>(n)];
    tables.sectors.push_back(ReadTable(image, SectorAddress(place.host) + place.offset, SectorLength(image, n)));
  }
  tables.gldtbl = ReadTable(image, addr::gldtbl, found.counts.GlideCount);
  tables.gldtbh = ReadTable(image, addr::gldtbh, found.counts.GlideCount);
  for (size_t t = 0; t < kInstrumentTableCount; ++t) {
    tables.instruments[t] = ReadTable(image, kInstrumentColumns[t], found.counts.InstrumentSlots());
  }
  const int waveRows = HighestMarked(found.maps.WaveMap) + 1;
  tables.wave = ReadTable(image, addr::wave, waveRows);
  tables.trans = ReadTable(image, addr::trans, waveRows);
  const int pulseRows = HighestMarked(found.maps.PulseMap);
  tables.ptb1 = ReadOneBasedTable(image, addr::ptb1, pulseRows);
  tables.ptb2 = ReadOneBasedTable(image, addr::ptb2, pulseRows);
  const int filterRows = HighestMarked(found.maps.FilterMap);
  tables.ftb1 = ReadOneBasedTable(image, addr::ftb1, filterRows);
  tables.ftb2 = ReadOneBasedTable(image, addr::ftb2, filterRows);
  return tables;
}

}  // namespace zspack
