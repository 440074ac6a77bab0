// ParseCommandLine: takes the program's arguments (program name first) and gives the run
// options, or says which text ends the run instead; it never reads past an argument's end.
#pragma once

#include <span>
#include <string_view>

#include "common/pack_options.h"

namespace zspack {

enum class CommandLineStatus {
  kRun,
  kTooFewArguments,   // usage text, a normal end
  kBadSwitch,         // usage text, a usage error
  kBadOutputName,     // a name that would break out of the generated string
};

struct CommandLine {
  CommandLineStatus status = CommandLineStatus::kRun;
  PackOptions options;
};

CommandLine ParseCommandLine(std::span<const std::string_view> args);

}  // namespace zspack
