// Golden files: whole packs of a few tunes compared byte for byte with the files kept in
// tests/golden/<case>/: tune.prg, the tracker file packed; the_defines.a and the_data.a,
// the two generated sources; console.txt, the exploration report.
//
// To regenerate after a deliberate change of the output, run the test binary with
// ZSPACK_UPDATE_GOLDEN=1 in the environment, e.g.
//   ZSPACK_UPDATE_GOLDEN=1 build/tests/zspack_tests --gtest_filter='GoldenFiles*'
// then read every changed file (git diff) before committing it: the goldens are only worth
// what that review finds.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "pack/pack_tune.h"
#include "support/tune_builder.h"

namespace zspack::testing {
namespace {

struct GoldenCase { const char* name; int16_t song; bool psid; int16_t sidType; };

const GoldenCase kCases[] = {
    // One song of sector numbers and ends only, all speeds equal.
    {"default_no_features", kAllSongs, false, 0},
    // Every track and sector command, every hard restart kind, wavetable jumps and a gap,
    // pulse and filter programs from instruments and sectors, glides with a gap, multispeed.
    {"every_feature", kAllSongs, false, 0},
    // A looping song whose only instrument uses hard restart 3, with tie notes, as PSID.
    {"psid_p2", kAllSongs, true, 2},
    // Songs 0, 1 and 3 of different speeds; only song 1 is packed.
    {"single_song_s1", 1, false, 0},
    // Sectors, glides and instruments numbered with gaps.
    {"gaps_sectors_glides_instruments", kAllSongs, false, 0},
};

std::string GoldenPath(const GoldenCase& c, const std::string& file) {
  return std::string(ZSPACK_SOURCE_DIR) + "/tests/golden/" + c.name + "/" + file;
}

// Every case packs through one state and one result, twice over, so that nothing a pack
// leaves behind reaches the next one.
TEST(GoldenFiles, PacksMatchByteForByte) {
  const char* update = std::getenv("ZSPACK_UPDATE_GOLDEN");
  const bool updating = update != nullptr && std::string(update) == "1";
  auto state = std::make_unique<PackState>();
  PackedTune packed;
  for (int pass = 0; pass < (updating ? 1 : 2); ++pass) {
    for (const GoldenCase& c : kCases) {
      SCOPED_TRACE(c.name);
      const std::string prg = ReadText(GoldenPath(c, "tune.prg"));
      ASSERT_FALSE(prg.empty()) << GoldenPath(c, "tune.prg");
      PackOptions options;
      options.RequestedSong = c.song;
      options.PsidFlag = c.psid;
      options.SidType = c.sidType;
      options.InputName = "tune.prg";
      options.OutputName = "tune";
      PackTune(std::vector<uint8_t>(prg.begin(), prg.end()), options, *state, packed);
      ASSERT_EQ(packed.depack, DepackStatus::kDone);
      for (const auto& [file, text] : {std::pair{"the_defines.a", &packed.defines}, std::pair{"the_data.a", &packed.data},
                                       std::pair{"console.txt", &packed.console}}) {
        if (updating) {
          WriteBytes(GoldenPath(c, file), std::vector<uint8_t>(text->begin(), text->end()));
        } else {
          EXPECT_EQ(*text, ReadText(GoldenPath(c, file))) << file;
        }
      }
    }
  }
}

}  // namespace
}  // namespace zspack::testing
