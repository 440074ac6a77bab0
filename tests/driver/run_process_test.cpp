// zspack run as the musician runs it: a process in a working folder with the tune, the
// assembler beside it, and its console, files and exit code looked at from outside.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "driver/command_line.h"
#include "driver/pack_pipeline.h"
#include "driver/usage_text.h"
#include "support/process.h"
#include "support/tune_builder.h"

namespace zspack::testing {
namespace {

const std::string kBannerText(kBanner);
const std::string kUsage(kUsageText);
const std::string kStandInRan = "[stand-in assembler ran]\n";
const std::string kAcmeArgs = "[-v9][MakeMe.a]\n";

// One song whose three voices play sector 0 with instrument 0, a glide and a wave row.
std::vector<uint8_t> GoodTune() {
  TuneBuilder tune;
  tune.Song(0, {0x00, 0xFF}, {0x00, 0xFF}, {0x00, 0xFF}, 6)
      .Sector(0, {0xC0, 0x60, 0x30, 0x32, 0xFB, 0xFF})
      .Instrument(0, {.ad = 0x09, .sr = 0xA0, .wave = 1})
      .Glide(0, 0x10, 0x00)
      .WaveRows(1, {{0x41, 0x00}, {0xFF, 0x00}});
  return tune.File();
}

// What the in-memory pack makes of a tune for a command line: the exploration report
// and both generated files.
PackedTune Pack(const std::vector<std::string>& args, const std::vector<uint8_t>& file) {
  std::vector<std::string_view> views = {"zspack"};
  for (const std::string& a : args) views.emplace_back(a);
  const CommandLine commandLine = ParseCommandLine(views);
  EXPECT_EQ(commandLine.status, CommandLineStatus::kRun);
  auto state = std::make_unique<PackState>();
  PackedTune packed;
  PackTune(file, commandLine.options, *state, packed);
  EXPECT_EQ(packed.depack, DepackStatus::kDone);
  return packed;
}

std::string Reading(const std::string& name) { return "Reading \"" + name + "\" ... "; }
std::string ReadAndDepacked(const std::string& name) {
  return Reading(name) + "ok.\nDepacking data ... done.\n";
}

bool Exists(const std::string& path) {
  struct stat info {};
  return lstat(path.c_str(), &info) == 0;
}

std::set<std::string> Entries(const TempDir& dir) {
  std::set<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir.path())) {
    names.insert(entry.path().filename().string());
  }
  return names;
}

void WriteScript(const std::string& path, const std::string& body, mode_t mode = 0755) {
  std::ofstream script(path, std::ios::trunc);
  script << "#!/bin/sh\n" << body;
  script.close();
  ASSERT_EQ(chmod(path.c_str(), mode), 0);
}

// A stand-in ACME.exe that also keeps what both generated files held when it started.
void InstallCopyingAssembler(const TempDir& dir) {
  WriteScript(dir / "ACME.exe",
              "printf '[%s]' \"$@\" >> acme_args.txt\necho >> acme_args.txt\n"
              "cat the_defines.a > acme_saw_defines.a\ncat the_data.a > acme_saw_data.a\n"
              "echo '[stand-in assembler ran]'\n");
}

// A folder holding a good tune as tune.prg and a stand-in assembler that exits with 0.
struct Folder {
  TempDir dir;
  Folder() {
    WriteBytes(dir / "tune.prg", GoodTune());
    InstallStandInAssembler(dir, 0);
  }
};

// --- Runs that end with the usage text --------------------------------------------------

struct UsageRun {
  const char* name;
  std::vector<std::string> args;
  int exitCode;
};

void PrintTo(const UsageRun& c, std::ostream* os) { *os << c.name; }

class UsageRunTest : public ::testing::TestWithParam<UsageRun> {};

TEST_P(UsageRunTest, PrintsBannerAndUsageAndTouchesNothing) {
  const UsageRun& c = GetParam();
  Folder folder;
  const std::set<std::string> before = Entries(folder.dir);

  const ProcessResult run = RunProcess(ZspackBinary(), c.args, folder.dir.path());

  EXPECT_EQ(run.exitCode, c.exitCode);
  EXPECT_EQ(run.out, kBannerText + kUsage);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(Entries(folder.dir), before);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, UsageRunTest,
    ::testing::Values(UsageRun{"NoArgument", {}, 0}, UsageRun{"OneArgument", {"tune.prg"}, 0},
                      UsageRun{"SongFive", {"-s5", "tune.prg", "out"}, 2},
                      UsageRun{"SongWithoutDigit", {"-s", "tune.prg", "out"}, 2},
                      UsageRun{"PsidWithoutDigit", {"-p", "tune.prg", "out"}, 2},
                      UsageRun{"StartAddressTooShort", {"-a12", "tune.prg", "out"}, 2},
                      UsageRun{"StartAddressLetterO", {"-a2OO0", "tune.prg", "out"}, 2}),
    [](const ::testing::TestParamInfo<UsageRun>& info) { return std::string(info.param.name); });

