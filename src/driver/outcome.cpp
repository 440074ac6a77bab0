#include "driver/outcome.h"

#include <array>

namespace zspack {

namespace {

constexpr std::array<OutcomeReport, 16> kReports = {{
    {Outcome::kPacked, "", 0, true, false},
    {Outcome::kUsage, "", 0, false, false},
    {Outcome::kBadSwitch, "", 2, false, false},
    {Outcome::kBadOutputName,
     "The outfile name must not contain double quotes or control characters, bailing out ...", 2,
     false, false},
    {Outcome::kCannotOpenInput, "Could not open infile, bailing out ...", 1, false, false},
    {Outcome::kTooShort, "The file is shorter than five bytes, bailing out ...", 1, false, false},
    {Outcome::kNoEndRecord, "The packed data ends before its end record, bailing out ...", 1, false,
     false},
    {Outcome::kRunCutShort, "The packed data ends inside a run record, bailing out ...", 1, false,
     false},
    {Outcome::kTargetBelowImage, "The target address lies below $403C, bailing out ...", 1, false,
     false},
    {Outcome::kBeyondImage, "The packed data reaches beyond $B3FF, bailing out ...", 1, false, false},
    {Outcome::kCannotCreateDefines, "Could not create the_defines.a, bailing out ...", 1, true, false},
    {Outcome::kCannotCreateData, "Could not create the_data.a, bailing out ...", 1, true, false},
    {Outcome::kCannotStartAssembler, "Could not start ACME.exe, bailing out ...", 1, true, false},
    {Outcome::kAssemblyFailed, "Assembling failed, ACME.exe exit code ", 1, true, false},
    {Outcome::kReadFailed, "", 100, false, true},
    {Outcome::kWriteFailed, "", 101, false, true},
}};

}  // namespace

const OutcomeReport& ReportFor(Outcome outcome) {
  return kReports[static_cast<size_t>(outcome)];
}

Outcome OutcomeFor(DepackStatus status) {
  switch (status) {
    case DepackStatus::kTooShort: return Outcome::kTooShort;
    case DepackStatus::kNoEndRecord: return Outcome::kNoEndRecord;
    case DepackStatus::kRunCutShort: return Outcome::kRunCutShort;
    case DepackStatus::kTargetBelowImage: return Outcome::kTargetBelowImage;
    case DepackStatus::kBeyondImage: return Outcome::kBeyondImage;
    case DepackStatus::kDone: break;
  }
  return Outcome::kPacked;
}

}  // namespace zspack
