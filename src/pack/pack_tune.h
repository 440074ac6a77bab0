// PackTune: the whole pack in memory (depack, explore, derive the features, render both
// generated files), with no file, console or process touched; the shipped run, the
// tests, the benchmarks and the fuzzer all pack through it.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "common/pack_options.h"
#include "common/pack_state.h"
#include "image/depack.h"

namespace zspack {

struct PackedTune {
  DepackStatus depack = DepackStatus::kDone;
  std::string console;  // the exploration report
  std::string defines;
  std::string data;
};

// `file` is the whole tracker file, load address included. `state` is overwritten; it is
// a parameter only so that a caller can keep its 60 KB off the stack or reuse it. A
// malformed file leaves the three texts empty.
void PackTune(std::span<const uint8_t> file, const PackOptions& options, PackState& state,
              PackedTune& out);

}  // namespace zspack
