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
#include "output/data_tables.h"
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

// What the check compares the crunched music with: the plain pack's tables and bytes.
struct PlainPack {
  DataTables tables;
  int bytes = 0;
};
PlainPack DescribePlainPack(const PackState& state, const PackOptions& options);

// With `state` holding the music CrunchMusic left: renders it and reports what crunching
// did, when it plays as `plain` did; otherwise packs `file` again without crunching and
// says so. PackTune runs it; a test can plant a fault in `state` before it.
void TakeCrunched(std::span<const uint8_t> file, const PackOptions& options, const PlainPack& plain,
                  const CrunchReport& report, PackState& state, PackedTune& out);

}  // namespace zspack
