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
    void (*plant)(CrunchedMusic&);
    bool taken;
  } table[] = {
      {"nothing planted", [](CrunchedMusic&) {}, true},
      {"an instrument's attack", [](CrunchedMusic& c) { c.image.Set(addr::adtb, c.image.Byte(addr::adtb) ^ 0x10); }, false},
      {"a note of a sector", [](CrunchedMusic& c) { c.image.Set(SectorAddress(1) + 2, 0x31); }, false},
      {"a pulse row", [](CrunchedMusic& c) { c.image.Set(addr::ptb1 + 1, 0x09); }, false},
      {"a track naming another's label", [](CrunchedMusic& c) { c.exploration.trackLabels[5] = 2; }, false},
      {"one glide less", [](CrunchedMusic& c) { c.exploration.counts.GlideCount = 1; }, false},
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
    auto crunched = std::make_unique<CrunchedMusic>();
    CrunchMusic(plain->image, plain->exploration, std::nullopt, *crunched);
    row.plant(*crunched);
    auto state = std::make_unique<PackState>(*plain);
    PackedTune out = plainOut;
    TakeCrunched(*crunched, options, *state, out);
    const PackedTune& expected = row.taken ? crunchedOut : plainOut;
    EXPECT_EQ(out.console, row.taken ? crunchedOut.console : plainOut.console + kRefused) << row.what;
    EXPECT_EQ(out.defines, expected.defines) << row.what;
    EXPECT_EQ(out.data, expected.data) << row.what;
    EXPECT_EQ(state->image == crunched->image, row.taken) << row.what;
  }
}

}  // namespace
}  // namespace zspack::testing
