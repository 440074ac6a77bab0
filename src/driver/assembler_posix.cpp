#include "driver/assembler.h"

#include <spawn.h>
#include <sys/wait.h>

#include <csignal>

// POSIX leaves declaring environ to the program; glibc's <unistd.h> may declare it too.
extern char** environ;  // NOLINT(readability-redundant-declaration)

namespace zspack {

AssemblerResult RunAssembler() {
  char program[] = "./ACME.exe";
  char verbose[] = "-v9";
  char source[] = "MakeMe.a";
  char* argv[] = {program, verbose, source, nullptr};
  pid_t pid = 0;
  // The packer ignores SIGPIPE; the assembler gets the default back, as if started alone.
  posix_spawnattr_t attributes;
  if (posix_spawnattr_init(&attributes) != 0) return {};
  sigset_t defaults;
  sigemptyset(&defaults);
  sigaddset(&defaults, SIGPIPE);
  posix_spawnattr_setsigdefault(&attributes, &defaults);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
  const int spawned = posix_spawn(&pid, program, nullptr, &attributes, argv, environ);
  posix_spawnattr_destroy(&attributes);
  if (spawned != 0) return {};
  // No signal handler is installed while the assembler runs, so nothing interrupts the
  // wait, and SIGCHLD has its default action (PrepareProcessSignals sees to it), so the
  // child is kept to be waited for.
  int status = 0;
  if (waitpid(pid, &status, 0) != pid) return {true, 1};
  if (WIFEXITED(status)) return {true, WEXITSTATUS(status)};
  // Killed by a signal, the only other end a wait without WUNTRACED reports; as a shell
  // reports it: 128 and the signal's number.
  constexpr int kSignalled = 128;
  return {true, kSignalled + WTERMSIG(status)};
}

}  // namespace zspack
