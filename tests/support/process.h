// RunProcess: runs a program with arguments in a working directory, standard input from
// /dev/null (or a given file), and gives its exit code and both output streams; TempDir is
// a fresh directory removed with its contents when the test ends.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace zspack::testing {

struct ProcessResult {
  int exitCode = -1;
  std::string out;
  std::string err;
};

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& workDir, const std::string& stdoutPath = "");

// What a child may get besides the plain run: its whole environment instead of the test's,
// and a limit on the size of every file it writes (a write past it fails with EFBIG, as
// SIGXFSZ is ignored in the child).
struct ProcessSetup {
  std::optional<std::vector<std::string>> environment;
  long long fileSizeLimit = -1;  // bytes, -1 for no limit
};

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& workDir, const std::string& stdoutPath,
                         const ProcessSetup& setup);

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

// A stand-in ACME.exe: a shell script that records its arguments in acme_args.txt and
// exits with the given code.
void InstallStandInAssembler(const TempDir& dir, int exitCode);

// The zspack executable under test.
std::string ZspackBinary();

}  // namespace zspack::testing
