#include "explore/pulse_filter.h"

#include "common/music_format.h"
#include "common/text.h"
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

constexpr TableKind kPulse{addr::ptb1, addr::pptb, kPulseCommand, "Pulse", "Pulsetable-Usage :\n"};
constexpr TableKind kFilter{addr::ftb1, addr::fptb, kFilterCommand, "Filter", "Filtertable-Usage :\n"};

constexpr unsigned kLastRow = kLastTableRow;

// A sector's commands start programs; their parameters are stepped over.
constexpr WalkRule kPlayedSector{WalkEnd::kSectorEnd, true};

unsigned Link(const MusicImage& image, uint32_t base, unsigned row) {
  return image.Byte(base + kPageSize + row);
}

// What a later visit found from each step row on, while the marks stay as they are:
// 0 inconsistent, 1 consistent, kUnknown not checked yet.
constexpr uint8_t kUnknown = 2;
using StepResults = std::array<uint8_t, kTableRows>;

// The check of a later visit from the step at row p on. A forward link goes on with the
// same check from the linked step, so every step on the way shares the result; with
// `known`, the steps' results are read and kept there.
bool CheckSteps(const MusicImage& image, uint32_t base, const RowMarks& map,
                unsigned p, StepResults* known) {
  std::array<uint8_t, kTableRows> path;  // forward links only: at most 255 steps
  size_t length = 0;
  bool consistent = false;
  for (;;) {
    if (known != nullptr && (*known)[p] != kUnknown) {
      consistent = (*known)[p] != 0;
      break;
    }
    path[length++] = static_cast<uint8_t>(p);
    if (p == kLastRow) {
      consistent = map[kLastRow] != 0;
      break;
    }
    if (map[p] == 0 || map[p + 1] == 0) {
      consistent = false;
      break;
    }
    const unsigned n = Link(image, base, p + 1);
    if (n > p) {
      p = n;
      continue;
    }
    consistent = map[n] != 0 || n == 0;
    break;
  }
  if (known != nullptr) {
    for (size_t i = 0; i < length; ++i) (*known)[path[i]] = consistent ? 1 : 0;
  }
  return consistent;
}

// The walks of one table exploration. The result of a later visit depends only on its
// start row, the table and the marks, so it is kept per step until a first visit changes
// the marks: sectors that start the same programs again and again cost one check.
class TableWalks {
 public:
  TableWalks() { known_.fill(kUnknown); }

  bool Walk(const MusicImage& image, uint16_t start, uint32_t base,
            RowMarks& map) {
    const unsigned s = start & 0xFF;
    if (s == 0 || s == kLastRow) return true;
    if (map[s] == 0) {
      known_.fill(kUnknown);
      return WalkTableProgram(image, start, base, map);
    }
    return CheckSteps(image, base, map, s + 1, &known_);
  }

 private:
  StepResults known_;
};

void WalkAndReport(const MusicImage& image, uint16_t start, const TableKind& kind,
                   RowMarks& map, TableWalks& walks,
                   std::string& console) {
  if (!walks.Walk(image, start, kind.base, map)) {
    console += "Inconsistent ";
    console += kind.name;
    console += "-Table at Position #";
    AppendNumber(console, start);
    console += ".\n";
  }
}

RowMarks ExploreTable(const MusicImage& image, const UsageMaps& used, const TableKind& kind,
                      std::string& console) {
  RowMarks map{};
  TableWalks walks;
  for (uint32_t i = 0; i < kInstrumentCount; ++i) {
    if (used.InstrumentMap[i] == 0) continue;
    WalkAndReport(image, image.At(kind.instrumentPointer + i), kind, map, walks, console);
  }
  for (int n = 0; n < kSectorCount; ++n) {
    if (used.SectorMap[static_cast<size_t>(n)] == 0) continue;
    const uint32_t start = SectorAddress(n);
    WalkEntries(image, start, kPlayedSector, [&](int i, uint8_t value) {
      // A command in the sector's last entry has no parameter inside the sector.
      if (value != kind.sectorCommand || i + 1 >= kSectorEntries) return;
      WalkAndReport(image, image.At(start + static_cast<uint32_t>(i) + 1), kind, map, walks, console);
    });
  }
  console += kind.heading;
  AppendMapLines(console, map, kTableMapLine);
  return map;
}

}  // namespace

bool WalkTableProgram(const MusicImage& image, uint16_t start, uint32_t base,
                      RowMarks& map) {
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
  return CheckSteps(image, base, map, s + 1, nullptr);
}

RowMarks ExplorePulseTable(const MusicImage& image, const UsageMaps& used, std::string& console) {
  return ExploreTable(image, used, kPulse, console);
}

RowMarks ExploreFilterTable(const MusicImage& image, const UsageMaps& used, std::string& console) {
  return ExploreTable(image, used, kFilter, console);
}

}  // namespace zspack
