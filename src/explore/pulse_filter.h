// ExplorePulseTable / ExploreFilterTable: mark the rows of the pulse or filter table that
// the used instruments and the used sectors' $F7 / $F6 commands reach, report programs
// that overlap inconsistently, print the usage map; the image is not changed, and no walk
// leaves its table's 256 rows or its sector's 256 entries.
#pragma once

#include <cstdint>
#include <string>

#include "common/music_image.h"
#include "common/pack_state.h"

namespace zspack {

// `used` gives the instruments and sectors whose programs count.
RowMarks ExplorePulseTable(const MusicImage& image, const UsageMaps& used, std::string& console);
RowMarks ExploreFilterTable(const MusicImage& image, const UsageMaps& used, std::string& console);

// Walks (first visit) or checks (later visit) the program starting at row `start`;
// `base` is the table's column-1 address. Returns false for an inconsistent program.
bool WalkTableProgram(const MusicImage& image, uint16_t start, uint32_t base, RowMarks& map);

}  // namespace zspack
