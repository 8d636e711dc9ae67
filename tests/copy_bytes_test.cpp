// The copy of a cached file: exactly the measured count, zeros where the source
// falls short.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

#include "extract/copy_bytes.h"
#include "platform/partial_file.h"
#include "support/cache_builder.h"
#include "support/streams.h"

namespace {

TEST(CopyBytes, WritesTheCountWithZerosWhereTheSourceIsShort) {
  const struct {
    std::size_t have, count;
  } cases[] = {{100000, 100000}, {40000, 70000}, {0, 5}, {32768, 32769}, {10, 0}};
  TempDir dir;
  DirHandle folder = OpenDirectory(dir.path().c_str());
  unsigned char chunk[kChunkSize];
  for (const auto& c : cases) {
    std::string name = std::to_string(c.have) + " of " + std::to_string(c.count);
    SCOPED_TRACE(name);
    std::string source = Pattern(c.have);
    WriteFile(dir / "source", source);
    Stream* in = OpenForReading(dir / "source");
    PartialFile out;
    ASSERT_TRUE(in != nullptr && out.Create(folder, false) == CreateFailure::kNone);
    std::memset(chunk, 0xAA, sizeof chunk);  // what an earlier entry left there
    CopyResult copy = CopyBytes(in, out.stream(), static_cast<long long>(c.count), chunk);
    EXPECT_TRUE(copy.written);
    EXPECT_EQ(copy.missing, static_cast<long long>(c.count - std::min(c.have, c.count)));
    CloseStream(in);
    EXPECT_EQ(out.Close(), 0);
    EXPECT_EQ(out.Name(name.c_str()), PartialFile::Naming::kNamed);
    std::string expected = source.substr(0, c.count);
    expected.resize(c.count, '\0');
    EXPECT_TRUE(ReadFile(dir / name) == expected);
  }
  CloseDirectory(folder);
}

}  // namespace
