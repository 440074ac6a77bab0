// How a run ends: one table maps each outcome to its console message, its exit code and
// whether the key wait follows; only the driver turns outcomes into text.
#pragma once

#include <cstddef>
#include <string_view>

#include "image/depack.h"

namespace zspack {

enum class Outcome {
  kPacked,
  kUsage,
  kBadSwitch,
  kBadOutputName,
  kCannotOpenInput,
  kTooShort,
  kNoEndRecord,
  kRunCutShort,
  kTargetBelowImage,
  kBeyondImage,
  kCannotCreateDefines,
  kCannotCreateData,
  kCannotStartAssembler,
  kAssemblyFailed,   // the message gets the assembler's exit code appended
  kReadFailed,       // runtime error 100
  kWriteFailed,      // runtime error 101
  kCount
};

struct OutcomeReport {
  Outcome outcome;
  std::string_view message;  // a whole line without its end, empty for none
  int exitCode;
  bool waitForKey;
  bool runtimeError;         // reported on standard error as "Runtime error N"
};

const OutcomeReport& ReportFor(Outcome outcome);

Outcome OutcomeFor(DepackStatus status);

}  // namespace zspack
