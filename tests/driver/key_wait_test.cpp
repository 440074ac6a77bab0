// The key wait, on a real terminal: zspack runs with a pseudo-terminal as its console,
// and the test sees whether it waits for a key, which runs wait, and what a key press
// leaves behind for the shell.
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
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

#include "support/process.h"
#include "support/tune_builder.h"

namespace zspack::testing {
namespace {

std::vector<uint8_t> GoodTune() {
  TuneBuilder tune;
  tune.Song(0, {0x00, 0xFF}, {0x00, 0xFF}, {0x00, 0xFF}).Sector(0, {0xC0, 0x30, 0xFF});
  return tune.File();
}

// Runs zspack with a terminal as its console. Reads the terminal until `lastText` appears;
// if `typeKey`, then finds out whether the run waits on the terminal, sends it `signal` if
// any and types `key`. The terminal is the run's controlling terminal, as in a shell, and
// the run starts with the signal `ignored` ignored, as under nohup.
struct TerminalRun {
  int exitCode = -1;
  int killedBy = 0;  // the signal that ended the run
  bool waitedForKey = false;
  bool rawDuringWait = false;  // neither echo nor line editing while the run waits for the key
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

bool EchoAndLines(int terminal) {
  termios settings{};
  return tcgetattr(terminal, &settings) == 0 && (settings.c_lflag & ECHO) != 0 &&
         (settings.c_lflag & ICANON) != 0;
}

bool NeitherEchoNorLines(int terminal) {
  termios settings{};
  return tcgetattr(terminal, &settings) == 0 && (settings.c_lflag & (ECHO | ICANON)) == 0;
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
    result.rawDuringWait = result.waitedForKey && NeitherEchoNorLines(master);
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
    EXPECT_TRUE(run.rawDuringWait) << "the key would be echoed or wait for a line end";
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
  const bool rawAgain = NeitherEchoNorLines(master);
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
