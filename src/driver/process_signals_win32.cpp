#include "driver/process_signals.h"

namespace zspack {

// Windows raises no SIGPIPE (the write just fails) and keeps exit codes on process handles.
void PrepareProcessSignals() {}

}  // namespace zspack
