#include "support/process.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "support/tune_builder.h"

extern char** environ;  // NOLINT(readability-redundant-declaration)

namespace zspack::testing {

namespace {

std::string FromEnvironment(const char* name, const std::string& otherwise) {
  const char* value = std::getenv(name);
  return value != nullptr && value[0] != '\0' ? value : otherwise;
}

}  // namespace

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& workDir, const ProcessSetup& setup) {
  std::vector<std::string> environment;
  for (char** e = environ; *e != nullptr; ++e) environment.emplace_back(*e);
  environment.insert(environment.end(), setup.environment.begin(), setup.environment.end());
  std::vector<char*> envp;
  for (std::string& e : environment) envp.push_back(e.data());
  envp.push_back(nullptr);
  std::vector<std::string> all = {program};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);

  TempDir capture;
  const std::string outFile = setup.stdoutPath.empty() ? capture / "out" : setup.stdoutPath;
  const std::string errFile = capture / "err";
  int pipeFds[2] = {-1, -1};
  if (setup.stdoutReaderless) {
    if (pipe(pipeFds) != 0) return {};
    close(pipeFds[0]);  // no reader, ever: gone before the child can write
  }
  const pid_t pid = fork();
  if (pid == 0) {
    if (chdir(workDir.c_str()) != 0) _exit(126);
    const int in = open("/dev/null", O_RDONLY);
    const int out = setup.stdoutReaderless ? pipeFds[1]
                                           : open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (in < 0 || out < 0 || err < 0) _exit(126);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    if (setup.fileSizeLimit >= 0) {
      signal(SIGXFSZ, SIG_IGN);  // an ignored signal stays ignored across exec
      const rlimit limit{static_cast<rlim_t>(setup.fileSizeLimit),
                         static_cast<rlim_t>(setup.fileSizeLimit)};
      if (setrlimit(RLIMIT_FSIZE, &limit) != 0) _exit(126);
    }
    if (setup.sigchldIgnored) signal(SIGCHLD, SIG_IGN);  // kept across exec
    execvpe(argv[0], argv.data(), envp.data());
    _exit(127);
  }
  if (setup.stdoutReaderless) close(pipeFds[1]);
  ProcessResult result;
  int status = 0;
  waitpid(pid, &status, 0);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  if (setup.stdoutPath.empty() && !setup.stdoutReaderless) result.out = ReadText(outFile);
  result.err = ReadText(errFile);
  return result;
}

bool UnderLauncher() { return !FromEnvironment("ZSPACK_TEST_LAUNCHER", "").empty(); }

ProcessResult RunZspack(const std::vector<std::string>& args, const std::string& workDir,
                        const ProcessSetup& setup) {
  if (!UnderLauncher()) return RunProcess(ZspackBinary(), args, workDir, setup);
  std::vector<std::string> all = {ZspackBinary()};
  all.insert(all.end(), args.begin(), args.end());
  return RunProcess(FromEnvironment("ZSPACK_TEST_LAUNCHER", ""), all, workDir, setup);
}

TempDir::TempDir() {
  std::string pattern = (std::filesystem::temp_directory_path() / "zspack-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) std::abort();
  path_ = pattern;
}

TempDir::~TempDir() {
  std::error_code ec;
  // A test may leave a read-only folder behind; make it writable so it can go.
  std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                               std::filesystem::perm_options::add, ec);
  std::filesystem::remove_all(path_, ec);
}

void InstallStandInAssembler(const TempDir& dir, int exitCode) {
  const std::string standIn = FromEnvironment("ZSPACK_TEST_STANDIN", ZSPACK_STANDIN_ACME);
  std::filesystem::copy_file(standIn, dir / "ACME.exe",
                             std::filesystem::copy_options::overwrite_existing);
  if (exitCode != 0) {
    const std::string text = std::to_string(exitCode);
    WriteBytes(dir / "acme_exit.txt", std::vector<uint8_t>(text.begin(), text.end()));
  }
}

std::string ZspackBinary() { return FromEnvironment("ZSPACK_TEST_BINARY", ZSPACK_BINARY); }

}  // namespace zspack::testing
