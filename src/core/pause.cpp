#include "core/pause.h"

#include <cstdio>

#include "core/messages.h"
#include "core/say.h"
#include "platform/console.h"

namespace {

// A key that comes as a zero code and a second code counts as the second code
// shifted left by eight bits; two zero codes are no key at all.
int WaitForKey() {
  for (;;) {
    int key = ReadConsoleKey();
    if (key != 0) return key;
    int second = ReadConsoleKey();
    if (second < 0) return second;
    if (second != 0) return second << 8;
  }
}

}  // namespace

bool PausePrompt() {
  // What the pause is about must be on the screen before it waits.
  std::fflush(stdout);
  bool console = BeginKeyWait() == 0;
  // On a terminal the prompt is blanked after the key; in a file or a pipe (a
  // log) it is a line of its own, so the next message starts a line.
  bool terminal = StandardErrorIsTerminal();
  std::fputs(msg::kPausePrompt, stderr);
  if (!terminal) std::fputs(msg::kPauseLineEnd, stderr);
  int key = console ? WaitForKey() : -1;
  EndKeyWait();
  if (key == kKeyEscape) {
    Say(msg::kExitingByEscape);
    return false;
  }
  if (terminal) std::fputs(msg::kPauseBlank, stderr);
  return true;
}
