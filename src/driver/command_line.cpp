#include "driver/command_line.h"

namespace zspack {

namespace {

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

int HexValue(char c) {
  c = UpperAscii(c);
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool IsSwitch(std::string_view arg) { return !arg.empty() && arg[0] == '-'; }

// Applies one switch; false when it must show the usage text.
bool ApplySwitch(std::string_view arg, PackOptions& options) {
  if (arg.size() < 2) return true;  // a lone "-" has no letter and is ignored
  switch (UpperAscii(arg[1])) {
    case 'A': {
      // Exactly four digits at characters 3..6; anything after them is ignored.
      if (arg.size() < 6) return false;
      uint32_t address = 0;
      for (size_t i = 2; i < 6; ++i) {
        const int digit = HexValue(arg[i]);
        if (digit < 0) return false;
        address = address * 16 + static_cast<uint32_t>(digit);
      }
      options.StartAddress = address;
      return true;
    }
    case 'C':
      options.CrunchFlag = true;
      return true;
    case 'P':
      if (arg.size() < 3) return false;
      options.PsidFlag = true;
      options.SidType = static_cast<int16_t>(static_cast<unsigned char>(arg[2]) - 48);
      return true;
    case 'S':
      if (arg.size() < 3 || arg[2] < '0' || arg[2] > '4') return false;
      options.RequestedSong = static_cast<int16_t>(arg[2] - '0');
      return true;
    default:
      return true;
  }
}

bool IsSafeOutputName(std::string_view name) {
  for (const char c : name) {
    if (c == '"' || static_cast<unsigned char>(c) < 0x20) return false;
  }
  return true;
}

}  // namespace

CommandLine ParseCommandLine(std::span<const std::string_view> args) {
  CommandLine result;
  const size_t count = args.empty() ? 0 : args.size() - 1;  // the program is not counted
  if (count < 2) {
    result.status = CommandLineStatus::kTooFewArguments;
    return result;
  }
  PackOptions& options = result.options;
  size_t i = 1;
  if (count > 2) {
    while (i <= count && IsSwitch(args[i])) {
      if (!ApplySwitch(args[i], options)) {
        result.status = CommandLineStatus::kBadSwitch;
        return result;
      }
      ++i;
    }
  }
  options.InputArgIndex = static_cast<int>(i);
  options.InputName = i <= count ? args[i] : std::string_view();
  options.OutputName = i + 1 <= count ? args[i + 1] : std::string_view();
  if (!IsSafeOutputName(options.OutputName)) result.status = CommandLineStatus::kBadOutputName;
  return result;
}

}  // namespace zspack
