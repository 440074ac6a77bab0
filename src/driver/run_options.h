// RunOptions: what the command line asked for, set once by the driver and only read by
// the later stages; the names point into the process's arguments.
#pragma once

#include <cstdint>
#include <string_view>

namespace zspack {

inline constexpr int16_t kAllSongs = 4;

struct RunOptions {
  int16_t RequestedSong = kAllSongs;  // 0..3 one song, 4 all songs
  uint32_t StartAddress = 0x1000;     // 0..$FFFF
  bool CrunchFlag = false;            // accepted, changes nothing
  bool PsidFlag = false;
  int16_t SidType = 0;                // byte value after "-p" minus 48, unchecked
  int InputArgIndex = 1;
  std::string_view InputName;         // argument InputArgIndex, empty when beyond the last
  std::string_view OutputName;        // the argument after it, empty when beyond the last
};

}  // namespace zspack
