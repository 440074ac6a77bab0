// The player features the music needs, as an enumeration in the order of the defines
// file, with the one table that maps each to its define text.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace zspack {

enum class Feature : uint8_t {
  kFilters, kPulse, kHr0, kHr1, kHr2, kHr3, kVibrato,
  kTranspose, kRepeat, kSetMvl, kSongChange, kSpeedChange, kLoop, kEnd,
  kGlides, kTieNotes, kTuneAd, kTuneSr, kTunePp, kTuneFp, kTuneFf,
};

inline constexpr size_t kFeatureCount = static_cast<size_t>(Feature::kTuneFf) + 1;  // kTuneFf comes last

inline constexpr std::array<std::string_view, kFeatureCount> kFeatureDefines = {
    "_FILTERS_",   "_PULSE_",  "_HR0_",        "_HR1_",         "_HR2_",    "_HR3_",
    "_VIBRATO_",   "_TRANSPOSE_", "_REPEAT_",  "_SETMVL_",      "_SONGCHANGE_",
    "_SPEEDCHANGE_", "_LOOP_", "_END_",        "_GLIDES_",      "_TIENOTES_",
    "_TUNEAD_",    "_TUNESR_", "_TUNEPP_",     "_TUNEFP_",      "_TUNEFF_",
};

// One flag per feature.
struct FeatureFlags {
  std::array<bool, kFeatureCount> flags{};

  bool Has(Feature f) const { return flags[static_cast<size_t>(f)]; }
  void Set(Feature f) { flags[static_cast<size_t>(f)] = true; }
};

// The flags and the three derived values, each empty for none: SelectedSong when all
// songs are packed, SingleSpeed when the packed songs share no speed, MultiSpeed when the
// player runs once per frame.
struct FeatureState : FeatureFlags {
  std::optional<int16_t> SelectedSong = std::nullopt;  // the one song packed, 0..3
  std::optional<int16_t> SingleSpeed = std::nullopt;   // the packed songs' speed + 1
  std::optional<int16_t> MultiSpeed = std::nullopt;    // player calls per frame, 1..15
};

}  // namespace zspack
