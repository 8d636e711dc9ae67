#include <gtest/gtest.h>

#include <string>

#include "platform/ansi_path.h"
#include "platform/stream.h"
#include "support/files.h"
#include "support/streams.h"

namespace {

TEST(Streams, ShortReadSeekTellAndClose) {
  TempDir dir;
  WriteFile(dir / "five", "12345");
  Stream* s = OpenForReading(dir / "five");
  ASSERT_NE(s, nullptr);
  EXPECT_EQ(StreamFileSize(s), 5);
  char buffer[8] = {};
  EXPECT_EQ(ReadBytes(s, buffer, 8), 5u);
  EXPECT_EQ(std::string(buffer, 5), "12345");
  EXPECT_EQ(TellStream(s), 5);
  EXPECT_EQ(SeekStream(s, 1), 0);
  EXPECT_EQ(TellStream(s), 1);
  EXPECT_EQ(ReadBytes(s, buffer, 4), 4u);
  EXPECT_EQ(std::string(buffer, 4), "2345");
  EXPECT_EQ(CloseStream(s), 0);
  EXPECT_EQ(CloseStream(nullptr), -1);
}

TEST(AnsiPath, MkDirMakesOneLevelAndTooLongPathsFail) {
  TempDir dir;
  WriteFile(dir / "file", "x");
  EXPECT_EQ(MkDirAnsi((dir / "a").c_str()), 0);
  EXPECT_EQ(MkDirAnsi((dir / "a").c_str()), -1);
  EXPECT_EQ(MkDirAnsi((dir / "file").c_str()), -1);
  EXPECT_EQ(MkDirAnsi((dir / "b/c").c_str()), -1);
  EXPECT_FALSE(Exists(dir / "b"));

  // A path that does not fit the buffer fails, and leaves nothing to act on.
  std::string longPath = dir / std::string(5000, 'a');
  char converted[kPathSize] = "x";
  EXPECT_FALSE(ToAnsiPath(longPath.c_str(), converted));
  EXPECT_STREQ(converted, "");
  EXPECT_EQ(MkDirAnsi(longPath.c_str()), -1);
  EXPECT_EQ(ChDirAnsi(longPath.c_str()), -1);
}

}  // namespace
