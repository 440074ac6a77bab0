// PackTune: the whole pack in memory (depack, explore, both generated files rendered),
// with no file, console or process touched, for tests, benchmarks and the fuzzer.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "driver/run_options.h"
#include "explore/pack_state.h"
#include "image/depack.h"

namespace zspack {

struct PackedTune {
  DepackStatus depack = DepackStatus::kDone;
  std::string console;  // the exploration report
  std::string defines;
  std::string data;
};

// `file` is the whole tracker file, load address included. `state` is reset first.
// Only a malformed file leaves the three texts empty.
void PackTune(std::span<const uint8_t> file, const RunOptions& options, PackState& state,
              PackedTune& out);

}  // namespace zspack
