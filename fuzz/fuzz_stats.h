// Counts of one fuzzing process, printed to standard error when it ends: how many inputs
// got past depacking to the explorer and the renderers, and where the mutations came from.
#pragma once

#include <cstdint>

namespace zspack::fuzzing {

struct FuzzStats {
  uint64_t executions = 0;
  uint64_t pastDepacking = 0;
  uint64_t structureAware = 0;  // mutations of the depacked music
  uint64_t byteLevel = 0;       // the fixed share of byte-level mutations
  uint64_t notDepacked = 0;     // byte-level since the input's stream is broken
  uint64_t tooLarge = 0;        // byte-level since the repacked tune outgrew the size limit
};

inline FuzzStats& Stats() {
  static FuzzStats stats;
  return stats;
}

}  // namespace zspack::fuzzing
