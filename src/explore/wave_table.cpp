#include "explore/wave_table.h"

#include <array>

#include "common/music_format.h"
#include "common/text.h"
#include "explore/map_text.h"

namespace zspack {

namespace {

// Marks the rows instrument i's program reaches; false when it steps on from the last row.
bool WalkWaveProgram(const MusicImage& image, int instrument, RowMarks& map) {
  unsigned r = image.Byte(addr::aptb + static_cast<uint32_t>(instrument));
  for (;;) {
    if (map[r] != 0) return true;
    map[r] = 1;
    const uint8_t kind = image.Byte(addr::wave + r);
    if (kind > kWaveJump) return true;
    r = kind == kWaveJump ? image.Byte(addr::trans + r) : r + 1;
    if (r >= kTableRows) return false;
  }
}

void CompactWaveTable(MusicImage& image, const InstrumentMarks& instruments, RowMarks& map,
                      std::string& console) {
  std::array<uint8_t, kTableRows> newRow{};
  unsigned kept = 0;
  bool moves = false;
  for (unsigned r = 0; r < kTableRows; ++r) {
    newRow[r] = static_cast<uint8_t>(kept);
    if (map[r] != 0) {
      if (kept != r) moves = true;
      ++kept;
    }
  }
  if (!moves) return;

  // Ascending order never overwrites a row that is still to move, since new(r) <= r.
  for (unsigned r = 0; r < kTableRows; ++r) {
    if (map[r] == 0) continue;
    const uint8_t kind = image.Byte(addr::wave + r);
    uint8_t link = image.Byte(addr::trans + r);
    if (kind == kWaveJump) link = newRow[link];
    image.Set(addr::wave + newRow[r], kind);
    image.Set(addr::trans + newRow[r], link);
  }
  for (uint32_t i = 0; i < kInstrumentCount; ++i) {
    if (instruments[i] == 0) continue;
    image.Set(addr::aptb + i, newRow[image.Byte(addr::aptb + i)]);
  }
  for (unsigned r = 0; r < kTableRows; ++r) map[r] = r < kept ? 1 : 0;

  console += "after Reorganizing :\n";
  AppendMapLines(console, map, kTableMapLine);
}

}  // namespace

RowMarks ExploreWaveTable(MusicImage& image, const InstrumentMarks& instruments,
                          std::string& console) {
  RowMarks map{};
  for (int i = 0; i < kInstrumentCount; ++i) {
    if (instruments[static_cast<size_t>(i)] == 0) continue;
    if (!WalkWaveProgram(image, i, map)) {
      console += "Error in wavetable/arpeggiotable of Instrument #";
      AppendNumber(console, i);
      console += ". Sound will probably be weird there ...\n";
    }
  }
  console += "Wavetable/Arpeggiotable - usage :\n";
  AppendMapLines(console, map, kTableMapLine);
  CompactWaveTable(image, instruments, map, console);
  return map;
}

}  // namespace zspack
