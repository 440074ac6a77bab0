// The single-pass compactions leave the same image and maps as moving sectors and glides
// one at a time, on thousands of generated images: tracks with and without ends and with
// sector numbers after them, sectors with glide selects, commands whose parameters look
// like glide selects or ends, and sectors without $FF.
#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <random>
#include <string>

#include "explore/explore_fixture.h"
#include "explore/renumber.h"
#include "explore/scan_music.h"
#include "support/renumber_reference.h"

namespace zspack::testing {
namespace {

constexpr int kCases = 2000;

// Deterministic: a fixed seed, and only the generator's raw output is used (the standard
// distributions differ between libraries).
class MusicGenerator {
 public:
  explicit MusicGenerator(uint32_t seed) : rng_(seed) {}

  uint32_t Below(uint32_t n) { return rng_() % n; }

  void Fill(MusicImage& image) {
    static constexpr uint8_t kTrackEnds[] = {0xF0, 0xF1, 0xF2, 0xF3, 0xFE, 0xFF};
    static constexpr uint32_t kEndChance[] = {0, 8, 40, 150};  // per mille
    for (int track = 0; track < kTrackCount; ++track) {
      const uint32_t endChance = kEndChance[Below(4)];
      for (uint32_t i = 0; i < kTrackEntries; ++i) {
        const uint32_t r = Below(1000);
        image.Set(TrackAddress(track) + i, r < endChance         ? kTrackEnds[Below(6)]
                                           : r < endChance + 650 ? Below(kSectorCount)
                                                                 : 0x60 + Below(0xFE - 0x60));
      }
    }
    // Mostly a few glides, so that the used ones leave gaps to close.
    std::array<uint32_t, 5> glides{};
    for (uint32_t& g : glides) g = Below(kGlideCount);
    const bool fewGlides = Below(4) != 0;
    for (int n = 0; n < kSectorCount; ++n) {
      const uint32_t endChance = kEndChance[Below(4)] / 2;
      for (uint32_t i = 0; i < kSectorEntries; ++i) {
        const uint32_t r = Below(1000);
        const uint32_t glide = 0x60 + (fewGlides ? glides[Below(5)] : Below(kGlideCount));
        if (r >= endChance + 300 && r < endChance + 420) {
          image.Set(SectorAddress(n) + i, static_cast<uint16_t>(0xF6 + Below(5)));
          if (++i == kSectorEntries) break;  // a command in the last entry
          image.Set(SectorAddress(n) + i, static_cast<uint16_t>(Below(2) == 0 ? glide : 0xFF));
          continue;
        }
        // Otherwise an end, a glide select, a note or any entry from $80 to $FE.
        image.Set(SectorAddress(n) + i, static_cast<uint16_t>(r < endChance         ? 0xFF
                                                              : r < endChance + 300 ? glide
                                                              : Below(2) == 0       ? Below(0x60)
                                                                                    : 0x80 + Below(0x7F)));
      }
    }
    for (uint32_t g = 0; g < kGlideCount; ++g) {
      image.Set(addr::gldtbl + g, static_cast<uint16_t>(Below(256)));
      image.Set(addr::gldtbh + g, static_cast<uint16_t>(Below(256)));
    }
  }

  template <size_t N>
  void RandomMap(std::array<uint8_t, N>& map) {
    const uint32_t density = Below(1000);
    const uint32_t from = Below(2) == 0 ? 0 : Below(N);  // sometimes only high numbers in use
    map.fill(0);
    for (size_t i = from; i < N; ++i) map[i] = Below(1000) < density ? 1 : 0;
  }

 private:
  std::mt19937 rng_;
};

TEST(CompactionProperty, OnePassEqualsOneMoveAtATime) {
  MusicGenerator gen(0x2A5EC7u);
  int sectorImagesChanged = 0, glideImagesChanged = 0;
  for (int n = 0; n < kCases; ++n) {
    SCOPED_TRACE("case " + std::to_string(n));
    auto original = std::make_unique<PackState>();
    gen.Fill(original->image);
    UsageMaps& maps = original->exploration.maps;
    const bool scanned = gen.Below(2) == 0;
    if (scanned) {
      maps.SongMap = FindSongs(original->image);
      for (int s = 0; s < kSongCount; ++s) {
        for (int v = 0; v < kVoiceCount && maps.SongMap[static_cast<size_t>(s)] != 0; ++v) {
          ScanTrack(original->image, s, v, original->exploration);
        }
      }
    } else {
      gen.RandomMap(maps.SectorMap);
    }

    auto onePass = std::make_unique<PackState>(*original);
    auto oneByOne = std::make_unique<PackState>(*original);
    const bool moved = CompactSectors(onePass->image, onePass->exploration.maps.SectorMap);
    ASSERT_EQ(moved, CompactSectorsOneByOne(oneByOne->image, oneByOne->exploration.maps.SectorMap));
    const std::vector<int> used = Marked(maps.SectorMap);
    ASSERT_EQ(moved, !used.empty() && used.back() + 1 != static_cast<int>(used.size())) << "a gap to close";
    ASSERT_TRUE(SameImage(onePass->image, oneByOne->image));
    ASSERT_EQ(onePass->exploration.maps.SectorMap, oneByOne->exploration.maps.SectorMap);
    sectorImagesChanged += onePass->image != original->image ? 1 : 0;

    // Glides: found by the sector scans after the sector compaction, or a random map over
    // the sectors as they were.
    auto glides = std::make_unique<PackState>(scanned ? *onePass : *original);
    for (int s = 0; s < kSectorCount && scanned; ++s) {
      if (glides->exploration.maps.SectorMap[static_cast<size_t>(s)] != 0) ScanSector(glides->image, s, glides->exploration);
    }
    if (!scanned) gen.RandomMap(glides->exploration.maps.GlideMap);
    auto glidesOnePass = std::make_unique<PackState>(*glides);
    auto glidesOneByOne = std::make_unique<PackState>(*glides);
    CompactGlides(glidesOnePass->image, glidesOnePass->exploration.maps);
    CompactGlidesOneByOne(glidesOneByOne->image, glidesOneByOne->exploration.maps);
    ASSERT_TRUE(SameImage(glidesOnePass->image, glidesOneByOne->image));
    glideImagesChanged += glidesOnePass->image != glides->image ? 1 : 0;
  }
  // The generator must make the compactions work, or the comparison proves little.
  EXPECT_GT(sectorImagesChanged, kCases * 3 / 4);
  EXPECT_GT(glideImagesChanged, kCases / 2);
}

}  // namespace
}  // namespace zspack::testing
