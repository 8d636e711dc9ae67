#include <windows.h>

#include "platform/console.h"
#include "platform/console_key.h"

namespace {

// The console's input, opened by name: standard input may be redirected.
HANDLE g_input = INVALID_HANDLE_VALUE;
// The codes of the last key press not handed out yet, and how many more times
// the press repeats (the console reports held keys with a repeat count). They
// stay for the next wait, like keys typed ahead that the console still holds.
int g_codes[2];
int g_codeCount = 0;
int g_nextCode = 0;
unsigned g_repeatsLeft = 0;

}  // namespace

// Reading console input records needs no change of the console's mode: they
// arrive one by one and are never echoed. Windows has no background jobs: a
// process with a console reads it.
int BeginKeyWait() {
  g_input = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                        nullptr, OPEN_EXISTING, 0, nullptr);
  DWORD mode = 0;
  if (g_input != INVALID_HANDLE_VALUE && GetConsoleMode(g_input, &mode)) return 0;
  EndKeyWait();
  return -1;
}

int ReadConsoleKey() {
  if (g_input == INVALID_HANDLE_VALUE) return -1;
  for (;;) {
    if (g_nextCode < g_codeCount) return g_codes[g_nextCode++];
    if (g_repeatsLeft > 0) {
      --g_repeatsLeft;
      g_nextCode = 0;
      continue;
    }
    INPUT_RECORD record;
    DWORD count = 0;
    if (!ReadConsoleInputA(g_input, &record, 1, &count) || count != 1) return -1;
    if (record.EventType != KEY_EVENT) continue;  // mouse, window, focus and menu events
    const KEY_EVENT_RECORD& key = record.Event.KeyEvent;
    ConsoleKeyEvent event = {key.bKeyDown != FALSE, key.wVirtualKeyCode, key.wVirtualScanCode,
                             static_cast<unsigned char>(key.uChar.AsciiChar),
                             (key.dwControlKeyState & ENHANCED_KEY) != 0};
    g_codeCount = KeyPressCodes(event, g_codes);
    g_nextCode = 0;
    g_repeatsLeft = g_codeCount > 0 && key.wRepeatCount > 1 ? key.wRepeatCount - 1u : 0;
  }
}

void EndKeyWait() {
  if (g_input != INVALID_HANDLE_VALUE) CloseHandle(g_input);
  g_input = INVALID_HANDLE_VALUE;
}

// A console handle has a console mode; a file, a pipe or NUL has none.
bool StandardErrorIsTerminal() {
  DWORD mode = 0;
  return GetConsoleMode(GetStdHandle(STD_ERROR_HANDLE), &mode) != 0;
}
