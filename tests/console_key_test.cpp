// Windows console key events to key codes.
#include "platform/console_key.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

std::vector<int> Codes(const ConsoleKeyEvent& event) {
  int codes[2] = {-1, -1};
  int count = KeyPressCodes(event, codes);
  return std::vector<int>(codes, codes + count);
}

TEST(KeyPressCodes, CharactersEscapeExtendedKeysAndIgnoredEvents) {
  struct Case {
    ConsoleKeyEvent event;
    std::vector<int> codes;
  };
  const Case cases[] = {
      {{true, 'A', 0x1E, 'a', false}, {'a'}},
      {{true, 0x0D, 0x1C, '\r', false}, {'\r'}},
      {{true, 0x41, 0x1E, 0x84, false}, {0x84}},  // a letter beyond ASCII in the code page
      {{true, 0x1B, 0x01, 27, false}, {27}},
      {{true, 0x1B, 0x01, 0, false}, {27}},         // ESC reported without its character
      {{true, 0x70, 0x3B, 0, false}, {0, 0x3B}},    // F1
      {{true, 0x26, 0x48, 0, true}, {0, 0x48}},     // cursor up
      {{true, 0x0D, 0x1C, '\r', true}, {0, 0x1C}},  // keypad Enter is an extended key
      {{true, 0x26, 0, 0, false}, {0, 0x26}},       // no scan code: the virtual key stands in
      {{true, 0, 0, 0, false}, {}},
      {{false, 'A', 0x1E, 'a', false}, {}},  // a release
      {{true, 0x10, 0x2A, 0, false}, {}},    // Shift alone
      {{true, 0x11, 0x1D, 0, true}, {}},     // right Ctrl alone
      {{true, 0x12, 0x38, 0, false}, {}},    // Alt alone
      {{true, 0x14, 0x3A, 0, false}, {}},    // Caps Lock
  };
  for (const Case& c : cases)
    EXPECT_EQ(Codes(c.event), c.codes) << "virtual key " << c.event.virtualKey;
}

}  // namespace
