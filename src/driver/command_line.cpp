#include "driver/command_line.h"

namespace zspack {

namespace {

// A switch is '-', a letter, then its value from the third character on.
constexpr size_t kLetterAt = 1;
constexpr size_t kValueAt = 2;
constexpr size_t kAddressDigits = 4;
constexpr uint32_t kHexBase = 16;
constexpr int kFirstLetterDigit = 10;
constexpr unsigned char kFirstPrintable = 0x20;

char UpperAscii(char c) { return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c; }

int HexValue(char c) {
  c = UpperAscii(c);
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + kFirstLetterDigit;
  return -1;
}

bool IsSwitch(std::string_view arg) { return !arg.empty() && arg[0] == '-'; }

// The one long switch; any other argument that starts with "--" is ignored.
constexpr std::string_view kCrunchSwitch = "--crunch";

// Applies one switch; false when it must show the usage text.
bool ApplySwitch(std::string_view arg, PackOptions& options) {
  if (arg == kCrunchSwitch) {
    options.Crunch = true;
    return true;
  }
  if (arg.size() <= kLetterAt) return true;  // a lone "-" has no letter and is ignored
  switch (UpperAscii(arg[kLetterAt])) {
    case 'A': {
      // Exactly four digits at characters 3..6; anything after them is ignored.
      if (arg.size() < kValueAt + kAddressDigits) return false;
      uint32_t address = 0;
      for (size_t i = kValueAt; i < kValueAt + kAddressDigits; ++i) {
        const int digit = HexValue(arg[i]);
        if (digit < 0) return false;
        address = address * kHexBase + static_cast<uint32_t>(digit);
      }
      options.StartAddress = address;
      return true;
    }
    case 'C':
      options.CrunchFlag = true;
      return true;
    case 'P':
      if (arg.size() <= kValueAt) return false;
      options.PsidFlag = true;
      // Any byte is taken, as its distance from '0'; the header checks nothing either.
      options.SidType = static_cast<int16_t>(static_cast<unsigned char>(arg[kValueAt]) - '0');
      return true;
    case 'S':
      if (arg.size() <= kValueAt || arg[kValueAt] < '0' || arg[kValueAt] > '0' + kAllSongs) return false;
      options.RequestedSong = static_cast<int16_t>(arg[kValueAt] - '0');
      return true;
    default:
      return true;
  }
}

bool IsSafeOutputName(std::string_view name) {
  for (const char c : name) {
    if (c == '"' || static_cast<unsigned char>(c) < kFirstPrintable) return false;
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
