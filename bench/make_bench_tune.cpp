// Writes one of the benchmark tunes as a tracker file, for the whole-run measurements:
//   make_bench_tune worst|two-song|empty OUTFILE
#include <cstdio>
#include <string>

#include "bench_tunes.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: %s worst|two-song|empty OUTFILE\n", argv[0]);
    return 2;
  }
  const std::string kind = argv[1];
  std::vector<uint8_t> bytes;
  if (kind == "worst") {
    bytes = zspack::bench::WorstCaseTuneFile();
  } else if (kind == "two-song") {
    bytes = zspack::bench::TwoSongTuneFile();
  } else if (kind == "empty") {
    bytes = zspack::bench::EmptyTuneFile();
  } else {
    std::fprintf(stderr, "unknown tune '%s'\n", argv[1]);
    return 2;
  }
  if (!zspack::bench::WriteFileBytes(argv[2], bytes)) {
    std::fprintf(stderr, "cannot write %s\n", argv[2]);
    return 1;
  }
  return 0;
}
