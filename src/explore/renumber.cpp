#include "explore/renumber.h"

#include <array>

#include "common/music_format.h"

namespace zspack {

namespace {

constexpr uint16_t kNotMoved = 0xFFFF;
using SectorMoves = std::array<uint16_t, kSectorCount>;
using GlideMoves = std::array<uint16_t, kGlideCount>;

// Song changes do not end a track here, so the sector references after one are rewritten
// too; only a loop or an end does.
constexpr WalkRule kRenumberedTrack{WalkEnd::kLoopOrEnd, false};
constexpr WalkRule kRenumberedSector{WalkEnd::kSectorEnd, true};

// Rewrites the sector references of all twelve tracks, songs that do not exist included.
void RewriteTrackReferences(MusicImage& image, const SectorMoves& to) {
  for (int track = 0; track < kTrackCount; ++track) {
    const uint32_t start = TrackAddress(track);
    WalkEntries(image, start, kRenumberedTrack, [&](int i, uint8_t value) {
      const EntryRange<TrackEntry>& entry = ClassifyTrackEntry(value);
      if (entry.kind != TrackEntry::kSector) return;
      const uint16_t moved = to[static_cast<size_t>(SelectedNumber(entry, value))];
      if (moved != kNotMoved) image.Set(start + static_cast<uint32_t>(i), moved);
    });
  }
}

void CopySector(MusicImage& image, int from, int to) {
  const uint32_t source = SectorAddress(from);
  const uint32_t target = SectorAddress(to);
  for (uint32_t i = 0; i < kSectorEntries; ++i) image.Set(target + i, image.At(source + i));
}

// Rewrites glide selects in every used sector; a command's parameter is skipped.
void RewriteGlideSelects(MusicImage& image, const SectorMarks& sectors, const GlideMoves& to) {
  for (int n = 0; n < kSectorCount; ++n) {
    if (sectors[static_cast<size_t>(n)] == 0) continue;
    const uint32_t start = SectorAddress(n);
    WalkEntries(image, start, kRenumberedSector, [&](int i, uint8_t value) {
      const EntryRange<SectorEntry>& entry = ClassifySectorEntry(value);
      if (entry.kind != SectorEntry::kGlide) return;
      const uint16_t moved = to[static_cast<size_t>(SelectedNumber(entry, value))];
      if (moved != kNotMoved) image.Set(start + static_cast<uint32_t>(i), GlideSelect(moved));
    });
  }
}

void MoveGlideData(MusicImage& image, int from, int to) {
  const auto f = static_cast<uint32_t>(from), t = static_cast<uint32_t>(to);
  image.Set(addr::gldtbl + t, image.At(addr::gldtbl + f));
  image.Set(addr::gldtbh + t, image.At(addr::gldtbh + f));
}

}  // namespace

// Numbers only move down and are handled in ascending order, so an entry rewritten to a
// new number never equals a later old number: one pass with a table of new numbers
// leaves the same bytes as moving the sectors one by one.
bool CompactSectors(MusicImage& image, SectorMarks& sectors) {
  SectorMoves to;
  to.fill(kNotMoved);
  bool moved = false;
  int k = 0;
  for (int n = 0; n < kSectorCount; ++n) {
    if (sectors[static_cast<size_t>(n)] == 0) continue;
    if (n != k) {
      to[static_cast<size_t>(n)] = static_cast<uint16_t>(k);
      CopySector(image, n, k);
      sectors[static_cast<size_t>(n)] = 0;
      sectors[static_cast<size_t>(k)] = 1;
      moved = true;
    }
    ++k;
  }
  if (moved) RewriteTrackReferences(image, to);
  return moved;
}

void CompactGlides(MusicImage& image, const UsageMaps& maps) {
  GlideMoves to;
  to.fill(kNotMoved);
  bool moved = false;
  int k = 0;
  for (int g = 0; g < kGlideCount; ++g) {
    if (maps.GlideMap[static_cast<size_t>(g)] == 0) continue;
    if (g != k) {
      to[static_cast<size_t>(g)] = static_cast<uint16_t>(k);
      MoveGlideData(image, g, k);
      moved = true;
    }
    ++k;
  }
  if (moved) RewriteGlideSelects(image, maps.SectorMap, to);
}

}  // namespace zspack
