// The Windows key wait, run for real: this program writes records into its own console's
// input buffer (Shift and Ctrl pressed alone, a key-up, a mouse move, a focus change, then
// the key-downs of two letters) and calls WaitForKey. The wait must pass over everything
// before the first letter, return on it, leave the second letter unread and the console
// mode as it was. Exit code 0 when it does; the windows check runs it under wine.
#include <windows.h>

#include <cstdio>

#include "driver/key_wait.h"

namespace {

INPUT_RECORD Key(WORD key, bool down, wchar_t character = 0) {
  INPUT_RECORD record{};
  record.EventType = KEY_EVENT;
  record.Event.KeyEvent.bKeyDown = down ? TRUE : FALSE;
  record.Event.KeyEvent.wRepeatCount = 1;
  record.Event.KeyEvent.wVirtualKeyCode = key;
  record.Event.KeyEvent.uChar.UnicodeChar = character;
  return record;
}

INPUT_RECORD Mouse() {
  INPUT_RECORD record{};
  record.EventType = MOUSE_EVENT;
  record.Event.MouseEvent.dwEventFlags = MOUSE_MOVED;
  return record;
}

INPUT_RECORD Focus() {
  INPUT_RECORD record{};
  record.EventType = FOCUS_EVENT;
  record.Event.FocusEvent.bSetFocus = TRUE;
  return record;
}

int Fail(const char* what) {
  std::fprintf(stderr, "key wait check: %s (error %lu)\n", what, GetLastError());
  return 1;
}

}  // namespace

int main() {
  const HANDLE input = CreateFileA("CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                   nullptr, OPEN_EXISTING, 0, nullptr);
  if (input == INVALID_HANDLE_VALUE) return Fail("no console input");
  if (!SetStdHandle(STD_INPUT_HANDLE, input) || !FlushConsoleInputBuffer(input)) return Fail("cannot use the console");
  DWORD modeBefore = 0;
  if (!GetConsoleMode(input, &modeBefore)) return Fail("no console mode");

  const INPUT_RECORD records[] = {Key(VK_SHIFT, true), Key(VK_CONTROL, true), Key('Q', false, L'q'),
                                  Mouse(),             Focus(),               Key('A', true, L'a'),
                                  Key('B', true, L'b')};
  const DWORD count = sizeof records / sizeof records[0];
  DWORD written = 0;
  if (!WriteConsoleInputW(input, records, count, &written) || written != count) return Fail("cannot write input records");

  zspack::WaitForKey();

  DWORD left = 0;
  INPUT_RECORD next{};
  DWORD read = 0;
  if (!GetNumberOfConsoleInputEvents(input, &left)) return Fail("cannot count input records");
  if (left != 1) {
    std::fprintf(stderr, "key wait check: %lu records left, expected only the second letter\n", left);
    return 1;
  }
  if (!ReadConsoleInputW(input, &next, 1, &read) || read != 1 || next.EventType != KEY_EVENT ||
      next.Event.KeyEvent.wVirtualKeyCode != 'B') {
    return Fail("the record left is not the second letter");
  }
  DWORD modeAfter = 0;
  if (!GetConsoleMode(input, &modeAfter) || modeAfter != modeBefore) return Fail("the console mode changed");
  std::printf("key wait check: passed over %lu records, returned on the first letter\n", count - 2);
  return 0;
}
