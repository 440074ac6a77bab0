// The check before crunched music is written: a fault planted in what CrunchMusic made
// must send the run back to the plain pack with the refusal line, and an unchanged
// crunch is taken.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "common/music_layout.h"
#include "pack/pack_tune.h"
#include "support/demo_tune.h"

namespace zspack::testing {
namespace {

const std::string kRefused = "Crunching would change the music ... packed without crunching; please report this tune.\n";

TEST(CrunchCheck, PlantedFaultKeepsThePlainPack) {
  const struct {
    const char* what;
    void (*plant)(PackState&);
    bool taken;
  } table[] = {
      {"nothing planted", [](PackState&) {}, true},
      {"an instrument's attack", [](PackState& c) { c.image.Set(addr::adtb, c.image.Byte(addr::adtb) ^ 0x10); }, false},
      {"a note of a sector", [](PackState& c) { c.image.Set(SectorAddress(1) + 2, 0x31); }, false},
      {"a pulse row", [](PackState& c) { c.image.Set(addr::ptb1 + 1, 0x09); }, false},
      {"a track naming another's label", [](PackState& c) { c.exploration.trackLabels[5] = 2; }, false},
      {"a sector named the tail of another", [](PackState& c) { c.exploration.sectorPlaces[1] = {0, 1}; }, false},
      {"one glide less", [](PackState& c) { c.exploration.counts.GlideCount = 1; }, false},
  };
  const std::vector<uint8_t> file = DemoTuneFile();
  PackOptions options;
  options.InputName = "demo.prg";
  auto plain = std::make_unique<PackState>();
  PackedTune plainOut;
  PackTune(file, options, *plain, plainOut);
  ASSERT_EQ(plainOut.depack, DepackStatus::kDone);
  options.Crunch = true;
  auto packed = std::make_unique<PackState>();
  PackedTune crunchedOut;
  PackTune(file, options, *packed, crunchedOut);
  ASSERT_NE(crunchedOut.data, plainOut.data) << "the demo tune no longer crunches";

  for (const auto& row : table) {
    auto state = std::make_unique<PackState>(*plain);
    const PlainPack plainPack = DescribePlainPack(*state, options);
    const CrunchReport report = CrunchMusic(state->image, state->exploration, std::nullopt);
    row.plant(*state);
    const MusicImage planted = state->image;
    PackedTune out = plainOut;
    TakeCrunched(file, options, plainPack, report, *state, out);
    const PackedTune& expected = row.taken ? crunchedOut : plainOut;
    EXPECT_EQ(out.console, row.taken ? crunchedOut.console : plainOut.console + kRefused) << row.what;
    EXPECT_EQ(out.defines, expected.defines) << row.what;
    EXPECT_EQ(out.data, expected.data) << row.what;
    EXPECT_EQ(state->image == (row.taken ? planted : plain->image), true) << row.what;
  }
}

}  // namespace
}  // namespace zspack::testing
