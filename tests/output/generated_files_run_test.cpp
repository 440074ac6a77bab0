// The zspack program writing its two generated sources in a scratch folder: a file that
// cannot be created stops the run before the later stages, existing files are replaced
// whole, and the crunch switch changes nothing in either file.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "pack/pack_tune.h"
#include "output/generated_text.h"
#include "support/process.h"
#include "support/tune_builder.h"

namespace zspack::testing {
namespace {

namespace fs = std::filesystem;

// Two songs with a loop, an instrument, a glide and a pulse program: enough that both
// files carry more than their fixed lines.
std::vector<uint8_t> TuneFile() {
  TuneBuilder tune;
  tune.Song(0, {0x00, 0x01, 0xFF}, {0x01, 0xFF}, {0x00, 0xFE, 0x00}, 4, 0x01);
  tune.Song(2, {0x02, 0xFF}, {0x02, 0xFF}, {0x02, 0xFF}, 4, 0x02);
  tune.Speed(1, 4).Speed(3, 4).Arpspds(0, 0x21).Arpspds(2, 0x05);
  tune.Sector(0, {0xC0, 0x30, 0x60, 0x32, 0xFF});
  tune.Sector(1, {0xC1, 0x34, 0xF7, 0x04, 0xFF});
  tune.Sector(2, {0xC0, 0x24, 0xFB, 0x24, 0xFF});
  tune.Instrument(0, {.ad = 0x09, .sr = 0xA9, .wave = 0, .pulse = 1, .hardRestart = 1});
  tune.Instrument(1, {.ad = 0x0A, .sr = 0xAA, .wave = 0, .hardRestart = 1});
  tune.Glide(0, 0x40, 0x01);
  tune.WaveRows(0, {{0x41, 0x00}, {0xFF, 0x00}});
  tune.PulseRows(1, {{0x08, 0x00}, {0x20, 0x40}, {0x01, 0x00}});
  tune.PulseRows(4, {{0x04, 0x00}, {0x10, 0x10}, {0x02, 0x00}});
  return tune.File();
}

// The two files as the in-memory pack renders them for these options.
PackedTune Expected(const std::vector<uint8_t>& file, const PackOptions& options) {
  auto state = std::make_unique<PackState>();
  PackedTune packed;
  PackTune(file, options, *state, packed);
  EXPECT_EQ(packed.depack, DepackStatus::kDone);
  return packed;
}

PackOptions DefaultOptions() {
  PackOptions options;
  options.InputName = "tune.prg";
  options.OutputName = "tune";
  return options;
}

struct Folder {
  TempDir dir;
  std::vector<uint8_t> file = TuneFile();
  Folder() {
    InstallStandInAssembler(dir, 0);
    WriteBytes(dir / "tune.prg", file);
  }
  ProcessResult Run(const std::vector<std::string>& args) const {
    return RunProcess(ZspackBinary(), args, dir.path());
  }
};

// -- a generated file that cannot be created

struct BlockedCase {
  const char* name;
  const char* blocked;        // made a folder before the run
  const char* message;
  bool definesWritten;
};

void PrintTo(const BlockedCase& c, std::ostream* os) { *os << c.name; }

class GeneratedFileBlocked : public ::testing::TestWithParam<BlockedCase> {};

TEST_P(GeneratedFileBlocked, StopsBeforeTheLaterStages) {
  const BlockedCase& c = GetParam();
  Folder folder;
  ASSERT_TRUE(fs::create_directory(folder.dir / c.blocked));
  const ProcessResult run = folder.Run({"tune.prg", "tune"});

  EXPECT_EQ(run.exitCode, 1) << run.out << run.err;
  const std::string line = std::string(c.message) + "\n";
  ASSERT_GE(run.out.size(), line.size()) << run.out;
  EXPECT_EQ(run.out.substr(run.out.size() - line.size()), line) << "the message ends the output:\n" << run.out;
  const char* other = c.definesWritten ? "Could not create the_defines.a" : "Could not create the_data.a";
  EXPECT_EQ(run.out.find(other), std::string::npos) << run.out;
  EXPECT_FALSE(fs::exists(folder.dir / "acme_args.txt")) << "the assembler was started";
  EXPECT_EQ(run.out.find("[stand-in assembler ran]"), std::string::npos) << run.out;
  EXPECT_TRUE(fs::is_directory(folder.dir / c.blocked));

  if (c.definesWritten) {
    EXPECT_TRUE(SameText(Expected(folder.file, DefaultOptions()).defines, ReadText(folder.dir / "the_defines.a")));
  } else {
    EXPECT_FALSE(fs::exists(folder.dir / "the_data.a")) << "the data file was written after the defines failed";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, GeneratedFileBlocked,
    ::testing::Values(BlockedCase{"DefinesIsAFolder", "the_defines.a",
                                  "Could not create the_defines.a, bailing out ...", false},
                      BlockedCase{"DataIsAFolder", "the_data.a", "Could not create the_data.a, bailing out ...",
                                  true}),
    [](const auto& info) { return std::string(info.param.name); });

// -- existing files are replaced, not appended to

TEST(GeneratedFilesRun, StaleLongerFilesAreReplaced) {
  Folder folder;
  std::string stale;
  for (int i = 0; i < 5000; ++i) stale += "\t!by $EE,$EE,$EE,$EE ; stale\r\n";
  WriteBytes(folder.dir / "the_defines.a", std::vector<uint8_t>(stale.begin(), stale.end()));
  WriteBytes(folder.dir / "the_data.a", std::vector<uint8_t>(stale.begin(), stale.end()));

  const ProcessResult run = folder.Run({"tune.prg", "tune"});
  EXPECT_EQ(run.exitCode, 0) << run.out << run.err;
  const PackedTune expected = Expected(folder.file, DefaultOptions());
  ASSERT_LT(expected.data.size(), stale.size());
  EXPECT_TRUE(SameText(expected.defines, ReadText(folder.dir / "the_defines.a")));
  EXPECT_TRUE(SameText(expected.data, ReadText(folder.dir / "the_data.a")));
  EXPECT_EQ(ReadText(folder.dir / "acme_args.txt"), "[-v9][MakeMe.a]\n");
}

TEST(GeneratedFilesRun, SecondRunInTheSameFolderGivesTheSameFiles) {
  Folder folder;
  ASSERT_EQ(folder.Run({"-s2", "tune.prg", "tune"}).exitCode, 0);
  // The second run packs all songs: its data file is longer, its defines file shorter.
  ASSERT_EQ(folder.Run({"tune.prg", "tune"}).exitCode, 0);
  const PackedTune expected = Expected(folder.file, DefaultOptions());
  EXPECT_TRUE(SameText(expected.defines, ReadText(folder.dir / "the_defines.a")));
  EXPECT_TRUE(SameText(expected.data, ReadText(folder.dir / "the_data.a")));
}

// -- the crunch switch changes nothing

struct CrunchCase {
  const char* name;
  std::vector<std::string> without, with;
  int16_t song;
  bool psid;
  int16_t sidType;
};

void PrintTo(const CrunchCase& c, std::ostream* os) { *os << c.name; }

class CrunchSwitch : public ::testing::TestWithParam<CrunchCase> {};

TEST_P(CrunchSwitch, LeavesBothFilesAsTheyAre) {
  const CrunchCase& c = GetParam();
  Folder plain;
  Folder crunched;
  const ProcessResult first = plain.Run(c.without);
  const ProcessResult second = crunched.Run(c.with);
  ASSERT_EQ(first.exitCode, 0) << first.out << first.err;
  ASSERT_EQ(second.exitCode, 0) << second.out << second.err;
  const std::string defines = ReadText(plain.dir / "the_defines.a");
  const std::string data = ReadText(plain.dir / "the_data.a");
  EXPECT_TRUE(SameText(defines, ReadText(crunched.dir / "the_defines.a")));
  EXPECT_TRUE(SameText(data, ReadText(crunched.dir / "the_data.a")));
  EXPECT_EQ(first.out, second.out);

  PackOptions options = DefaultOptions();
  options.RequestedSong = c.song;
  options.PsidFlag = c.psid;
  options.SidType = c.sidType;
  const PackedTune expected = Expected(plain.file, options);
  EXPECT_TRUE(SameText(expected.defines, defines));
  EXPECT_TRUE(SameText(expected.data, data));
}

INSTANTIATE_TEST_SUITE_P(
    Table, CrunchSwitch,
    ::testing::Values(
        CrunchCase{"NoOtherSwitch", {"tune.prg", "tune"}, {"-c", "tune.prg", "tune"}, kAllSongs, false, 0},
        CrunchCase{"UpperCaseWithText", {"tune.prg", "tune"}, {"-Crunch", "tune.prg", "tune"}, kAllSongs, false, 0},
        CrunchCase{"WithSong", {"-s2", "tune.prg", "tune"}, {"-s2", "-c", "tune.prg", "tune"}, 2, false, 0},
        CrunchCase{"WithPsid", {"-p1", "tune.prg", "tune"}, {"-c", "-p1", "-c", "tune.prg", "tune"}, kAllSongs,
                   true, 1}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zspack::testing
