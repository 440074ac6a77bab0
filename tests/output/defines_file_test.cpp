// The defines file "the_defines.a": its header (start address or PSID include, output
// name), the song and speed settings, one define per feature in a fixed order, and the
// defines derived from the features with the tuner count.
#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

#include "output/defines_file.h"

namespace zspack::testing {
namespace {

PackOptions Options(std::string_view input = "tune.prg", std::string_view output = "tune") {
  PackOptions options;
  options.InputName = input;
  options.OutputName = output;
  return options;
}

// The lines before the song settings, for a start address or for a PSID header.
std::string C64Header(const std::string& input, const std::string& start, const std::string& to) {
  return ";Defines f\xFCr " + input + "\r\n;\r\n\t* = " + start + "\r\n\r\n\t!to \"" + to + "\"\r\n\r\n";
}
std::string PsidHeader(const std::string& input, const std::string& model, const std::string& to) {
  return ";Defines f\xFCr " + input + "\r\n;\r\n\t_SIDMODEL_ = " + model +
         "\r\n\t!SRC \"PSID_header.a\"\r\n\r\n\t!to \"" + to + "\"\r\n\r\n";
}

const std::string kDefaultHeader = C64Header("tune.prg", "$1000", "tune");
const std::string kDerivedHeading = ";...\r\n;kreiert aus diesen Obigen ...\r\n;...\r\n";
const std::string kNoFeatureTail = kDerivedHeading + "\t_NOLOOPEN_\r\n\t_ONLY_MVL_\r\n;...\r\n";

TEST(DefinesFile, PsidRunWithEveryFeature) {
  PackOptions options = Options("music/tune.prg", "tune");
  options.PsidFlag = true;
  options.SidType = 2;
  options.StartAddress = 0xC000;
  FeatureState features;
  features.flags.fill(true);
  features.SelectedSong = 1;
  features.SingleSpeed = 4;
  features.MultiSpeed = 2;
  EXPECT_EQ(RenderDefinesFile(options, features),
            ";Defines f\xFCr music/tune.prg\r\n"
            ";\r\n"
            "\t_SIDMODEL_ = 2\r\n"
            "\t!SRC \"PSID_header.a\"\r\n"
            "\r\n"
            "\t!to \"tune.sid\"\r\n"
            "\r\n"
            "\t_ONLY_SONG_ = 0\r\n"
            "\t_SINGLE_SPEED_ = 4\r\n"
            "\t_MULTISPEED_ = 2\r\n"
            "\t_FILTERS_\r\n\t_PULSE_\r\n\t_HR0_\r\n\t_HR1_\r\n\t_HR2_\r\n\t_HR3_\r\n"
            "\t_VIBRATO_\r\n\t_TRANSPOSE_\r\n\t_REPEAT_\r\n\t_SETMVL_\r\n\t_SONGCHANGE_\r\n"
            "\t_SPEEDCHANGE_\r\n\t_LOOP_\r\n\t_END_\r\n\t_GLIDES_\r\n\t_TIENOTES_\r\n"
            "\t_TUNEAD_\r\n\t_TUNESR_\r\n\t_TUNEPP_\r\n\t_TUNEFP_\r\n\t_TUNEFF_\r\n"
            ";...\r\n"
            ";kreiert aus diesen Obigen ...\r\n"
            ";...\r\n"
            "\t_TRANSREP_\r\n\t_HR01_\r\n\t_HR23_\r\n\t_LOOPASK_\r\n\t_ENDASK_\r\n\t_SONGASK_\r\n"
            "\t_ANYTUNER_\r\n\ttc = 5\r\n\t_TIE_OR_TUNE_\r\n"
            ";...\r\n");
}

// The input name goes into the first line as typed, control characters as '?'; the
// output name's backslashes are doubled, as ACME reads a backslash as an escape.
TEST(DefinesFile, HeaderFollowsTheOptions) {
  struct Case {
    const char* name;
    std::string_view input = "tune.prg", output = "tune";
    bool psid = false;
    int16_t sidType = 0;
    uint32_t start = 0x1000;
    std::string header;
  };
  const Case cases[] = {
      {.name = "Start0000", .start = 0x0000, .header = C64Header("tune.prg", "$0000", "tune")},
      {.name = "Start0801", .start = 0x0801, .header = C64Header("tune.prg", "$0801", "tune")},
      {.name = "StartFFFF", .start = 0xFFFF, .header = C64Header("tune.prg", "$FFFF", "tune")},
      {.name = "PsidIgnoresTheStart", .psid = true, .sidType = 2, .start = 0xC000,
       .header = PsidHeader("tune.prg", "2", "tune.sid")},
      {.name = "PsidModelNegativeAndBackslashes", .output = "c:\\tune", .psid = true, .sidType = -48,
       .header = PsidHeader("tune.prg", "-48", "c:\\\\tune.sid")},
      {.name = "PsidModel207AfterAnExtension", .output = "tune.sid", .psid = true, .sidType = 207,
       .header = PsidHeader("tune.prg", "207", "tune.sid.sid")},
      {.name = "EmptyOutputNamePsid", .output = "", .psid = true, .sidType = 1, .header = PsidHeader("tune.prg", "1", ".sid")},
      {.name = "BackslashesDoubledSlashesAndBlanksKept", .output = "my music/out\\",
       .header = C64Header("tune.prg", "$1000", "my music/out\\\\")},
      {.name = "InputNameVerbatim", .input = "C:\\My Music\\s\xFC\x7F\xA0 1.prg",
       .header = C64Header("C:\\My Music\\s\xFC\x7F\xA0 1.prg", "$1000", "tune")},
      {.name = "InputNameEmpty", .input = "", .header = C64Header("", "$1000", "tune")},
      {.name = "InputControlsBecomeQuestionMarks", .input = "\x01\r\n\x1F\t.prg",
       .header = C64Header("?????.prg", "$1000", "tune")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PackOptions options = Options(c.input, c.output);
    options.PsidFlag = c.psid;
    options.SidType = c.sidType;
    options.StartAddress = c.start;
    EXPECT_EQ(RenderDefinesFile(options, FeatureState{}), c.header + kNoFeatureTail);
  }
}

TEST(DefinesFile, SettingsBeforeTheFeatures) {
  struct Case {
    std::optional<int16_t> selected, single, multi;
    std::string lines;
  };
  const Case cases[] = {
      {std::nullopt, std::nullopt, std::nullopt, ""},
      {3, std::nullopt, std::nullopt, "\t_ONLY_SONG_ = 0\r\n"},  // the packed song is always song 0
      {std::nullopt, 256, std::nullopt, "\t_SINGLE_SPEED_ = 256\r\n"},
      {std::nullopt, std::nullopt, 0, ""},
      {std::nullopt, std::nullopt, 1, "\t_MULTISPEED_ = 1\r\n"},  // the smallest factor is written too
      {2, 13, 4, "\t_ONLY_SONG_ = 0\r\n\t_SINGLE_SPEED_ = 13\r\n\t_MULTISPEED_ = 4\r\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.lines);
    FeatureState features;
    features.SelectedSong = c.selected;
    features.SingleSpeed = c.single;
    features.MultiSpeed = c.multi;
    EXPECT_EQ(RenderDefinesFile(Options(), features), kDefaultHeader + c.lines + kNoFeatureTail);
  }
}

// Each feature alone writes its own define and no other, before the derived defines.
TEST(DefinesFile, OneDefinePerFeature) {
  const char* const kNames[] = {
      "_FILTERS_", "_PULSE_", "_HR0_", "_HR1_", "_HR2_", "_HR3_", "_VIBRATO_", "_TRANSPOSE_", "_REPEAT_",
      "_SETMVL_", "_SONGCHANGE_", "_SPEEDCHANGE_", "_LOOP_", "_END_", "_GLIDES_", "_TIENOTES_",
      "_TUNEAD_", "_TUNESR_", "_TUNEPP_", "_TUNEFP_", "_TUNEFF_"};
  static_assert(std::size(kNames) == kFeatureCount);
  for (size_t f = 0; f < kFeatureCount; ++f) {
    SCOPED_TRACE(kNames[f]);
    FeatureState features;
    features.Set(static_cast<Feature>(f));
    const std::string text = RenderDefinesFile(Options(), features);
    ASSERT_TRUE(text.starts_with(kDefaultHeader)) << text;
    EXPECT_EQ(text.substr(kDefaultHeader.size(), text.find(kDerivedHeading) - kDefaultHeader.size()),
              std::string("\t") + kNames[f] + "\r\n");
  }
}

// The derived defines between the comment lines and the closing ";...", written as blank-
// separated names ("tc=2" stands for the line "tc = 2").
TEST(DefinesFile, DerivedDefines) {
  constexpr Feature L = Feature::kLoop, E = Feature::kEnd, SC = Feature::kSongChange, MVL = Feature::kSetMvl;
  constexpr Feature H0 = Feature::kHr0, H1 = Feature::kHr1, H2 = Feature::kHr2, H3 = Feature::kHr3;
  constexpr Feature AD = Feature::kTuneAd, SR = Feature::kTuneSr, PP = Feature::kTunePp, FP = Feature::kTuneFp,
                    FF = Feature::kTuneFf, TIE = Feature::kTieNotes;
  struct Case {
    const char* name;
    std::vector<Feature> flags;
    std::string derived;
  };
  const Case cases[] = {
      // Loop, end, song change and master volume in all sixteen combinations.
      {"None", {}, "_NOLOOPEN_ _ONLY_MVL_"},
      {"Loop", {L}, "_SONGASK_"},
      {"End", {E}, "_LOOPASK_ _SONGASK_"},
      {"LoopEnd", {L, E}, "_LOOPASK_ _SONGASK_"},
      {"SongChange", {SC}, "_LOOPASK_ _ENDASK_ _NOLOOPEN_"},
      {"LoopSongChange", {L, SC}, "_LOOPASK_ _ENDASK_ _SONGASK_ _SONGCHANGE_unten_"},
      {"EndSongChange", {E, SC}, "_LOOPASK_ _ENDASK_ _SONGASK_ _SONGCHANGE_unten_"},
      {"LoopEndSongChange", {L, E, SC}, "_LOOPASK_ _ENDASK_ _SONGASK_"},
      {"SetMvl", {MVL}, "_LOOPASK_ _ENDASK_ _NOLOOPEN_ _ONLY_MVL_"},
      {"LoopSetMvl", {L, MVL}, "_LOOPASK_ _ENDASK_ _SONGASK_"},
      {"EndSetMvl", {E, MVL}, "_LOOPASK_ _ENDASK_ _SONGASK_"},
      {"LoopEndSetMvl", {L, E, MVL}, "_LOOPASK_ _ENDASK_ _SONGASK_"},
      {"SongChangeSetMvl", {SC, MVL}, "_LOOPASK_ _ENDASK_ _NOLOOPEN_"},
      {"LoopSongChangeSetMvl", {L, SC, MVL}, "_LOOPASK_ _ENDASK_ _SONGASK_ _SONGCHANGE_unten_"},
      {"EndSongChangeSetMvl", {E, SC, MVL}, "_LOOPASK_ _ENDASK_ _SONGASK_ _SONGCHANGE_unten_"},
      {"AllFour", {L, E, SC, MVL}, "_LOOPASK_ _ENDASK_ _SONGASK_"},
      // Hard restart kinds and repeat/transpose; _END_ keeps the loop lines fixed.
      {"Hr0", {E, H0}, "_HR01_ _LOOPASK_ _SONGASK_"},
      {"Hr1", {E, H1}, "_HR01_ _LOOPASK_ _SONGASK_"},
      {"Hr2", {E, H2}, "_HR23_ _LOOPASK_ _SONGASK_"},
      {"Hr3Only", {E, H3}, "_HR23_ _ONLY_HR3_ _LOOPASK_ _SONGASK_"},
      {"Hr0Hr3", {E, H0, H3}, "_HR01_ _HR23_ _LOOPASK_ _SONGASK_"},
      {"Hr1Hr3", {E, H1, H3}, "_HR01_ _HR23_ _LOOPASK_ _SONGASK_"},
      {"Hr2Hr3", {E, H2, H3}, "_HR23_ _LOOPASK_ _SONGASK_"},
      {"Repeat", {E, Feature::kRepeat}, "_TRANSREP_ _LOOPASK_ _SONGASK_"},
      {"Transpose", {E, Feature::kTranspose}, "_TRANSREP_ _LOOPASK_ _SONGASK_"},
      {"FlagsThatDeriveNothing",
       {E, Feature::kFilters, Feature::kPulse, Feature::kVibrato, Feature::kSpeedChange, Feature::kGlides},
       "_LOOPASK_ _SONGASK_"},
      // The tuner group counts the five tune commands; tie notes alone ask for _TIE_OR_TUNE_.
      {"TieNotesOnly", {E, TIE}, "_LOOPASK_ _SONGASK_ _TIE_OR_TUNE_"},
      {"TuneAd", {E, AD}, "_LOOPASK_ _SONGASK_ _ANYTUNER_ tc=1 _TIE_OR_TUNE_"},
      {"TuneSr", {E, SR}, "_LOOPASK_ _SONGASK_ _ANYTUNER_ tc=1 _TIE_OR_TUNE_"},
      {"TunePp", {E, PP}, "_LOOPASK_ _SONGASK_ _ANYTUNER_ tc=1 _TIE_OR_TUNE_"},
      {"TuneFp", {E, FP}, "_LOOPASK_ _SONGASK_ _ANYTUNER_ tc=1 _TIE_OR_TUNE_"},
      {"TuneFf", {E, FF}, "_LOOPASK_ _SONGASK_ _ANYTUNER_ tc=1 _TIE_OR_TUNE_"},
      {"TwoTuners", {E, SR, FP}, "_LOOPASK_ _SONGASK_ _ANYTUNER_ tc=2 _TIE_OR_TUNE_"},
      {"FiveTunersAndTies", {E, AD, SR, PP, FP, FF, TIE}, "_LOOPASK_ _SONGASK_ _ANYTUNER_ tc=5 _TIE_OR_TUNE_"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    FeatureState features;
    for (const Feature f : c.flags) features.Set(f);
    std::string expected;
    for (size_t at = 0; at < c.derived.size();) {
      const size_t end = std::min(c.derived.find(' ', at), c.derived.size());
      std::string name = c.derived.substr(at, end - at);
      if (const size_t equals = name.find('='); equals != std::string::npos) name.replace(equals, 1, " = ");
      expected += "\t" + name + "\r\n";
      at = end + 1;
    }
    const std::string text = RenderDefinesFile(Options(), features);
    const size_t derived = text.find(kDerivedHeading) + kDerivedHeading.size();
    EXPECT_EQ(text.substr(derived), expected + ";...\r\n");
  }
}

}  // namespace
}  // namespace zspack::testing
