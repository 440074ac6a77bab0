// The single-pass compactions give the same image and maps as moving sectors and glides
// one at a time, on thousands of generated images: tracks with and without end bytes and
// with sector numbers after them, sectors with glide selects, commands whose parameters
// look like glide selects or end bytes, and sectors without $FF.
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <random>

#include "explore/scan_music.h"
#include "explore/explore_music.h"
#include "explore/renumber.h"
#include "explore/report_text.h"
#include "features/derive_features.h"

namespace zspack::testing {
namespace {

constexpr int kCases = 2000;

// Deterministic: a fixed seed, and only the generator's raw output is used (the standard
// distributions differ between libraries).
class MusicGenerator {
 public:
  explicit MusicGenerator(uint32_t seed) : rng_(seed) {}

  uint32_t Below(uint32_t n) { return rng_() % n; }
  bool PerMille(uint32_t p) { return Below(1000) < p; }

  void Tracks(MusicImage& image) {
    static constexpr uint8_t kEnds[] = {0xF0, 0xF1, 0xF2, 0xF3, 0xFE, 0xFF};
    static constexpr uint32_t kEndChance[] = {0, 8, 40, 150};
    for (int track = 0; track < kTrackCount; ++track) {
      const uint32_t endChance = kEndChance[Below(4)];
      const bool fewSectors = Below(2) == 0;
      std::array<uint8_t, 6> palette{};
      for (auto& n : palette) n = static_cast<uint8_t>(Below(kSectorCount));
      for (uint32_t i = 0; i < kTrackEntries; ++i) {
        uint8_t b;
        const uint32_t r = Below(1000);
        if (r < endChance) {
          b = kEnds[Below(6)];
        } else if (r < endChance + 650) {
          b = fewSectors ? palette[Below(6)] : static_cast<uint8_t>(Below(kSectorCount));
        } else {
          b = static_cast<uint8_t>(0x60 + Below(0xFE - 0x60));  // any command but $FE/$FF
        }
        image.Set(TrackAddress(track) + i, b);
      }
    }
  }

  void Sectors(MusicImage& image) {
    static constexpr uint32_t kEndChance[] = {0, 3, 20, 80};
    const bool fewGlides = Below(4) != 0;
    std::array<uint8_t, 5> glides{};
    for (auto& g : glides) g = static_cast<uint8_t>(Below(kGlideCount));
    for (int n = 0; n < kSectorCount; ++n) {
      const uint32_t endChance = kEndChance[Below(4)];
      const uint32_t start = SectorAddress(n);
      for (uint32_t i = 0; i < kSectorEntries; ++i) {
        const uint32_t r = Below(1000);
        uint8_t b;
        if (r < endChance) {
          b = 0xFF;
        } else if (r < endChance + 250) {
          b = static_cast<uint8_t>(0x60 + (fewGlides ? glides[Below(5)] : Below(kGlideCount)));
        } else if (r < endChance + 370) {
          image.Set(start + i, static_cast<uint16_t>(0xF6 + Below(5)));
          if (++i == kSectorEntries) break;  // a command in the last entry
          const uint32_t kind = Below(10);
          b = kind < 4   ? static_cast<uint8_t>(0x60 + Below(kGlideCount))
              : kind < 5 ? 0xFF
              : kind < 6 ? static_cast<uint8_t>(0xF6 + Below(5))
                         : static_cast<uint8_t>(Below(256));
        } else {
          const uint32_t kind = Below(3);
          b = kind == 0   ? static_cast<uint8_t>(Below(0x60))
              : kind == 1 ? static_cast<uint8_t>(0x80 + Below(0x76))  // $80..$F5
                          : static_cast<uint8_t>(0xFB + Below(4));   // $FB..$FE
        }
        image.Set(start + i, b);
      }
    }
    for (uint32_t g = 0; g < kGlideCount; ++g) {
      image.Set(addr::gldtbl + g, static_cast<uint8_t>(Below(256)));
      image.Set(addr::gldtbh + g, static_cast<uint8_t>(Below(256)));
    }
  }

  template <size_t N>
  void RandomMap(std::array<uint8_t, N>& map) {
    const uint32_t density = Below(1000);
    const uint32_t from = Below(2) == 0 ? 0 : Below(N);  // sometimes only high numbers in use
    map.fill(0);
    for (size_t i = from; i < N; ++i) map[i] = PerMille(density) ? 1 : 0;
  }

