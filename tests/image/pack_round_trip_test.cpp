// The test packer and the depacker are inverses: whatever the builder writes comes back.
#include <gtest/gtest.h>

#include "image/depack.h"
#include "support/tune_builder.h"

namespace zspack::testing {
namespace {

TEST(PackRoundTrip, EveryEscapeByteGivesTheImageBack) {
  TuneBuilder tune;
  tune.Song(0, {0, 1, 0xFF}, {0xFF}, {0xFF}).Sector(0, {0xC0, 0x30, 0x30, 0x30, 0x30, 0x00, 0xFF});
  tune.Poke(kImageLast, 0xBF);
  for (int escape : {0x00, 0x30, 0xBF, 0xFF}) {
    const std::vector<uint8_t> file = tune.File(static_cast<uint8_t>(escape));
    MusicImage image;
    ASSERT_EQ(DepackMusic(std::span<const uint8_t>(file), image), DepackStatus::kDone)
        << "escape " << escape;
    EXPECT_EQ(image.entries, tune.Image().entries) << "escape " << escape;
  }
}

}  // namespace
}  // namespace zspack::testing
