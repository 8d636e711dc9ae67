// Reading beneath a directory handle: hostile names and file kinds, under both
// ways of resolving names; the type check before any open; the ancestor check.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "platform/beneath.h"
#include "platform/dir_handle.h"
#include "platform/regular_file_linux.h"
#include "support/fifo_writer.h"
#include "support/files.h"
#include "support/openat2.h"

namespace {

std::string ReadAll(Stream* stream) {
  std::string content;
  char buffer[256];
  for (std::size_t n; (n = ReadBytes(stream, buffer, sizeof buffer)) > 0;)
    content.append(buffer, n);
  return content;
}

// A cache directory with every kind of hostile name, and a secret beside it.
struct HostileCache {
  TempDir root;
  std::string cache = root / "cache";
  std::string secret = root / "secret";
  HostileCache() {
    WriteFile(secret, "SECRET");
    MakeDirs(cache + "/a");
    WriteFile(cache + "/x", "inside x");
    WriteFile(cache + "/a/y", "inside a/y");
    EXPECT_EQ(symlink(secret.c_str(), (cache + "/abs_link").c_str()), 0);
    EXPECT_EQ(symlink("../secret", (cache + "/up_link").c_str()), 0);
    EXPECT_EQ(symlink("a/y", (cache + "/in_link").c_str()), 0);
    EXPECT_EQ(symlink("/dev/null", (cache + "/dev_link").c_str()), 0);
    EXPECT_EQ(mkfifo((cache + "/fifo").c_str(), 0600), 0);
  }
};

constexpr ReadRefusal kOk = ReadRefusal::kNone;
constexpr ReadRefusal kMissing = ReadRefusal::kCannotOpen;
constexpr ReadRefusal kOutside = ReadRefusal::kOutside;
constexpr ReadRefusal kLink = ReadRefusal::kSymbolicLink;
constexpr ReadRefusal kNotRegular = ReadRefusal::kNotRegular;

TEST(OpenForReadingBeneath, HostileNamesAndKinds) {
  HostileCache h;
  const struct {
    std::string name;
    ReadRefusal best, walk;  // openat2 follows what stays inside; the walk follows nothing
    std::string content;     // when opened
  } cases[] = {
      {"x", kOk, kOk, "inside x"},
      {"./x", kOk, kOk, "inside x"},
      {"a//y", kOk, kOk, "inside a/y"},
      {"a/../x", kOk, kOutside, "inside x"},
      {"in_link", kOk, kLink, "inside a/y"},
      {"../secret", kOutside, kOutside, ""},
      {"a/../../secret", kOutside, kOutside, ""},
      {h.secret, kOutside, kOutside, ""},
      {"abs_link", kOutside, kLink, ""},
      {"up_link", kOutside, kLink, ""},
      {"dev_link", kOutside, kLink, ""},
      {"fifo", kNotRegular, kNotRegular, ""},
      {"a", kNotRegular, kNotRegular, ""},
      {".", kNotRegular, kNotRegular, ""},
      {"x/", kMissing, kMissing, ""},
      {"missing", kMissing, kMissing, ""},
      {"", kMissing, kMissing, ""},
  };
  DirHandle dir = OpenDirectory(h.cache.c_str());
  ASSERT_NE(dir, kNoDir);
  const bool openat2 = HasOpenat2();
  for (BeneathResolution resolution : {BeneathResolution::kBest, BeneathResolution::kWalk}) {
    const bool walk = resolution == BeneathResolution::kWalk || !openat2;
    for (const auto& c : cases) {
      SCOPED_TRACE((walk ? "walk: '" : "openat2: '") + c.name + "'");
      ReadRefusal expected = walk ? c.walk : c.best;
      ReadRefusal refusal = ReadRefusal::kNone;
      Stream* stream = OpenForReadingBeneath(dir, c.name.c_str(), refusal, resolution);
      EXPECT_EQ(refusal, expected);
      EXPECT_EQ(stream != nullptr, expected == kOk);
      if (stream != nullptr) {
        EXPECT_EQ(ReadAll(stream), c.content);
        CloseStream(stream);
      }
    }
  }
  CloseDirectory(dir);
}

// A FIFO is refused without being opened: a writer waiting for a reader is
// never released, whichever way it is reached.
TEST(OpenForReadingBeneath, NeverOpensAFifo) {
  HostileCache h;
  BlockedFifoWriter writer(h.cache + "/fifo");
  ASSERT_TRUE(writer.blocked());
  DirHandle dir = OpenDirectory(h.cache.c_str());
  ReadRefusal refusal;
  for (BeneathResolution resolution : {BeneathResolution::kBest, BeneathResolution::kWalk})
    EXPECT_EQ(OpenForReadingBeneath(dir, "fifo", refusal, resolution), nullptr);
  CloseDirectory(dir);
  EXPECT_FALSE(writer.Released());
}

TEST(OpenForReadingBeneath, NeverOpensADeviceNode) {
  HostileCache h;
  // Only a privileged process may make one: /dev/null's numbers.
  if (mknod((h.cache + "/null").c_str(), S_IFCHR | 0600, makedev(1, 3)) != 0)
    GTEST_SKIP() << "no device nodes here";
  DirHandle dir = OpenDirectory(h.cache.c_str());
  ReadRefusal refusal;
  EXPECT_EQ(OpenForReadingBeneath(dir, "null", refusal), nullptr);
  EXPECT_EQ(refusal, kNotRegular);
  CloseDirectory(dir);
}

TEST(OpenForReadingBeneath, NoDirectoryNoFile) {
  ReadRefusal refusal;
  EXPECT_EQ(OpenForReadingBeneath(kNoDir, "x", refusal), nullptr);
  EXPECT_EQ(refusal, kMissing);
}

// Where /proc is missing the file is opened again by name: accepted only when
// that open reached the very regular file that was checked.
TEST(ReadRegularFileByName, AcceptsOnlyTheFileThatWasChecked) {
  TempDir dir;
  WriteFile(dir / "checked", "checked");
  WriteFile(dir / "other", "other");
  const struct {
    const char* reopened;
    ReadRefusal expected;
  } cases[] = {{"checked", kOk}, {"other", kMissing}, {"missing", kMissing}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.reopened);
    int pathFd = open((dir / "checked").c_str(), O_PATH | O_CLOEXEC);
    ASSERT_GE(pathFd, 0);
    std::string name = dir / c.reopened;
    ReadRefusal refusal = ReadRefusal::kNone;
    Stream* stream = ReadRegularFileByName(
        pathFd,
        [](int flags, const void* context) {
          return open(static_cast<const std::string*>(context)->c_str(), flags);
        },
        &name, refusal);
    EXPECT_EQ(refusal, c.expected);
    ASSERT_EQ(stream != nullptr, c.expected == kOk);
    if (stream != nullptr) {
      EXPECT_EQ(ReadAll(stream), "checked");
      CloseStream(stream);
    }
  }
}

