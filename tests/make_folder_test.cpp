// Folder creation: what stands in a folder's way, what is moved aside, what is said.
#include "extract/make_folder.h"

#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <cstring>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "support/files.h"

namespace {

std::string Warning(const std::string& path) {
  return "Warning: to mk_dir('" + path + "') renaming existent file to *_ and mk_dir.\n";
}

// Runs MakeFolder for the last level of folderPath, through the handle of the
// folder above it (below dir); returns standard output.
std::string MakeIn(const std::string& dir, const std::string& folderPath, bool verbose) {
  Settings settings;
  settings.verbose = verbose;
  std::size_t slash = folderPath.rfind('/');
  std::string above = slash == std::string::npos ? "" : "/" + folderPath.substr(0, slash);
  std::string name = slash == std::string::npos ? folderPath : folderPath.substr(slash + 1);
  DirHandle parent = OpenDirectory((dir + above).c_str());
  testing::internal::CaptureStdout();
  CloseDirectory(MakeFolder(settings, parent, name.c_str(), folderPath.c_str()).handle);
  CloseDirectory(parent);
  return testing::internal::GetCapturedStdout();
}

TEST(MakeFolderConflicts, WhatStandsInTheWay) {
  struct ConflictCase {
    std::vector<std::string> dirs;   // made first
    std::vector<std::string> files;  // made next, each holding its own name
    std::string folderPath;
    int verbose;
    std::string tree;
    std::string out;
    // Files whose content must be the content of another (moved) file.
    std::vector<std::pair<std::string, std::string>> contents;
  };
  const ConflictCase cases[] = {
      {{"new"}, {}, "new", 1, "new/\n", "", {}},
      {{"host"}, {}, "host/a", 1, "host/\nhost/a/\n", "", {}},
      {{"host", "host/a"}, {}, "host/a", 1, "host/\nhost/a/\n", "", {}},
      {{"host"},
       {"host/a"},
       "host/a",
       1,
       "host/\nhost/a/\nhost/a_\n",
       Warning("host/a"),
       {{"host/a_", "host/a"}}},
      {{"host"}, {"host/a"}, "host/a", 0, "host/\nhost/a/\nhost/a_\n", "", {{"host/a_", "host/a"}}},
      // The aside name is taken: nothing is replaced, and the folder is not made.
      {{}, {"a", "a_"}, "a", 1, "a\na_\n", Warning("a"), {{"a", "a"}, {"a_", "a_"}}},
      {{"a_"}, {"a"}, "a", 1, "a\na_/\n", Warning("a"), {{"a", "a"}}},
      // Empty path, trailing separator, missing parent: nothing happens, silently.
      {{}, {}, "", 1, "", "", {}},
      {{"a"}, {}, "a/", 1, "a/\n", "", {}},
      {{}, {"a"}, "a/", 1, "a\n", "", {{"a", "a"}}},
      {{}, {}, "x/y", 1, "", "", {}},
  };
  for (const ConflictCase& c : cases) {
    TempDir dir;
    for (const std::string& d : c.dirs) MakeDirs(dir / d);
    for (const std::string& f : c.files) WriteFile(dir / f, f);
    std::string out = MakeIn(dir.path(), c.folderPath, c.verbose);
    EXPECT_EQ(ListTree(dir.path()), c.tree) << "'" << c.folderPath << "'";
    EXPECT_EQ(out, c.out) << "'" << c.folderPath << "'";
    for (const auto& [file, content] : c.contents)
      EXPECT_EQ(ReadFile(dir / file), content) << "'" << c.folderPath << "' " << file;
  }
}

TEST(MakeFolderConflicts, MovedFileKeepsItsTimes) {
  TempDir dir;
  WriteFile(dir / "a", "old");
  struct utimbuf times = {1000000, 2000000};
  ASSERT_EQ(utime((dir / "a").c_str(), &times), 0);
  MakeIn(dir.path(), "a", 0);
  EXPECT_EQ(StatOf(dir / "a_").st_mtime, 2000000);
  EXPECT_EQ(StatOf(dir / "a_").st_atime, 1000000);
  EXPECT_TRUE(IsDirectory(dir / "a"));
}

// A symbolic link where a folder belongs (left by something else in an output
// directory that already existed) must not let anything land where it points.
TEST(MakeFolderConflicts, LinkOfAnyKindIsMovedAsideAndTheFolderMade) {
  TempDir root;
  const std::string out = root / "out", elsewhere = root / "elsewhere";
  MakeDirs(out);
  MakeDirs(elsewhere);
  WriteFile(root / "file", "outside");
  for (const std::string& target : {elsewhere, elsewhere + "/missing", root / "file"}) {
    ASSERT_EQ(symlink(target.c_str(), (out + "/a").c_str()), 0);
    EXPECT_EQ(MakeIn(out, "a", 1), Warning("a")) << target;
    EXPECT_TRUE(IsDirectory(out + "/a")) << target;
    EXPECT_TRUE(S_ISLNK(StatOf(out + "/a_").st_mode)) << target;
    EXPECT_EQ(ListTree(elsewhere), "") << target;
    EXPECT_EQ(ReadFile(root / "file"), "outside") << target;
    ASSERT_EQ(rmdir((out + "/a").c_str()), 0);
    ASSERT_EQ(unlink((out + "/a_").c_str()), 0);
  }
}

}  // namespace
