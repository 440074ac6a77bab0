// zspack's entry point: hands the arguments to the run and returns its exit code.
#include <string_view>
#include <vector>

#include "driver/process_signals.h"
#include "driver/run.h"

int main(int argc, char** argv) {
  zspack::PrepareProcessSignals();
  std::vector<std::string_view> args(argv, argv + argc);
  return zspack::RunZspack(args);
}