// --- Runs that end before anything is generated ------------------------------------------

struct StoppedRun {
  const char* name;
  std::vector<std::string> args;
  std::string console;  // after the banner
  int exitCode;
};

std::string Malformed(const std::string& name, const std::string& message) {
  return Reading(name) + "ok.\nDepacking data ... failed.\n" + message + "\n";
}

const std::string kBadOutputName =
    "The outfile name must not contain double quotes or control characters, bailing out ...\n";
const std::string kCannotOpen = "Could not open infile, bailing out ...\n";

void PrintTo(const StoppedRun& c, std::ostream* os) { *os << c.name; }

class StoppedRunTest : public ::testing::TestWithParam<StoppedRun> {};

TEST_P(StoppedRunTest, ReportsWhyAndGeneratesNothing) {
  const StoppedRun& c = GetParam();
  Folder folder;
  const TempDir& dir = folder.dir;
  ASSERT_EQ(mkdir((dir / "folder.prg").c_str(), 0755), 0);
  WriteBytes(dir / "empty.prg", {});
  WriteBytes(dir / "no-end.prg", {0x01, 0x08, 0x3C, 0x40, 0xBF, 0x01, 0x02});
  WriteBytes(dir / "cut.prg", {0x01, 0x08, 0x3C, 0x40, 0xBF, 0x01, 0xBF, 0x05});
  WriteBytes(dir / "low.prg", {0x01, 0x08, 0x3B, 0x40, 0xBF, 0x01, 0xBF, 0x00});
  WriteBytes(dir / "high.prg", {0x01, 0x08, 0x02, 0xB3, 0xBF, 0xBF, 0xFF, 0x07, 0xBF, 0x00});
  const std::set<std::string> before = Entries(dir);

  const ProcessResult run = RunProcess(ZspackBinary(), c.args, dir.path());

  EXPECT_EQ(run.exitCode, c.exitCode);
  EXPECT_EQ(run.out, kBannerText + c.console);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(Entries(dir), before) << "no generated file and no assembler run";
}

INSTANTIATE_TEST_SUITE_P(
    Runs, StoppedRunTest,
    ::testing::Values(
        StoppedRun{"OutputNameWithQuote", {"tune.prg", "a\"b"}, kBadOutputName, 2},
        StoppedRun{"OutputNameWithLineFeed", {"tune.prg", "a\nb"}, kBadOutputName, 2},
        StoppedRun{"OutputNameWithTabAfterSwitch", {"-c", "tune.prg", "a\tb"}, kBadOutputName, 2},
        StoppedRun{"InputMissing", {"x", "out"}, Reading("x") + kCannotOpen, 1},
        StoppedRun{"InputIsADirectory", {"folder.prg", "out"}, Reading("folder.prg") + kCannotOpen,
                   1},
        StoppedRun{"OnlySwitchesNameNoInput", {"-s1", "-c", "-p2"}, Reading("") + kCannotOpen, 1},
        StoppedRun{"EmptyInputName", {"", "out"}, Reading("") + kCannotOpen, 1},
        StoppedRun{"EmptyFile", {"empty.prg", "out"},
                   Malformed("empty.prg", "The file is shorter than five bytes, bailing out ..."),
                   1},
        StoppedRun{"StreamWithoutEndRecord", {"no-end.prg", "out"},
                   Malformed("no-end.prg",
                             "The packed data ends before its end record, bailing out ..."),
                   1},
        StoppedRun{"RunRecordCutShort", {"cut.prg", "out"},
                   Malformed("cut.prg", "The packed data ends inside a run record, bailing out ..."),
                   1},
        StoppedRun{"TargetBelowTheImage", {"low.prg", "out"},
                   Malformed("low.prg", "The target address lies below $403C, bailing out ..."), 1},
        StoppedRun{"RunCrossingTheEndOfTheImage", {"high.prg", "out"},
                   Malformed("high.prg", "The packed data reaches beyond $B3FF, bailing out ..."),
                   1}),
    [](const ::testing::TestParamInfo<StoppedRun>& info) { return std::string(info.param.name); });

// --- Runs that pack --------------------------------------------------------------------

struct PackingRun {
  const char* name;
  std::string inputFile;            // where the tune lies, relative to the working folder
  std::vector<std::string> args;
  std::vector<std::string> definesLines;  // lines the defines file must hold, without CR LF
};

const std::string kDeepFolder = std::string(120, 'd') + "/" + std::string(120, 'e');
const std::string kDeepInput = kDeepFolder + "/" + std::string(60, 't') + ".prg";  // 306 chars
const std::string kLongOutput = "my tune " + std::string(292, 'o');                 // 300 chars

