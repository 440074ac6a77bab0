// PackOptions: what the musician asked for (song, start address, PSID, names), set once
// from the command line and only read by every later stage.
#pragma once

#include <cstdint>
#include <string_view>

namespace zspack {

inline constexpr int16_t kAllSongs = 4;
inline constexpr uint32_t kDefaultStartAddress = 0x1000;

struct PackOptions {
  int16_t RequestedSong = kAllSongs;             // 0..3 one song, 4 all songs
  uint32_t StartAddress = kDefaultStartAddress;  // 0..$FFFF
  bool CrunchFlag = false;                       // "-c": accepted, changes nothing
  bool Crunch = false;                           // "--crunch": the crunch stage runs
  bool PsidFlag = false;
  int16_t SidType = 0;                           // byte value after "-p" minus '0', unchecked
  int InputArgIndex = 1;
  std::string_view InputName;   // argument InputArgIndex, empty when beyond the last
  std::string_view OutputName;  // the argument after it, empty when beyond the last
};

}  // namespace zspack