TEST(OpenDirectory, OnlyDirectories) {
  TempDir dir;
  WriteFile(dir / "file", "x");
  MakeDirs(dir / "folder");
  EXPECT_EQ(symlink("folder", (dir / "link").c_str()), 0);
  for (const char* name : {"folder", "link"}) {
    DirHandle handle = OpenDirectory((dir / name).c_str());
    EXPECT_NE(handle, kNoDir) << name;
    CloseDirectory(handle);
  }
  for (const char* name : {"file", "missing"})
    EXPECT_EQ(OpenDirectory((dir / name).c_str()), kNoDir);
  EXPECT_EQ(OpenDirectory(nullptr), kNoDir);
}

TEST(IsSameOrAncestorDirectory, TheDirectoryAndEveryOneAbove) {
  TempDir dir;
  MakeDirs(dir / "top/cache/inside");
  MakeDirs(dir / "beside");
  WriteFile(dir / "top/file", "x");
  EXPECT_EQ(symlink("top/cache", (dir / "cache_link").c_str()), 0);
  const std::string cache = dir / "top/cache";
  const struct {
    std::string outer;
    bool expected;
  } cases[] = {
      {cache, true},
      {cache + "/", true},
      {dir / "top", true},
      {dir.path(), true},
      {"/", true},
      {dir / "cache_link", true},
      {cache + "/inside", false},
      {dir / "beside", false},
      {dir / "top/file", false},
      {dir / "missing", false},
      {"", false},
  };
  for (const auto& c : cases)
    EXPECT_EQ(IsSameOrAncestorDirectory(c.outer.c_str(), cache.c_str()), c.expected) << c.outer;
  EXPECT_FALSE(IsSameOrAncestorDirectory(dir.path().c_str(), (dir / "missing").c_str()));
}

}  // namespace
