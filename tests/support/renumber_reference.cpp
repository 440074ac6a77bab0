#include "support/renumber_reference.h"

#include <cstddef>
#include <cstdint>

#include "common/music_format.h"

namespace zspack::testing {
namespace {

// Written out here rather than taken from the renumbering, so that a wrong rule there
// shows as a difference: a track is rewritten up to its loop or end (song changes do not
// stop it), a sector up to its $FF, stepping over each command's parameter.
constexpr WalkRule kTrackToLoopOrEnd{WalkEnd::kLoopOrEnd, false};
constexpr WalkRule kSectorOverParameters{WalkEnd::kSectorEnd, true};

void MoveSector(MusicImage& image, SectorMarks& sectors, int from, int to) {
  for (int track = 0; track < kTrackCount; ++track) {
    const uint32_t start = TrackAddress(track);
    WalkEntries(image, start, kTrackToLoopOrEnd, [&](int i, uint8_t value) {
      const EntryRange<TrackEntry>& entry = ClassifyTrackEntry(value);
      if (entry.kind == TrackEntry::kSector && SelectedNumber(entry, value) == from) {
        image.Set(start + static_cast<uint32_t>(i), static_cast<uint16_t>(to));
      }
    });
  }
  for (uint32_t i = 0; i < kSectorEntries; ++i) image.Set(SectorAddress(to) + i, image.At(SectorAddress(from) + i));
  sectors[static_cast<size_t>(from)] = 0;
  sectors[static_cast<size_t>(to)] = 1;
}

void MoveGlide(MusicImage& image, const SectorMarks& sectors, int from, int to) {
  for (int n = 0; n < kSectorCount; ++n) {
    if (sectors[static_cast<size_t>(n)] == 0) continue;
    const uint32_t start = SectorAddress(n);
    WalkEntries(image, start, kSectorOverParameters, [&](int i, uint8_t value) {
      const EntryRange<SectorEntry>& entry = ClassifySectorEntry(value);
      if (entry.kind == SectorEntry::kGlide && SelectedNumber(entry, value) == from) {
        image.Set(start + static_cast<uint32_t>(i), GlideSelect(to));
      }
    });
  }
  const auto f = static_cast<uint32_t>(from), t = static_cast<uint32_t>(to);
  image.Set(addr::gldtbl + t, image.At(addr::gldtbl + f));
  image.Set(addr::gldtbh + t, image.At(addr::gldtbh + f));
}

}  // namespace

bool CompactSectorsOneByOne(MusicImage& image, SectorMarks& sectors) {
  bool moved = false;
  int k = 0;
  for (int n = 0; n < kSectorCount; ++n) {
    if (sectors[static_cast<size_t>(n)] == 0) continue;
    if (n != k) {
      MoveSector(image, sectors, n, k);
      moved = true;
    }
    ++k;
  }
  return moved;
}

void CompactGlidesOneByOne(MusicImage& image, const UsageMaps& maps) {
  int k = 0;
  for (int g = 0; g < kGlideCount; ++g) {
    if (maps.GlideMap[static_cast<size_t>(g)] == 0) continue;
    if (g != k) MoveGlide(image, maps.SectorMap, g, k);
    ++k;
  }
}

}  // namespace zspack::testing
