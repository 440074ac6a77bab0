// zspack run as the musician runs it, as one table: the arguments, what the working
// folder holds, and afterwards the exit code, the exact console text, standard error and
// which files exist. The same table checks the Windows build under wine (see
// support/process.h); rows that need POSIX surroundings are skipped there.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "driver/command_line.h"
#include "pack/pack_tune.h"
#include "support/demo_tune.h"
#include "support/process.h"
#include "support/tune_builder.h"

namespace zspack::testing {
namespace {

namespace fs = std::filesystem;

// One song whose three voices play sector 0 with instrument 0, a glide and a wave row;
// the instrument holds CR, LF and Ctrl-Z, which a text-mode read would change or stop at.
std::vector<uint8_t> GoodTune() {
  TuneBuilder tune;
  tune.Song(0, {0x00, 0xFF}, {0x00, 0xFF}, {0x00, 0xFF}, 6)
      .Sector(0, {0xC0, 0x60, 0x30, 0x32, 0xFB, 0xFF})
      .Instrument(0, {.ad = 0x0D, .sr = 0x0A, .wave = 1, .v1 = 0x1A})
      .Glide(0, 0x10, 0x00)
      .WaveRows(1, {{0x41, 0x00}, {0xFF, 0x00}});
  return tune.File();
}

// Load address $0801, target address, escape $BF, then the stream.
std::vector<uint8_t> Packed(uint16_t target, std::vector<uint8_t> stream) {
  std::vector<uint8_t> file = {0x01, 0x08, static_cast<uint8_t>(target & 0xFF),
                               static_cast<uint8_t>(target >> 8), 0xBF};
  file.insert(file.end(), stream.begin(), stream.end());
  return file;
}

enum class Acme { kStandIn, kAbsent, kKilled, kNotExecutable, kDirectory, kOnlyOnPath };
enum class Console { kCaptured, kDevFull, kReaderlessPipe, kDevNull };
enum class Ends {
  kUsage,   // the banner and the usage text
  kEarly,   // the banner and `text`
  kPacked,  // the banner, the reading lines, the report of the in-memory pack and `text`
  kSilent,  // nothing to compare: standard output cannot take it
};

const std::string kDefines = "the_defines.a";
const std::string kData = "the_data.a";
const std::string kRan = "acme_args.txt";  // the stand-in assembler ran
using FileSet = std::set<std::string>;
const FileSet kNone = {};
const FileSet kAll = {kDefines, kData, kRan};

struct WholeRun {
  const char* name;
  std::vector<std::string> args;
  int exitCode;
  Ends ends;
  std::string text = "";
  FileSet afterwards = kNone;  // which of the_defines.a, the_data.a, acme_args.txt exist
  // The folder: tune.prg is GoodTune() unless `files` replaces it; `directories` stand
  // where files belong; `fifo` is a named pipe nobody writes to.
  std::vector<std::pair<std::string, std::vector<uint8_t>>> files = {};
  std::vector<std::string> directories = {};
  std::string fifo = {};
  Acme acme = Acme::kStandIn;
  int acmeExit = 0;
  Console console = Console::kCaptured;
  long long fileSizeLimit = -1;  // for every file the run writes, the console included
  std::string fullDevice = {};   // a generated file that is a link to /dev/full
  bool sigchldIgnored = false;
  std::string cut = {};               // the generated file that a failed write leaves short
  std::string err = {};
  std::vector<std::string> filesLike = {};  // generated files as for these arguments instead
  std::vector<std::string> reportLike = {};  // the in-memory pack's report as for these arguments
  std::string definesHas = {};              // a piece of the defines file, line ends included
  bool posixOnly = false;
  bool windowsOnly = false;

