// The defines file "the_defines.a": its header (start address or PSID include, output
// name), the song and speed settings, the feature defines in their fixed order, the
// defines derived from them and the tuner count. Each table splits the rendered file into
// its sections and compares the section it is about line for line, so a define that shows
// up where it should not fails as surely as one that is missing.
#include <gtest/gtest.h>

#include <cctype>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include "pack/pack_tune.h"
#include "output/defines_file.h"
#include "output/generated_text.h"
#include "support/tune_builder.h"

namespace zspack::testing {
namespace {

// The file cut where its fixed lines stand: the header through the empty line after
// "!to", the settings and feature defines up to the first ";...", and the derived
// defines between the three comment lines and the closing ";...".
struct Sections {
  Lines header, body, derived;
};

::testing::AssertionResult Split(const std::string& text, Sections& sections) {
  const Lines lines = SplitLines(text);
  size_t empties = 0;
  size_t i = 0;
  for (; i < lines.size() && empties < 2; ++i) {
    sections.header.push_back(lines[i]);
    if (lines[i].empty()) ++empties;
  }
  if (empties < 2) return ::testing::AssertionFailure() << "no two empty lines in\n" << Visible(text);
  for (; i < lines.size() && lines[i] != ";..."; ++i) sections.body.push_back(lines[i]);
  if (i + 3 > lines.size() || lines[i + 1] != ";kreiert aus diesen Obigen ..." || lines[i + 2] != ";...") {
    return ::testing::AssertionFailure() << "no comment block after the defines in\n" << Visible(text);
  }
  for (i += 3; i + 1 < lines.size(); ++i) sections.derived.push_back(lines[i]);
  if (i >= lines.size() || lines[i] != ";...") {
    return ::testing::AssertionFailure() << "the file does not close with \";...\":\n" << Visible(text);
  }
  return ::testing::AssertionSuccess();
}

void ExpectLines(const Lines& got, const Lines& expected, const std::string& what,
                 const std::string& text) {
  EXPECT_EQ(got, expected) << what << " of\n" << Visible(text);
}

PackOptions Options(std::string_view input = "tune.prg", std::string_view output = "tune") {
  PackOptions options;
  options.InputName = input;
  options.OutputName = output;
  return options;
}

FeatureState Flags(std::initializer_list<Feature> flags) {
  FeatureState features;
  for (const Feature f : flags) features.Set(f);
  return features;
}

std::string Render(const PackOptions& options, const FeatureState& features) {
  std::string text = RenderDefinesFile(options, features);
  EXPECT_TRUE(LineEndsAreCrLf(text));
  return text;
}

// ---------------------------------------------------------------------------------------
// Whole files.

TEST(DefinesFile, DefaultRunWithoutFeatures) {
  FeatureState features = Flags({Feature::kEnd});
  features.SingleSpeed = 6;
  EXPECT_TRUE(SameText(
            ";Defines f\xFCr tune.prg\r\n"
            ";\r\n"
            "\t* = $1000\r\n"
            "\r\n"
            "\t!to \"tune\"\r\n"
            "\r\n"
            "\t_SINGLE_SPEED_ = 6\r\n"
            "\t_END_\r\n"
            ";...\r\n"
            ";kreiert aus diesen Obigen ...\r\n"
            ";...\r\n"
            "\t_LOOPASK_\r\n"
            "\t_SONGASK_\r\n"
            ";...\r\n",
            Render(Options(), features)));
}

TEST(DefinesFile, NothingSetAtAll) {
  EXPECT_TRUE(SameText(
            ";Defines f\xFCr a\r\n;\r\n\t* = $1000\r\n\r\n\t!to \"b\"\r\n\r\n"
            ";...\r\n;kreiert aus diesen Obigen ...\r\n;...\r\n"
            "\t_NOLOOPEN_\r\n\t_ONLY_MVL_\r\n;...\r\n",
            Render(Options("a", "b"), FeatureState{})));
}

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
  EXPECT_TRUE(SameText(
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
            ";...\r\n",
            Render(options, features)));
}

// The first line's u-umlaut is the one Latin-1 byte $FC; no other byte above $7F appears
// when the names are ASCII.
TEST(DefinesFile, UmlautIsOneLatin1Byte) {
  FeatureState features;
  features.flags.fill(true);
  const std::string text = Render(Options(), features);
  ASSERT_GE(text.size(), 13u);
  EXPECT_EQ(text.substr(0, 13), std::string(";Defines f") + '\xFC' + "r ");
  size_t high = 0;
  for (const char c : text) high += static_cast<unsigned char>(c) >= 0x80 ? 1 : 0;
  EXPECT_EQ(high, 1u) << Visible(text);
  EXPECT_EQ(text.find('\xC3'), std::string::npos) << "UTF-8 lead byte in\n" << Visible(text);
}

// ---------------------------------------------------------------------------------------
// Header: first comment line, start address or PSID include, output name.

struct HeaderCase {
  const char* name;
  PackOptions options;
  Lines expected;
};

void PrintTo(const HeaderCase& c, std::ostream* os) { *os << c.name; }

PackOptions Psid(int16_t sidType, std::string_view output = "tune") {
  PackOptions options = Options("tune.prg", output);
  options.PsidFlag = true;
  options.SidType = sidType;
  return options;
}

PackOptions Start(uint32_t address) {
  PackOptions options = Options();
  options.StartAddress = address;
  return options;
}

const std::string kFirst = ";Defines f\xFCr tune.prg";

Lines C64Header(const std::string& start, const std::string& to, const std::string& first = kFirst) {
  return {first, ";", "\t* = " + start, "", "\t!to \"" + to + "\"", ""};
}

Lines PsidHeader(const std::string& model, const std::string& to, const std::string& first = kFirst) {
  return {first, ";", "\t_SIDMODEL_ = " + model, "\t!SRC \"PSID_header.a\"", "", "\t!to \"" + to + "\"", ""};
}

class DefinesHeader : public ::testing::TestWithParam<HeaderCase> {};

TEST_P(DefinesHeader, Lines) {
  const HeaderCase& c = GetParam();
  const std::string text = Render(c.options, Flags({Feature::kEnd}));
  Sections sections;
  ASSERT_TRUE(Split(text, sections));
  ExpectLines(sections.header, c.expected, "header", text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DefinesHeader,
    ::testing::Values(
        HeaderCase{"Default", Options(), C64Header("$1000", "tune")},
        HeaderCase{"Start0801", Start(0x0801), C64Header("$0801", "tune")},
        HeaderCase{"StartC000", Start(0xC000), C64Header("$C000", "tune")},
        HeaderCase{"Start0000", Start(0x0000), C64Header("$0000", "tune")},
        HeaderCase{"StartFFFF", Start(0xFFFF), C64Header("$FFFF", "tune")},
        HeaderCase{"Start00FF", Start(0x00FF), C64Header("$00FF", "tune")},
        HeaderCase{"Start1234", Start(0x1234), C64Header("$1234", "tune")},
        HeaderCase{"PsidModel1", Psid(1), PsidHeader("1", "tune.sid")},
        HeaderCase{"PsidModel0", Psid(0), PsidHeader("0", "tune.sid")},
        HeaderCase{"PsidModelLetterA", Psid(17), PsidHeader("17", "tune.sid")},
        HeaderCase{"PsidModelNegative", Psid(-48), PsidHeader("-48", "tune.sid")},
        HeaderCase{"PsidModel207", Psid(207), PsidHeader("207", "tune.sid")},
        HeaderCase{"PsidIgnoresStart",
                   [] {
                     PackOptions o = Psid(3);
                     o.StartAddress = 0xC000;
                     return o;
                   }(),
                   PsidHeader("3", "tune.sid")},
        HeaderCase{"PsidAppendsToAnExtension", Psid(2, "tune.sid"), PsidHeader("2", "tune.sid.sid")},
        HeaderCase{"PsidAppendsToOtherExtension", Psid(2, "tune.prg"), PsidHeader("2", "tune.prg.sid")},
        HeaderCase{"EmptyOutputName", Options("tune.prg", ""), C64Header("$1000", "")},
        HeaderCase{"EmptyOutputNamePsid", Psid(1, ""), PsidHeader("1", ".sid")},
        HeaderCase{"BackslashesDoubled", Options("tune.prg", "out\\music\\tune"),
                   C64Header("$1000", "out\\\\music\\\\tune")},
        HeaderCase{"TrailingBackslashDoubled", Options("tune.prg", "out\\"), C64Header("$1000", "out\\\\")},
        HeaderCase{"BackslashesDoubledPsid", Psid(1, "c:\\sid\\tune"),
                   PsidHeader("1", "c:\\\\sid\\\\tune.sid")},
        HeaderCase{"SlashesAndBlanksKept", Options("tune.prg", "my music/tune 1"),
                   C64Header("$1000", "my music/tune 1")},
        HeaderCase{"InputPathVerbatim", Options("C:\\My Music\\tune 1.prg", "tune"),
                   C64Header("$1000", "tune", ";Defines f\xFCr C:\\My Music\\tune 1.prg")},
        HeaderCase{"InputEmpty", Options("", "tune"), C64Header("$1000", "tune", ";Defines f\xFCr ")},
        HeaderCase{"InputNewline", Options("tu\nne.prg", "tune"),
                   C64Header("$1000", "tune", ";Defines f\xFCr tu?ne.prg")},
        HeaderCase{"InputControls", Options("\x01\r\x1F\t.prg", "tune"),
                   C64Header("$1000", "tune", ";Defines f\xFCr ????.prg")},
        HeaderCase{"InputHighBytesKept", Options("s\xFC\x7F\xA0.prg", "tune"),
                   C64Header("$1000", "tune", ";Defines f\xFCr s\xFC\x7F\xA0.prg")}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------
// Song and speed settings, the lines before the feature defines.

struct SettingsCase {
  const char* name;
  int16_t selected, single, multi;
  Lines expected;
};

void PrintTo(const SettingsCase& c, std::ostream* os) { *os << c.name; }

class DefinesSettings : public ::testing::TestWithParam<SettingsCase> {};

TEST_P(DefinesSettings, Lines) {
  const SettingsCase& c = GetParam();
  FeatureState features;
  features.SelectedSong = c.selected;
  features.SingleSpeed = c.single;
  features.MultiSpeed = c.multi;
  const std::string text = Render(Options(), features);
  Sections sections;
  ASSERT_TRUE(Split(text, sections));
  ExpectLines(sections.body, c.expected, "settings", text);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DefinesSettings,
    ::testing::Values(
        SettingsCase{"NoneApplies", -1, -1, -1, {}},
        SettingsCase{"Song0", 0, -1, -1, {"\t_ONLY_SONG_ = 0"}},
        SettingsCase{"Song3IsStillZero", 3, -1, -1, {"\t_ONLY_SONG_ = 0"}},
        SettingsCase{"SingleSpeed1", -1, 1, -1, {"\t_SINGLE_SPEED_ = 1"}},
        SettingsCase{"SingleSpeed6", -1, 6, -1, {"\t_SINGLE_SPEED_ = 6"}},
        SettingsCase{"SingleSpeed256", -1, 256, -1, {"\t_SINGLE_SPEED_ = 256"}},
        SettingsCase{"MultiSpeed1", -1, -1, 1, {"\t_MULTISPEED_ = 1"}},
        SettingsCase{"MultiSpeed15", -1, -1, 15, {"\t_MULTISPEED_ = 15"}},
        SettingsCase{"MultiSpeedZeroIsNone", -1, -1, 0, {}},
        SettingsCase{"AllThreeInOrder", 2, 13, 4,
                     {"\t_ONLY_SONG_ = 0", "\t_SINGLE_SPEED_ = 13", "\t_MULTISPEED_ = 4"}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------
// Feature defines: one line per set flag, named after it, in one fixed order.

// The defines in the order the file lists them, next to the flag each stands for.
struct NamedFeature {
  Feature feature;
  const char* line;
};

void PrintTo(const NamedFeature& n, std::ostream* os) { *os << n.line + 1; }

constexpr NamedFeature kFileOrder[] = {
    {Feature::kFilters, "\t_FILTERS_"},         {Feature::kPulse, "\t_PULSE_"},
    {Feature::kHr0, "\t_HR0_"},                 {Feature::kHr1, "\t_HR1_"},
    {Feature::kHr2, "\t_HR2_"},                 {Feature::kHr3, "\t_HR3_"},
    {Feature::kVibrato, "\t_VIBRATO_"},         {Feature::kTranspose, "\t_TRANSPOSE_"},
    {Feature::kRepeat, "\t_REPEAT_"},           {Feature::kSetMvl, "\t_SETMVL_"},
    {Feature::kSongChange, "\t_SONGCHANGE_"},   {Feature::kSpeedChange, "\t_SPEEDCHANGE_"},
    {Feature::kLoop, "\t_LOOP_"},               {Feature::kEnd, "\t_END_"},
    {Feature::kGlides, "\t_GLIDES_"},           {Feature::kTieNotes, "\t_TIENOTES_"},
    {Feature::kTuneAd, "\t_TUNEAD_"},           {Feature::kTuneSr, "\t_TUNESR_"},
    {Feature::kTunePp, "\t_TUNEPP_"},           {Feature::kTuneFp, "\t_TUNEFP_"},
    {Feature::kTuneFf, "\t_TUNEFF_"},
};
static_assert(std::size(kFileOrder) == kFeatureCount);

class DefinesOneFeature : public ::testing::TestWithParam<NamedFeature> {};

TEST_P(DefinesOneFeature, WritesItsOwnLineAlone) {
  const NamedFeature& named = GetParam();
  const std::string text = Render(Options(), Flags({named.feature}));
  Sections sections;
  ASSERT_TRUE(Split(text, sections));
  ExpectLines(sections.body, {named.line}, "feature defines", text);
}

INSTANTIATE_TEST_SUITE_P(Table, DefinesOneFeature, ::testing::ValuesIn(kFileOrder),
                         [](const auto& info) {
                           std::string name;
                           for (const char c : std::string_view(info.param.line)) {
                             if (std::isalnum(static_cast<unsigned char>(c))) name += c;
                           }
                           return name;
                         });

TEST(DefinesFeatures, AllFlagsInFileOrder) {
  FeatureState features;
  features.flags.fill(true);
  const std::string text = Render(Options(), features);
  Sections sections;
  ASSERT_TRUE(Split(text, sections));
  Lines expected;
  for (const NamedFeature& named : kFileOrder) expected.push_back(named.line);
  ExpectLines(sections.body, expected, "feature defines", text);
}

TEST(DefinesFeatures, ScatteredFlagsKeepFileOrder) {
  const std::string text = Render(
      Options(), Flags({Feature::kTuneFf, Feature::kGlides, Feature::kFilters, Feature::kLoop, Feature::kHr2}));
  Sections sections;
  ASSERT_TRUE(Split(text, sections));
  ExpectLines(sections.body, {"\t_FILTERS_", "\t_HR2_", "\t_LOOP_", "\t_GLIDES_", "\t_TUNEFF_"},
              "feature defines", text);
}

// ---------------------------------------------------------------------------------------
// Derived defines and the tuner group, the section between the comment lines and the
// closing ";...". With neither _END_ nor _LOOP_ the section always holds _NOLOOPEN_, and
// with _SONGCHANGE_ also absent _ONLY_MVL_.

struct DerivedCase {
  const char* name;
  std::vector<Feature> flags;
  Lines expected;
};

void PrintTo(const DerivedCase& c, std::ostream* os) { *os << c.name; }

class DefinesDerived : public ::testing::TestWithParam<DerivedCase> {};

TEST_P(DefinesDerived, Lines) {
  const DerivedCase& c = GetParam();
  FeatureState features;
  for (const Feature f : c.flags) features.Set(f);
  const std::string text = Render(Options(), features);
  Sections sections;
  ASSERT_TRUE(Split(text, sections));
  ExpectLines(sections.derived, c.expected, "derived defines", text);
}

constexpr Feature L = Feature::kLoop, E = Feature::kEnd, SC = Feature::kSongChange, MVL = Feature::kSetMvl;

// Loop, end, song change and master volume in all sixteen combinations.
INSTANTIATE_TEST_SUITE_P(
    LoopEndTable, DefinesDerived,
    ::testing::Values(
        DerivedCase{"None", {}, {"\t_NOLOOPEN_", "\t_ONLY_MVL_"}},
        DerivedCase{"Loop", {L}, {"\t_SONGASK_"}},
        DerivedCase{"End", {E}, {"\t_LOOPASK_", "\t_SONGASK_"}},
        DerivedCase{"LoopEnd", {L, E}, {"\t_LOOPASK_", "\t_SONGASK_"}},
        DerivedCase{"SongChange", {SC}, {"\t_LOOPASK_", "\t_ENDASK_", "\t_NOLOOPEN_"}},
        DerivedCase{"LoopSongChange", {L, SC},
                    {"\t_LOOPASK_", "\t_ENDASK_", "\t_SONGASK_", "\t_SONGCHANGE_unten_"}},
        DerivedCase{"EndSongChange", {E, SC},
                    {"\t_LOOPASK_", "\t_ENDASK_", "\t_SONGASK_", "\t_SONGCHANGE_unten_"}},
        DerivedCase{"LoopEndSongChange", {L, E, SC}, {"\t_LOOPASK_", "\t_ENDASK_", "\t_SONGASK_"}},
        DerivedCase{"SetMvl", {MVL}, {"\t_LOOPASK_", "\t_ENDASK_", "\t_NOLOOPEN_", "\t_ONLY_MVL_"}},
        DerivedCase{"LoopSetMvl", {L, MVL}, {"\t_LOOPASK_", "\t_ENDASK_", "\t_SONGASK_"}},
        DerivedCase{"EndSetMvl", {E, MVL}, {"\t_LOOPASK_", "\t_ENDASK_", "\t_SONGASK_"}},
        DerivedCase{"LoopEndSetMvl", {L, E, MVL}, {"\t_LOOPASK_", "\t_ENDASK_", "\t_SONGASK_"}},
        DerivedCase{"SongChangeSetMvl", {SC, MVL}, {"\t_LOOPASK_", "\t_ENDASK_", "\t_NOLOOPEN_"}},
        DerivedCase{"LoopSongChangeSetMvl", {L, SC, MVL},
                    {"\t_LOOPASK_", "\t_ENDASK_", "\t_SONGASK_", "\t_SONGCHANGE_unten_"}},
        DerivedCase{"EndSongChangeSetMvl", {E, SC, MVL},
                    {"\t_LOOPASK_", "\t_ENDASK_", "\t_SONGASK_", "\t_SONGCHANGE_unten_"}},
        DerivedCase{"AllFour", {L, E, SC, MVL}, {"\t_LOOPASK_", "\t_ENDASK_", "\t_SONGASK_"}}),
    [](const auto& info) { return std::string(info.param.name); });

constexpr Feature H0 = Feature::kHr0, H1 = Feature::kHr1, H2 = Feature::kHr2, H3 = Feature::kHr3;

// Hard restart kinds, repeat/transpose, and the flags that derive nothing.
INSTANTIATE_TEST_SUITE_P(
    HardRestartTable, DefinesDerived,
    ::testing::Values(
        DerivedCase{"Hr0", {H0}, {"\t_HR01_", "\t_NOLOOPEN_", "\t_ONLY_MVL_"}},
        DerivedCase{"Hr1", {H1}, {"\t_HR01_", "\t_NOLOOPEN_", "\t_ONLY_MVL_"}},
        DerivedCase{"Hr2", {H2}, {"\t_HR23_", "\t_NOLOOPEN_", "\t_ONLY_MVL_"}},
        DerivedCase{"Hr3Only", {H3}, {"\t_HR23_", "\t_ONLY_HR3_", "\t_NOLOOPEN_", "\t_ONLY_MVL_"}},
        DerivedCase{"Hr0Hr3", {H0, H3}, {"\t_HR01_", "\t_HR23_", "\t_NOLOOPEN_", "\t_ONLY_MVL_"}},
        DerivedCase{"Hr1Hr3", {H1, H3}, {"\t_HR01_", "\t_HR23_", "\t_NOLOOPEN_", "\t_ONLY_MVL_"}},
        DerivedCase{"Hr2Hr3", {H2, H3}, {"\t_HR23_", "\t_NOLOOPEN_", "\t_ONLY_MVL_"}},
        DerivedCase{"Hr0Hr1", {H0, H1}, {"\t_HR01_", "\t_NOLOOPEN_", "\t_ONLY_MVL_"}},
        DerivedCase{"AllHr", {H0, H1, H2, H3}, {"\t_HR01_", "\t_HR23_", "\t_NOLOOPEN_", "\t_ONLY_MVL_"}},
        DerivedCase{"Repeat", {Feature::kRepeat}, {"\t_TRANSREP_", "\t_NOLOOPEN_", "\t_ONLY_MVL_"}},
        DerivedCase{"Transpose", {Feature::kTranspose}, {"\t_TRANSREP_", "\t_NOLOOPEN_", "\t_ONLY_MVL_"}},
        DerivedCase{"RepeatTranspose", {Feature::kRepeat, Feature::kTranspose},
                    {"\t_TRANSREP_", "\t_NOLOOPEN_", "\t_ONLY_MVL_"}},
        DerivedCase{"FlagsThatDeriveNothing",
                    {Feature::kFilters, Feature::kPulse, Feature::kVibrato, Feature::kSpeedChange,
                     Feature::kGlides},
                    {"\t_NOLOOPEN_", "\t_ONLY_MVL_"}}),
    [](const auto& info) { return std::string(info.param.name); });

constexpr Feature AD = Feature::kTuneAd, SR = Feature::kTuneSr, PP = Feature::kTunePp,
                  FP = Feature::kTuneFp, FF = Feature::kTuneFf, TIE = Feature::kTieNotes;

// The tuner group counts the five tune commands; tie notes alone only ask for
// _TIE_OR_TUNE_. _END_ stands in every row so that the loop/end lines stay fixed.
INSTANTIATE_TEST_SUITE_P(
    TunerTable, DefinesDerived,
    ::testing::Values(
        DerivedCase{"TieNotesOnly", {E, TIE}, {"\t_LOOPASK_", "\t_SONGASK_", "\t_TIE_OR_TUNE_"}},
        DerivedCase{"TuneAd", {E, AD}, {"\t_LOOPASK_", "\t_SONGASK_", "\t_ANYTUNER_", "\ttc = 1", "\t_TIE_OR_TUNE_"}},
        DerivedCase{"TuneSr", {E, SR}, {"\t_LOOPASK_", "\t_SONGASK_", "\t_ANYTUNER_", "\ttc = 1", "\t_TIE_OR_TUNE_"}},
        DerivedCase{"TunePp", {E, PP}, {"\t_LOOPASK_", "\t_SONGASK_", "\t_ANYTUNER_", "\ttc = 1", "\t_TIE_OR_TUNE_"}},
        DerivedCase{"TuneFp", {E, FP}, {"\t_LOOPASK_", "\t_SONGASK_", "\t_ANYTUNER_", "\ttc = 1", "\t_TIE_OR_TUNE_"}},
        DerivedCase{"TuneFf", {E, FF}, {"\t_LOOPASK_", "\t_SONGASK_", "\t_ANYTUNER_", "\ttc = 1", "\t_TIE_OR_TUNE_"}},
        DerivedCase{"TwoTuners", {E, SR, FP}, {"\t_LOOPASK_", "\t_SONGASK_", "\t_ANYTUNER_", "\ttc = 2", "\t_TIE_OR_TUNE_"}},
        DerivedCase{"ThreeTuners", {E, AD, PP, FF},
                    {"\t_LOOPASK_", "\t_SONGASK_", "\t_ANYTUNER_", "\ttc = 3", "\t_TIE_OR_TUNE_"}},
        DerivedCase{"FourTuners", {E, AD, SR, PP, FP},
                    {"\t_LOOPASK_", "\t_SONGASK_", "\t_ANYTUNER_", "\ttc = 4", "\t_TIE_OR_TUNE_"}},
        DerivedCase{"FiveTunersAndTies", {E, AD, SR, PP, FP, FF, TIE},
                    {"\t_LOOPASK_", "\t_SONGASK_", "\t_ANYTUNER_", "\ttc = 5", "\t_TIE_OR_TUNE_"}}),
    [](const auto& info) { return std::string(info.param.name); });

// ---------------------------------------------------------------------------------------
// From a tune through the whole pack: the song switch reaches the file as _ONLY_SONG_ = 0
// and the selected song's speed, whichever song was asked for.

struct RequestedCase {
  const char* name;
  int16_t requested;
  Lines expected;
};

void PrintTo(const RequestedCase& c, std::ostream* os) { *os << c.name; }

class DefinesFromTune : public ::testing::TestWithParam<RequestedCase> {};

TEST_P(DefinesFromTune, SettingsFollowTheSongSwitch) {
  const RequestedCase& c = GetParam();
  TuneBuilder tune;
  for (int s = 0; s < 4; ++s) tune.Song(s, {0, 0xFF}, {0, 0xFF}, {0, 0xFF}, static_cast<uint8_t>(s + 1));
  tune.Sector(0, {0x30, 0xFF});
  PackOptions options = Options();
  options.RequestedSong = c.requested;
  auto state = std::make_unique<PackState>();
  PackedTune packed;
  const std::vector<uint8_t> file = tune.File();
  PackTune(file, options, *state, packed);
  ASSERT_EQ(packed.depack, DepackStatus::kDone);
  ASSERT_TRUE(LineEndsAreCrLf(packed.defines));
  Sections sections;
  ASSERT_TRUE(Split(packed.defines, sections));
  ExpectLines(sections.body, c.expected, "settings and features", packed.defines);
}

INSTANTIATE_TEST_SUITE_P(
    Table, DefinesFromTune,
    ::testing::Values(
        RequestedCase{"AllSongsDifferentSpeeds", 4, {"\t_END_"}},
        RequestedCase{"Song0", 0, {"\t_ONLY_SONG_ = 0", "\t_SINGLE_SPEED_ = 2", "\t_END_"}},
        RequestedCase{"Song1", 1, {"\t_ONLY_SONG_ = 0", "\t_SINGLE_SPEED_ = 3", "\t_END_"}},
        RequestedCase{"Song3", 3, {"\t_ONLY_SONG_ = 0", "\t_SINGLE_SPEED_ = 5", "\t_END_"}}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zspack::testing
