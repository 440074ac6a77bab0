#include "features/derive_features.h"

#include <algorithm>
#include <iterator>

namespace zspack {

namespace {

bool AnyMark(const RowMarks& map) {
  return std::any_of(map.begin(), map.end(), [](uint8_t m) { return m != 0; });
}

// An instrument's hard restart byte 0..3 picks the player's restart variant.
constexpr Feature kHardRestarts[] = {Feature::kHr0, Feature::kHr1, Feature::kHr2, Feature::kHr3};
constexpr uint16_t kHardRestartKinds = std::size(kHardRestarts);

// Bits 4..7 of the first arpspds byte: how often the player runs per frame.
constexpr unsigned kMultiSpeedShift = 4;

constexpr int kSongs[] = {0, 1, 2, 3};
static_assert(std::size(kSongs) == kSongCount);

}  // namespace

FeatureState DeriveFeatures(const MusicImage& image, const Exploration& found,
                            const PackOptions& options) {
  FeatureState f;
  f.flags = found.entryFeatures.flags;
  if (found.counts.GlideCount > 0) f.Set(Feature::kGlides);
  if (AnyMark(found.maps.PulseMap)) f.Set(Feature::kPulse);
  if (AnyMark(found.maps.FilterMap)) f.Set(Feature::kFilters);

  const int slots = std::clamp(found.counts.InstrumentSlots(), 0, kInstrumentCount);
  for (uint32_t slot = 0; slot < static_cast<uint32_t>(slots); ++slot) {
    if (image.At(addr::v3tb + slot) != 0) f.Set(Feature::kVibrato);
    const uint16_t hr = image.At(addr::hrtb + slot);
    if (hr < kHardRestartKinds) f.Set(kHardRestarts[hr]);
  }

  const unsigned multiSpeed = image.Byte(addr::arpspds) >> kMultiSpeedShift;
  if (multiSpeed != 0) f.MultiSpeed = static_cast<int16_t>(multiSpeed);

  const int requested = options.RequestedSong;
  const bool oneSong = requested < kAllSongs;  // the command line allows 0..3 or all
  if (!f.Has(Feature::kSpeedChange)) {
    auto speed = [&](int s) { return image.At(SongRecordAddress(s) + kSongSpeedOffset); };
    if (oneSong) {
      f.SingleSpeed = static_cast<int16_t>(speed(requested) + 1);
    } else if (std::all_of(std::begin(kSongs), std::end(kSongs), [&](int s) { return speed(s) == speed(0); })) {
      f.SingleSpeed = static_cast<int16_t>(speed(0) + 1);
    }
  }
  if (oneSong) f.SelectedSong = static_cast<int16_t>(requested);
  return f;
}

}  // namespace zspack
