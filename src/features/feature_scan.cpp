#include "features/feature_scan.h"

#include <algorithm>

namespace zspack {

namespace {

bool AnyMark(const std::array<uint8_t, kTableRows>& map) {
  return std::any_of(map.begin(), map.end(), [](uint8_t m) { return m != 0; });
}

}  // namespace

int16_t ScanTrack(PackState& state, int song, int voice) {
  const uint32_t start = TrackAddress(song, voice);
  FeatureState& f = state.features;
  int16_t marked = 0;
  for (int k = 0; k < kTrackEntries;) {
    const uint8_t v = state.image.Byte(start + static_cast<uint32_t>(k));
    if (v < 0x60) {
      if (state.maps.SectorMap[v] == 0) {
        state.maps.SectorMap[v] = 1;
        ++marked;
      }
    } else if (v <= 0x7F) {
      f.Set(Feature::kSpeedChange);
    } else if (v <= 0xBF) {
      f.Set(Feature::kTranspose);
    } else if (v <= 0xDF) {
      f.Set(Feature::kRepeat);
    } else if (v <= 0xEF) {
      f.Set(Feature::kSetMvl);
    } else if (v <= 0xF3) {
      f.Set(Feature::kSongChange);
      break;
    } else if (v == 0xFE) {
      f.Set(Feature::kLoop);
      break;
    } else if (v == 0xFF) {
      f.Set(Feature::kEnd);
      break;
    }
    ++k;
  }
  return marked;
}

void ScanSector(PackState& state, int sector) {
  const uint32_t start = SectorAddress(sector);
  FeatureState& f = state.features;
  Counts& c = state.counts;
  for (int j = 0; j < kSectorEntries;) {
    const uint8_t v = state.image.Byte(start + static_cast<uint32_t>(j));
    if (v >= 0x60 && v <= 0x7F) {
      const int g = v - 0x60;
      if (state.maps.GlideMap[g] == 0) {
        state.maps.GlideMap[g] = 1;
        ++c.GlideCount;
      }
    } else if (v >= 0xC0 && v <= 0xDF) {
      const int i = v - 0xC0;
      if (state.maps.InstrumentMap[i] == 0) {
        state.maps.InstrumentMap[i] = 1;
        ++c.InstrumentCount;
        c.HighestInstrument = static_cast<int16_t>(std::max<int>(c.HighestInstrument, i));
      }
    } else if (v >= 0xF6 && v <= 0xFA) {
      // A command and its parameter; the parameter is never classified.
      static constexpr Feature kTuners[] = {Feature::kTuneFp, Feature::kTunePp, Feature::kTuneFf,
                                            Feature::kTuneSr, Feature::kTuneAd};
      f.Set(kTuners[v - 0xF6]);
      j += 2;
      continue;
    } else if (v == 0xFB) {
      f.Set(Feature::kTieNotes);
    } else if (v == 0xFF) {
      break;
    }
    ++j;
  }
}

void DeriveMultiSpeed(PackState& state) {
  const uint16_t e = state.image.At(addr::arpspds);
  if ((e >> 4) != 0) state.features.MultiSpeed = static_cast<int16_t>(e >> 4);
}

void DeriveFeatures(PackState& state, const RunOptions& options) {
  FeatureState& f = state.features;
  const MusicImage& image = state.image;
  if (AnyMark(state.maps.PulseMap)) f.Set(Feature::kPulse);
  if (AnyMark(state.maps.FilterMap)) f.Set(Feature::kFilters);

  static constexpr Feature kHardRestarts[] = {Feature::kHr0, Feature::kHr1, Feature::kHr2,
                                              Feature::kHr3};
  for (int i = 0; i <= state.counts.HighestInstrument && i < kInstrumentCount; ++i) {
    const uint32_t slot = static_cast<uint32_t>(i);
    if (image.At(addr::v3tb + slot) != 0) f.Set(Feature::kVibrato);
    const uint16_t hr = image.At(addr::hrtb + slot);
    if (hr < 4) f.Set(kHardRestarts[hr]);
  }

  const int requested = options.RequestedSong;
  const bool oneSong = requested >= 0 && requested < kSongCount;
  if (!f.Has(Feature::kSpeedChange)) {
    auto speed = [&](int s) { return image.At(SongRecordAddress(s) + kSongSpeedOffset); };
    if (oneSong) {
      f.SingleSpeed = static_cast<int16_t>(speed(requested) + 1);
    } else if (speed(0) == speed(1) && speed(1) == speed(2) && speed(2) == speed(3)) {
      f.SingleSpeed = static_cast<int16_t>(speed(0) + 1);
    }
  }
  if (oneSong) f.SelectedSong = static_cast<int16_t>(requested);
}

}  // namespace zspack