  WholeRun Files(std::vector<std::pair<std::string, std::vector<uint8_t>>> f) const { auto r = *this; r.files = std::move(f); return r; }
  WholeRun Directory(std::string d) const { auto r = *this; r.directories = {std::move(d)}; return r; }
  WholeRun Fifo(std::string f) const { auto r = *this; r.fifo = std::move(f); return r.Posix(); }
  WholeRun Assembler(Acme a, int exit = 0) const { auto r = *this; r.acme = a; r.acmeExit = exit; return r; }
  WholeRun Output(Console o) const { auto r = *this; r.console = o; return r; }
  WholeRun Limit(long long bytes, std::string cutFile = "") const {
    auto r = *this; r.fileSizeLimit = bytes; r.cut = std::move(cutFile); return r.Posix();
  }
  WholeRun FullDevice(std::string f) const { auto r = *this; r.fullDevice = std::move(f); return r.Posix(); }
  WholeRun SigchldIgnored() const { auto r = *this; r.sigchldIgnored = true; return r.Posix(); }
  WholeRun Err(std::string e) const { auto r = *this; r.err = std::move(e); return r; }
  WholeRun Like(std::vector<std::string> a) const { auto r = *this; r.filesLike = std::move(a); return r; }
  WholeRun ReportLike(std::vector<std::string> a) const { auto r = *this; r.reportLike = std::move(a); return r; }
  WholeRun Has(std::string d) const { auto r = *this; r.definesHas = std::move(d); return r; }
  WholeRun Posix() const { auto r = *this; r.posixOnly = true; return r; }
  WholeRun Windows() const { auto r = *this; r.windowsOnly = true; return r; }
};

WholeRun Usage(const char* name, std::vector<std::string> args, int exitCode) {
  return {name, std::move(args), exitCode, Ends::kUsage};
}
WholeRun Early(const char* name, std::vector<std::string> args, int exitCode, std::string text) {
  return {name, std::move(args), exitCode, Ends::kEarly, std::move(text)};
}
WholeRun Pack(const char* name, std::vector<std::string> args, int exitCode, std::string text, FileSet afterwards) {
  return {name, std::move(args), exitCode, Ends::kPacked, std::move(text), std::move(afterwards)};
}
// Standard output takes nothing: only standard error and the files tell.
WholeRun Silent(const char* name, std::vector<std::string> args, Console console, FileSet afterwards = kNone) {
  return WholeRun{name, std::move(args), 101, Ends::kSilent, "", std::move(afterwards)}.Output(console).Err("Runtime error 101\n");
}

void PrintTo(const WholeRun& c, std::ostream* os) { *os << c.name; }

// In the coverage build a run writes its profile when it ends, and a file-size limit makes
// that write fail too, with a complaint on standard error: those rows are skipped there.
#ifdef ZSPACK_COVERAGE
constexpr bool kCoverageBuild = true;
#else
constexpr bool kCoverageBuild = false;
#endif

const std::string kUsageLine = "Invocation:  zspack.exe [switches] infile outfile\n";
const std::string kBadName =
    "The outfile name must not contain double quotes or control characters, bailing out ...\n";
const std::string kCannotOpen = "Could not open infile, bailing out ...\n";
const std::string kCannotStart = "Could not start ACME.exe, bailing out ...\n";
const std::string kStandInRan = "[stand-in assembler ran]\n";

std::string Reading(const std::string& name) { return "Reading \"" + name + "\" ... "; }
std::string Malformed(const std::string& name, const std::string& message) {
  return Reading(name) + "ok.\nDepacking data ... failed.\n" + message + " bailing out ...\n";
}
std::string AssemblyFailed(int code) {
  return kStandInRan + "Assembling failed, ACME.exe exit code " + std::to_string(code) + "\n";
}

const std::string kDeepInput = std::string(120, 'd') + "/" + std::string(120, 'e') + "/" +
                               std::string(60, 't') + ".prg";  // 306 characters
const std::string kLongOutput = "my tune " + std::string(292, 'o');
const std::string kHugeName(100000, 'n');

const WholeRun kRuns[] = {
    // The usage text, before anything is read.
    Usage("NoArgument", {}, 0),
    Usage("OneArgument", {"tune.prg"}, 0),
    Usage("SongFive", {"-s5", "tune.prg", "out"}, 2),
    Usage("SongSlash", {"-s/", "tune.prg", "out"}, 2),
    Usage("SongWithoutDigit", {"-s", "tune.prg", "out"}, 2),
    Usage("PsidWithoutDigit", {"-p", "tune.prg", "out"}, 2),
    Usage("AddressWithoutDigits", {"-a", "tune.prg", "out"}, 2),
    Usage("AddressTooShort", {"-a12", "tune.prg", "out"}, 2),
    Usage("AddressLetterO", {"-a2OO0", "tune.prg", "out"}, 2),
    Usage("AddressLetterG", {"-a12G4", "tune.prg", "out"}, 2),
    Usage("BadSwitchAfterGoodOnes", {"-s1", "-a2000", "-a20O0", "tune.prg", "out"}, 2),

    // Ended before anything is generated.
    Early("OutputNameWithQuote", {"tune.prg", "a\"b"}, 2, kBadName),
    Early("OutputNameWithLineFeed", {"tune.prg", "a\nb"}, 2, kBadName),
    Early("OutputNameWithTabAfterSwitch", {"-c", "tune.prg", "a\tb"}, 2, kBadName),
    Early("OutputNameWithCarriageReturn", {"tune.prg", "a\rb"}, 2, kBadName),
    Early("InputMissing", {"x", "out"}, 1, Reading("x") + kCannotOpen),
    Early("InputIsADirectory", {"folder.prg", "out"}, 1, Reading("folder.prg") + kCannotOpen).Directory("folder.prg"),
    Early("OnlySwitchesNameNoInput", {"-s1", "-c", "-p2"}, 1, Reading("") + kCannotOpen),
    Early("EmptyInputName", {"", "out"}, 1, Reading("") + kCannotOpen),
    // A Windows command line holds at most 32,767 characters.
    Early("InputNameOf100000Characters", {kHugeName, "out"}, 1, Reading(kHugeName) + kCannotOpen).Posix(),
    Early("EmptyFile", {"bad.prg", "out"}, 1, Malformed("bad.prg", "The file is shorter than five bytes,"))
        .Files({{"bad.prg", {}}}),
    Early("FourBytes", {"bad.prg", "out"}, 1, Malformed("bad.prg", "The file is shorter than five bytes,"))
        .Files({{"bad.prg", {0x01, 0x08, 0x3C, 0x40}}}),
    Early("NoEndRecord", {"bad.prg", "out"}, 1, Malformed("bad.prg", "The packed data ends before its end record,"))
        .Files({{"bad.prg", Packed(0x403C, {1, 2, 3, 0xBF, 4, 9})}}),
    Early("RunCutShort", {"bad.prg", "out"}, 1, Malformed("bad.prg", "The packed data ends inside a run record,"))
        .Files({{"bad.prg", Packed(0x403C, {1, 0xBF, 5})}}),
    Early("EscapeByteLast", {"bad.prg", "out"}, 1, Malformed("bad.prg", "The packed data ends inside a run record,"))
        .Files({{"bad.prg", Packed(0x403C, {1, 0xBF})}}),
    Early("TargetBelowTheImage", {"bad.prg", "out"}, 1, Malformed("bad.prg", "The target address lies below $403C,"))
        .Files({{"bad.prg", Packed(0x403B, {1, 0xBF, 0})}}),
    Early("LiteralBeyondTheImage", {"bad.prg", "out"}, 1, Malformed("bad.prg", "The packed data reaches beyond $B3FF,"))
        .Files({{"bad.prg", Packed(0xB3FF, {1, 2, 0xBF, 0})}}),
    Early("RunCrossingTheEndOfTheImage", {"bad.prg", "out"}, 1,
          Malformed("bad.prg", "The packed data reaches beyond $B3FF,"))
        .Files({{"bad.prg", Packed(0xB302, {0xBF, 0xFF, 7, 0xBF, 0})}}),
    // Opening a named pipe must not wait for a writer that never comes.
    Early("InputIsANamedPipe", {"fifo.prg", "out"}, 1, Malformed("fifo.prg", "The file is shorter than five bytes,"))
        .Fifo("fifo.prg"),
    // The run's own memory file opens, but its first page cannot be read.
    Early("InputReadFails", {"/proc/self/mem", "out"}, 100, Reading("/proc/self/mem")).Err("Runtime error 100\n").Posix(),

    // Packed: both files as the in-memory pack makes them, then the assembler.
    Pack("TwoNames", {"tune.prg", "tune"}, 0, kStandInRan, kAll).Has("\t* = $1000\r\n"),
    Pack("StartAddress", {"-a2000", "tune.prg", "out"}, 0, kStandInRan, kAll).Has("\t* = $2000\r\n\r\n\t!to \"out\"\r\n"),
    Pack("StartAddressLowerCaseDigits", {"-Aff00", "tune.prg", "out"}, 0, kStandInRan, kAll).Has("\t* = $FF00\r\n"),
    Pack("Psid", {"-p2", "tune.prg", "tune"}, 0, kStandInRan, kAll)
        .Has("\t_SIDMODEL_ = 2\r\n\t!SRC \"PSID_header.a\"\r\n\r\n\t!to \"tune.sid\"\r\n"),
    Pack("OneSong", {"-s0", "tune.prg", "tune"}, 0, kStandInRan, kAll).Has("\t_ONLY_SONG_ = 0\r\n"),
    Pack("UnknownSwitchesIgnored", {"-x", "-1", "-", "tune.prg", "tune"}, 0, kStandInRan, kAll).Like({"tune.prg", "tune"}),
    Pack("CrunchChangesNothing", {"-c", "tune.prg", "tune"}, 0, kStandInRan, kAll)
        .Like({"tune.prg", "tune"})
        .ReportLike({"tune.prg", "tune"}),
    // --crunch: the plain report, then what crunching did; the files are the crunched pack's.
    Pack("DemoCrunched", {"--crunch", "examples/demo.prg", "demo"}, 0,
         "Crunching music data ... 241 -> 194 bytes.\ninstruments 6 -> 3\npulse rows 11 -> 8\nfilter rows 10 -> 6\n" +
             kStandInRan,
         kAll)
        .Files({{"examples/demo.prg", DemoTuneFile()}})
        .ReportLike({"examples/demo.prg", "demo"}),
    Pack("OtherDoubleDashSwitchesIgnored", {"--crunchy", "--CRUNCH", "--", "tune.prg", "tune"}, 0, kStandInRan, kAll)
        .Like({"tune.prg", "tune"})
        .ReportLike({"tune.prg", "tune"}),
    // Of exactly two arguments the first is the input name, whatever it looks like.
    Pack("TwoArgumentsCrunchIsTheInput", {"--crunch", "tune"}, 0, kStandInRan, kAll)
        .Files({{"--crunch", GoodTune()}, {"tune.prg", GoodTune()}})
        .ReportLike({"tune.prg", "tune"}),
    Pack("ThirdNameIgnored", {"tune.prg", "tune", "extra"}, 0, kStandInRan, kAll).Like({"tune.prg", "tune"}),
    Pack("TwoArgumentsSwitchLikeInput", {"-s1", "song.prg"}, 0, kStandInRan, kAll)
        .Files({{"-s1", GoodTune()}})
        .Has("\t* = $1000\r\n\r\n\t!to \"song.prg\"\r\n"),
    Pack("LongNamesUsedWhole", {"-c", kDeepInput, kLongOutput}, 0, kStandInRan, kAll)
        .Files({{kDeepInput, GoodTune()}})
        .Has("\t!to \"" + kLongOutput + "\"\r\n"),
    Pack("OutputNameOf100000Characters", {"tune.prg", kHugeName}, 0, kStandInRan, kAll)
        .Has("\t!to \"" + kHugeName + "\"\r\n\r\n")
        .Posix(),
    Pack("InputNameWithLineFeed", {"in\nput.prg", "out"}, 0, kStandInRan, kAll)
        .Files({{"in\nput.prg", GoodTune()}})
        .Has(";Defines f\xFCr in?put.prg\r\n;\r\n")
        .Posix(),
    Pack("InputNameWithTabAndCarriageReturn", {"a\tb\rc.prg", "out"}, 0, kStandInRan, kAll)
        .Files({{"a\tb\rc.prg", GoodTune()}})
        .Has(";Defines f\xFCr a?b?c.prg\r\n")
        .Posix(),
    Pack("StaleGeneratedFilesReplacedWhole", {"tune.prg", "tune"}, 0, kStandInRan, kAll)
        .Files({{"tune.prg", GoodTune()},
                {kDefines, std::vector<uint8_t>(100 * 1024, 'x')},
                {kData, std::vector<uint8_t>(100 * 1024, 'x')}}),

    // How the assembler ended.
    Pack("AssemblerExitsWith1", {"tune.prg", "out"}, 1, AssemblyFailed(1), kAll).Assembler(Acme::kStandIn, 1),
    Pack("AssemblerExitsWith3", {"tune.prg", "out"}, 1, AssemblyFailed(3), kAll).Assembler(Acme::kStandIn, 3),
    // Started by a process that ignores SIGCHLD, the assembler's exit code is still seen.
    Pack("AssemblerExitCodeWithSigchldIgnored", {"tune.prg", "out"}, 1, AssemblyFailed(3), kAll)
        .Assembler(Acme::kStandIn, 3).SigchldIgnored(),
    Pack("AssemblerExitsWith255", {"tune.prg", "out"}, 1, AssemblyFailed(255), kAll).Assembler(Acme::kStandIn, 255),
    // Windows exit codes are not cut to 8 bits.
    Pack("AssemblerExitsWith300", {"tune.prg", "out"}, 1, AssemblyFailed(300), kAll).Assembler(Acme::kStandIn, 300).Windows(),
    Pack("AssemblerKilledBySignal", {"tune.prg", "out"}, 1, AssemblyFailed(137), kAll).Assembler(Acme::kKilled).Posix(),
    Pack("AssemblerAbsent", {"tune.prg", "out"}, 1, kCannotStart, {kDefines, kData}).Assembler(Acme::kAbsent),
    Pack("AssemblerNotExecutable", {"tune.prg", "out"}, 1, kCannotStart, {kDefines, kData})
        .Assembler(Acme::kNotExecutable)
        .Posix(),
    Pack("AssemblerIsADirectory", {"tune.prg", "out"}, 1, kCannotStart, {kDefines, kData}).Assembler(Acme::kDirectory),
    Pack("AssemblerOnlyOnTheSearchPath", {"tune.prg", "out"}, 1, kCannotStart, {kDefines, kData})
        .Assembler(Acme::kOnlyOnPath),

    // A generated file that cannot be created stops the run; the one before it is whole.
    Pack("DefinesCannotBeCreated", {"tune.prg", "out"}, 1, "Could not create the_defines.a, bailing out ...\n", kNone)
        .Directory(kDefines),
    Pack("DataCannotBeCreated", {"tune.prg", "out"}, 1, "Could not create the_data.a, bailing out ...\n", {kDefines})
        .Directory(kData),

    // Output that fails after the file opened is a runtime error; nothing runs after it.
    Silent("DevFullAtTheUsageText", {}, Console::kDevFull),
    Silent("DevFullAtABadSwitch", {"-s5", "tune.prg", "out"}, Console::kDevFull),
    Silent("DevFullAtAMissingInput", {"missing.prg", "out"}, Console::kDevFull),
    Silent("DevFullAtAPack", {"tune.prg", "out"}, Console::kDevFull),
    Silent("ReaderlessPipeAtTheUsageText", {}, Console::kReaderlessPipe).Posix(),
    Silent("ReaderlessPipeAtAPack", {"tune.prg", "out"}, Console::kReaderlessPipe).Posix(),
    // Room for the banner, the reading lines and a little of the report.
    Pack("ConsoleFullInTheReport", {"tune.prg", "out"}, 101, "", kNone).Err("Runtime error 101\n").Limit(200),
    // Room for the banner only: the first flush that fails is the one after the last line.
    Early("ConsoleFullAtTheLastLine", {"x", "out"}, 101, Reading("x") + kCannotOpen).Err("Runtime error 101\n").Limit(140),
    // Every file is limited; the console goes to /dev/null.
    Silent("DefinesWriteFails", {"tune.prg", "out"}, Console::kDevNull, {kDefines}).Limit(64, kDefines),
    Silent("DataWriteFails", {"tune.prg", "out"}, Console::kDevNull, {kDefines, kData}).Limit(600, kData),
    Silent("DataOnAFullDevice", {"tune.prg", "out"}, Console::kDevNull, {kDefines}).FullDevice(kData),
};

void WriteFile(const std::string& path, const std::vector<uint8_t>& bytes, mode_t mode = 0644) {
  fs::create_directories(fs::path(path).parent_path());
  WriteBytes(path, bytes);
  ASSERT_EQ(chmod(path.c_str(), mode), 0);
}

std::vector<uint8_t> Script(const std::string& body) {
  const std::string text = "#!/bin/sh\n" + body;
  return {text.begin(), text.end()};
}

void PrepareFolder(const WholeRun& c, const TempDir& dir, const TempDir& elsewhere, ProcessSetup& setup) {
  if (c.files.empty()) WriteFile(dir / "tune.prg", GoodTune());
  for (const auto& [name, bytes] : c.files) WriteFile(dir / name, bytes);
  for (const std::string& name : c.directories) fs::create_directories(dir / name);
  if (!c.fullDevice.empty()) fs::create_symlink("/dev/full", dir / c.fullDevice);
  if (!c.fifo.empty()) {
    ASSERT_EQ(mkfifo((dir / c.fifo).c_str(), 0644), 0);
  }
  switch (c.acme) {
    case Acme::kStandIn: InstallStandInAssembler(dir, c.acmeExit); break;
    case Acme::kAbsent: break;
    case Acme::kKilled:
      WriteFile(dir / "ACME.exe", Script("echo ran > acme_args.txt\necho '[stand-in assembler ran]'\nkill -KILL $$\n"), 0755);
      break;
    case Acme::kNotExecutable: WriteFile(dir / "ACME.exe", Script("echo ran > acme_args.txt\n")); break;
    case Acme::kDirectory: fs::create_directory(dir / "ACME.exe"); break;
    case Acme::kOnlyOnPath:
      InstallStandInAssembler(elsewhere, 0);
      {
        std::string windowsPath = "Z:" + elsewhere.path();
        for (char& ch : windowsPath) ch = ch == '/' ? '\\' : ch;
        setup.environment = {"PATH=" + elsewhere.path() + ":/usr/bin:/bin", "WINEPATH=" + windowsPath};
      }
      break;
  }
  switch (c.console) {
    case Console::kCaptured: break;
    case Console::kDevFull: setup.stdoutPath = "/dev/full"; break;
    case Console::kDevNull: setup.stdoutPath = "/dev/null"; break;
    case Console::kReaderlessPipe: setup.stdoutReaderless = true; break;
  }
  setup.fileSizeLimit = c.fileSizeLimit;
  setup.sigchldIgnored = c.sigchldIgnored;
}

PackedTune PackInMemory(const std::vector<std::string>& args, const TempDir& dir) {
  std::vector<std::string_view> views = {"zspack"};
  for (const std::string& a : args) views.emplace_back(a);
  const CommandLine commandLine = ParseCommandLine(views);
  EXPECT_EQ(commandLine.status, CommandLineStatus::kRun);
  const std::string text = ReadText(dir / std::string(commandLine.options.InputName));
  const std::vector<uint8_t> file(text.begin(), text.end());
  auto state = std::make_unique<PackState>();
  PackedTune packed;
  PackTune(file, commandLine.options, *state, packed);
  EXPECT_EQ(packed.depack, DepackStatus::kDone);
  return packed;
}

// The Windows console ends its lines with CR LF; compared without the CR.
std::string WithoutCarriageReturns(const std::string& text) {
  std::string plain;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') continue;
    plain += text[i];
  }
  return plain;
}

std::string ExpectedConsole(const WholeRun& c, const TempDir& dir) {
  std::string banner = ReadText(std::string(ZSPACK_SOURCE_DIR) + "/tests/golden/banner_and_usage.txt");
  const std::string usage = banner.substr(banner.find(kUsageLine));
  banner.resize(banner.size() - usage.size());
  switch (c.ends) {
    case Ends::kUsage: return banner + usage;
    case Ends::kEarly: return banner + c.text;
    case Ends::kPacked: {
      std::vector<std::string_view> views = {"zspack"};
      views.insert(views.end(), c.args.begin(), c.args.end());
      const std::string input(ParseCommandLine(views).options.InputName);
      const std::vector<std::string>& reportArgs = c.reportLike.empty() ? c.args : c.reportLike;
      return banner + Reading(input) + "ok.\nDepacking data ... done.\n" + PackInMemory(reportArgs, dir).console + c.text;
    }
    case Ends::kSilent: return "";
  }
  return "";
}

class WholeRunTest : public ::testing::TestWithParam<WholeRun> {};

TEST_P(WholeRunTest, EndsWithTheExitCodeConsoleAndFilesOfItsRow) {
  const WholeRun& c = GetParam();
  if (c.posixOnly && UnderLauncher()) GTEST_SKIP() << "needs POSIX surroundings";
  if (c.windowsOnly && !UnderLauncher()) GTEST_SKIP() << "a Windows case";
  if (kCoverageBuild && c.fileSizeLimit >= 0) GTEST_SKIP() << "a file-size limit would also cut the coverage profile";
  TempDir dir;
  TempDir elsewhere;
  ProcessSetup setup;
  PrepareFolder(c, dir, elsewhere, setup);
  std::set<std::string> before;
  for (const auto& entry : fs::directory_iterator(dir.path())) before.insert(entry.path().filename().string());
  const std::string console = ExpectedConsole(c, dir);

  const ProcessResult run = RunZspack(c.args, dir.path(), setup);

  EXPECT_EQ(run.exitCode, c.exitCode);
  EXPECT_EQ(WithoutCarriageReturns(run.err), c.err);
  if (UnderLauncher()) {
    size_t bareLineFeeds = 0;
    for (size_t i = 0; i < run.out.size(); ++i) bareLineFeeds += run.out[i] == '\n' && (i == 0 || run.out[i - 1] != '\r');
    EXPECT_EQ(bareLineFeeds, 0u) << "the Windows console ends its lines with CR LF";
  }
  if (c.ends != Ends::kSilent) {
    const size_t room = c.fileSizeLimit >= 0 ? static_cast<size_t>(c.fileSizeLimit) : std::string::npos;
    EXPECT_EQ(WithoutCarriageReturns(run.out), console.substr(0, room));
  }
  for (const std::string& name : {kDefines, kData, kRan}) {
    const bool wasThere = before.count(name) != 0 && fs::is_directory(dir / name);
    EXPECT_EQ(fs::is_regular_file(dir / name) && !wasThere, c.afterwards.count(name) != 0) << name;
  }
  if (c.afterwards.count(kRan) != 0 && c.acme == Acme::kStandIn) {
    // Started as "ACME.exe -v9 MakeMe.a" from the working folder, once both files were whole.
    EXPECT_EQ(ReadText(dir / kRan), "[-v9][MakeMe.a]\n");
    EXPECT_EQ(ReadText(dir / "acme_start.txt"),
              std::string(UnderLauncher() ? "argv0=[-]\n" : "argv0=[./ACME.exe]\n") + "the_defines.a=" +
                  std::to_string(fs::file_size(dir / kDefines)) + "\nthe_data.a=" +
                  std::to_string(fs::file_size(dir / kData)) + "\n");
  }
  // What is written is written whole, the in-memory pack's bytes, but for a failed write.
  if (c.afterwards.count(kDefines) != 0 || c.afterwards.count(kData) != 0) {
    const PackedTune packed = PackInMemory(c.filesLike.empty() ? c.args : c.filesLike, dir);
    for (const auto& [name, text] : {std::pair(kDefines, packed.defines), std::pair(kData, packed.data)}) {
      if (c.afterwards.count(name) == 0) continue;
      const std::string written = ReadText(dir / name);
      if (name == c.cut) {
        EXPECT_LT(written.size(), text.size()) << name;
        EXPECT_EQ(written, text.substr(0, written.size())) << name;
      } else {
        EXPECT_EQ(written, text) << name;
      }
    }
    EXPECT_NE(packed.defines.find(c.definesHas), std::string::npos) << c.definesHas;
  }
}

INSTANTIATE_TEST_SUITE_P(Runs, WholeRunTest, ::testing::ValuesIn(kRuns),
                         [](const ::testing::TestParamInfo<WholeRun>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace zspack::testing
