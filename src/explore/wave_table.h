// ExploreWaveTable: walks the wavetable/arpeggio programs of the used instruments, reports
// programs that run off the table, prints the usage map and compacts the table so that the
// used rows come first, rewriting jump targets and the used instruments' start rows.
#pragma once

#include <string>

#include "explore/pack_state.h"

namespace zspack {

void ExploreWaveTable(PackState& state, std::string& console);

}  // namespace zspack