void PrintTo(const PackingRun& c, std::ostream* os) { *os << c.name; }

class PackingRunTest : public ::testing::TestWithParam<PackingRun> {};

TEST_P(PackingRunTest, WritesBothFilesThenRunsTheAssembler) {
  const PackingRun& c = GetParam();
  TempDir dir;
  std::filesystem::create_directories(dir / kDeepFolder);
  const std::vector<uint8_t> tune = GoodTune();
  WriteBytes(dir / c.inputFile, tune);
  InstallCopyingAssembler(dir);
  const PackedTune packed = Pack(c.args, tune);

  const ProcessResult run = RunProcess(ZspackBinary(), c.args, dir.path());

  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out, kBannerText + ReadAndDepacked(c.inputFile) + packed.console + kStandInRan);
  EXPECT_EQ(ReadText(dir / "acme_args.txt"), kAcmeArgs);
  const std::string defines = ReadText(dir / "the_defines.a");
  const std::string data = ReadText(dir / "the_data.a");
  EXPECT_EQ(defines, packed.defines);
  EXPECT_EQ(data, packed.data);
  // Both files were complete and closed when the assembler started.
  EXPECT_EQ(ReadText(dir / "acme_saw_defines.a"), defines);
  EXPECT_EQ(ReadText(dir / "acme_saw_data.a"), data);

  EXPECT_TRUE(defines.starts_with(";Defines f\xFCr " + c.inputFile + "\r\n"));
  EXPECT_TRUE(data.starts_with(";data dump of \"" + c.inputFile + "\"\r\n"));
  for (const std::string& line : c.definesLines) {
    EXPECT_NE(defines.find("\r\n" + line + "\r\n"), std::string::npos) << line;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Runs, PackingRunTest,
    ::testing::Values(
        PackingRun{"TwoNames", "tune.prg", {"tune.prg", "tune"}, {"\t* = $1000", "\t!to \"tune\""}},
        PackingRun{"StartAddress", "tune.prg", {"-a2000", "tune.prg", "out"},
                   {"\t* = $2000", "\t!to \"out\""}},
        PackingRun{"StartAddressLowerCaseDigits", "tune.prg", {"-Aff00", "tune.prg", "out"},
                   {"\t* = $FF00"}},
        PackingRun{"Psid", "tune.prg", {"-p2", "tune.prg", "tune"},
                   {"\t_SIDMODEL_ = 2", "\t!SRC \"PSID_header.a\"", "\t!to \"tune.sid\""}},
        PackingRun{"OneSong", "tune.prg", {"-s0", "tune.prg", "tune"}, {"\t_ONLY_SONG_ = 0"}},
        PackingRun{"UnknownSwitchesIgnored", "tune.prg", {"-x", "-1", "-", "tune.prg", "tune"},
                   {"\t* = $1000", "\t!to \"tune\""}},
        PackingRun{"ThirdNameIgnored", "tune.prg", {"tune.prg", "tune", "extra"},
                   {"\t!to \"tune\""}},
        PackingRun{"TwoArgumentsSwitchLikeInput", "-s1", {"-s1", "song.prg"},
                   {"\t* = $1000", "\t!to \"song.prg\""}},
        PackingRun{"LongNamesUsedWhole", kDeepInput, {"-c", kDeepInput, kLongOutput},
                   {"\t!to \"" + kLongOutput + "\""}}),
    [](const ::testing::TestParamInfo<PackingRun>& info) { return std::string(info.param.name); });

TEST(ZspackRun, CrunchSwitchChangesNoGeneratedFile) {
  std::string defines[2];
  std::string data[2];
  const std::vector<std::string> args[2] = {{"tune.prg", "tune"}, {"-c", "tune.prg", "tune"}};
  for (int i = 0; i < 2; ++i) {
    Folder folder;
    const ProcessResult run = RunProcess(ZspackBinary(), args[i], folder.dir.path());
    ASSERT_EQ(run.exitCode, 0);
    defines[i] = ReadText(folder.dir / "the_defines.a");
    data[i] = ReadText(folder.dir / "the_data.a");
  }
  EXPECT_FALSE(defines[0].empty());
  EXPECT_EQ(defines[1], defines[0]);
  EXPECT_EQ(data[1], data[0]);
}

TEST(ZspackRun, ExistingGeneratedFilesAreReplacedWhole) {
  Folder folder;
  const std::vector<uint8_t> junk(100 * 1024, 'x');
  WriteBytes(folder.dir / "the_defines.a", junk);
  WriteBytes(folder.dir / "the_data.a", junk);
  const PackedTune packed = Pack({"tune.prg", "tune"}, GoodTune());

  const ProcessResult run = RunProcess(ZspackBinary(), {"tune.prg", "tune"}, folder.dir.path());

  EXPECT_EQ(run.exitCode, 0);
  EXPECT_EQ(ReadText(folder.dir / "the_defines.a"), packed.defines);
  EXPECT_EQ(ReadText(folder.dir / "the_data.a"), packed.data);
}

