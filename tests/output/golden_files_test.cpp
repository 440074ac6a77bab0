// Golden files: whole packs of a few tunes compared byte for byte with the files kept in
// tests/golden/<case>/:
//   tune.prg       the tracker file, as the tune below packs it (a check that the tune
//                  did not change under the goldens);
//   the_defines.a  and the_data.a, the two generated sources;
//   console.txt    the exploration report.
// Each case is packed in memory and, once more, by the zspack program in a scratch folder
// with a stand-in assembler, whose two written files must match the same goldens.
//
// To regenerate after a deliberate change of the output, run the test binary with
// ZSPACK_UPDATE_GOLDEN=1 in the environment, e.g.
//   ZSPACK_UPDATE_GOLDEN=1 build/tests/zspack_tests --gtest_filter='*GoldenPack*'
// then read every changed file (git diff) before committing it: the goldens are only worth
// what that review finds.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "pack/pack_tune.h"
#include "output/generated_text.h"
#include "support/process.h"
#include "support/tune_builder.h"

namespace zspack::testing {
namespace {

struct GoldenCase {
  const char* name;
  std::vector<std::string> args;  // the command line after the program name
  PackOptions options;             // what that command line asks for
  std::function<void(TuneBuilder&)> tune;
};

void PrintTo(const GoldenCase& c, std::ostream* os) { *os << c.name; }

PackOptions Opts(int16_t song = kAllSongs, bool psid = false, int16_t sidType = 0) {
  PackOptions options;
  options.RequestedSong = song;
  options.PsidFlag = psid;
  options.SidType = sidType;
  options.InputName = "tune.prg";
  options.OutputName = "tune";
  return options;
}

// One song, sector numbers and end bytes only, no instrument, glide or command, all four
// speeds equal and a first arpspds byte below $10.
void DefaultTune(TuneBuilder& t) {
  t.Song(0, {0x00, 0x01, 0x00, 0xFF}, {0x01, 0xFF}, {0x02, 0xFF}, 5);
  for (int s = 1; s < 4; ++s) t.Speed(s, 5);
  t.Arpspds(0, 0x02).Arpspds(1, 0x03);
  t.Sector(0, {0x30, 0x32, 0x34, 0x37, 0xFF});
  t.Sector(1, {0x3C, 0x00, 0x3C, 0xFF});
  t.Sector(2, {0x24, 0xFF});
}

// Every feature: each track command, each sector command, four instruments with the four
// hard restart kinds and a vibrato, wavetable programs with jumps (and a gap that the
// compaction closes), pulse and filter programs from instruments and from sectors, two
// glides with a gap between them, and multispeed 3.
void EveryFeatureTune(TuneBuilder& t) {
  t.Song(0, {0x00, 0x81, 0x01, 0xC2, 0x61, 0xE8, 0x02, 0xFF}, {0x03, 0x04, 0xFE, 0x00}, {0x05, 0xF1}, 4, 0x01);
  t.Song(2, {0x06, 0x00, 0xFF}, {0x06, 0xFF}, {0x05, 0xFE, 0x01}, 6, 0x02);
  t.Arpspds(0, 0x32).Arpspds(1, 0x02).Arpspds(2, 0x12).Arpspds(3, 0x02);
  t.Sector(0, {0xC0, 0x30, 0x60, 0x32, 0xFB, 0xFF});
  t.Sector(1, {0xC1, 0x34, 0xFA, 0x0F, 0x34, 0xFF});
  t.Sector(2, {0xC2, 0x36, 0xF9, 0xF0, 0x36, 0xFF});
  t.Sector(3, {0xC3, 0x38, 0xF7, 0x09, 0x38, 0xFF});
  t.Sector(4, {0xF6, 0x0C, 0x3A, 0xFF});
  t.Sector(5, {0xF8, 0x40, 0x3B, 0xFF});
  t.Sector(6, {0x65, 0x30, 0xC0, 0x31, 0xFF});
  t.Instrument(0, {.ad = 0x09, .sr = 0xA0, .wave = 0, .pulse = 1, .filter = 1, .v1 = 0x10, .v2 = 0x20,
                   .vibrato = 0, .hardRestart = 0, .hf1 = 0x0F, .hf2 = 0x00});
  t.Instrument(1, {.ad = 0x0A, .sr = 0xB0, .wave = 3, .pulse = 1, .filter = 0, .v1 = 0x11, .v2 = 0x21,
                   .vibrato = 0x23, .hardRestart = 1, .hf1 = 0x0F, .hf2 = 0x08});
  t.Instrument(2, {.ad = 0x0B, .sr = 0xC0, .wave = 8, .pulse = 0, .filter = 0, .v1 = 0x12, .v2 = 0x22,
                   .vibrato = 0, .hardRestart = 2, .hf1 = 0x00, .hf2 = 0x00});
  t.Instrument(3, {.ad = 0x0C, .sr = 0xD0, .wave = 12, .pulse = 0xFF, .filter = 0, .v1 = 0x13, .v2 = 0x23,
                   .vibrato = 0, .hardRestart = 3, .hf1 = 0x0F, .hf2 = 0x0F});
  t.Glide(0, 0x10, 0x01).Glide(5, 0x50, 0x05);
  // Instrument 0: rows 0..2 loop back to row 0; instrument 1: rows 3..5 end; instrument
  // 2: rows 8, 9 jump to 6, 7 ends; rows 10 and 11 unused; instrument 3: row 12, then row
  // 13 jumps to itself.
  t.WaveRows(0, {{0x41, 0x00}, {0x41, 0x0C}, {0x90, 0x00}, {0x11, 0x00}, {0x10, 0x00}, {0xFF, 0x00},
                 {0x81, 0x00}, {0xFE, 0x00}, {0x21, 0x00}, {0x90, 0x06}, {0x77, 0x77}, {0x66, 0x66},
                 {0x41, 0x03}, {0x90, 0x0D}});
  // Pulse: program at row 1 (step 2, 3, end) and at row 9 (step 10, 11 linking to 12, 13, end).
  t.PulseRows(1, {{0x08, 0x00}, {0x20, 0x40}, {0x01, 0x00}});
  t.PulseRows(9, {{0x04, 0x00}, {0x10, 0x10}, {0x02, 0x0C}, {0x30, 0x20}, {0x03, 0x00}});
  // Filter: program at row 1 (step 2, 3, end) and at row 12 (step 13, 14, end).
  t.FilterRows(1, {{0x91, 0xF1}, {0x80, 0x40}, {0x02, 0x00}});
  t.FilterRows(12, {{0xA2, 0x72}, {0x40, 0x20}, {0x01, 0x00}});
}

// A looping song whose only instrument uses hard restart 3, with tie notes.
void PsidTune(TuneBuilder& t) {
  t.Song(0, {0x00, 0x01, 0xFE, 0x00}, {0x01, 0xFE, 0x00}, {0x00, 0xFE, 0x01}, 3);
  for (int s = 1; s < 4; ++s) t.Speed(s, 3);
  t.Arpspds(0, 0x01);
  t.Sector(0, {0xC0, 0x30, 0x31, 0xFB, 0xFF});
  t.Sector(1, {0xC0, 0x32, 0xFB, 0x33, 0xFF});
  t.Instrument(0, {.ad = 0x08, .sr = 0xF8, .wave = 0, .hardRestart = 3, .hf1 = 0x0F, .hf2 = 0x00});
  t.WaveRows(0, {{0x21, 0x00}, {0x20, 0x00}, {0xFF, 0x00}});
}

// Three songs (0, 1, 3) of different speeds, each with its own sector and instrument;
// only song 1 is packed, while the tables cover all three.
void ThreeSongsTune(TuneBuilder& t) {
  t.Song(0, {0x00, 0xFF}, {0x00, 0xFF}, {0x00, 0xFF}, 3, 0x10);
  t.Song(1, {0x01, 0x01, 0xFF}, {0x02, 0xFF}, {0x01, 0xFE, 0x00}, 7, 0x11);
  t.Song(3, {0x03, 0xF2}, {0x03, 0xFF}, {0x03, 0xFF}, 9, 0x13);
  t.Arpspds(0, 0x01).Arpspds(1, 0x02).Arpspds(2, 0x03).Arpspds(3, 0x04);
  t.Sector(0, {0xC0, 0x30, 0xFF});
  t.Sector(1, {0xC1, 0x31, 0x32, 0xFF});
  t.Sector(2, {0xC1, 0x33, 0xE0, 0xFF});
  t.Sector(3, {0xC2, 0x34, 0xFF});
  t.Instrument(0, {.ad = 0x01, .sr = 0x02, .wave = 0, .hardRestart = 0});
  t.Instrument(1, {.ad = 0x03, .sr = 0x04, .wave = 0, .hardRestart = 0});
  t.Instrument(2, {.ad = 0x05, .sr = 0x06, .wave = 2, .hardRestart = 1});
  t.WaveRows(0, {{0x41, 0x00}, {0xFF, 0x00}, {0x11, 0x00}, {0xFF, 0x00}});
}

// Sectors 2, 5, 9 and $5F, glides 3 and 7, instruments 0, 2 and 5: the sectors and glides
// are renumbered, the instrument slots keep their gaps, the wavetable loses its unused
// rows and the pulse table is written up to its highest row.
void GapsTune(TuneBuilder& t) {
  t.Song(0, {0x05, 0x02, 0x5F, 0xFF}, {0x09, 0xFF}, {0x02, 0x09, 0xFF}, 6);
  t.Arpspds(0, 0x03);
  t.Sector(2, {0xC0, 0x63, 0x30, 0xFF});
  t.Sector(5, {0xC2, 0x67, 0x32, 0x63, 0x33, 0xFF});
  t.Sector(9, {0xC5, 0x34, 0xFF});
  t.Sector(0x5F, {0xC2, 0x35, 0x36, 0x37, 0x38, 0x39, 0x3A, 0x3B, 0x3C, 0x3D, 0x3E, 0x3F, 0x40, 0x41, 0x42,
                  0x43, 0x44, 0x45, 0x46, 0x47, 0xFF});
  t.Glide(3, 0x33, 0x03).Glide(7, 0x77, 0x07);
  t.Instrument(0, {.ad = 0x10, .sr = 0x11, .wave = 2, .pulse = 0, .hardRestart = 2});
  t.Instrument(1, {.ad = 0xEE, .sr = 0xEE, .wave = 0xEE, .hardRestart = 0});
  t.Instrument(2, {.ad = 0x20, .sr = 0x21, .wave = 6, .pulse = 0, .hardRestart = 2});
  t.Instrument(5, {.ad = 0x50, .sr = 0x51, .wave = 2, .pulse = 20, .hardRestart = 2, .hf1 = 0x05});
  t.WaveRows(2, {{0x41, 0x00}, {0xFF, 0x00}});
  t.WaveRows(6, {{0x21, 0x00}, {0x90, 0x02}});
  t.PulseRows(20, {{0x08, 0x00}, {0x40, 0x10}, {0x02, 0x00}});
}

const GoldenCase kCases[] = {
    {"default_no_features", {"tune.prg", "tune"}, Opts(), DefaultTune},
    {"every_feature", {"tune.prg", "tune"}, Opts(), EveryFeatureTune},
    {"psid_p2", {"-p2", "tune.prg", "tune"}, Opts(kAllSongs, true, 2), PsidTune},
    {"single_song_s1", {"-s1", "tune.prg", "tune"}, Opts(1), ThreeSongsTune},
    {"gaps_sectors_glides_instruments", {"tune.prg", "tune"}, Opts(), GapsTune},
};

bool Updating() {
  const char* update = std::getenv("ZSPACK_UPDATE_GOLDEN");
  return update != nullptr && std::string(update) == "1";
}

std::string GoldenDir(const GoldenCase& c) {
  return std::string(ZSPACK_SOURCE_DIR) + "/tests/golden/" + c.name;
}

void WriteText(const std::string& path, const std::string& text) {
  WriteBytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

// The golden file's text; a missing file fails the test and gives an empty text.
std::string Golden(const GoldenCase& c, const std::string& file) {
  const std::string path = GoldenDir(c) + "/" + file;
  EXPECT_TRUE(std::filesystem::is_regular_file(path))
      << path << " is missing; see the top of golden_files_test.cpp for how to create it";
  return ReadText(path);
}

class GoldenPack : public ::testing::TestWithParam<GoldenCase> {};

TEST_P(GoldenPack, InMemoryPackMatches) {
  const GoldenCase& c = GetParam();
  TuneBuilder tune;
  c.tune(tune);
  const std::vector<uint8_t> file = tune.File();
  auto state = std::make_unique<PackState>();
  PackedTune packed;
  PackTune(file, c.options, *state, packed);
  ASSERT_EQ(packed.depack, DepackStatus::kDone);
  // What every generated file must be, checked before a golden is compared or rewritten.
  ASSERT_TRUE(LineEndsAreCrLf(packed.defines));
  ASSERT_TRUE(LineEndsAreCrLf(packed.data));
  ASSERT_TRUE(HasNoEmptyLine(packed.data));

  if (Updating()) {
    std::filesystem::create_directories(GoldenDir(c));
    WriteBytes(GoldenDir(c) + "/tune.prg", file);
    WriteText(GoldenDir(c) + "/the_defines.a", packed.defines);
    WriteText(GoldenDir(c) + "/the_data.a", packed.data);
    WriteText(GoldenDir(c) + "/console.txt", packed.console);
    GTEST_SKIP() << "golden files written to " << GoldenDir(c);
  }

  const std::string prg = Golden(c, "tune.prg");
  EXPECT_TRUE(prg == std::string(file.begin(), file.end())) << "the tune no longer packs to tune.prg";
  EXPECT_TRUE(SameText(Golden(c, "the_defines.a"), packed.defines)) << "the_defines.a";
  EXPECT_TRUE(SameText(Golden(c, "the_data.a"), packed.data)) << "the_data.a";
  EXPECT_TRUE(SameText(Golden(c, "console.txt"), packed.console)) << "console.txt";
}

TEST_P(GoldenPack, ProgramRunWritesTheSameFiles) {
  const GoldenCase& c = GetParam();
  if (Updating()) GTEST_SKIP() << "goldens are being rewritten";
  TempDir dir;
  InstallStandInAssembler(dir, 0);
  ASSERT_TRUE(std::filesystem::copy_file(GoldenDir(c) + "/tune.prg", dir / "tune.prg"));
  const ProcessResult run = RunProcess(ZspackBinary(), c.args, dir.path());
  EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
  EXPECT_TRUE(SameText(Golden(c, "the_defines.a"), ReadText(dir / "the_defines.a"))) << "the_defines.a";
  EXPECT_TRUE(SameText(Golden(c, "the_data.a"), ReadText(dir / "the_data.a"))) << "the_data.a";
  EXPECT_EQ(ReadText(dir / "acme_args.txt"), "[-v9][MakeMe.a]\n");
  // The report stands on the console between the depacking line and the assembler's.
  EXPECT_NE(run.out.find("Depacking data ... done.\n" + Golden(c, "console.txt") + "[stand-in assembler ran]\n"),
            std::string::npos)
      << run.out;
}

INSTANTIATE_TEST_SUITE_P(Cases, GoldenPack, ::testing::ValuesIn(kCases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zspack::testing
