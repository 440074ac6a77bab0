#include "explore/renumber.h"

namespace zspack {

namespace {

constexpr uint16_t kNotMoved = 0xFFFF;

// Rewrites the sector references of all twelve tracks, songs that do not exist included.
// Only $FE and $FF end a track here; $F0..$F3 do not, and no byte counts as a parameter.
void RewriteTrackReferences(MusicImage& image, const std::array<uint16_t, kSectorCount>& to) {
  for (int track = 0; track < kTrackCount; ++track) {
    const uint32_t start = TrackAddress(track);
    for (uint32_t p = start; p < start + kTrackEntries; ++p) {
      const uint16_t entry = image.At(p);
      const uint8_t b = static_cast<uint8_t>(entry & 0xFF);
      if (b >= 0xFE) break;
      if (b < 0x60 && entry < kSectorCount && to[entry] != kNotMoved) image.Set(p, to[entry]);
    }
  }
}

void CopySector(MusicImage& image, int from, int to) {
  const uint32_t source = SectorAddress(from);
  const uint32_t target = SectorAddress(to);
  for (uint32_t i = 0; i < kSectorEntries; ++i) image.Set(target + i, image.At(source + i));
}

// Rewrites glide selects in every used sector; a command's parameter is skipped and
// the walk ends at $FF or at the sector's end, whichever comes first.
void RewriteGlideSelects(PackState& state, const std::array<uint16_t, kGlideCount>& to) {
  MusicImage& image = state.image;
  for (int n = 0; n < kSectorCount; ++n) {
    if (state.maps.SectorMap[static_cast<size_t>(n)] == 0) continue;
    const uint32_t start = SectorAddress(n);
    // Every entry is visited and a parameter is passed over by a flag rather than by a
    // step of two: the next address then never waits for the value just read.
    bool parameter = false;
    for (uint32_t p = start; p < start + kSectorEntries; ++p) {
      const uint16_t entry = image.At(p);
      if (parameter) {
        parameter = false;
        continue;
      }
      if (entry >= 0x60 && entry <= 0x7F && to[entry - 0x60] != kNotMoved) {
        image.Set(p, static_cast<uint16_t>(0x60 + to[entry - 0x60]));
        continue;
      }
      const uint8_t b = static_cast<uint8_t>(entry & 0xFF);
      if (b == 0xFF) break;
      parameter = b >= 0xF6 && b <= 0xFA;
    }
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
bool CompactSectors(PackState& state) {
  std::array<uint16_t, kSectorCount> to;
  to.fill(kNotMoved);
  bool moved = false;
  int k = 0;
  for (int n = 0; n < kSectorCount; ++n) {
    if (state.maps.SectorMap[static_cast<size_t>(n)] == 0) continue;
    if (n != k) {
      to[static_cast<size_t>(n)] = static_cast<uint16_t>(k);
      CopySector(state.image, n, k);
      state.maps.SectorMap[static_cast<size_t>(n)] = 0;
      state.maps.SectorMap[static_cast<size_t>(k)] = 1;
      moved = true;
    }
    ++k;
  }
  if (moved) RewriteTrackReferences(state.image, to);
  return moved;
}

void CompactGlides(PackState& state) {
  std::array<uint16_t, kGlideCount> to;
  to.fill(kNotMoved);
  bool moved = false;
  int k = 0;
  for (int g = 0; g < kGlideCount; ++g) {
    if (state.maps.GlideMap[static_cast<size_t>(g)] == 0) continue;
    if (g != k) {
      to[static_cast<size_t>(g)] = static_cast<uint16_t>(k);
      MoveGlideData(state.image, g, k);
      moved = true;
    }
    ++k;
  }
  if (moved) RewriteGlideSelects(state, to);
}

void MoveSector(PackState& state, int oldNumber, int newNumber) {
  std::array<uint16_t, kSectorCount> to;
  to.fill(kNotMoved);
  to[static_cast<size_t>(oldNumber)] = static_cast<uint16_t>(newNumber);
  RewriteTrackReferences(state.image, to);
  CopySector(state.image, oldNumber, newNumber);
  state.maps.SectorMap[static_cast<size_t>(oldNumber)] = 0;
  state.maps.SectorMap[static_cast<size_t>(newNumber)] = 1;
}

void RenumberGlide(PackState& state, int oldNumber, int newNumber) {
  std::array<uint16_t, kGlideCount> to;
  to.fill(kNotMoved);
  to[static_cast<size_t>(oldNumber)] = static_cast<uint16_t>(newNumber);
  RewriteGlideSelects(state, to);
  MoveGlideData(state.image, oldNumber, newNumber);
}

bool CompactSectorsOneByOne(PackState& state) {
  bool moved = false;
  int k = 0;
  for (int n = 0; n < kSectorCount; ++n) {
    if (state.maps.SectorMap[static_cast<size_t>(n)] == 0) continue;
    if (n != k) {
      MoveSector(state, n, k);
      moved = true;
    }
    ++k;
  }
  return moved;
}

void CompactGlidesOneByOne(PackState& state) {
  int k = 0;
  for (int g = 0; g < kGlideCount; ++g) {
    if (state.maps.GlideMap[static_cast<size_t>(g)] == 0) continue;
    if (g != k) RenumberGlide(state, g, k);
    ++k;
  }
}

}  // namespace zspack
