// RunProcess: runs a program with arguments in a working directory, standard input from
// /dev/null, and gives its exit code and both output streams; TempDir is a fresh
// directory removed with its contents when the test ends. zspack itself can be run
// through a launcher (ZSPACK_TEST_LAUNCHER=wine with ZSPACK_TEST_BINARY=zspack.exe), so
// the same cases check the Windows build.
#pragma once

#include <string>
#include <vector>

namespace zspack::testing {

struct ProcessResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

// What a child may get besides the plain run.
struct ProcessSetup {
  std::string stdoutPath;                // standard output to this file ("" captures it)
  bool stdoutReaderless = false;         // standard output a pipe whose reader has gone
  std::vector<std::string> environment;  // added to the test's own environment
  long long fileSizeLimit = -1;          // bytes for every file it writes, -1 none; a
                                         // write past it fails with EFBIG (SIGXFSZ ignored)
  bool sigchldIgnored = false;           // started with SIGCHLD ignored, as some supervisors do
};

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& workDir, const ProcessSetup& setup = {});

// zspack as the tests run it: ZSPACK_TEST_BINARY or the build's own, through the launcher.
ProcessResult RunZspack(const std::vector<std::string>& args, const std::string& workDir,
                        const ProcessSetup& setup = {});

// True when zspack runs through a launcher (the Windows build under wine).
bool UnderLauncher();

class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

// The stand-in ACME.exe (support/standin_acme.c) in `dir`, exiting with `exitCode`.
void InstallStandInAssembler(const TempDir& dir, int exitCode);

// The zspack executable under test.
std::string ZspackBinary();

}  // namespace zspack::testing
