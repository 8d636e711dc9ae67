// The copy of a cached file: exactly the measured count, zeros where the source
// falls short.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "core/buffers.h"
#include "extract/copy_bytes.h"
#include "support/cache_builder.h"

namespace {

TEST(CopyBytes, WritesTheCountWithZerosWhereTheSourceIsShort) {
  const struct {
    std::size_t have, count;
  } cases[] = {{100000, 100000}, {40000, 70000}, {0, 5}, {32768, 32769}, {10, 0}};
  TempDir dir;
  unsigned char chunk[kChunkSize];
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.have) + " of " + std::to_string(c.count));
    std::string source = Pattern(c.have);
    WriteFile(dir / "source", source);
    unlink((dir / "target").c_str());
    Stream* in = OpenStream((dir / "source").c_str(), "rb");
    Stream* out = OpenStream((dir / "target").c_str(), "wb");
    ASSERT_TRUE(in != nullptr && out != nullptr);
    std::memset(chunk, 0xAA, sizeof chunk);  // what an earlier entry left there
    CopyResult copy = CopyBytes(in, out, static_cast<long long>(c.count), chunk);
    EXPECT_TRUE(copy.written);
    EXPECT_EQ(copy.missing, static_cast<long long>(c.count - std::min(c.have, c.count)));
    CloseStream(in);
    CloseStream(out);
    std::string expected = source.substr(0, c.count);
    expected.resize(c.count, '\0');
    EXPECT_TRUE(ReadFile(dir / "target") == expected);
  }
}

}  // namespace
