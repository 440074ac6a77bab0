// zspack run as a process on inputs and surroundings meant to break it: malformed and
// enormous files, directories where files belong, unwritable outputs, a full standard
// output, names with characters that would break the generated sources, huge arguments
// and switches with missing or bad characters. Each case checks the message, the exit
// code and which generated files exist afterwards; a run that fails before writing must
// leave neither file behind.
#include <fcntl.h>
#include <grp.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/process.h"
#include "support/tune_builder.h"

namespace zspack::testing {
namespace {

namespace fs = std::filesystem;

constexpr char kUsageLine[] = "Invocation:  zspack.exe [switches] infile outfile\n";
constexpr char kBadName[] =
    "The outfile name must not contain double quotes or control characters, bailing out ...\n";

std::vector<uint8_t> SmallTune() {
  TuneBuilder tune;
  tune.Song(0, {0, 1, 0xFF}, {1, 0xFF}, {0xFF}).Sector(0, {0xC0, 0x30, 0xFF}).Sector(1, {0xC1, 0x31, 0xFF});
  tune.Instrument(0, {.ad = 0x09, .wave = 0}).Instrument(1, {.wave = 1}).WaveRows(0, {{0x41, 0}, {0xFF, 0}});
  return tune.File();
}

std::vector<uint8_t> Bytes(std::initializer_list<uint8_t> list) { return list; }

// Load address $0801, target address, escape $BF, then the stream.
std::vector<uint8_t> Packed(uint16_t target, std::initializer_list<uint8_t> stream) {
  std::vector<uint8_t> file;
  file.reserve(5 + stream.size());
  for (const uint8_t b : {uint8_t{0x01}, uint8_t{0x08}, static_cast<uint8_t>(target & 0xFF),
                          static_cast<uint8_t>(target >> 8), uint8_t{0xBF}}) {
    file.push_back(b);
  }
  for (const uint8_t b : stream) file.push_back(b);
  return file;
}

// The text after its first line, which names the input file.
std::string AfterFirstLine(const std::string& text) {
  const size_t end = text.find('\n');
  return end == std::string::npos ? std::string() : text.substr(end + 1);
}

bool Exists(const TempDir& dir, const std::string& name) {
  std::error_code ec;
  return fs::exists(dir / name, ec);
}

struct Expected {
  int exitCode;
  std::string stdoutHas;  // a whole line or more, "" for no check
  std::string stderrHas;
  bool defines;           // the_defines.a exists afterwards
  bool data;              // the_data.a exists afterwards
  bool assembled;         // the stand-in assembler ran
};

struct HostileCase {
  std::string name;
  std::function<void(const TempDir&)> prepare;
  std::vector<std::string> args;
  Expected expected;
};

void Input(const TempDir& dir, const std::vector<uint8_t>& bytes, const std::string& name = "in.prg") {
  WriteBytes(dir / name, bytes);
}

std::vector<HostileCase> Cases() {
  const std::string longName(100000, 'n');
  const auto depackFailure = [](const char* message) {
    return Expected{1, std::string("Depacking data ... failed.\n") + message + "\n", "", false, false, false};
  };
  return {
      {"empty file", [](const TempDir& d) { Input(d, {}); }, {"in.prg", "out"},
       depackFailure("The file is shorter than five bytes, bailing out ...")},
      {"four bytes", [](const TempDir& d) { Input(d, Bytes({0x01, 0x08, 0x3C, 0x40})); }, {"in.prg", "out"},
       depackFailure("The file is shorter than five bytes, bailing out ...")},
      {"no end record", [](const TempDir& d) { Input(d, Packed(0x403C, {1, 2, 3, 0xBF, 4, 9})); },
       {"in.prg", "out"}, depackFailure("The packed data ends before its end record, bailing out ...")},
      {"run cut short", [](const TempDir& d) { Input(d, Packed(0x403C, {1, 2, 0xBF, 4})); }, {"in.prg", "out"},
       depackFailure("The packed data ends inside a run record, bailing out ...")},
      {"escape byte last", [](const TempDir& d) { Input(d, Packed(0x403C, {1, 0xBF})); }, {"in.prg", "out"},
       depackFailure("The packed data ends inside a run record, bailing out ...")},
      {"target below $403C", [](const TempDir& d) { Input(d, Packed(0x403B, {1, 0xBF, 0})); },
       {"in.prg", "out"}, depackFailure("The target address lies below $403C, bailing out ...")},
      {"literal beyond $B3FF", [](const TempDir& d) { Input(d, Packed(0xB3FF, {1, 2, 0xBF, 0})); },
       {"in.prg", "out"}, depackFailure("The packed data reaches beyond $B3FF, bailing out ...")},
      {"run beyond $B3FF", [](const TempDir& d) { Input(d, Packed(0xB3F0, {0xBF, 0x20, 1, 0xBF, 0})); },
       {"in.prg", "out"}, depackFailure("The packed data reaches beyond $B3FF, bailing out ...")},
      {"input is a directory", [](const TempDir& d) { fs::create_directory(d / "in.prg"); }, {"in.prg", "out"},
       {1, "Reading \"in.prg\" ... Could not open infile, bailing out ...\n", "", false, false, false}},
      // Opening a named pipe must not wait for a writer that never comes.
      {"input is a named pipe nobody writes to",
       [](const TempDir& d) { ASSERT_EQ(mkfifo((d / "in.prg").c_str(), 0644), 0); }, {"in.prg", "out"},
       depackFailure("The file is shorter than five bytes, bailing out ...")},
      {"input missing", [](const TempDir&) {}, {"in.prg", "out"},
       {1, "Reading \"in.prg\" ... Could not open infile, bailing out ...\n", "", false, false, false}},
      {"the_defines.a is a directory",
       [](const TempDir& d) {
         Input(d, SmallTune());
         fs::create_directory(d / "the_defines.a");
       },
       {"in.prg", "out"}, {1, "Could not create the_defines.a, bailing out ...\n", "", true, false, false}},
      {"the_data.a is a directory",
       [](const TempDir& d) {
         Input(d, SmallTune());
         fs::create_directory(d / "the_data.a");
       },
       {"in.prg", "out"}, {1, "Could not create the_data.a, bailing out ...\n", "", true, true, false}},
      {"output name with a double quote", [](const TempDir& d) { Input(d, SmallTune()); }, {"in.prg", "a\"b"},
       {2, kBadName, "", false, false, false}},
      {"output name with a line feed", [](const TempDir& d) { Input(d, SmallTune()); }, {"in.prg", "a\nb"},
       {2, kBadName, "", false, false, false}},
      {"output name with a tab", [](const TempDir& d) { Input(d, SmallTune()); }, {"in.prg", "a\tb"},
       {2, kBadName, "", false, false, false}},
      {"output name with a carriage return", [](const TempDir& d) { Input(d, SmallTune()); },
       {"-c", "in.prg", "a\rb"}, {2, kBadName, "", false, false, false}},
      {"input name of 100,000 characters", [](const TempDir& d) { Input(d, SmallTune()); }, {longName, "out"},
       {1, "Could not open infile, bailing out ...\n", "", false, false, false}},
      {"-a without digits", [](const TempDir& d) { Input(d, SmallTune()); }, {"-a", "in.prg", "out"},
       {2, kUsageLine, "", false, false, false}},
      {"-a with one digit", [](const TempDir& d) { Input(d, SmallTune()); }, {"-a1", "in.prg", "out"},
       {2, kUsageLine, "", false, false, false}},
      {"-a with a letter beyond F", [](const TempDir& d) { Input(d, SmallTune()); }, {"-a12G4", "in.prg", "out"},
       {2, kUsageLine, "", false, false, false}},
      {"-s without a digit", [](const TempDir& d) { Input(d, SmallTune()); }, {"-s", "in.prg", "out"},
       {2, kUsageLine, "", false, false, false}},
      {"-s5", [](const TempDir& d) { Input(d, SmallTune()); }, {"-s5", "in.prg", "out"},
       {2, kUsageLine, "", false, false, false}},
      {"-s/", [](const TempDir& d) { Input(d, SmallTune()); }, {"-s/", "in.prg", "out"},
       {2, kUsageLine, "", false, false, false}},
      {"-p without a digit", [](const TempDir& d) { Input(d, SmallTune()); }, {"-p", "in.prg", "out"},
       {2, kUsageLine, "", false, false, false}},
      {"bad switch after good ones", [](const TempDir& d) { Input(d, SmallTune()); },
       {"-s1", "-a2000", "-a20O0", "in.prg", "out"}, {2, kUsageLine, "", false, false, false}},
  };
}

TEST(HostileInputs, EachCaseEndsAsExpected) {
  for (const HostileCase& c : Cases()) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    InstallStandInAssembler(dir, 0);
    c.prepare(dir);
    const ProcessResult run = RunProcess(ZspackBinary(), c.args, dir.path());
    EXPECT_EQ(run.exitCode, c.expected.exitCode);
    if (!c.expected.stdoutHas.empty()) {
      EXPECT_NE(run.out.find(c.expected.stdoutHas), std::string::npos) << run.out;
    }
    EXPECT_EQ(run.err.find("runtime error"), std::string::npos) << run.err;  // sanitizers
    EXPECT_EQ(run.err.find("ERROR:"), std::string::npos) << run.err;
    EXPECT_EQ(Exists(dir, "the_defines.a"), c.expected.defines);
    EXPECT_EQ(Exists(dir, "the_data.a"), c.expected.data);
    EXPECT_EQ(Exists(dir, "acme_args.txt"), c.expected.assembled);
    // A usage error or a refused name is found before the input is read.
    if (c.expected.exitCode == 2) {
      EXPECT_EQ(run.out.find("Reading"), std::string::npos) << run.out;
    }
  }
}

// Where a writer could not create its file, the one written before it is complete: the
// same bytes that a successful run writes.
TEST(HostileInputs, DefinesWrittenBeforeAFailedDataFileAreComplete) {
  TempDir good, blocked;
  for (const TempDir* d : {&good, &blocked}) {
    InstallStandInAssembler(*d, 0);
    Input(*d, SmallTune());
  }
  fs::create_directory(blocked / "the_data.a");
  ASSERT_EQ(RunProcess(ZspackBinary(), {"in.prg", "out"}, good.path()).exitCode, 0);
  ASSERT_EQ(RunProcess(ZspackBinary(), {"in.prg", "out"}, blocked.path()).exitCode, 1);
  EXPECT_EQ(ReadText(blocked / "the_defines.a"), ReadText(good / "the_defines.a"));
}

// A child run of zspack with its peak memory; optionally as another user, who gets the
// standard streams opened before the switch.
struct ChildRun {
  int exitCode = -1;
  std::string out;
  long peakKiB = 0;
};

ChildRun RunMeasured(const std::vector<std::string>& args, const std::string& workDir,
                     std::optional<uid_t> user = std::nullopt) {
  TempDir capture;
  const std::string outPath = capture / "out";
  std::vector<std::string> all = {ZspackBinary()};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  const pid_t pid = fork();
  if (pid == 0) {
    const int in = open("/dev/null", O_RDONLY);
    const int out = open(outPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || chdir(workDir.c_str()) != 0) _exit(126);
    dup2(in, 0);
    dup2(out, 1);
    dup2(out, 2);
    if (user && (setgroups(0, nullptr) != 0 || setgid(*user) != 0 || setuid(*user) != 0)) _exit(125);
    execv(argv[0], argv.data());
    _exit(127);
  }
  ChildRun result;
  int status = 0;
  rusage usage{};
  if (wait4(pid, &status, 0, &usage) != pid) return result;
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  result.peakKiB = usage.ru_maxrss;
  result.out = ReadText(outPath);
  return result;
}

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif
#else
constexpr bool kSanitized = false;
#endif

// A 3 GB file (sparse: a real tune, then zeros up to 3 GB) packs like the tune alone and
// costs no more memory: only the bytes that can decide the depack are ever read.
TEST(HostileInputs, ThreeGigabyteFilePacksInBoundedMemory) {
  TempDir dir;
  InstallStandInAssembler(dir, 0);
  Input(dir, SmallTune(), "small.prg");
  Input(dir, SmallTune(), "huge.prg");
  {
    const int fd = open((dir / "huge.prg").c_str(), O_WRONLY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, off_t{3} << 30), 0);
    close(fd);
  }
  ASSERT_EQ(fs::file_size(dir / "huge.prg"), uintmax_t{3} << 30);

