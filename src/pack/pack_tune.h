// PackTune: the whole pack in memory (depack, explore, derive the features, render both
// generated files), with no file, console or process touched; the shipped run, the
// tests, the benchmarks and the fuzzer all pack through it.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "common/pack_options.h"
#include "common/pack_state.h"
#include "crunch/crunch_music.h"
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

// Whether the crunched music plays as the plain pack in `plain` does: the music views of
// the two data files are equal.
bool PlaysTheSame(const PackState& plain, const CrunchedMusic& crunched, const PackOptions& options);

// With `state` and `out` holding the plain pack: takes the crunched music, renders it and
// reports what crunching did, when it plays the same; otherwise keeps the plain pack and
// says so. PackTune calls it with what CrunchMusic made.
void TakeCrunched(const CrunchedMusic& crunched, const PackOptions& options, PackState& state, PackedTune& out);

}  // namespace zspack
