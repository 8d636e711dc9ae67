#include <gtest/gtest.h>

#include <string>

#include "extract/compare_files.h"
#include "support/cache_builder.h"

namespace {

TEST(CompareFiles, SameLengthAndBytesOnly) {
  std::string big = Pattern(40000);
  std::string lastByte = big;
  lastByte.back() = static_cast<char>(lastByte.back() + 1);
  std::string pastFirstBlock = big;
  pastFirstBlock[16384] = static_cast<char>(pastFirstBlock[16384] + 1);
  const struct {
    const char* name;
    std::string a, b;
    int result;
  } cases[] = {
      {"both empty", "", "", 0},
      {"same", big, big, 0},
      {"last byte differs", big, lastByte, 1},
      {"first byte of the second block differs", big, pastFirstBlock, 1},
      {"first byte differs", "abc", "xbc", 1},
      {"prefix", big, big.substr(0, 39999), 1},
      {"empty against one byte", "", "x", 1},
  };
  TempDir dir;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    WriteFile(dir / "a", c.a);
    WriteFile(dir / "b", c.b);
    Stream* a = OpenStream((dir / "a").c_str(), "rb");
    Stream* b = OpenStream((dir / "b").c_str(), "rb");
    ASSERT_TRUE(a != nullptr && b != nullptr);
    EXPECT_EQ(CompareFiles(a, b), c.result);
    EXPECT_EQ(MeasureFile(a), static_cast<long long>(c.a.size()));
    EXPECT_EQ(TellStream(a), 0);  // measuring rewinds
    CloseStream(a);
    CloseStream(b);
  }
}

}  // namespace
