// make_demo_tune: writes the bundled demo tune, the tracker file that examples/demo.prg
// holds, to the path given on the command line.
//
//   make_demo_tune examples/demo.prg
#include <cstdio>
#include <fstream>
#include <vector>

#include "support/demo_tune.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <output file>\n", argc > 0 ? argv[0] : "make_demo_tune");
    return 2;
  }
  const std::vector<uint8_t> file = zspack::testing::DemoTuneFile();
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  out.close();
  if (!out) {
    std::fprintf(stderr, "make_demo_tune: cannot write %s\n", argv[1]);
    return 1;
  }
  std::printf("%s: %zu bytes\n", argv[1], file.size());
  return 0;
}
