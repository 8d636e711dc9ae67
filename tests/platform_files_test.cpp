#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/ansi_path.h"
#include "platform/files.h"
#include "support/files.h"

namespace {

TEST(OpenStream, ReadOnlyRegularFilesAndNeverBlocks) {
  TempDir dir;
  WriteFile(dir / "file", "abc");
  MakeDirs(dir / "folder");
  ASSERT_EQ(mkfifo((dir / "fifo").c_str(), 0600), 0);
  symlink("file", (dir / "link").c_str());

  Stream* file = OpenStream((dir / "file").c_str(), "rb");
  ASSERT_NE(file, nullptr);
  EXPECT_EQ(CloseStream(file), 0);
  Stream* link = OpenStream((dir / "link").c_str(), "rb");
  EXPECT_NE(link, nullptr);  // a link to a readable file reads that file
  CloseStream(link);
  // A FIFO with no writer would block an ordinary open for ever.
  EXPECT_EQ(OpenStream((dir / "fifo").c_str(), "rb"), nullptr);
  EXPECT_EQ(OpenStream((dir / "folder").c_str(), "rb"), nullptr);
  EXPECT_EQ(OpenStream((dir / "missing").c_str(), "rb"), nullptr);
}

TEST(OpenStream, CreateNeverEmptiesOrFollowsAnExistingName) {
  TempDir dir;
  WriteFile(dir / "existing", "keep me");
  WriteFile(dir / "writeonly", "keep me too");
  chmod((dir / "writeonly").c_str(), 0200);
  symlink("target", (dir / "dangling").c_str());
  MakeDirs(dir / "folder");

  for (const char* name : {"existing", "writeonly", "dangling", "folder", "nofolder/x"}) {
    SCOPED_TRACE(name);
    EXPECT_EQ(OpenStream((dir / name).c_str(), "wb"), nullptr);
  }
  EXPECT_EQ(ReadFile(dir / "existing"), "keep me");
  chmod((dir / "writeonly").c_str(), 0600);
  EXPECT_EQ(ReadFile(dir / "writeonly"), "keep me too");
  EXPECT_FALSE(Exists(dir / "target"));

  Stream* fresh = OpenStream((dir / "fresh").c_str(), "wb");
  ASSERT_NE(fresh, nullptr);
  EXPECT_EQ(WriteBlock(fresh, "xyz", 3), 1);
  EXPECT_EQ(CloseStream(fresh), 0);
  EXPECT_EQ(ReadFile(dir / "fresh"), "xyz");
}

TEST(Streams, ShortBlockReadSeekTellAndClose) {
  TempDir dir;
  WriteFile(dir / "five", "12345");
  Stream* s = OpenStream((dir / "five").c_str(), "rb");
  ASSERT_NE(s, nullptr);
  char buffer[8] = {};
  EXPECT_EQ(ReadBlock(s, buffer, 8), 0);
  EXPECT_EQ(std::string(buffer, 5), "12345");  // what arrived is there all the same
  EXPECT_EQ(TellStream(s), 5);
  EXPECT_EQ(SeekStream(s, 0, kSeekEnd), 0);
  EXPECT_EQ(TellStream(s), 5);
  EXPECT_EQ(SeekStream(s, 1, kSeekStart), 0);
  EXPECT_EQ(ReadBlock(s, buffer, 4), 1);
  EXPECT_EQ(std::string(buffer, 4), "2345");
  EXPECT_EQ(CloseStream(s), 0);
  EXPECT_EQ(CloseStream(nullptr), -1);
}

TEST(Folders, MakeDirectoryCreatesOneLevelOnly) {
  TempDir dir;
  WriteFile(dir / "file", "x");
  EXPECT_EQ(MakeDirectory((dir / "a").c_str()), 0);
  EXPECT_EQ(MakeDirectory((dir / "a").c_str()), -1);
  EXPECT_EQ(MakeDirectory((dir / "file").c_str()), -1);
  EXPECT_EQ(MakeDirectory((dir / "b/c").c_str()), -1);
  EXPECT_FALSE(Exists(dir / "b"));
}

TEST(MoveFileNoReplace, NeverReplaces) {
  TempDir dir;
  WriteFile(dir / "a", "A");
  WriteFile(dir / "b", "B");
  MakeDirs(dir / "d");
  EXPECT_EQ(MoveFileNoReplace((dir / "a").c_str(), (dir / "b").c_str()), -1);
  EXPECT_EQ(MoveFileNoReplace((dir / "a").c_str(), (dir / "d").c_str()), -1);
  EXPECT_EQ(ReadFile(dir / "a"), "A");
  EXPECT_EQ(ReadFile(dir / "b"), "B");
  EXPECT_EQ(MoveFileAnsi((dir / "a").c_str(), (dir / "a_").c_str()), 0);
  EXPECT_EQ(ReadFile(dir / "a_"), "A");
  EXPECT_FALSE(Exists(dir / "a"));
}

TEST(SetFileTimes, WholeSecondsAsGiven) {
  TempDir dir;
  WriteFile(dir / "f", "x");
  const struct {
    std::uint32_t access, modification;
  } cases[] = {{0, 0}, {883612800u, 915148799u}, {0xFFFFFFFFu, 1}};
  for (const auto& c : cases) {
    ASSERT_EQ(SetFileTimesAnsi((dir / "f").c_str(), c.access, c.modification), 0);
    struct stat info = StatOf(dir / "f");
    EXPECT_EQ(info.st_atim.tv_sec, static_cast<time_t>(c.access));
    EXPECT_EQ(info.st_mtim.tv_sec, static_cast<time_t>(c.modification));
    EXPECT_EQ(info.st_mtim.tv_nsec, 0);
  }
  EXPECT_EQ(SetFileTimesAnsi((dir / "missing").c_str(), 1, 1), -1);
}

TEST(ToAnsiPath, CopiesIntoTheOneSharedBuffer) {
  const char* first = ToAnsiPath("some/ascii path.txt");
  EXPECT_STREQ(first, "some/ascii path.txt");
  const char* second = ToAnsiPath("other");
  EXPECT_EQ(first, second);
  EXPECT_STREQ(first, "other");
}

// A path that does not fit fails, and leaves nothing to act on: the operations
// that convert it fail too.
TEST(ToAnsiPath, TooLongPathFails) {
  std::string longPath(5000, 'a');
  const char* buffer = ToAnsiPath("x");
  EXPECT_EQ(ToAnsiPath(longPath.c_str()), nullptr);
  EXPECT_STREQ(buffer, "");
  EXPECT_EQ(MkDirAnsi(longPath.c_str()), -1);
  EXPECT_EQ(FOpenAnsi(longPath.c_str(), "rb"), nullptr);
}

}  // namespace
