#include "explore/scan_music.h"

#include <algorithm>

#include "common/music_format.h"

namespace zspack {

namespace {

// The song search alone steps over a $F6..$FA byte's next entry, so such a byte hides the
// one after it; the tracker decides that a song exists the same way.
constexpr WalkRule kSongSearch{WalkEnd::kTrackEnd, true};
constexpr WalkRule kPlayedTrack{WalkEnd::kTrackEnd, false};
constexpr WalkRule kPlayedSector{WalkEnd::kSectorEnd, true};

// Marks entry `n` of a map; true when it was not marked before.
template <typename Marks>
bool MarkFirstTime(Marks& marks, int n) {
  uint8_t& mark = marks[static_cast<size_t>(n)];
  const bool first = mark == 0;
  mark = 1;
  return first;
}

}  // namespace

SongMarks FindSongs(const MusicImage& image) {
  SongMarks songs{};
  for (int s = 0; s < kSongCount; ++s) {
    const WalkResult walk = WalkEntries(image, TrackAddress(s, 0), kSongSearch, [](int, uint8_t) {});
    songs[static_cast<size_t>(s)] = walk.ended ? 1 : 0;
  }
  return songs;
}

int16_t ScanTrack(const MusicImage& image, int song, int voice, Exploration& found) {
  int16_t marked = 0;
  WalkEntries(image, TrackAddress(song, voice), kPlayedTrack, [&](int, uint8_t value) {
    const EntryRange<TrackEntry>& entry = ClassifyTrackEntry(value);
    if (entry.kind == TrackEntry::kSector &&
        MarkFirstTime(found.maps.SectorMap, SelectedNumber(entry, value))) {
      ++marked;
    }
    if (entry.feature) found.entryFeatures.Set(*entry.feature);
  });
  return marked;
}

void ScanSector(const MusicImage& image, int sector, Exploration& found) {
  Counts& counts = found.counts;
  WalkEntries(image, SectorAddress(sector), kPlayedSector, [&](int, uint8_t value) {
    const EntryRange<SectorEntry>& entry = ClassifySectorEntry(value);
    const int number = SelectedNumber(entry, value);
    if (entry.kind == SectorEntry::kGlide && MarkFirstTime(found.maps.GlideMap, number)) {
      ++counts.GlideCount;
    } else if (entry.kind == SectorEntry::kInstrument &&
               MarkFirstTime(found.maps.InstrumentMap, number)) {
      ++counts.InstrumentCount;
      counts.HighestInstrument =
          static_cast<int16_t>(std::max<int>(counts.HighestInstrument.value_or(0), number));
    }
    if (entry.feature) found.entryFeatures.Set(*entry.feature);
  });
}

}  // namespace zspack