// --- The assembler run -------------------------------------------------------------------

enum class Assembler { kExits, kKilled, kAbsent, kNotExecutable, kDirectory, kOnlyOnPath };

struct AssemblerRun {
  const char* name;
  Assembler assembler;
  int assemblerExit;
  std::string lastLines;  // the end of the console
};

const std::string kCannotStart = "Could not start ACME.exe, bailing out ...\n";

void PrintTo(const AssemblerRun& c, std::ostream* os) { *os << c.name; }

class AssemblerRunTest : public ::testing::TestWithParam<AssemblerRun> {};

TEST_P(AssemblerRunTest, ReportsHowTheAssemblerEnded) {
  const AssemblerRun& c = GetParam();
  TempDir dir;
  TempDir toolDir;
  WriteBytes(dir / "tune.prg", GoodTune());
  ProcessSetup setup;
  switch (c.assembler) {
    case Assembler::kExits:
      InstallStandInAssembler(dir, c.assemblerExit);
      break;
    case Assembler::kKilled:
      WriteScript(dir / "ACME.exe", "echo '[stand-in assembler ran]'\nkill -KILL $$\n");
      break;
    case Assembler::kAbsent:
      break;
    case Assembler::kNotExecutable:
      WriteScript(dir / "ACME.exe", "echo ran > acme_args.txt\n", 0644);
      break;
    case Assembler::kDirectory:
      ASSERT_EQ(mkdir((dir / "ACME.exe").c_str(), 0755), 0);
      break;
    case Assembler::kOnlyOnPath:
      InstallStandInAssembler(toolDir, 0);
      setup.environment = std::vector<std::string>{"PATH=" + toolDir.path() + ":/usr/bin:/bin"};
      break;
  }
  const PackedTune packed = Pack({"tune.prg", "out"}, GoodTune());

  const ProcessResult run =
      RunProcess(ZspackBinary(), {"tune.prg", "out"}, dir.path(), "", setup);

  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out, kBannerText + ReadAndDepacked("tune.prg") + packed.console + c.lastLines);
  EXPECT_EQ(ReadText(dir / "the_defines.a"), packed.defines);
  EXPECT_EQ(ReadText(dir / "the_data.a"), packed.data);
  const bool started = c.assembler == Assembler::kExits || c.assembler == Assembler::kKilled;
  if (c.assembler == Assembler::kExits) {
    EXPECT_EQ(ReadText(dir / "acme_args.txt"), kAcmeArgs);
  }
  if (!started) {
    EXPECT_FALSE(Exists(dir / "acme_args.txt")) << "an assembler ran";
  }
}

INSTANTIATE_TEST_SUITE_P(
    Runs, AssemblerRunTest,
    ::testing::Values(
        AssemblerRun{"ExitsWith3", Assembler::kExits, 3,
                     kStandInRan + "Assembling failed, ACME.exe exit code 3\n"},
        AssemblerRun{"ExitsWith1", Assembler::kExits, 1,
                     kStandInRan + "Assembling failed, ACME.exe exit code 1\n"},
        AssemblerRun{"ExitsWith255", Assembler::kExits, 255,
                     kStandInRan + "Assembling failed, ACME.exe exit code 255\n"},
        AssemblerRun{"KilledBySignal", Assembler::kKilled, 0,
                     kStandInRan + "Assembling failed, ACME.exe exit code 137\n"},
        AssemblerRun{"Absent", Assembler::kAbsent, 0, kCannotStart},
        AssemblerRun{"NotExecutable", Assembler::kNotExecutable, 0, kCannotStart},
        AssemblerRun{"IsADirectory", Assembler::kDirectory, 0, kCannotStart},
        AssemblerRun{"OnlyOnTheSearchPath", Assembler::kOnlyOnPath, 0, kCannotStart}),
    [](const ::testing::TestParamInfo<AssemblerRun>& info) { return std::string(info.param.name); });

// --- Generated files that cannot be created ----------------------------------------------