 private:
  std::mt19937 rng_;
};

::testing::AssertionResult SameResult(const PackState& a, const PackState& b) {
  if (a.image.entries != b.image.entries) return SameImage(a.image, b.image);
  if (a.exploration.maps.SectorMap != b.exploration.maps.SectorMap) return ::testing::AssertionFailure() << "SectorMap differs";
  if (a.exploration.maps.GlideMap != b.exploration.maps.GlideMap) return ::testing::AssertionFailure() << "GlideMap differs";
  if (a.exploration.maps.SongMap != b.exploration.maps.SongMap || a.exploration.maps.InstrumentMap != b.exploration.maps.InstrumentMap) {
    return ::testing::AssertionFailure() << "a map no compaction touches differs";
  }
  return ::testing::AssertionSuccess();
}

// True when some marked entry lies above an unmarked one, i.e. the compaction must move.
template <size_t N>
bool HasGap(const std::array<uint8_t, N>& map) {
  bool gap = false;
  for (uint8_t mark : map) {
    if (mark == 0) gap = true;
    else if (gap) return true;
  }
  return false;
}

TEST(CompactionProperty, OnePassEqualsOneMoveAtATime) {
  MusicGenerator gen(0x2A5EC7u);
  int sectorMoves = 0, glideMoves = 0, sectorImagesChanged = 0, glideImagesChanged = 0;
  for (int n = 0; n < kCases; ++n) {
    SCOPED_TRACE("case " + std::to_string(n));
    auto original = std::make_unique<PackState>();
    gen.Tracks(original->image);
    gen.Sectors(original->image);
    const bool scanned = gen.Below(2) == 0;
    if (scanned) {
      original->exploration.maps.SongMap = FindSongs(original->image);
      for (int s = 0; s < kSongCount; ++s) {
        if (original->exploration.maps.SongMap[static_cast<size_t>(s)] == 0) continue;
        for (int v = 0; v < kVoiceCount; ++v) ScanTrack(original->image, s, v, original->exploration);
      }
    } else {
      gen.RandomMap(original->exploration.maps.SectorMap);
    }

    auto onePass = std::make_unique<PackState>(*original);
    auto oneByOne = std::make_unique<PackState>(*original);
    const bool moved = CompactSectors(onePass->image, onePass->exploration.maps.SectorMap);
    ASSERT_EQ(moved, CompactSectorsOneByOne(oneByOne->image, oneByOne->exploration.maps.SectorMap));
    ASSERT_EQ(moved, HasGap(original->exploration.maps.SectorMap));
    ASSERT_TRUE(SameResult(*onePass, *oneByOne));
    sectorMoves += moved ? 1 : 0;
    sectorImagesChanged += onePass->image.entries != original->image.entries ? 1 : 0;

    // Glides: either found by the sector scans after the sector compaction, or a random
    // map over the sectors as they were.
    auto glideBase = std::make_unique<PackState>(scanned ? *onePass : *original);
    if (scanned) {
      for (int s = 0; s < kSectorCount; ++s) {
        if (glideBase->exploration.maps.SectorMap[static_cast<size_t>(s)] != 0) ScanSector(glideBase->image, s, glideBase->exploration);
      }
    } else {
      gen.RandomMap(glideBase->exploration.maps.GlideMap);
    }
    auto glidesOnePass = std::make_unique<PackState>(*glideBase);
    auto glidesOneByOne = std::make_unique<PackState>(*glideBase);
    CompactGlides(glidesOnePass->image, glidesOnePass->exploration.maps);
    CompactGlidesOneByOne(glidesOneByOne->image, glidesOneByOne->exploration.maps);
    ASSERT_TRUE(SameResult(*glidesOnePass, *glidesOneByOne));
    glideMoves += HasGap(glideBase->exploration.maps.GlideMap) ? 1 : 0;
    glideImagesChanged += glidesOnePass->image.entries != glideBase->image.entries ? 1 : 0;
  }
  // The generator must make the compactions work, or the comparison proves little.
  EXPECT_GT(sectorMoves, kCases * 3 / 4);
  EXPECT_GT(sectorImagesChanged, kCases * 3 / 4);
  EXPECT_GT(glideMoves, kCases * 3 / 4);
  EXPECT_GT(glideImagesChanged, kCases / 2);
}

}  // namespace
}  // namespace zspack::testing
