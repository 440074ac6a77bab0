// The bundled demo tune: examples/demo.prg is what make_demo_tune writes, and the tune
// still gives every step of the exploration report something to show.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "pack/pack_tune.h"
#include "support/demo_tune.h"
#include "support/tune_builder.h"

namespace zspack::testing {
namespace {

TEST(DemoTune, CommittedFileIsWhatTheToolWrites) {
  const std::string path = std::string(ZSPACK_SOURCE_DIR) + "/examples/demo.prg";
  const std::string committed = ReadText(path);
  const std::vector<uint8_t> built = DemoTuneFile();
  EXPECT_EQ(std::vector<uint8_t>(committed.begin(), committed.end()), built)
      << path << " differs from the demo tune builder; run make_demo_tune " << path;
}

TEST(DemoTune, EveryReportStepHasSomethingToShow) {
  const std::vector<uint8_t> file = DemoTuneFile();
  PackOptions options;
  options.InputName = "demo.prg";
  options.OutputName = "demo";
  auto state = std::make_unique<PackState>();
  PackedTune packed;
  PackTune(file, options, *state, packed);
  ASSERT_EQ(packed.depack, DepackStatus::kDone);

  // The report lines each step prints only when it found something to do.
  const struct {
    const char* text;
    bool shown;
  } kReport[] = {
      {"Songs: ++--", true},
      {"after reorganizing: ", true},
      {" Glides :", true},
      {"after Reorganizing :", true},
      {"Error in wavetable", false},
      {"Inconsistent ", false},
  };
  for (const auto& line : kReport) {
    EXPECT_EQ(packed.console.find(line.text) != std::string::npos, line.shown)
        << '"' << line.text << "\" in\n" << packed.console;
  }
  // Gaps in the numbering: more slots than instruments in use, and the pulse and filter
  // maps are not empty.
  EXPECT_GT(state->exploration.counts.InstrumentSlots(), state->exploration.counts.InstrumentCount);
  EXPECT_NE(packed.console.find("Pulsetable-Usage :\n-+"), std::string::npos) << packed.console;
  EXPECT_NE(packed.console.find("Filtertable-Usage :\n---+"), std::string::npos) << packed.console;

  // Most of the player's features, so the defines file is a good example too.
  for (const Feature f : {Feature::kFilters, Feature::kPulse, Feature::kHr0, Feature::kHr1, Feature::kHr3,
                          Feature::kVibrato, Feature::kTranspose, Feature::kRepeat, Feature::kSetMvl,
                          Feature::kLoop, Feature::kEnd, Feature::kGlides, Feature::kTieNotes,
                          Feature::kTuneAd, Feature::kTuneSr, Feature::kTunePp, Feature::kTuneFp}) {
    EXPECT_TRUE(state->features.Has(f)) << kFeatureDefines[static_cast<size_t>(f)];
  }
}

}  // namespace
}  // namespace zspack::testing