TEST(ZspackRun, GeneratedFileThatCannotBeCreatedStopsTheRun) {
  struct Case {
    const char* blocked;  // made a directory before the run
    std::string lastLine;
  };
  const Case cases[] = {
      {"the_defines.a", "Could not create the_defines.a, bailing out ...\n"},
      {"the_data.a", "Could not create the_data.a, bailing out ...\n"},
  };
  const PackedTune packed = Pack({"tune.prg", "out"}, GoodTune());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.blocked);
    Folder folder;
    const TempDir& dir = folder.dir;
    ASSERT_EQ(mkdir((dir / c.blocked).c_str(), 0755), 0);

    const ProcessResult run = RunProcess(ZspackBinary(), {"tune.prg", "out"}, dir.path());

    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out, kBannerText + ReadAndDepacked("tune.prg") + packed.console + c.lastLine);
    EXPECT_FALSE(Exists(dir / "acme_args.txt")) << "the assembler ran";
    if (std::string_view(c.blocked) == "the_defines.a") {
      EXPECT_FALSE(Exists(dir / "the_data.a"));
    } else {
      EXPECT_EQ(ReadText(dir / "the_defines.a"), packed.defines);
    }
  }
}

// --- Input and output failures after a successful open -----------------------------------

// In the coverage build a run writes its profile when it ends, and a file-size limit makes
// that write fail too, with a complaint on standard error: those runs are skipped there.
#ifdef ZSPACK_COVERAGE
constexpr bool kCoverageBuild = true;
#else
constexpr bool kCoverageBuild = false;
#endif
constexpr const char* kSizeLimitUnderCoverage = "a file-size limit would also cut the coverage profile";

// Runs zspack with its standard output on a pipe whose reader has already gone.
ProcessResult RunWithReaderlessPipe(const std::vector<std::string>& args,
                                    const std::string& workDir) {
  TempDir capture;
  const std::string errFile = capture / "err";
  const std::string program = ZspackBinary();
  std::vector<char*> argv = {const_cast<char*>(program.c_str())};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  int fds[2];
  if (pipe(fds) != 0) return {};
  const pid_t pid = fork();
  if (pid == 0) {
    close(fds[0]);
    const int in = open("/dev/null", O_RDONLY);
    const int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || err < 0 || chdir(workDir.c_str()) != 0) _exit(126);
    dup2(in, 0);
    dup2(fds[1], 1);
    dup2(err, 2);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(fds[0]);
  close(fds[1]);
  ProcessResult result;
  int status = 0;
  waitpid(pid, &status, 0);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result.err = ReadText(errFile);
  return result;
}

TEST(ZspackRun, StandardOutputThatCannotBeWrittenIsRuntimeError101) {
  const std::vector<std::string> argsCases[] = {
      {}, {"-s5", "tune.prg", "out"}, {"missing.prg", "out"}, {"tune.prg", "out"}};
  for (const bool fullDevice : {true, false}) {
    for (const std::vector<std::string>& args : argsCases) {
      SCOPED_TRACE(std::string(fullDevice ? "/dev/full, " : "pipe without reader, ") +
                   (args.empty() ? "no argument" : args[0]));
      Folder folder;
      const std::set<std::string> before = Entries(folder.dir);

      const ProcessResult run =
          fullDevice ? RunProcess(ZspackBinary(), args, folder.dir.path(), "/dev/full")
                     : RunWithReaderlessPipe(args, folder.dir.path());

      EXPECT_EQ(run.exitCode, 101);
      EXPECT_EQ(run.err, "Runtime error 101\n");
      EXPECT_EQ(Entries(folder.dir), before) << "the run went on after the failed write";
    }
  }
}

TEST(ZspackRun, ConsoleFullInTheMiddleOfTheReportIsRuntimeError101) {
  if (kCoverageBuild) GTEST_SKIP() << kSizeLimitUnderCoverage;
  Folder folder;
  TempDir capture;
  const PackedTune packed = Pack({"tune.prg", "out"}, GoodTune());
  const std::string wanted = kBannerText + ReadAndDepacked("tune.prg") + packed.console;
  // Room for the banner, the reading lines and a little of the report.
  const size_t room = kBannerText.size() + ReadAndDepacked("tune.prg").size() + 10;
  ASSERT_GT(wanted.size(), room);
  ProcessSetup setup;
  setup.fileSizeLimit = static_cast<long long>(room);

  const ProcessResult run = RunProcess(ZspackBinary(), {"tune.prg", "out"}, folder.dir.path(),
                                       capture / "out", setup);

  EXPECT_EQ(run.exitCode, 101);
  EXPECT_EQ(run.err, "Runtime error 101\n");
  EXPECT_EQ(ReadText(capture / "out"), wanted.substr(0, room));
  EXPECT_FALSE(Exists(folder.dir / "the_defines.a"));
  EXPECT_FALSE(Exists(folder.dir / "acme_args.txt"));
}

