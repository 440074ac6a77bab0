// What the exploration and feature tests share: a heap-held PackState made from a built
// image (the image alone is ~60 KB), the marked entries of a usage map, the defines of
// the features set, filled tracks and sectors, and an image comparison that names the
// first entry that differs.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "common/pack_state.h"

namespace zspack::testing {

inline std::unique_ptr<PackState> StateOf(const MusicImage& image) {
  auto state = std::make_unique<PackState>();
  state->image = image;
  return state;
}

inline std::vector<int> Marked(std::span<const uint8_t> map) {
  std::vector<int> marked;
  for (size_t i = 0; i < map.size(); ++i) {
    if (map[i] != 0) marked.push_back(static_cast<int>(i));
  }
  return marked;
}

// The define names of the features set, in the defines file's order, blank-separated.
inline std::string Names(const FeatureFlags& features) {
  std::string names;
  for (size_t f = 0; f < kFeatureCount; ++f) {
    if (!features.flags[f]) continue;
    if (!names.empty()) names += ' ';
    names += kFeatureDefines[f];
  }
  return names;
}

// 256 entries of `fill` with the given entries set: a track or sector with no end of its own.
inline std::vector<uint8_t> Filled(uint8_t fill, std::initializer_list<std::pair<int, uint8_t>> at = {}) {
  std::vector<uint8_t> entries(256, fill);
  for (const auto& [i, value] : at) entries.at(static_cast<size_t>(i)) = value;
  return entries;
}

inline ::testing::AssertionResult SameImage(const MusicImage& got, const MusicImage& want) {
  for (uint32_t a = kImageFirst; a <= kImageLast; ++a) {
    if (got.At(a) == want.At(a)) continue;
    return ::testing::AssertionFailure() << std::hex << std::uppercase << "first difference at $" << a << ": $"
                                         << got.At(a) << " where $" << want.At(a) << " was due";
  }
  return ::testing::AssertionSuccess();
}

}  // namespace zspack::testing
