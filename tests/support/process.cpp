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

namespace zspack::testing {

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& workDir, const std::string& stdoutPath) {
  return RunProcess(program, args, workDir, stdoutPath, ProcessSetup{});
}

ProcessResult RunProcess(const std::string& program, const std::vector<std::string>& args,
                         const std::string& workDir, const std::string& stdoutPath,
                         const ProcessSetup& setup) {
  // The child's environment, when one is given, as the array that execve takes.
  std::vector<char*> envp;
  if (setup.environment) {
    for (const std::string& e : *setup.environment) envp.push_back(const_cast<char*>(e.c_str()));
    envp.push_back(nullptr);
  }
  TempDir capture;
  const std::string outFile = stdoutPath.empty() ? capture / "out" : stdoutPath;
  const std::string errFile = capture / "err";
  const pid_t pid = fork();
  if (pid == 0) {
    if (chdir(workDir.c_str()) != 0) _exit(126);
    const int in = open("/dev/null", O_RDONLY);
    const int out = open(outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
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
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    if (setup.environment) {
      execve(program.c_str(), argv.data(), envp.data());
    } else {
      execv(program.c_str(), argv.data());
    }
    _exit(127);
  }
  ProcessResult result;
  int status = 0;
  waitpid(pid, &status, 0);
  result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  if (stdoutPath.empty()) result.out = ReadText(outFile);
  result.err = ReadText(errFile);
  return result;
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
  const std::string path = dir / "ACME.exe";
  std::ofstream script(path, std::ios::trunc);
  script << "#!/bin/sh\nprintf '[%s]' \"$@\" >> acme_args.txt\necho >> acme_args.txt\n"
         << "echo '[stand-in assembler ran]'\nexit " << exitCode << "\n";
  script.close();
  chmod(path.c_str(), 0755);
}

std::string ZspackBinary() { return ZSPACK_BINARY; }

}  // namespace zspack::testing