TEST(ZspackRun, GeneratedFileWriteFailureIsRuntimeError101) {
  if (kCoverageBuild) GTEST_SKIP() << kSizeLimitUnderCoverage;
  const PackedTune packed = Pack({"tune.prg", "out"}, GoodTune());
  ASSERT_LT(packed.defines.size(), packed.data.size());
  struct Case {
    const char* what;
    long long limit;
    bool definesComplete;
  };
  // The limit applies to every file the run writes; the console goes to /dev/null, and
  // "Runtime error 101\n" fits in 64 bytes.
  const Case cases[] = {
      {"defines cut short", 64, false},
      {"data cut short", static_cast<long long>(packed.defines.size()), true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Folder folder;
    ProcessSetup setup;
    setup.fileSizeLimit = c.limit;

    const ProcessResult run = RunProcess(ZspackBinary(), {"tune.prg", "out"}, folder.dir.path(),
                                         "/dev/null", setup);

    EXPECT_EQ(run.exitCode, 101);
    EXPECT_EQ(run.err, "Runtime error 101\n");
    EXPECT_FALSE(Exists(folder.dir / "acme_args.txt")) << "the assembler ran";
    if (c.definesComplete) {
      EXPECT_EQ(ReadText(folder.dir / "the_defines.a"), packed.defines);
    } else {
      EXPECT_FALSE(Exists(folder.dir / "the_data.a"));
    }
  }
}

TEST(ZspackRun, InputReadFailureIsRuntimeError100) {
  // The run's own memory file opens, but its first page is never mapped and cannot be read.
  Folder folder;
  const ProcessResult run = RunProcess(ZspackBinary(), {"/proc/self/mem", "out"}, folder.dir.path());
  EXPECT_EQ(run.exitCode, 100);
  EXPECT_EQ(run.err, "Runtime error 100\n");
  EXPECT_EQ(run.out, kBannerText + Reading("/proc/self/mem"));
  EXPECT_FALSE(Exists(folder.dir / "the_defines.a"));
}

// --- The key wait ------------------------------------------------------------------------

// Runs zspack with a terminal as its console. Reads the terminal until `lastText` appears;
// if `typeKey`, then finds out whether the run waits on the terminal, sends it `signal` if
// any and types `key`. The terminal is the run's controlling terminal, as in a shell, and
// the run starts with the signal `ignored` ignored, as under nohup.
struct TerminalRun {
  int exitCode = -1;
  int killedBy = 0;  // the signal that ended the run
  bool waitedForKey = false;
  bool echoAndLinesAfter = false;  // the terminal's echo and line editing after the run
  std::string console;
  std::string leftInTerminal;  // typed bytes the run did not take
};

bool ReadTerminal(int master, std::string& console, std::string_view until) {
  char buffer[4096];
  while (until.empty() || console.find(until) == std::string::npos) {
    pollfd p{master, POLLIN, 0};
    // Only a guard against a run that never ends; a good run is done long before.
    if (poll(&p, 1, 60000) <= 0) return false;
    const ssize_t got = read(master, buffer, sizeof buffer);
    if (got <= 0) return until.empty();  // every end of the terminal is closed
    console.append(buffer, static_cast<size_t>(got));
  }
  return true;
}

// After its last output a run either ends or blocks reading its standard input; looks
// (without reaping the run) until one of the two is certain.
bool BlocksReadingStandardInput(pid_t pid) {
  const std::string syscallFile = "/proc/" + std::to_string(pid) + "/syscall";
  for (int look = 0; look < 60000; ++look) {  // a guard, not a time limit on the run
    siginfo_t info{};
    if (waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
        info.si_pid == pid) {
      return false;
    }
    std::ifstream file(syscallFile);
    long number = -1;
    std::string firstArgument;
    if (file >> number >> firstArgument && number == SYS_read && firstArgument == "0x0") {
      return true;
    }
    usleep(1000);
  }
  ADD_FAILURE() << "the run neither ended nor read its standard input";
  return false;
}

TerminalRun RunOnTerminal(const std::vector<std::string>& args, const std::string& workDir,
                          std::string_view lastText, bool typeKey, std::string_view key = "x", int signal = 0, int ignored = 0) {
  TerminalRun result;
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  EXPECT_GE(master, 0);
  if (master < 0) return result;
  EXPECT_EQ(grantpt(master), 0);
  EXPECT_EQ(unlockpt(master), 0);
  // The run's end of the terminal is opened here, so that it exists before the run starts
  // and is closed once the run and everything it started have ended.
  const int slave = open(ptsname(master), O_RDWR | O_NOCTTY);
  EXPECT_GE(slave, 0);
  if (slave < 0) {
    close(master);
    return result;
  }
  const std::string program = ZspackBinary();
  std::vector<char*> argv = {const_cast<char*>(program.c_str())};
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);

  const pid_t pid = fork();
  if (pid == 0) {
    close(master);
    if (setsid() < 0 || ioctl(slave, TIOCSCTTY, 0) != 0 || chdir(workDir.c_str()) != 0) _exit(126);
    if (ignored != 0) ::signal(ignored, SIG_IGN);
    dup2(slave, 0);
    dup2(slave, 1);
    dup2(slave, 2);
    close(slave);
    execv(program.c_str(), argv.data());
    _exit(127);
  }
  close(slave);
  const bool sawEnd = ReadTerminal(master, result.console, typeKey ? lastText : "");
  if (!sawEnd) {
    ADD_FAILURE() << "the run did not end; console so far:\n" << result.console;
    kill(pid, SIGKILL);
  }
  int keeper = -1;
  if (sawEnd && typeKey) {
    result.waitedForKey = BlocksReadingStandardInput(pid);
    // A second hold on the run's end of the terminal keeps what the run leaves unread.
    keeper = open(ptsname(master), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (signal != 0) {
      EXPECT_EQ(kill(pid, signal), 0);
    }
    EXPECT_EQ(write(master, key.data(), key.size()), static_cast<ssize_t>(key.size()));
  }
  int status = 0;
  waitpid(pid, &status, 0);
  if (keeper >= 0) {
    termios raw{};
    tcgetattr(keeper, &raw);
    result.echoAndLinesAfter = (raw.c_lflag & ECHO) != 0 && (raw.c_lflag & ICANON) != 0;
    cfmakeraw(&raw);
    tcsetattr(keeper, TCSANOW, &raw);
    char buffer[64];
    ssize_t got = 0;
    while ((got = read(keeper, buffer, sizeof buffer)) > 0) {
      result.leftInTerminal.append(buffer, static_cast<size_t>(got));
    }
    close(keeper);
  }
  close(master);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result.killedBy = WIFSIGNALED(status) ? WTERMSIG(status) : 0;
  return result;
}

struct KeyWaitRun {
  const char* name;
  std::vector<std::string> args;
  const char* blocked;   // a directory by this name in the folder, or nullptr
  bool withAssembler;
  bool waitsForKey;
  std::string lastText;  // the last console text before the key wait
  int exitCode;
  std::string key = "x";  // typed at the key wait
  int signal = 0;         // sent at the key wait before the key
  int ignored = 0;        // a signal the run starts with ignored
};

void PrintTo(const KeyWaitRun& c, std::ostream* os) { *os << c.name; }

class KeyWaitTest : public ::testing::TestWithParam<KeyWaitRun> {};

TEST_P(KeyWaitTest, WaitsForAKeyOnlyAfterTheStagesRan) {
  const KeyWaitRun& c = GetParam();
  TempDir dir;
  WriteBytes(dir / "tune.prg", GoodTune());
  WriteBytes(dir / "bad.prg", {0x01, 0x08, 0x3C, 0x40});
  if (c.withAssembler) InstallStandInAssembler(dir, 0);
  if (c.blocked != nullptr) {
    ASSERT_EQ(mkdir((dir / c.blocked).c_str(), 0755), 0);
  }

  const TerminalRun run =
      RunOnTerminal(c.args, dir.path(), c.lastText, c.waitsForKey, c.key, c.signal, c.ignored);

  EXPECT_EQ(run.exitCode, c.exitCode);
  EXPECT_NE(run.console.find(c.lastText), std::string::npos) << run.console;
  if (c.waitsForKey) {
    EXPECT_TRUE(run.waitedForKey) << "the run ended without a key";
    EXPECT_TRUE(run.echoAndLinesAfter) << "the terminal was left without echo or line editing";
    EXPECT_EQ(run.killedBy, c.exitCode > 128 ? c.exitCode - 128 : 0);
  }
}

// A key that sends several bytes, such as an arrow key, is one key press: none of its bytes
// may be left behind for the shell that started zspack.
TEST(KeyWait, TakesEveryByteOfOneKeyPress) {
  TempDir dir;
  WriteBytes(dir / "tune.prg", GoodTune());
  const TerminalRun run = RunOnTerminal({"tune.prg", "out"}, dir.path(),
                                        "Could not start ACME.exe, bailing out ...", true, "\x1b[A");
  EXPECT_TRUE(run.waitedForKey);
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_EQ(run.leftInTerminal, "");
}

bool EchoAndLines(int terminal) {
  termios settings{};
  return tcgetattr(terminal, &settings) == 0 && (settings.c_lflag & ECHO) != 0 &&
         (settings.c_lflag & ICANON) != 0;
}

bool IsStopped(pid_t pid) {
  for (int look = 0; look < 60000; ++look) {  // a guard, not a time limit
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string skip, state;
    if (stat >> skip >> skip >> state && state == "T") return true;
    usleep(1000);
  }
  return false;
}

// ^Z stops the run with the terminal as it was; after SIGCONT the wait takes raw mode again
// and a key ends it. The run is started as a shell starts a job: in its own process group,
// in the foreground of the terminal, below a parent in the same session (without one, the
// kernel drops a stop, as nobody could continue the run).
TEST(KeyWait, CtrlZStopsWithTheTerminalRestoredAndContinuesInRawMode) {
  TempDir dir;
  WriteBytes(dir / "tune.prg", GoodTune());
  InstallStandInAssembler(dir, 0);
  const int master = posix_openpt(O_RDWR | O_NOCTTY);
  ASSERT_TRUE(master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0);
  int jobPipe[2];
  ASSERT_EQ(pipe(jobPipe), 0);
  const std::string program = ZspackBinary();
  const pid_t shell = fork();
  if (shell == 0) {
    const int tty = setsid() < 0 ? -1 : open(ptsname(master), O_RDWR);  // the controlling terminal
    if (tty < 0 || chdir(dir.path().c_str()) != 0) _exit(126);
    const pid_t job = fork();
    if (job == 0) {
      signal(SIGTTOU, SIG_IGN);
      if (setpgid(0, 0) != 0 || tcsetpgrp(tty, getpid()) != 0) _exit(126);
      signal(SIGTTOU, SIG_DFL);
      dup2(tty, 0);
      dup2(tty, 1);
      dup2(tty, 2);
      execl(program.c_str(), program.c_str(), "tune.prg", "out", nullptr);
      _exit(127);
    }
    int status = 0;
    if (write(jobPipe[1], &job, sizeof job) != sizeof job || waitpid(job, &status, 0) != job) _exit(126);
    _exit(WIFEXITED(status) ? WEXITSTATUS(status) : 125);
  }
  close(jobPipe[1]);
  pid_t job = -1;
  ASSERT_EQ(read(jobPipe[0], &job, sizeof job), static_cast<ssize_t>(sizeof job));
  close(jobPipe[0]);
  std::string console;
  ASSERT_TRUE(ReadTerminal(master, console, "[stand-in assembler ran]")) << console;
  ASSERT_TRUE(BlocksReadingStandardInput(job));

  ASSERT_EQ(write(master, "\x1a", 1), 1);
  EXPECT_TRUE(IsStopped(job));
  EXPECT_TRUE(EchoAndLines(master)) << "stopped with the terminal still in raw mode";
  kill(job, SIGCONT);
  EXPECT_TRUE(BlocksReadingStandardInput(job));
  const bool rawAgain = !EchoAndLines(master);
  EXPECT_TRUE(rawAgain) << "the wait went on without raw mode";
  if (!rawAgain) kill(job, SIGKILL);  // a key would wait for a line end
  ASSERT_EQ(write(master, "x", 1), 1);

  int status = 0;
  waitpid(shell, &status, 0);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
  close(master);
}

INSTANTIATE_TEST_SUITE_P(
    Runs, KeyWaitTest,
    ::testing::Values(
        KeyWaitRun{"Packed", {"tune.prg", "out"}, nullptr, true, true,
                   "[stand-in assembler ran]", 0},
        KeyWaitRun{"CtrlCEndsItKilledBySigint", {"tune.prg", "out"}, nullptr, true, true,
                   "[stand-in assembler ran]", 128 + SIGINT, "\x03"},
        KeyWaitRun{"SigtermEndsItKilledBySigterm", {"tune.prg", "out"}, nullptr, true, true,
                   "[stand-in assembler ran]", 128 + SIGTERM, "", SIGTERM},
        KeyWaitRun{"SigtermIgnoredByTheCallerStaysIgnored", {"tune.prg", "out"}, nullptr, true,
                   true, "[stand-in assembler ran]", 0, "x", SIGTERM, SIGTERM},
        KeyWaitRun{"AssemblerAbsent", {"tune.prg", "out"}, nullptr, false, true,
                   "Could not start ACME.exe, bailing out ...", 1},
        KeyWaitRun{"DefinesCannotBeCreated", {"tune.prg", "out"}, "the_defines.a", true, true,
                   "Could not create the_defines.a, bailing out ...", 1},
        KeyWaitRun{"DataCannotBeCreated", {"tune.prg", "out"}, "the_data.a", true, true,
                   "Could not create the_data.a, bailing out ...", 1},
        KeyWaitRun{"UsageText", {}, nullptr, true, false, "X=3: anysid", 0},
        KeyWaitRun{"BadSwitch", {"-s5", "tune.prg", "out"}, nullptr, true, false, "X=3: anysid",
                   2},
        KeyWaitRun{"BadOutputName", {"tune.prg", "a\"b"}, nullptr, true, false,
                   "control characters, bailing out ...", 2},
        KeyWaitRun{"InputMissing", {"missing.prg", "out"}, nullptr, true, false,
                   "Could not open infile, bailing out ...", 1},
        KeyWaitRun{"InputMalformed", {"bad.prg", "out"}, nullptr, true, false,
                   "shorter than five bytes, bailing out ...", 1}),
    [](const ::testing::TestParamInfo<KeyWaitRun>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zspack::testing
