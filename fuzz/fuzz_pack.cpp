// Invariant: for any bytes at all, packing never crashes, never reads or writes outside its
// buffers, and always leaves a consistent pack: exactly the first SectorCount marks of
// SectorMap set, WaveMap marking exactly rows 0..K-1, both generated files made of
// printable ASCII, tab, $FC and CR LF line ends only, no "!by" line over 17 values (8 on
// "tunedats" lines, at most 8 on "Asecsl"/"Asecsh" lines), every .trkNN/.secNN label that
// "tunedats", "Asecsl" and "Asecsh" name defined in the data file, and the same input
// packed a second time (on a scribbled-over PackState) giving the same bytes.
//
// The first five input bytes are the switches (see pack_invariants.h), the rest is the
// tracker file. A broken invariant prints what broke and traps, so libFuzzer keeps the
// input as a crash.
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>

#include "pack_invariants.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string problem = zspack::fuzzing::CheckPackInvariants(std::span<const uint8_t>(data, size));
  if (!problem.empty()) {
    std::fprintf(stderr, "pack invariant broken: %s\n", problem.c_str());
    std::fflush(stderr);
    __builtin_trap();
  }
  return 0;
}
