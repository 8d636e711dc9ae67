#include <gtest/gtest.h>

#include <string>

#include "extract/compare_files.h"
#include "support/cache_builder.h"
#include "support/streams.h"

namespace {

TEST(CompareFiles, SameLengthAndBytesOnly) {
  std::string big = Pattern(140000);
  std::string lastByte = big;
  lastByte.back() = static_cast<char>(lastByte.back() + 1);
  std::string pastFirstBlock = big;
  pastFirstBlock[65536] = static_cast<char>(pastFirstBlock[65536] + 1);
  const struct {
    const char* name;
    std::string a, b;
    bool same;
  } cases[] = {
      {"both empty", "", "", true},
      {"same", big, big, true},
      {"last byte differs", big, lastByte, false},
      {"first byte of the second block differs", big, pastFirstBlock, false},
      {"first byte differs", "abc", "xbc", false},
      {"prefix", big, big.substr(0, big.size() - 1), false},
      {"empty against one byte", "", "x", false},
  };
  TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFile(dir / "a", c.a);
    WriteFile(dir / "b", c.b);
    Stream* a = OpenForReading(dir / "a");
    Stream* b = OpenForReading(dir / "b");
    ASSERT_TRUE(a != nullptr && b != nullptr);
    EXPECT_EQ(CompareFiles(a, b), c.same);
    CloseStream(b);
    // The first file is read from its start again, wherever it was left.
    b = OpenForReading(dir / "b");
    EXPECT_EQ(CompareFiles(a, b), c.same);
    CloseStream(a);
    CloseStream(b);
  }
}

}  // namespace
