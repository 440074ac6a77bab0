#include "driver/key_wait.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <termios.h>

#include <cstddef>
#include <unistd.h>
#endif

namespace zspack {

#ifdef _WIN32

namespace {

bool IsModifierOnly(WORD key) {
  switch (key) {
    case VK_SHIFT: case VK_LSHIFT: case VK_RSHIFT:
    case VK_CONTROL: case VK_LCONTROL: case VK_RCONTROL:
    case VK_MENU: case VK_LMENU: case VK_RMENU:
    case VK_CAPITAL: case VK_NUMLOCK: case VK_SCROLL:
      return true;
    default:
      return false;
  }
}

}  // namespace

void WaitForKey() {
  HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
  DWORD mode = 0;
  if (input == INVALID_HANDLE_VALUE || input == nullptr || !GetConsoleMode(input, &mode)) return;
  for (;;) {
    DWORD pending = 0;
    if (!GetNumberOfConsoleInputEvents(input, &pending)) return;
    if (pending == 0) {
      Sleep(1);
      continue;
    }
    INPUT_RECORD record{};
    DWORD read = 0;
    if (!ReadConsoleInputA(input, &record, 1, &read)) return;
    if (read == 1 && record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown &&
        !IsModifierOnly(record.Event.KeyEvent.wVirtualKeyCode)) {
      return;
    }
  }
}

#else

void WaitForKey() {
  if (isatty(STDIN_FILENO) == 0) return;
  termios saved{};
  if (tcgetattr(STDIN_FILENO, &saved) != 0) return;
  termios raw = saved;
  raw.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  if (tcsetattr(STDIN_FILENO, TCSANOW, &raw) != 0) return;
  constexpr size_t kQueuedBytes = 16;  // more than any key sends at once
  char key[kQueuedBytes];
  // End of input or an error ends the wait just as a key does.
  if (read(STDIN_FILENO, key, 1) == 1) {
    // A key such as an arrow sends several bytes at once; take the rest of what is already
    // queued so that none of it is left for the shell to read.
    raw.c_cc[VMIN] = 0;
    if (tcsetattr(STDIN_FILENO, TCSANOW, &raw) == 0) {
      while (read(STDIN_FILENO, key, sizeof key) > 0) {
      }
    }
  }
  tcsetattr(STDIN_FILENO, TCSANOW, &saved);
}

#endif

}  // namespace zspack