  const ChildRun small = RunMeasured({"small.prg", "out"}, dir.path());
  ASSERT_EQ(small.exitCode, 0) << small.out;
  const std::string smallData = ReadText(dir / "the_data.a");
  const ChildRun huge = RunMeasured({"huge.prg", "out"}, dir.path());
  ASSERT_EQ(huge.exitCode, 0) << huge.out;
  EXPECT_EQ(AfterFirstLine(ReadText(dir / "the_data.a")), AfterFirstLine(smallData));

  // The sanitizers' own bookkeeping is not the program's: there the bound is relative.
  if (!kSanitized) {
    EXPECT_LT(huge.peakKiB, 32 * 1024) << "peak KiB";
  }
  EXPECT_LT(huge.peakKiB - small.peakKiB, 4 * 1024) << "peak KiB over the small file's " << small.peakKiB;
}

// A zero 3 GB file is refused from its header, just as cheaply.
TEST(HostileInputs, ThreeGigabyteZeroFileIsRefusedInBoundedMemory) {
  TempDir dir;
  {
    const int fd = open((dir / "zero.prg").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(ftruncate(fd, off_t{3} << 30), 0);
    close(fd);
  }
  const ChildRun run = RunMeasured({"zero.prg", "out"}, dir.path());
  EXPECT_EQ(run.exitCode, 1);
  EXPECT_NE(run.out.find("The target address lies below $403C, bailing out ...\n"), std::string::npos) << run.out;
  if (!kSanitized) {
    EXPECT_LT(run.peakKiB, 32 * 1024) << "peak KiB";
  }
  EXPECT_FALSE(Exists(dir, "the_defines.a"));
  EXPECT_FALSE(Exists(dir, "the_data.a"));
}

// An existing read-only "the_data.a": root may replace any file, so for root the run
// replaces it whole; anyone else cannot create it and the run says so, leaving it as it
// was. Run as root, the test checks both by running zspack once more as "nobody".
TEST(HostileInputs, ReadOnlyDataFile) {
  TempDir reference;
  InstallStandInAssembler(reference, 0);
  Input(reference, SmallTune());
  ASSERT_EQ(RunProcess(ZspackBinary(), {"in.prg", "out"}, reference.path()).exitCode, 0);
  const std::string wholeDefines = ReadText(reference / "the_defines.a");
  const std::string wholeData = ReadText(reference / "the_data.a");

  const auto prepare = [](const TempDir& dir) {
    InstallStandInAssembler(dir, 0);
    Input(dir, SmallTune());
    WriteBytes(dir / "the_data.a", {'o', 'l', 'd'});
    chmod((dir / "the_data.a").c_str(), 0444);
  };
  const auto expectRefused = [&](const TempDir& dir, int exitCode, const std::string& out) {
    EXPECT_EQ(exitCode, 1);
    EXPECT_NE(out.find("Could not create the_data.a, bailing out ...\n"), std::string::npos) << out;
    EXPECT_EQ(ReadText(dir / "the_data.a"), "old");
    EXPECT_EQ(ReadText(dir / "the_defines.a"), wholeDefines);
    EXPECT_FALSE(Exists(dir, "acme_args.txt"));
  };

  if (geteuid() != 0) {
    TempDir dir;
    prepare(dir);
    const ProcessResult run = RunProcess(ZspackBinary(), {"in.prg", "out"}, dir.path());
    expectRefused(dir, run.exitCode, run.out);
    return;
  }

  {
    SCOPED_TRACE("as root");
    TempDir dir;
    prepare(dir);
    const ProcessResult run = RunProcess(ZspackBinary(), {"in.prg", "out"}, dir.path());
    EXPECT_EQ(run.exitCode, 0) << run.out;
    EXPECT_EQ(ReadText(dir / "the_data.a"), wholeData);
    EXPECT_TRUE(Exists(dir, "acme_args.txt"));
  }
  {
    SCOPED_TRACE("as nobody");
    TempDir dir;
    prepare(dir);
    chmod(dir.path().c_str(), 0777);
    const ChildRun run = RunMeasured({"in.prg", "out"}, dir.path(), uid_t{65534});
    if (run.exitCode == 126 || run.exitCode == 127) {
      GTEST_SKIP() << "user nobody cannot run " << ZspackBinary();
    }
    expectRefused(dir, run.exitCode, run.out);
  }
}

// Standard output that cannot take a byte: the runtime error report on standard error,
// exit code 101, and no generated file.
TEST(HostileInputs, StandardOutputOnDevFull) {
  TempDir dir;
  InstallStandInAssembler(dir, 0);
  Input(dir, SmallTune());
  const ProcessResult run = RunProcess(ZspackBinary(), {"in.prg", "out"}, dir.path(), "/dev/full");
  EXPECT_EQ(run.exitCode, 101);
  EXPECT_EQ(run.err, "Runtime error 101\n");
  EXPECT_FALSE(Exists(dir, "the_defines.a"));
  EXPECT_FALSE(Exists(dir, "the_data.a"));
  EXPECT_FALSE(Exists(dir, "acme_args.txt"));
}

// Standard output a pipe that nobody reads: the same runtime error report, not a silent
// death by SIGPIPE; and the assembler, started later, still gets the default SIGPIPE.
TEST(HostileInputs, StandardOutputIntoAClosedPipe) {
  TempDir dir;
  InstallStandInAssembler(dir, 0);
  Input(dir, SmallTune());
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  close(fds[0]);  // no reader, ever
  const std::string errPath = dir / "stderr.txt";
  const pid_t pid = fork();
  if (pid == 0) {
    const int in = open("/dev/null", O_RDONLY);
    const int err = open(errPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || err < 0 || chdir(dir.path().c_str()) != 0) _exit(126);
    dup2(in, 0);
    dup2(fds[1], 1);
    dup2(err, 2);
    close(fds[1]);
    const std::string program = ZspackBinary();
    execl(program.c_str(), program.c_str(), "in.prg", "out", static_cast<char*>(nullptr));
    _exit(127);
  }
  close(fds[1]);
  int status = 0;
  ASSERT_EQ(waitpid(pid, &status, 0), pid);
  ASSERT_TRUE(WIFEXITED(status)) << "ended by signal " << WTERMSIG(status);
  EXPECT_EQ(WEXITSTATUS(status), 101);
  EXPECT_EQ(ReadText(errPath), "Runtime error 101\n");
  EXPECT_FALSE(Exists(dir, "the_defines.a"));
}

TEST(HostileInputs, AssemblerStartsWithTheDefaultSigpipe) {
  TempDir dir;
  Input(dir, SmallTune());
  {
    const std::string script = dir / "ACME.exe";
    const std::string text = "#!/bin/sh\ngrep '^SigIgn:' /proc/$$/status > sigign.txt\nexit 0\n";
    WriteBytes(script, std::vector<uint8_t>(text.begin(), text.end()));
    chmod(script.c_str(), 0755);
  }
  const ProcessResult run = RunProcess(ZspackBinary(), {"in.prg", "out"}, dir.path());
  ASSERT_EQ(run.exitCode, 0) << run.out;
  const std::string line = ReadText(dir / "sigign.txt");
  ASSERT_EQ(line.rfind("SigIgn:", 0), 0u) << line;
  const unsigned long long ignored = std::stoull(line.substr(7), nullptr, 16);
  EXPECT_EQ(ignored & (1ull << (SIGPIPE - 1)), 0u) << line;
}

// Names that the generated sources must carry without being broken by them.
TEST(HostileInputs, NamesReachTheGeneratedFilesSafely) {
  const std::string longName(100000, 'o');
  const struct {
    const char* what;
    std::string input, output;
    std::string definesHas, dataHas;
  } table[] = {
      {"input name with a line feed", "in\nput.prg", "out", ";Defines f\xFCr in?put.prg\r\n;\r\n",
       ";data dump of \"in?put.prg\"\r\n;\r\n"},
      {"input name with a tab and a CR", "a\tb\rc.prg", "out", ";Defines f\xFCr a?b?c.prg\r\n",
       ";data dump of \"a?b?c.prg\"\r\n"},
      {"output name of 100,000 characters", "in.prg", longName, "\t!to \"" + longName + "\"\r\n\r\n",
       ";data dump of \"in.prg\"\r\n"},
  };
  for (const auto& row : table) {
    SCOPED_TRACE(row.what);
    TempDir dir;
    InstallStandInAssembler(dir, 0);
    Input(dir, SmallTune(), row.input);
    const ProcessResult run = RunProcess(ZspackBinary(), {row.input, row.output}, dir.path());
    EXPECT_EQ(run.exitCode, 0) << run.out;
    const std::string defines = ReadText(dir / "the_defines.a");
    const std::string data = ReadText(dir / "the_data.a");
    EXPECT_NE(defines.find(row.definesHas), std::string::npos);
    EXPECT_NE(data.find(row.dataHas), std::string::npos);
    for (const std::string* text : {&defines, &data}) {
      for (size_t i = 0; i < text->size(); ++i) {
        const auto c = static_cast<unsigned char>((*text)[i]);
        const bool lineEnd = (c == '\r' && i + 1 < text->size() && (*text)[i + 1] == '\n') ||
                             (c == '\n' && i > 0 && (*text)[i - 1] == '\r');
        ASSERT_TRUE(lineEnd || c == '\t' || c == 0xFC || (c >= 0x20 && c < 0x7F)) << "byte " << int(c) << " at " << i;
      }
    }
    EXPECT_TRUE(Exists(dir, "acme_args.txt"));
  }
}

}  // namespace
}  // namespace zspack::testing
