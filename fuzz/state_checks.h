// Checks of the state one pack leaves (usage maps, counts and the renumbered image agree
// with one another), and the fixed contents a state is given before a pack.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "common/pack_state.h"
#include "common/music_layout.h"

namespace zspack::fuzzing::detail {

template <size_t N>
int CountMarks(const std::array<uint8_t, N>& map) {
  return static_cast<int>(std::count_if(map.begin(), map.end(), [](uint8_t m) { return m != 0; }));
}

inline std::string CheckState(const PackState& state) {
  const UsageMaps& m = state.exploration.maps;
  const Counts& c = state.exploration.counts;
  auto onlyZeroOrOne = [](std::span<const uint8_t> map) {
    return std::all_of(map.begin(), map.end(), [](uint8_t v) { return v <= 1; });
  };
  if (!onlyZeroOrOne(m.SongMap) || !onlyZeroOrOne(m.SectorMap) || !onlyZeroOrOne(m.InstrumentMap) ||
      !onlyZeroOrOne(m.GlideMap) || !onlyZeroOrOne(m.WaveMap) || !onlyZeroOrOne(m.PulseMap) ||
      !onlyZeroOrOne(m.FilterMap)) {
    return "state: a usage map holds a mark other than 0 or 1";
  }
  if (c.SectorCount < 0 || c.SectorCount > kSectorCount) return "state: SectorCount out of range";
  for (int n = 0; n < kSectorCount; ++n) {
    if ((m.SectorMap[static_cast<size_t>(n)] != 0) != (n < c.SectorCount)) {
      return "state: SectorMap is not exactly the first SectorCount sectors";
    }
  }
  const int k = CountMarks(m.WaveMap);
  for (int r = 0; r < kTableRows; ++r) {
    if ((m.WaveMap[static_cast<size_t>(r)] != 0) != (r < k)) {
      return "state: WaveMap is not exactly rows 0..K-1";
    }
  }
  // After the wavetable compaction the kept rows are 0..K-1, so every jump in them and
  // every used instrument's start row stays inside them.
  const MusicImage& image = state.image;
  for (int r = 0; r < k; ++r) {
    const auto row = static_cast<uint32_t>(r);
    if (image.Byte(addr::wave + row) == 0x90 && image.Byte(addr::trans + row) >= k) {
      return "state: a kept wavetable jump leads outside the kept rows";
    }
  }
  for (uint32_t i = 0; i < kInstrumentCount; ++i) {
    if (m.InstrumentMap[i] != 0 && image.Byte(addr::aptb + i) >= k) {
      return "state: a used instrument starts outside the kept wavetable rows";
    }
  }
  // Renumbering leaves the tracks of the packed songs naming sectors 0..SectorCount-1 only,
  // up to their end bytes, and the used sectors selecting glides 0..GlideCount-1 only.
  const std::optional<int16_t> selected = state.features.SelectedSong;
  for (int song = 0; song < kSongCount; ++song) {
    if (m.SongMap[static_cast<size_t>(song)] == 0 || (selected && *selected != song)) continue;
    for (int voice = 0; voice < kVoiceCount; ++voice) {
      const uint32_t start = TrackAddress(song, voice);
      for (uint32_t j = 0; j < kTrackEntries; ++j) {
        const uint8_t b = image.Byte(start + j);
        if (b < 0x60 && b >= c.SectorCount) return "state: a track names a sector beyond SectorCount";
        if ((b >= 0xF0 && b <= 0xF3) || b >= 0xFE) break;
      }
    }
  }
  for (int n = 0; n < c.SectorCount && n < kSectorCount; ++n) {
    const uint32_t start = SectorAddress(n);
    for (uint32_t j = 0; j < kSectorEntries;) {
      const uint8_t b = image.Byte(start + j);
      if (b >= 0x60 && b <= 0x7F && b - 0x60 >= c.GlideCount) {
        return "state: a used sector selects a glide beyond GlideCount";
      }
      if (b == 0xFF) break;
      j += (b >= 0xF6 && b <= 0xFA) ? 2 : 1;
    }
  }
  if (c.InstrumentCount != CountMarks(m.InstrumentMap)) return "state: InstrumentCount differs from its map";
  if (c.GlideCount != CountMarks(m.GlideMap)) return "state: GlideCount differs from its map";
  return {};
}

inline void MakeFresh(PackState& state) {
  state.image.Clear();
  state.exploration = Exploration{};
  state.features = FeatureState{};
}

// Deterministic rubbish, so that a second pack proves that PackTune resets what it uses.
inline void Scribble(PackState& state) {
  state.image.Fill(kImageFirst, kImageSize, 0xA5A5);
  state.exploration.maps.SongMap.fill(1);
  state.exploration.maps.SectorMap.fill(1);
  state.exploration.maps.InstrumentMap.fill(1);
  state.exploration.maps.GlideMap.fill(1);
  state.exploration.maps.WaveMap.fill(1);
  state.exploration.maps.PulseMap.fill(1);
  state.exploration.maps.FilterMap.fill(1);
  state.exploration.counts = Counts{77, 55, 33, 31};
  state.exploration.entryFeatures.flags.fill(true);
  state.features.flags.fill(true);
  state.features.SelectedSong = 2;
  state.features.SingleSpeed = 9;
  state.features.MultiSpeed = 4;
}

inline bool SameState(const PackState& a, const PackState& b) {
  return a.image == b.image && a.exploration.maps.SongMap == b.exploration.maps.SongMap &&
         a.exploration.maps.SectorMap == b.exploration.maps.SectorMap && a.exploration.maps.InstrumentMap == b.exploration.maps.InstrumentMap &&
         a.exploration.maps.GlideMap == b.exploration.maps.GlideMap && a.exploration.maps.WaveMap == b.exploration.maps.WaveMap &&
         a.exploration.maps.PulseMap == b.exploration.maps.PulseMap && a.exploration.maps.FilterMap == b.exploration.maps.FilterMap &&
         a.exploration.counts.SectorCount == b.exploration.counts.SectorCount &&
         a.exploration.counts.InstrumentCount == b.exploration.counts.InstrumentCount &&
         a.exploration.counts.GlideCount == b.exploration.counts.GlideCount &&
         a.exploration.counts.HighestInstrument == b.exploration.counts.HighestInstrument &&
         a.exploration.entryFeatures.flags == b.exploration.entryFeatures.flags &&
         a.features.flags == b.features.flags && a.features.SelectedSong == b.features.SelectedSong &&
         a.features.SingleSpeed == b.features.SingleSpeed && a.features.MultiSpeed == b.features.MultiSpeed;
}

}  // namespace zspack::fuzzing::detail
