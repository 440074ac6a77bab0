#include "driver/key_wait.h"

#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <csignal>
#include <iterator>

namespace zspack {

namespace {

// The terminal settings the wait found, and the ones it has set, for the signal handler
// below to put back before the signal takes its course and after a stop.
termios savedSettings{};
termios waitSettings{};

// The signals that end or stop the process from the keyboard or from outside.
constexpr int kRestoringSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGQUIT, SIGTSTP};

void SetTerminal(const termios& settings) { tcsetattr(STDIN_FILENO, TCSANOW, &settings); }

void RestoreTerminalThenActOn(int signal) {
  const int savedErrno = errno;
  SetTerminal(savedSettings);
  // The signal again with its default action, so that the process ends killed by it as the
  // shell expects, or stops; the signal stays blocked until the handler has let go of it.
  struct sigaction byDefault {};
  byDefault.sa_handler = SIG_DFL;
  sigemptyset(&byDefault.sa_mask);
  struct sigaction handler {};
  sigaction(signal, &byDefault, &handler);
  raise(signal);
  sigset_t just;
  sigemptyset(&just);
  sigaddset(&just, signal);
  sigprocmask(SIG_UNBLOCK, &just, nullptr);
  // Only a stop comes back here, after SIGCONT (or at once where no shell could continue
  // the process, so the stop does not happen): the wait goes on in its own settings.
  sigprocmask(SIG_BLOCK, &just, nullptr);
  sigaction(signal, &handler, nullptr);
  SetTerminal(waitSettings);
  errno = savedErrno;
}

// Installs the handler for each signal that still has its default action (one the caller
// ignores stays ignored) and puts the previous actions back when the wait is over.
class SignalsRestoreTerminal {
 public:
  SignalsRestoreTerminal() {
    struct sigaction handler {};
    handler.sa_handler = RestoreTerminalThenActOn;
    sigemptyset(&handler.sa_mask);
    for (const int signal : kRestoringSignals) sigaddset(&handler.sa_mask, signal);
    // The read of the key goes on after a stop and a continue.
    handler.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(kRestoringSignals); ++i) {
      sigaction(kRestoringSignals[i], nullptr, &previous_[i]);
      installed_[i] = previous_[i].sa_handler == SIG_DFL;
      if (installed_[i]) sigaction(kRestoringSignals[i], &handler, nullptr);
    }
  }
  ~SignalsRestoreTerminal() {
    for (size_t i = 0; i < std::size(kRestoringSignals); ++i) {
      if (installed_[i]) sigaction(kRestoringSignals[i], &previous_[i], nullptr);
    }
  }
  SignalsRestoreTerminal(const SignalsRestoreTerminal&) = delete;
  SignalsRestoreTerminal& operator=(const SignalsRestoreTerminal&) = delete;

 private:
  struct sigaction previous_[std::size(kRestoringSignals)] {};
  bool installed_[std::size(kRestoringSignals)] = {};
};

void ReadOneKeyPress() {
  // End of input or an error ends the wait just as a key does.
  char key = 0;
  [[maybe_unused]] const ssize_t got = read(STDIN_FILENO, &key, 1);
  // A key such as an arrow sends several bytes at once; drop the rest of what is already
  // queued so that none of it is left for the shell to read.
  tcflush(STDIN_FILENO, TCIFLUSH);
}

}  // namespace

void WaitForKey() {
  // Only a terminal has settings; a file or pipe on standard input means nobody to wait for.
  if (tcgetattr(STDIN_FILENO, &savedSettings) != 0) return;
  waitSettings = savedSettings;
  waitSettings.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
  waitSettings.c_cc[VMIN] = 1;
  waitSettings.c_cc[VTIME] = 0;
  // In place before raw mode starts and until it has ended, so no signal can leave the
  // terminal without echo and line editing. Should raw mode not take, the wait reads a line.
  const SignalsRestoreTerminal guard;
  SetTerminal(waitSettings);
  ReadOneKeyPress();
  SetTerminal(savedSettings);
}

}  // namespace zspack
