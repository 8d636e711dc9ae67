// Messages never pass a control byte from the index to the terminal.
#include <gtest/gtest.h>

#include <string>

#include "core/say.h"
#include "platform/system.h"

namespace {

TEST(Say, ControlBytesInValuesAreShownAsHexAndNumbersAsPrintf) {
  const std::string hostile = "a\x1b]0;owned\x07\r\x7f\x01z\xe9";
  testing::internal::CaptureStdout();
  Say("URL=%s\n", hostile.c_str());
  Say(" Renaming char: '%c' to '%%%02x' in '%s'\n", 0x1b, 0x1b, "x");
  Say("%4ld =%lX %X %04lX %lu %c|", 7L, 0xABCUL, 0u, 0x1FUL, 12UL, 'q');
  // Sizes that mingw's format check does not know; held where it does not look.
  const char* sizes = "%zu %llu %lld|";
  Say(sizes, std::size_t{42}, 1ULL << 40, -3LL);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "URL=a%1b]0;owned%07%0d%7f%01z\xe9\n"
            " Renaming char: '%1b' to '%1b' in 'x'\n"
            "   7 =ABC 0 001F 12 q|42 1099511627776 -3|");
}

// A POSIX terminal takes 0x9B and U+009B ("\xc2\x9b") as CSI; a Windows console
// shows its code page's characters for them, and there they pass unchanged.
TEST(Say, C1ControlsAreShownAsHexWhereTheConsoleHasThem) {
  const struct {
    const char* value;
    const char* shown;  // where the console has C1 controls
  } cases[] = {
      {"\xc2\x9b[31m \xc2\x80\xc2\x9f", "%c2%9b[31m %c2%80%c2%9f"},
      {"\x9b \x80\x9f", "%9b %80%9f"},
      {"\xe2\x80\x93 \xe2\x82\xac \xe2\x80\x9c \xc2\xa0\xc3\xa9 \xf0\x9f\x98\x80",
       "\xe2\x80\x93 \xe2\x82\xac \xe2\x80\x9c \xc2\xa0\xc3\xa9 \xf0\x9f\x98\x80"},
      {"caf\xe9\x9b \xe9\xa0", "caf\xe9%9b \xe9\xa0"},                 // Latin-1, not UTF-8
      {"\xe2\x80", "\xe2%80"},                                         // cut short
      {"\xe0\x82\x9b \xc1\x9b", "\xe0%82%9b \xc1%9b"},                 // overlong forms of U+009B
      {"\xed\xa0\x80 \xf4\x90\x80\x80", "\xed\xa0%80 \xf4%90%80%80"},  // surrogate, above U+10FFFF
  };
  for (const auto& c : cases) {
    testing::internal::CaptureStdout();
    Say("%s", c.value);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), kConsoleHasC1Controls ? c.shown : c.value);
  }
  testing::internal::CaptureStdout();
  Say("%c%c", 0x9b, 0xe9);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), kConsoleHasC1Controls ? "%9b\xe9" : "\x9b\xe9");
}

}  // namespace
