// zspack in surroundings that the whole-run table cannot set up: a 3 GB input measured
// for memory, a read-only generated file with and without root's rights, and the signal
// state the assembler starts with.
#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "support/process.h"
#include "support/tune_builder.h"

namespace zspack::testing {
namespace {

std::vector<uint8_t> SmallTune() {
  TuneBuilder tune;
  tune.Song(0, {0, 1, 0xFF}, {1, 0xFF}, {0xFF}).Sector(0, {0xC0, 0x30, 0xFF}).Sector(1, {0xC1, 0x31, 0xFF});
  tune.Instrument(0, {.ad = 0x09, .wave = 0}).Instrument(1, {.wave = 1}).WaveRows(0, {{0x41, 0}, {0xFF, 0}});
  return tune.File();
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
TEST(Surroundings, ThreeGigabyteFilePacksInBoundedMemory) {
  TempDir dir;
  InstallStandInAssembler(dir, 0);
  WriteBytes(dir / "small.prg", SmallTune());
  WriteBytes(dir / "huge.prg", SmallTune());
  ASSERT_EQ(truncate((dir / "huge.prg").c_str(), off_t{3} << 30), 0);

  const ChildRun small = RunMeasured({"small.prg", "out"}, dir.path());
  ASSERT_EQ(small.exitCode, 0) << small.out;
  const std::string smallData = ReadText(dir / "the_data.a");
  const ChildRun huge = RunMeasured({"huge.prg", "out"}, dir.path());
  ASSERT_EQ(huge.exitCode, 0) << huge.out;
  const std::string hugeData = ReadText(dir / "the_data.a");
  EXPECT_EQ(hugeData.substr(hugeData.find('\n')), smallData.substr(smallData.find('\n')));

  // The sanitizers' own bookkeeping is not the program's: there the bound is relative.
  if (!kSanitized) {
    EXPECT_LT(huge.peakKiB, 32 * 1024) << "peak KiB";
  }
  EXPECT_LT(huge.peakKiB - small.peakKiB, 4 * 1024) << "peak KiB over the small file's " << small.peakKiB;
}

// An existing read-only "the_data.a": root may replace any file, so for root the run
// replaces it whole; anyone else cannot create it and the run says so, leaving it as it
// was. Run as root, the test checks both by running zspack once more as "nobody".
TEST(Surroundings, ReadOnlyDataFile) {
  TempDir reference;
  InstallStandInAssembler(reference, 0);
  WriteBytes(reference / "in.prg", SmallTune());
  ASSERT_EQ(RunZspack({"in.prg", "out"}, reference.path()).exitCode, 0);
  const std::string wholeDefines = ReadText(reference / "the_defines.a");
  const std::string wholeData = ReadText(reference / "the_data.a");

  const auto prepare = [](const TempDir& dir) {
    InstallStandInAssembler(dir, 0);
    WriteBytes(dir / "in.prg", SmallTune());
    WriteBytes(dir / "the_data.a", {'o', 'l', 'd'});
    chmod((dir / "the_data.a").c_str(), 0444);
  };
  const auto expectRefused = [&](const TempDir& dir, int exitCode, const std::string& out) {
    EXPECT_EQ(exitCode, 1);
    EXPECT_NE(out.find("Could not create the_data.a, bailing out ...\n"), std::string::npos) << out;
    EXPECT_EQ(ReadText(dir / "the_data.a"), "old");
    EXPECT_EQ(ReadText(dir / "the_defines.a"), wholeDefines);
    EXPECT_NE(access((dir / "acme_args.txt").c_str(), F_OK), 0) << "the assembler ran";
  };

  TempDir dir;
  prepare(dir);
  const ProcessResult run = RunZspack({"in.prg", "out"}, dir.path());
  if (geteuid() != 0) {
    expectRefused(dir, run.exitCode, run.out);
    return;
  }
  EXPECT_EQ(run.exitCode, 0) << run.out;
  EXPECT_EQ(ReadText(dir / "the_data.a"), wholeData);

  TempDir asNobody;
  prepare(asNobody);
  chmod(asNobody.path().c_str(), 0777);
  const ChildRun nobody = RunMeasured({"in.prg", "out"}, asNobody.path(), uid_t{65534});
  if (nobody.exitCode == 126 || nobody.exitCode == 127) {
    GTEST_SKIP() << "user nobody cannot run " << ZspackBinary();
  }
  expectRefused(asNobody, nobody.exitCode, nobody.out);
}

// zspack ignores SIGPIPE to report a closed console as an error; the assembler it starts
// must get the default back, as if started alone.
TEST(Surroundings, AssemblerStartsWithTheDefaultSigpipe) {
  TempDir dir;
  WriteBytes(dir / "in.prg", SmallTune());
  const std::string text = "#!/bin/sh\ngrep '^SigIgn:' /proc/$$/status > sigign.txt\n";
  WriteBytes(dir / "ACME.exe", std::vector<uint8_t>(text.begin(), text.end()));
  chmod((dir / "ACME.exe").c_str(), 0755);
  ASSERT_EQ(RunZspack({"in.prg", "out"}, dir.path()).exitCode, 0);
  const std::string line = ReadText(dir / "sigign.txt");
  ASSERT_EQ(line.rfind("SigIgn:", 0), 0u) << line;
  EXPECT_EQ(std::stoull(line.substr(7), nullptr, 16) & (1ull << (SIGPIPE - 1)), 0u) << line;
}

}  // namespace
}  // namespace zspack::testing
