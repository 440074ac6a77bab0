// RunAssembler: starts "ACME.exe" from the working directory (never a search path) with
// the arguments "-v9" and "MakeMe.a", in the same console, and waits for it without limit.
#pragma once

namespace zspack {

struct AssemblerResult {
  bool started = false;
  int exitCode = 0;  // a POSIX assembler ended by a signal reports 128 + the signal
};

AssemblerResult RunAssembler();

}  // namespace zspack
