#include "driver/process_signals.h"

#include <csignal>

namespace zspack {

void PrepareProcessSignals() {
  // A standard output whose reader has gone is a failing console write like any other:
  // the run reports it as a runtime error instead of dying silently of SIGPIPE.
  std::signal(SIGPIPE, SIG_IGN);
  // Whoever started zspack may ignore SIGCHLD; the assembler would then be reaped unseen
  // and its exit code lost, so the default comes back.
  std::signal(SIGCHLD, SIG_DFL);
}

}  // namespace zspack
