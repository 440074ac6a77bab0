#include "explore/wave_table.h"

#include <array>

#include "explore/map_text.h"

namespace zspack {

namespace {

constexpr uint8_t kJumpRow = 0x90;

// Marks the rows instrument i's program reaches; false when it steps on from row 255.
bool WalkWaveProgram(PackState& state, int instrument) {
  const MusicImage& image = state.image;
  auto& map = state.maps.WaveMap;
  unsigned r = image.Byte(addr::aptb + static_cast<uint32_t>(instrument));
  for (;;) {
    if (map[r] != 0) return true;
    map[r] = 1;
    const uint8_t kind = image.Byte(addr::wave + r);
    if (kind > kJumpRow) return true;
    r = kind == kJumpRow ? image.Byte(addr::trans + r) : r + 1;
    if (r > 255) return false;
  }
}

void CompactWaveTable(PackState& state, std::string& console) {
  MusicImage& image = state.image;
  auto& map = state.maps.WaveMap;
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
    const uint16_t kind = image.At(addr::wave + r);
    uint16_t link = image.At(addr::trans + r);
    if ((kind & 0xFF) == kJumpRow) link = newRow[link & 0xFF];
    image.Set(addr::wave + newRow[r], kind);
    image.Set(addr::trans + newRow[r], link);
  }
  for (uint32_t i = 0; i < kInstrumentCount; ++i) {
    if (state.maps.InstrumentMap[i] == 0) continue;
    image.Set(addr::aptb + i, newRow[image.Byte(addr::aptb + i)]);
  }
  for (unsigned r = 0; r < kTableRows; ++r) map[r] = r < kept ? 1 : 0;

  console += "after Reorganizing :\n";
  AppendMapLines(console, map, 64);
}

}  // namespace

void ExploreWaveTable(PackState& state, std::string& console) {
  for (int i = 0; i < kInstrumentCount; ++i) {
    if (state.maps.InstrumentMap[static_cast<size_t>(i)] == 0) continue;
    if (!WalkWaveProgram(state, i)) {
      console += "Error in wavetable/arpeggiotable of Instrument #";
      AppendNumber(console, i);
      console += ". Sound will probably be weird there ...\n";
    }
  }
  console += "Wavetable/Arpeggiotable - usage :\n";
  AppendMapLines(console, state.maps.WaveMap, 64);
  CompactWaveTable(state, console);
}

}  // namespace zspack
