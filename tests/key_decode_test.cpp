#include <gtest/gtest.h>

#include <string>

#include "platform/key_decode.h"

namespace {

TEST(DecodeKey, LoneEscapeAgainstSequences) {
  const struct {
    std::string bytes;
    int key;
  } cases[] = {
      {"\x1b", kKeyEscape},
      {"\x1b[A", 'A' << 8},    // cursor up
      {"\x1bOP", 'P' << 8},    // F1
      {"\x1b[15~", '~' << 8},  // F5
      {"x", 'x'},
      {"\r", '\r'},
      {std::string(1, '\0'), 0x100},  // never the "no key" code
      {"\xc3\xa9", 0xc3},             // one multibyte character is one key
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.bytes);
    int key = DecodeKey(reinterpret_cast<const unsigned char*>(c.bytes.data()), c.bytes.size());
    EXPECT_EQ(key, c.key);
  }
}

}  // namespace
