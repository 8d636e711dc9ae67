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
#include "platform/open_at_windows.h"
#include "platform/output_tree.h"
#include "platform/partial_file.h"
#include "platform/superscript.h"
#include "platform/system.h"
#include "platform/wide_text.h"
#include "support/files.h"
#include "support/wine.h"

namespace {

std::uint64_t Seconds(const FILETIME& time) {
  std::uint64_t ticks = (std::uint64_t{time.dwHighDateTime} << 32) | time.dwLowDateTime;
  return (ticks - 116444736000000000ull) / 10000000ull;
}

// Names a partial file holding bytes with the times given, in dir.
void Save(DirHandle dir, const char* name, const std::string& bytes, std::uint32_t access,
          std::uint32_t modification) {
  PartialFile partial;
  ASSERT_EQ(partial.Create(dir, true), CreateFailure::kNone);
  EXPECT_EQ(WriteBlock(partial.stream(), bytes.data(), bytes.size()), 1);
  EXPECT_EQ(partial.SetTimes(access, modification), 0);
  EXPECT_EQ(partial.Close(), 0);
  EXPECT_EQ(partial.Name(name), PartialFile::Naming::kNamed);
}

TEST(WindowsFiles, TimesAreSetAndCreationTimeIsLeftAlone) {
  TempDir dir;
  DirHandle folder = OpenDirectory(dir.path().c_str());
  Save(folder, "f", "x", 946684800u, 4000000000u);  // beyond 2038: 64-bit times
  CloseDirectory(folder);
  WIN32_FILE_ATTRIBUTE_DATA after = {};
  GetFileAttributesExA((dir / "f").c_str(), GetFileExInfoStandard, &after);
  EXPECT_EQ(Seconds(after.ftLastAccessTime), 946684800u);
  EXPECT_EQ(Seconds(after.ftLastWriteTime), 4000000000u);
  // wine gives Linux's change time as the creation time.
  if (!UnderWine()) {
    EXPECT_GT(Seconds(after.ftCreationTime), 1600000000u);  // when it was saved
  }
}

TEST(WindowsFiles, PathsBeyondMaxPath) {
  TempDir dir;
  std::string path = dir.path();
  for (char level : {'a', 'b', 'c'}) {
    path += "\\" + std::string(120, level);
    ASSERT_EQ(MkDirAnsi(path.c_str()), 0) << path.size();
  }
  ASSERT_GT(path.size() + 5, 260u);
  // wine takes long paths in any form, Windows only in the "\\?\" one.
  EXPECT_EQ(LongPathFrom("C:\\x\\..\\y"), L"\\\\?\\C:\\y");
  EXPECT_EQ(LongPathFrom("\\\\server\\share\\y"), L"\\\\?\\UNC\\server\\share\\y");
  DirHandle deep = OpenDirectory(path.c_str());
  ASSERT_NE(deep, kNoDir);
  Save(deep, "file", "long", 1000000000u, 1000000000u);
  Stream* in = OpenFileAt(deep, "file");
  ASSERT_NE(in, nullptr);
  char bytes[8] = {};
  EXPECT_EQ(ReadBytes(in, bytes, sizeof bytes), 4u);
  CloseStream(in);
  CloseDirectory(deep);
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
  {
    PartialFile partial;
    ASSERT_EQ(partial.Create(folder, true), CreateFailure::kNone);
    EXPECT_EQ(WriteBlock(partial.stream(), "new", 3), 1);
    EXPECT_EQ(partial.Close(), 0);
    EXPECT_EQ(partial.Name("taken"), PartialFile::Naming::kTaken);
    EXPECT_EQ(ReadFile(dir / "taken"), "taken");
    EXPECT_EQ(partial.Name("saved"), PartialFile::Naming::kNamed);
    EXPECT_EQ(ReadFile(dir / "saved"), "new");
    EXPECT_EQ(KindAt(folder, "saved"), NodeKind::kFile);
  }
  {
    PartialFile dropped;
    ASSERT_EQ(dropped.Create(folder, true), CreateFailure::kNone);
  }
  EXPECT_EQ(ListTree(dir.path()), "saved\ntaken\n");

  // Names of one level only: no stream, no separator, no parent.
  for (const char* name : {"saved:stream", "..", "a\\b", "a/b"})
    EXPECT_EQ(MakeFolderAt(folder, name), CreateFailure::kThisName) << name;
  EXPECT_EQ(OpenFolderAt(folder, "saved"), kNoDir);
  EXPECT_EQ(KindAt(folder, "missing"), NodeKind::kMissing);
  CloseDirectory(folder);
  EXPECT_EQ(ListTree(dir.path()), "saved\ntaken\n");
}

// What the file at name in dir holds, read through the folder handle ("CON.T00"
// is a device by path).
std::string ReadAt(DirHandle dir, const char* name) {
  Stream* in = OpenFileAt(dir, name);
  char bytes[64] = {};
  std::size_t size = in != nullptr ? ReadBytes(in, bytes, sizeof bytes) : 0;
  CloseStream(in);
  return std::string(bytes, size);
}

TEST(WindowsOutputTree, PartialFileTakesOverALeftOverOneNeverALiveRunsOne) {
  TempDir dir;
  DirHandle folder = OpenDirectory(dir.path().c_str());
  ASSERT_NE(folder, kNoDir);
  // Left by a run killed outright: no handle holds it.
  Save(folder, "left", "left over", 1, 1);
  ASSERT_EQ(MoveAt(folder, "left", "CON.T00"), Move::kDone);
  {
    PartialFile partial;
    ASSERT_EQ(partial.Create(folder, true), CreateFailure::kNone);
    EXPECT_STREQ(partial.name(), "CON.T00");
    EXPECT_EQ(partial.Close(), 0);
    // While it lives, no other run can remove it, rename it or write to it.
    DWORD error = 0;
    for (ACCESS_MASK access : {ACCESS_MASK{DELETE}, ACCESS_MASK{GENERIC_WRITE}}) {
      EXPECT_EQ(OpenAt(folder, "CON.T00", access, kShareAll, FILE_OPEN, 0, &error), nullptr);
      EXPECT_EQ(error, static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    }
  }
  EXPECT_EQ(ListTree(dir.path()), "");
  // Held by a live run: the next slot is taken.
  Save(folder, "live", "live", 1, 1);
  ASSERT_EQ(MoveAt(folder, "live", "CON.T00"), Move::kDone);
  DWORD error = 0;
  HANDLE live = OpenAt(folder, "CON.T00", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                       FILE_OPEN, 0, &error);
  ASSERT_NE(live, nullptr);
  {
    PartialFile partial;
    ASSERT_EQ(partial.Create(folder, true), CreateFailure::kNone);
    EXPECT_STREQ(partial.name(), "CON.T01");
  }
  CloseHandle(live);
  EXPECT_EQ(ReadAt(folder, "CON.T00"), "live");
  EXPECT_EQ(ListTree(dir.path()), "CON.T00\n");
  CloseDirectory(folder);
}

// The short alias Windows gives the file or folder at path; the name itself
// when it has none.
std::string ShortAlias(const std::string& path) {
  wchar_t alias[MAX_PATH] = {};
  std::wstring wide = WideFrom(path.c_str(), CodePage::kAnsi);
  if (GetShortPathNameW(wide.c_str(), alias, MAX_PATH) == 0) return "";
  std::wstring name = alias;
  return NarrowFrom(name.substr(name.find_last_of(L"\\/") + 1).c_str(), CodePage::kOem);
}

// A name that reaches another file or folder as its short alias counts as held by
// something else: nothing is opened or moved through it.
TEST(WindowsOutputTree, AShortAliasIsNotTheLongName) {
  TempDir dir;
  MakeDirs(dir / "Program Files");
  WriteFile(dir / "longfilename.html", "long");
  const std::string folderAlias = ShortAlias(dir / "Program Files");
  const std::string fileAlias = ShortAlias(dir / "longfilename.html");
  if (folderAlias == "Program Files") GTEST_SKIP() << "no short names on this disk";
  DirHandle folder = OpenDirectory(dir.path().c_str());
  ASSERT_NE(folder, kNoDir);
  EXPECT_EQ(OpenFolderAt(folder, folderAlias.c_str()), kNoDir);
  NodeKind kind = NodeKind::kMissing;
  EXPECT_EQ(OpenFileAt(folder, fileAlias.c_str(), &kind), nullptr);
  EXPECT_EQ(kind, NodeKind::kOther);
  for (const std::string& alias : {folderAlias, fileAlias}) {
    EXPECT_EQ(KindAt(folder, alias.c_str()), NodeKind::kOther) << alias;
    EXPECT_EQ(MoveAt(folder, alias.c_str(), "moved"), Move::kFailed) << alias;
  }
  CloseDirectory(folder);
  EXPECT_EQ(ListTree(dir.path()), "Program Files/\nlongfilename.html\n");
}

// The byte the console's code page has for each superscript digit is the one
// that converts to it, and no other does (nor a best fit: '1' for '¹').
TEST(WindowsNames, SuperscriptBytesOfTheConsoleCodePage) {
  const wchar_t superscripts[] = {L'\u00b9', L'\u00b2', L'\u00b3'};
  for (int digit = 1; digit <= 3; ++digit) {
    for (int byte = 1; byte <= 0xFF; ++byte) {
      const char text[] = {static_cast<char>(byte), '\0'};
      bool converts = WideFrom(text, CodePage::kOem) == std::wstring(1, superscripts[digit - 1]);
      EXPECT_EQ(converts, SuperscriptDigitByte(digit) == text[0]) << digit << ' ' << byte;
    }
  }
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
