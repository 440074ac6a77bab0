// Packs one benchmark tune COUNT times in a row and nothing else, for measurements from
// outside the process (instruction counts under callgrind, CPU time under /usr/bin/time):
//   pack_loop worst|demo|empty COUNT [crunch]
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "bench_tunes.h"
#include "pack/pack_tune.h"

int main(int argc, char** argv) {
  if (argc != 3 && !(argc == 4 && std::string(argv[3]) == "crunch")) {
    std::fprintf(stderr, "usage: %s worst|demo|empty COUNT [crunch]\n", argv[0]);
    return 2;
  }
  const std::string kind = argv[1];
  std::vector<uint8_t> file;
  if (kind == "worst") {
    file = zspack::bench::WorstCaseTuneFile();
  } else if (kind == "empty") {
    file = zspack::bench::EmptyTuneFile();
  } else if (kind == "demo") {
    file = zspack::bench::ReadFileBytes(ZSPACK_DEMO_TUNE);
    if (file.empty()) file = zspack::bench::TwoSongTuneFile();
  } else {
    std::fprintf(stderr, "unknown tune '%s'\n", argv[1]);
    return 2;
  }
  zspack::PackOptions options;
  options.InputName = "tune.prg";
  options.OutputName = "tune";
  options.Crunch = argc == 4;
  auto state = std::make_unique<zspack::PackState>();
  zspack::PackedTune out;
  const long count = std::strtol(argv[2], nullptr, 10);
  for (long i = 0; i < count; ++i) zspack::PackTune(file, options, *state, out);
  return out.depack == zspack::DepackStatus::kDone ? 0 : 1;
}
