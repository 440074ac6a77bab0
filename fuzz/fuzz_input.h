// How a fuzz input is read: five switch bytes that choose the run options, then a whole
// tracker file. Shared by the fuzz target, its mutator, the corpus writer and the replay.
//
//   byte 0      song switch: value % 5 (0..3 one song, 4 all songs)
//   bytes 1, 2  start address, low byte first
//   byte 3      bit 0: PSID flag; bits 1..2: which pair of input/output names is used
//   byte 4      the character after "-p", so SidType = byte - 48
//   bytes 5..   the tracker file, load address included
// Shorter inputs are packed with default switches as far as they reach.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "common/pack_options.h"

namespace zspack::fuzzing {

inline constexpr size_t kSwitchBytes = 5;

// Names that exercise the comment and string rendering without leaving printable ASCII.
struct NamePair {
  std::string_view input;
  std::string_view output;
};
inline constexpr std::array<NamePair, 4> kNamePairs = {{
    {"tune.prg", "tune"},
    {"music/sub dir/My Tune.prg", "My Tune"},
    {"C:\\c64\\music\\a.prg", "out\\a"},
    {"", ""},
}};

struct FuzzCase {
  PackOptions options;
  std::span<const uint8_t> file;
};

inline FuzzCase DecodeFuzzInput(std::span<const uint8_t> input) {
  FuzzCase c;
  const auto at = [&](size_t i) -> int { return i < input.size() ? input[i] : -1; };
  if (at(0) >= 0) c.options.RequestedSong = static_cast<int16_t>(at(0) % 5);
  if (at(2) >= 0) c.options.StartAddress = static_cast<uint32_t>(at(1) | (at(2) << 8));
  const int flags = at(3) >= 0 ? at(3) : 0;
  c.options.PsidFlag = (flags & 1) != 0;
  const NamePair& names = kNamePairs[static_cast<size_t>((flags >> 1) & 3)];
  c.options.InputName = names.input;
  c.options.OutputName = names.output;
  if (at(4) >= 0) c.options.SidType = static_cast<int16_t>(at(4) - 48);
  c.file = input.size() > kSwitchBytes ? input.subspan(kSwitchBytes) : std::span<const uint8_t>();
  return c;
}

}  // namespace zspack::fuzzing
