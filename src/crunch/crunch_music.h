// CrunchMusic: the explored music in fewer bytes for the same player, by renumbering and
// merging only: what the packed songs do not reach goes, identical instruments, glides,
// sectors, tracks and table programs are written once, and numbers close up from 0. It
// changes nothing it cannot follow (a track or sector without its end, a program that
// reads rows the data file does not hold).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "common/music_image.h"
#include "common/pack_state.h"
#include "crunch/table_programs.h"

namespace zspack {

// The tables crunching counts, in the order its report names them.
enum class CrunchedPart : uint8_t {
  kInstruments, kSectors, kWholeSectors, kGlides, kTracks, kWaveRows, kPulseRows, kFilterRows,
};
inline constexpr size_t kCrunchedParts = static_cast<size_t>(CrunchedPart::kFilterRows) + 1;
inline constexpr std::array<std::string_view, kCrunchedParts> kCrunchedPartNames = {
    "instruments", "sectors", "sectors written whole", "glides", "tracks", "wave rows", "pulse rows", "filter rows"};

struct PartTally {
  int before = 0;  // as the data file writes them without crunching
  int after = 0;
};

// The three program tables, each crunched on its own.
enum class ProgramTable : uint8_t { kWave, kPulse, kFilter };
inline constexpr size_t kProgramTables = 3;
inline constexpr std::array<std::string_view, kProgramTables> kProgramTableNames = {"wave", "pulse", "filter"};

// What crunching did: each part's count before and after, and what it left alone.
struct CrunchReport {
  std::array<PartTally, kCrunchedParts> tally{};
  bool unfollowable = false;  // a played track or sector has no end: nothing was changed
  std::array<LeftAsIs, kProgramTables> leftAsIs{};
};

// Crunches the explored music in place. `selected` is the one song packed, empty for all.
CrunchReport CrunchMusic(MusicImage& image, Exploration& found, std::optional<int16_t> selected);

}  // namespace zspack
