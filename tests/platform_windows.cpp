// The Windows platform layer in the test's own process: what it refuses, what it
// never replaces, the times it sets, paths beyond MAX_PATH, and paths resolved
// the way Windows resolves them.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/ansi_path.h"
#include "platform/beneath.h"
#include "platform/files.h"
#include "platform/output_tree.h"
#include "platform/system.h"
#include "platform/wide_text.h"
#include "support/files.h"
#include "support/wine.h"

namespace {

std::uint64_t Seconds(const FILETIME& time) {
  std::uint64_t ticks = (std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
  return (ticks - 116444736000000000ull) / 10000000ull;
}

TEST(WindowsFiles, OnlyDiskFilesAreOpenedAndNothingIsReplaced) {
  TempDir dir;
  WriteFile(dir / "kept", "kept");
  WriteFile(dir / "other", "other");
  MakeDirs(dir / "folder");
  EXPECT_EQ(OpenStream((dir / "folder").c_str(), "rb"), nullptr);
  EXPECT_EQ(OpenStream("NUL", "rb"), nullptr);
  HANDLE pipe = CreateNamedPipeA("\\\\.\\pipe\\talvex-test", PIPE_ACCESS_OUTBOUND, PIPE_TYPE_BYTE,
                                 1, 4096, 4096, 0, nullptr);
  ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
  EXPECT_EQ(OpenStream("\\\\.\\pipe\\talvex-test", "rb"), nullptr);
  CloseHandle(pipe);
  EXPECT_EQ(OpenStream("CON", "wb"), nullptr);
  EXPECT_EQ(OpenStream((dir / "kept").c_str(), "wb"), nullptr);
  EXPECT_EQ(MoveFileNoReplace((dir / "other").c_str(), (dir / "kept").c_str()), -1);
  EXPECT_EQ(ReadFile(dir / "kept"), "kept");
  EXPECT_EQ(ReadFile(dir / "other"), "other");
  EXPECT_EQ(MoveFileNoReplace((dir / "other").c_str(), (dir / "moved").c_str()), 0);
  EXPECT_EQ(ReadFile(dir / "moved"), "other");
}

TEST(WindowsFiles, TimesAreSetAndCreationTimeIsLeftAlone) {
  TempDir dir;
  WriteFile(dir / "f", "x");
  WIN32_FILE_ATTRIBUTE_DATA before = {}, after = {};
  GetFileAttributesExA((dir / "f").c_str(), GetFileExInfoStandard, &before);
  ASSERT_EQ(SetFileTimes((dir / "f").c_str(), 946684800u, 4000000000u), 0);
  GetFileAttributesExA((dir / "f").c_str(), GetFileExInfoStandard, &after);
  EXPECT_EQ(Seconds(after.ftLastAccessTime), 946684800u);
  EXPECT_EQ(Seconds(after.ftLastWriteTime), 4000000000u);  // beyond 2038: 64-bit times
  // wine gives Linux's change time as the creation time.
  if (!UnderWine()) {
    EXPECT_EQ(Seconds(after.ftCreationTime), Seconds(before.ftCreationTime));
  }
}

TEST(WindowsFiles, PathsBeyondMaxPath) {
  TempDir dir;
  std::string path = dir.path();
  for (char level : {'a', 'b', 'c'}) {
    path += "\\" + std::string(120, level);
    ASSERT_EQ(MkDirAnsi(path.c_str()), 0) << path.size();
  }
  path += "\\file";
  ASSERT_GT(path.size(), 260u);
  // wine takes long paths in any form, Windows only in the "\\?\" one.
  EXPECT_EQ(LongPathFrom("C:\\x\\..\\y"), L"\\\\?\\C:\\y");
  EXPECT_EQ(LongPathFrom("\\\\server\\share\\y"), L"\\\\?\\UNC\\server\\share\\y");
  Stream* out = FOpenAnsi(path.c_str(), "wb");
  ASSERT_NE(out, nullptr);
  EXPECT_EQ(WriteBlock(out, "long", 4), 1);
  EXPECT_EQ(CloseStream(out), 0);
  Stream* in = FOpenAnsi(path.c_str(), "rb");
  ASSERT_NE(in, nullptr);
  char bytes[8] = {};
  EXPECT_EQ(ReadBytes(in, bytes, sizeof bytes), 4u);
  CloseStream(in);
  EXPECT_EQ(SetFileTimesAnsi(path.c_str(), 1000000000u, 1000000000u), 0);
}

TEST(WindowsFiles, ResolvedAsWindowsResolvesPaths) {
  struct Case {
    const char* start;
    const char* path;
    const char* resolved;
  };
  const Case cases[] = {
      {"C:\\start\\", "cache", "C:\\start\\cache"},
      {"C:\\start\\", "..\\cache\\", "C:\\cache\\"},
      {"C:\\start\\", "a/b", "C:\\start\\a\\b"},
      {"C:\\start\\", "\\cache", "C:\\cache"},
      {"C:\\start\\", "c:cache", "C:\\start\\cache"},
      {"C:\\start\\", "D:\\cache", "D:\\cache"},
      {"\\\\server\\share\\start\\", "\\cache", "\\\\server\\share\\cache"},
      {"", "C:\\cache", "C:\\cache"},
      {"", "\\\\server\\share\\x", "\\\\server\\share\\x"},
  };
  for (const Case& c : cases) {
    char out[kPathSize] = {};
    EXPECT_EQ(ResolveAgainst(c.start, c.path, out, sizeof out),
              static_cast<long>(std::string(c.resolved).size()))
        << c.path;
    EXPECT_STREQ(out, c.resolved) << c.path;
  }
  char out[kPathSize] = {};
  EXPECT_EQ(ResolveAgainst("", "cache", out, sizeof out), -1);
  EXPECT_EQ(ResolveAgainst("", "\\cache", out, sizeof out), -1);
}

TEST(WindowsOutputTree, PartialFileIsNamedWithoutReplacingOrRemoved) {
  TempDir dir;
  WriteFile(dir / "taken", "taken");
  DirHandle folder = OpenDirectory(dir.path().c_str());
  ASSERT_NE(folder, kNoDir);
  // A partial file left by a run that was killed is replaced.
  CreateFailure why;
  Stream* left = CreatePartialAt(folder, &why);
  ASSERT_NE(left, nullptr);
  EXPECT_EQ(WriteBlock(left, "left over", 9), 1);
  CloseStream(left);
  Stream* partial = CreatePartialAt(folder, &why);
  ASSERT_NE(partial, nullptr);
  EXPECT_EQ(why, CreateFailure::kNone);
  EXPECT_EQ(WriteBlock(partial, "new", 3), 1);
  EXPECT_EQ(SetPartialTimes(partial, 946684800u, 946684800u), 0);
  EXPECT_EQ(CloseStream(partial), 0);
  EXPECT_EQ(NamePartial("taken"), -1);
  EXPECT_EQ(ReadFile(dir / "taken"), "taken");
  EXPECT_EQ(NamePartial("saved"), 0);
  EXPECT_EQ(ReadFile(dir / "saved"), "new");
  EXPECT_EQ(KindAt(folder, "saved"), NodeKind::kFile);

  partial = CreatePartialAt(folder, &why);
  ASSERT_NE(partial, nullptr);
  DropPartial(partial);
  EXPECT_EQ(ListTree(dir.path()), "saved\ntaken\n");

  // Names of one level only: no stream, no separator, no parent.
  for (const char* name : {"saved:stream", "..", "a\\b", "a/b"})
    EXPECT_EQ(MakeFolderAt(folder, name), -1) << name;
  EXPECT_EQ(OpenFolderAt(folder, "saved"), kNoDir);
  EXPECT_EQ(KindAt(folder, "missing"), NodeKind::kMissing);
  CloseDirectory(folder);
  EXPECT_EQ(ListTree(dir.path()), "saved\ntaken\n");
}

TEST(WindowsBeneath, OnlyFilesBeneathTheDirectoryAreRead) {
  TempDir dir;
  MakeDirs(dir / "cache/sub");
  WriteFile(dir / "cache/a.txt", "a");
  WriteFile(dir / "cache/sub/b.txt", "b");
  WriteFile(dir / "outside.txt", "outside");
  DirHandle cache = OpenDirectory((dir / "cache").c_str());
  ASSERT_NE(cache, kNoDir);
  struct Case {
    const char* name;
    ReadRefusal refusal;
  };
  const Case cases[] = {
      {"a.txt", ReadRefusal::kNone},
      {"sub\\b.txt", ReadRefusal::kNone},
      {"sub/./b.txt", ReadRefusal::kNone},
      {"..\\outside.txt", ReadRefusal::kOutside},
      {"sub\\..\\a.txt", ReadRefusal::kOutside},
      {"\\a.txt", ReadRefusal::kOutside},
      {"C:a.txt", ReadRefusal::kOutside},
      {"sub", ReadRefusal::kNotRegular},
      {"missing", ReadRefusal::kCannotOpen},
      {"a.txt:stream", ReadRefusal::kCannotOpen},
  };
  for (const Case& c : cases) {
    ReadRefusal refusal = ReadRefusal::kNone;
    Stream* stream = OpenForReadingBeneath(cache, c.name, refusal);
    EXPECT_EQ(refusal, c.refusal) << c.name;
    EXPECT_EQ(stream != nullptr, c.refusal == ReadRefusal::kNone) << c.name;
    if (stream != nullptr) CloseStream(stream);
  }
  std::vector<std::string> names;
  EXPECT_TRUE(ListFolderBeneath(cache, "", names));
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"a.txt", "sub"}));
  EXPECT_FALSE(ListFolderBeneath(cache, "..", names));
  CloseDirectory(cache);

  EXPECT_TRUE(IsSameOrAncestorDirectory((dir / "cache").c_str(), (dir / "cache").c_str()));
  EXPECT_TRUE(IsSameOrAncestorDirectory(dir.path().c_str(), (dir / "cache/sub").c_str()));
  EXPECT_FALSE(IsSameOrAncestorDirectory((dir / "cache/sub").c_str(), (dir / "cache").c_str()));
  EXPECT_FALSE(IsSameOrAncestorDirectory((dir / "outside.txt").c_str(), (dir / "cache").c_str()));
}

}  // namespace
