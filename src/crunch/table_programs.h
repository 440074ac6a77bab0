// Crunching the three program tables: programs that play the same rows share one start,
// jumps and links go to the one copy of a tail, and the rows no program reaches go. A
// table where some program reaches rows the data file does not hold is left as it is.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <vector>

#include "common/music_image.h"

namespace zspack {

// Why a table is left as it is.
enum class LeftAsIs : uint8_t {
  kNo,
  kReadsOutside,  // a program reaches rows the data file does not hold
  kMixedRow,      // column 2 of a row is a value to one program and a link to another
};

struct CrunchedTable {
  LeftAsIs leftAsIs = LeftAsIs::kNo;
  std::array<uint8_t, 256> start{};  // where each start row given went
  std::vector<uint8_t> column1;      // the rows kept, from the table's first written row
  std::vector<uint8_t> column2;
};

// The wavetable: rows 0..held-1 held, `starts` the used instruments' aptb values.
CrunchedTable CrunchWaveTable(const MusicImage& image, int held, std::span<const uint8_t> starts);

// The pulse or filter table at `base`: rows 1..held held, `starts` the used instruments'
// pointers and the $F7 / $F6 parameters of the played sectors (0 and $FF start nothing).
CrunchedTable CrunchTwoColumnTable(const MusicImage& image, uint32_t base, int held,
                                   std::span<const uint8_t> starts);

}  // namespace zspack
