// zspack's entry point: hands the arguments to the run and returns its exit code.
#include <string_view>
#include <vector>

#ifndef _WIN32
#include <csignal>
#endif

#include "driver/run.h"

int main(int argc, char** argv) {
#ifndef _WIN32
  // A standard output whose reader has gone is a failing console write like any other:
  // the run reports it as a runtime error instead of dying silently of SIGPIPE.
  std::signal(SIGPIPE, SIG_IGN);
  // Whoever started zspack may ignore SIGCHLD; the assembler would then be reaped unseen
  // and its exit code lost, so the default comes back.
  std::signal(SIGCHLD, SIG_DFL);
#endif
  std::vector<std::string_view> args(argv, argv + argc);
  return zspack::RunZspack(args);
}
