// The libFuzzer target: packs each input (five switch bytes, then a tracker file) and
// checks every pack invariant of pack_invariants.h. A broken invariant prints what broke
// and traps, so libFuzzer keeps the input as a crash. At the end the process prints its
// counts (fuzz_stats.h).
#include <cinttypes>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string>

#include "fuzz_stats.h"
#include "pack_invariants.h"

namespace {

double Percent(uint64_t part, uint64_t whole) { return whole == 0 ? 0.0 : 100.0 * static_cast<double>(part) / static_cast<double>(whole); }

void PrintStats() {
  const zspack::fuzzing::FuzzStats& s = zspack::fuzzing::Stats();
  const uint64_t mutations = s.structureAware + s.byteLevel + s.notDepacked + s.tooLarge;
  std::fprintf(stderr,
               "fuzz_pack: %" PRIu64 " executions, %.1f%% past depacking; %" PRIu64
               " custom mutations: %.1f%% structure-aware, %.1f%% byte-level by choice, "
               "%.1f%% byte-level as the stream is broken, %.1f%% byte-level as too large\n",
               s.executions, Percent(s.pastDepacking, s.executions), mutations,
               Percent(s.structureAware, mutations), Percent(s.byteLevel, mutations),
               Percent(s.notDepacked, mutations), Percent(s.tooLarge, mutations));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  std::atexit(PrintStats);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zspack::DepackStatus depack = zspack::DepackStatus::kDone;
  const std::string problem = zspack::fuzzing::CheckPackInvariants(std::span<const uint8_t>(data, size), &depack);
  if (!problem.empty()) {
    std::fprintf(stderr, "pack invariant broken: %s\n", problem.c_str());
    std::fflush(stderr);
    __builtin_trap();
  }
  zspack::fuzzing::FuzzStats& stats = zspack::fuzzing::Stats();
  ++stats.executions;
  if (depack == zspack::DepackStatus::kDone) ++stats.pastDepacking;
  return 0;
}
