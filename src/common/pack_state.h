// PackState: everything one pack works on (the image, what exploring it found, the
// feature results), a plain value so that many packs can run side by side in one process.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>

#include "common/feature_flags.h"
#include "common/music_image.h"
#include "common/music_layout.h"

namespace zspack {

// One byte mark per entry of a music table: 0 not used, 1 used.
using SongMarks = std::array<uint8_t, kSongCount>;
using SectorMarks = std::array<uint8_t, kSectorCount>;
using InstrumentMarks = std::array<uint8_t, kInstrumentCount>;
using GlideMarks = std::array<uint8_t, kGlideCount>;
using RowMarks = std::array<uint8_t, kTableRows>;

struct UsageMaps {
  SongMarks SongMap{};
  SectorMarks SectorMap{};
  InstrumentMarks InstrumentMap{};
  GlideMarks GlideMap{};
  RowMarks WaveMap{};
  RowMarks PulseMap{};
  RowMarks FilterMap{};
};

struct Counts {
  int16_t SectorCount = 0;
  int16_t InstrumentCount = 0;  // distinct instruments selected in used sectors
  int16_t GlideCount = 0;
  // The highest instrument number in use, empty when none is: the instrument tables keep
  // the slots 0..HighestInstrument so that instruments above a gap are not lost.
  std::optional<int16_t> HighestInstrument = std::nullopt;

  // How many instrument slots the tables keep: 0..HighestInstrument, none without one.
  int InstrumentSlots() const { return HighestInstrument ? *HighestInstrument + 1 : 0; }
};

// For each track, the track whose label tunedats names in its place: itself, or an
// earlier track of the same bytes that crunching writes once for both.
using TrackLabels = std::array<uint8_t, kTrackCount>;
consteval TrackLabels OwnTrackLabels() {
  TrackLabels own{};
  for (size_t t = 0; t < own.size(); ++t) own[t] = static_cast<uint8_t>(t);
  return own;
}
inline constexpr TrackLabels kOwnTrackLabels = OwnTrackLabels();

// Where each sector's bytes are written: under its own label (host is the sector itself),
// or, when crunching found it to be the tail of another sector, as that sector's bytes
// from `offset` on, with its label there.
struct SectorPlace {
  uint8_t host;
  uint8_t offset;

  bool operator==(const SectorPlace&) const = default;
};
using SectorPlaces = std::array<SectorPlace, kSectorCount>;
consteval SectorPlaces OwnSectorPlaces() {
  SectorPlaces own{};
  for (size_t n = 0; n < own.size(); ++n) own[n] = {static_cast<uint8_t>(n), 0};
  return own;
}
inline constexpr SectorPlaces kOwnSectorPlaces = OwnSectorPlaces();

// What exploring the music found: the maps and counts of what the songs use, and the
// features that the entries of the played tracks and sectors call for.
struct Exploration {
  UsageMaps maps;
  Counts counts;
  FeatureFlags entryFeatures{};
  TrackLabels trackLabels = kOwnTrackLabels;
  SectorPlaces sectorPlaces = kOwnSectorPlaces;
};

struct PackState {
  MusicImage image;
  Exploration exploration;
  FeatureState features;
};

}  // namespace zspack
