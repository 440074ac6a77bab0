#include "explore/pulse_filter.h"

#include "explore/map_text.h"

namespace zspack {

namespace {

struct TableKind {
  uint32_t base;         // column 1; column 2 lies $100 above
  uint32_t instrumentPointer;
  uint8_t sectorCommand;
  const char* name;      // as the inconsistency message says it
  const char* heading;
};

constexpr TableKind kPulse{addr::ptb1, addr::pptb, 0xF7, "Pulse", "Pulsetable-Usage :\n"};
constexpr TableKind kFilter{addr::ftb1, addr::fptb, 0xF6, "Filter", "Filtertable-Usage :\n"};

constexpr unsigned kLastRow = 255;

unsigned Link(const MusicImage& image, uint32_t base, unsigned row) {
  return image.Byte(base + 0x100 + row);
}

void WalkAndReport(const MusicImage& image, uint16_t start, const TableKind& kind,
                   std::array<uint8_t, kTableRows>& map, std::string& console) {
  if (!WalkTableProgram(image, start, kind.base, map)) {
    console += "Inconsistent ";
    console += kind.name;
    console += "-Table at Position #";
    AppendNumber(console, start);
    console += ".\n";
  }
}

void ExploreTable(PackState& state, const TableKind& kind, std::array<uint8_t, kTableRows>& map,
                  std::string& console) {
  const MusicImage& image = state.image;
  for (uint32_t i = 0; i < kInstrumentCount; ++i) {
    if (state.maps.InstrumentMap[i] == 0) continue;
    WalkAndReport(image, image.At(kind.instrumentPointer + i), kind, map, console);
  }
  for (int n = 0; n < kSectorCount; ++n) {
    if (state.maps.SectorMap[static_cast<size_t>(n)] == 0) continue;
    const uint32_t start = SectorAddress(n);
    const uint32_t end = start + kSectorEntries;
    for (uint32_t p = start; p < end;) {
      const uint16_t entry = image.At(p);
      const uint8_t b = static_cast<uint8_t>(entry & 0xFF);
      if (b == 0xFF) break;
      if (b >= 0xF6 && b <= 0xFA) {
        // A command in the sector's last entry has no parameter inside the sector.
        if (p + 1 >= end) break;
        if (entry == kind.sectorCommand) WalkAndReport(image, image.At(p + 1), kind, map, console);
        p += 2;
      } else {
        ++p;
      }
    }
  }
  console += kind.heading;
  AppendMapLines(console, map, 64);
}

}  // namespace

bool WalkTableProgram(const MusicImage& image, uint16_t start, uint32_t base,
                      std::array<uint8_t, kTableRows>& map) {
  const unsigned s = start & 0xFF;
  if (s == 0 || s == kLastRow) return true;

  if (map[s] == 0) {
    map[s] = 1;
    unsigned p = s + 1;
    for (;;) {
      map[p] = 1;
      // A step at row 255 has no second row inside the table.
      if (p == kLastRow) return true;
      map[p + 1] = 1;
      p = Link(image, base, p + 1);
      if (p == 0 || map[p] != 0) return true;
    }
  }

  // A later visit marks nothing; it follows forward links only, so it ends.
  unsigned p = s + 1;
  for (;;) {
    if (p == kLastRow) return map[kLastRow] != 0;
    if (map[p] == 0 || map[p + 1] == 0) return false;
    const unsigned n = Link(image, base, p + 1);
    if (n > p) {
      p = n;
      continue;
    }
    return map[n] != 0 || n == 0;
  }
}

void ExplorePulseTable(PackState& state, std::string& console) {
  ExploreTable(state, kPulse, state.maps.PulseMap, console);
}

void ExploreFilterTable(PackState& state, std::string& console) {
  ExploreTable(state, kFilter, state.maps.FilterMap, console);
}

}  // namespace zspack
