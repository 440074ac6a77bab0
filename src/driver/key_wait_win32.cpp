#include "driver/key_wait.h"

#include <windows.h>

namespace zspack {

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

}  // namespace zspack
