// Turning one key event of a Windows console into key codes. Portable code, so
// that the rules are tested everywhere; only the Windows build calls it.
#pragma once

// What the console input reports for one key event.
struct ConsoleKeyEvent {
  bool keyDown;
  unsigned virtualKey;
  unsigned scanCode;
  unsigned char character;  // in the console's code page; 0 when the key has none
  bool enhanced;            // a key of the extended set (cursor block, right Ctrl...)
};

// Writes the codes of one press of the key into codes and returns their count:
// 0 for a release and for a modifier or lock key alone (Shift, Ctrl, Alt, Caps,
// Num or Scroll Lock); 1, the character, for an ordinary key, and 27 for ESC even
// when the console reports it without a character; 2, a 0 and then the scan code
// (never 0), for a key without a character and for every extended key.
int KeyPressCodes(const ConsoleKeyEvent& event, int codes[2]);
