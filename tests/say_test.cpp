// Messages never pass a control byte from the index to the terminal.
#include <gtest/gtest.h>

#include <string>

#include "core/say.h"
#include "support/cache_builder.h"

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

// Whatever the index holds, standard output carries no control byte but the
// line ends of the program's own messages.
TEST(Say, HostileUrlsAndNamesReachNoTerminal) {
  ScratchCache c;
  c.Add("M0000001.HTM", "x", "http://h/\x1b[2J\x1b]0;title\x07\x7f/a\rb");
  c.Add("M0000002\x1b[5m.HTM", nullptr, "ftp://h/\x01");  // its cached file is missing
  c.Add("M0000003.HTM", "y", "\x1b[8mhttps://h/x");       // unknown prefix: shown in every mode
  for (const char* verbose : {"-v", "-q"}) {
    RunResult r = c.Run({"-p", verbose, "-ofresh" + std::string(verbose)});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("Unknown URL prifix: '%1b[8mhttps://h/x'"), std::string::npos) << r.out;
    // Windows writes its line ends as "\r\n".
    for (char byte : FromTerminal(r.out))
      EXPECT_TRUE(byte == '\n' || (static_cast<unsigned char>(byte) >= 0x20 && byte != 0x7f))
          << verbose << ": byte " << static_cast<int>(byte) << " in\n"
          << r.out;
  }
}

}  // namespace
