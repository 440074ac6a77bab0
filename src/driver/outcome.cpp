#include "driver/outcome.h"

#include <array>

namespace zspack {

namespace {

constexpr int kFailed = 1;
constexpr int kUsageError = 2;
constexpr int kReadErrorNumber = 100;
constexpr int kWriteErrorNumber = 101;

using enum Outcome;

constexpr std::array<OutcomeReport, static_cast<size_t>(kCount)> kReports = {{
    {.outcome = kPacked, .message = "", .exitCode = 0, .waitForKey = true, .runtimeError = false},
    {.outcome = kUsage, .message = "", .exitCode = 0, .waitForKey = false, .runtimeError = false},
    {.outcome = kBadSwitch, .message = "", .exitCode = kUsageError, .waitForKey = false,
     .runtimeError = false},
    {.outcome = kBadOutputName,
     .message = "The outfile name must not contain double quotes or control characters, bailing out ...",
     .exitCode = kUsageError, .waitForKey = false, .runtimeError = false},
    {.outcome = kCannotOpenInput, .message = "Could not open infile, bailing out ...",
     .exitCode = kFailed, .waitForKey = false, .runtimeError = false},
    {.outcome = kTooShort, .message = "The file is shorter than five bytes, bailing out ...",
     .exitCode = kFailed, .waitForKey = false, .runtimeError = false},
    {.outcome = kNoEndRecord, .message = "The packed data ends before its end record, bailing out ...",
     .exitCode = kFailed, .waitForKey = false, .runtimeError = false},
    {.outcome = kRunCutShort, .message = "The packed data ends inside a run record, bailing out ...",
     .exitCode = kFailed, .waitForKey = false, .runtimeError = false},
    {.outcome = kTargetBelowImage, .message = "The target address lies below $403C, bailing out ...",
     .exitCode = kFailed, .waitForKey = false, .runtimeError = false},
    {.outcome = kBeyondImage, .message = "The packed data reaches beyond $B3FF, bailing out ...",
     .exitCode = kFailed, .waitForKey = false, .runtimeError = false},
    {.outcome = kCannotCreateDefines, .message = "Could not create the_defines.a, bailing out ...",
     .exitCode = kFailed, .waitForKey = true, .runtimeError = false},
    {.outcome = kCannotCreateData, .message = "Could not create the_data.a, bailing out ...",
     .exitCode = kFailed, .waitForKey = true, .runtimeError = false},
    {.outcome = kCannotStartAssembler, .message = "Could not start ACME.exe, bailing out ...",
     .exitCode = kFailed, .waitForKey = true, .runtimeError = false},
    {.outcome = kAssemblyFailed, .message = "Assembling failed, ACME.exe exit code ",
     .exitCode = kFailed, .waitForKey = true, .runtimeError = false},
    {.outcome = kReadFailed, .message = "", .exitCode = kReadErrorNumber, .waitForKey = false,
     .runtimeError = true},
    {.outcome = kWriteFailed, .message = "", .exitCode = kWriteErrorNumber, .waitForKey = false,
     .runtimeError = true},
}};

// The outcome of each depacking result; kDone goes on to pack.
struct DepackOutcome {
  DepackStatus status;
  Outcome outcome;
};

constexpr auto kDepackOutcomes = std::to_array<DepackOutcome>({
    {.status = DepackStatus::kDone, .outcome = kPacked},
    {.status = DepackStatus::kTooShort, .outcome = kTooShort},
    {.status = DepackStatus::kNoEndRecord, .outcome = kNoEndRecord},
    {.status = DepackStatus::kRunCutShort, .outcome = kRunCutShort},
    {.status = DepackStatus::kTargetBelowImage, .outcome = kTargetBelowImage},
    {.status = DepackStatus::kBeyondImage, .outcome = kBeyondImage},
});

// Each row stands at its key's index, so a lookup is a plain index.
consteval bool RowsInEnumOrder() {
  for (size_t i = 0; i < kReports.size(); ++i) {
    if (static_cast<size_t>(kReports[i].outcome) != i) return false;
  }
  for (size_t i = 0; i < kDepackOutcomes.size(); ++i) {
    if (static_cast<size_t>(kDepackOutcomes[i].status) != i) return false;
  }
  return kDepackOutcomes.back().status == DepackStatus::kBeyondImage;
}
static_assert(RowsInEnumOrder(), "kReports and kDepackOutcomes must list their keys in the enums' order");

}  // namespace

const OutcomeReport& ReportFor(Outcome outcome) {
  return kReports[static_cast<size_t>(outcome)];
}

Outcome OutcomeFor(DepackStatus status) {
  return kDepackOutcomes[static_cast<size_t>(status)].outcome;
}

}  // namespace zspack
