// Messages never pass a control byte from the index to the terminal.
#include <gtest/gtest.h>

#include <string>

#include "core/say.h"

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

}  // namespace
