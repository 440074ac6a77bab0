// The defines file's names: those that carry a value, and the defines derived from the
// features with the rule for each; the renderer writes from these tables, and
// kDefinesFileNames gathers every name from them with the feature defines.
#pragma once

#include <array>
#include <cstddef>
#include <initializer_list>
#include <iterator>
#include <string_view>

#include "common/feature_flags.h"

namespace zspack {

// The defines that carry a value or pick the header, as the player sources name them.
inline constexpr std::string_view kSidModel = "_SIDMODEL_";
inline constexpr std::string_view kOnlySong = "_ONLY_SONG_";
inline constexpr std::string_view kSingleSpeed = "_SINGLE_SPEED_";
inline constexpr std::string_view kMultiSpeed = "_MULTISPEED_";
inline constexpr std::string_view kAnyTuner = "_ANYTUNER_";
inline constexpr std::string_view kTunerCount = "tc";
inline constexpr std::string_view kTieOrTune = "_TIE_OR_TUNE_";
inline constexpr std::array kValueDefines = {kSidModel, kOnlySong, kSingleSpeed, kMultiSpeed,
                                             kAnyTuner, kTunerCount, kTieOrTune};

struct DerivedDefine {
  std::string_view name;
  bool (*holds)(const FeatureState&);
};

// True when the features hold any of `list`.
inline bool HasAny(const FeatureState& f, std::initializer_list<Feature> list) {
  for (const Feature x : list) {
    if (f.Has(x)) return true;
  }
  return false;
}

inline constexpr DerivedDefine kDerivedDefines[] = {
    {"_TRANSREP_", [](const FeatureState& f) { return HasAny(f, {Feature::kRepeat, Feature::kTranspose}); }},
    {"_HR01_", [](const FeatureState& f) { return HasAny(f, {Feature::kHr0, Feature::kHr1}); }},
    {"_HR23_", [](const FeatureState& f) { return HasAny(f, {Feature::kHr2, Feature::kHr3}); }},
    {"_ONLY_HR3_",
     [](const FeatureState& f) {
       return f.Has(Feature::kHr3) && !HasAny(f, {Feature::kHr0, Feature::kHr1, Feature::kHr2});
     }},
    {"_LOOPASK_",
     [](const FeatureState& f) { return HasAny(f, {Feature::kEnd, Feature::kSetMvl, Feature::kSongChange}); }},
    {"_ENDASK_", [](const FeatureState& f) { return HasAny(f, {Feature::kSetMvl, Feature::kSongChange}); }},
    {"_SONGASK_", [](const FeatureState& f) { return HasAny(f, {Feature::kLoop, Feature::kEnd}); }},
    {"_NOLOOPEN_", [](const FeatureState& f) { return !HasAny(f, {Feature::kEnd, Feature::kLoop}); }},
    {"_ONLY_MVL_",
     [](const FeatureState& f) { return !HasAny(f, {Feature::kEnd, Feature::kLoop, Feature::kSongChange}); }},
    {"_SONGCHANGE_unten_",
     [](const FeatureState& f) {
       return f.Has(Feature::kSongChange) && (f.Has(Feature::kLoop) != f.Has(Feature::kEnd));
     }},
};

// Every name the defines file can define.
inline constexpr auto kDefinesFileNames = [] {
  std::array<std::string_view,
             std::size(kValueDefines) + kFeatureCount + std::size(kDerivedDefines)> names{};
  size_t n = 0;
  for (const std::string_view name : kValueDefines) names[n++] = name;
  for (const std::string_view name : kFeatureDefines) names[n++] = name;
  for (const DerivedDefine& derived : kDerivedDefines) names[n++] = derived.name;
  return names;
}();

}  // namespace zspack
