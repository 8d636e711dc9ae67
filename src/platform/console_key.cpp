#include "platform/console_key.h"

#include "platform/console.h"

namespace {

// Virtual key codes, as the Windows headers define them.
const unsigned kVirtualEscape = 0x1B;
const unsigned kModifiersAndLocks[] = {
    0x10, 0x11, 0x12,                    // Shift, Ctrl, Alt
    0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5,  // their left and right keys
    0x14, 0x90, 0x91,                    // Caps, Num and Scroll Lock
};

}  // namespace

int KeyPressCodes(const ConsoleKeyEvent& event, int codes[2]) {
  if (!event.keyDown) return 0;
  for (unsigned key : kModifiersAndLocks)
    if (event.virtualKey == key) return 0;
  if (event.virtualKey == kVirtualEscape) {
    codes[0] = kKeyEscape;
    return 1;
  }
  if (event.character != 0 && !event.enhanced) {
    codes[0] = event.character;
    return 1;
  }
  // A synthesised event may lack a scan code; its virtual key stands in.
  int code = static_cast<int>(event.scanCode != 0 ? event.scanCode : event.virtualKey);
  if (code == 0) return 0;
  codes[0] = 0;
  codes[1] = code;
  return 2;
}
