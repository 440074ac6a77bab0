// ExploreWaveTable: walks the wavetable/arpeggio programs of the used instruments, reports
// programs that run off the table, prints the usage map and compacts the table so that the
// used rows come first, rewriting jump targets and the used instruments' start rows.
#pragma once

#include <string>

#include "common/music_image.h"
#include "common/pack_state.h"

namespace zspack {

// Returns the wave rows in use after compaction: rows 0..n-1.
RowMarks ExploreWaveTable(MusicImage& image, const InstrumentMarks& instruments,
                          std::string& console);

}  // namespace zspack
