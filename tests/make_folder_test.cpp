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

#include "extract/prepare_path.h"
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
  bool made = false;
  CloseDirectory(MakeFolder(settings, parent, name.c_str(), folderPath.c_str(), &made));
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
class LinkInTheWay : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeDirs(root_ / "out");
    MakeDirs(root_ / "elsewhere");
    WriteFile(root_ / "file", "outside");
  }
  std::string Out() const { return root_ / "out"; }
  std::string Elsewhere() const { return root_ / "elsewhere"; }
  void Link(const std::string& target, const std::string& name) {
    ASSERT_EQ(symlink(target.c_str(), (Out() + "/" + name).c_str()), 0);
  }
  TempDir root_;
};

TEST_F(LinkInTheWay, LinkOfAnyKindIsMovedAsideAndTheFolderMade) {
  const std::string targets[] = {Elsewhere(), Elsewhere() + "/missing", root_ / "file"};
  for (const std::string& target : targets) {
    Link(target, "a");
    EXPECT_EQ(MakeIn(Out(), "a", 1), Warning("a")) << target;
    EXPECT_TRUE(IsDirectory(Out() + "/a")) << target;
    EXPECT_TRUE(S_ISLNK(StatOf(Out() + "/a_").st_mode)) << target;
    EXPECT_EQ(ListTree(Elsewhere()), "") << target;
    EXPECT_EQ(ReadFile(root_ / "file"), "outside") << target;
    ASSERT_EQ(rmdir((Out() + "/a").c_str()), 0);
    ASSERT_EQ(unlink((Out() + "/a_").c_str()), 0);
  }
}

TEST_F(LinkInTheWay, LinkThatCannotBeMovedStopsTheWalkSoNothingIsWrittenThroughIt) {
  MakeDirs(Out() + "/d");
  Link(Elsewhere(), "d/link");
  WriteFile(Out() + "/d/link_", "taken");
  Settings settings;
  settings.skipKnownPrefixes = true;
  auto path = std::make_unique<OutputPath>();
  auto chain = std::make_unique<FolderCache>();
  chain->Start(OpenDirectory(Out().c_str()), false);
  FileSpot spot;
  testing::internal::CaptureStdout();
  EXPECT_EQ(PrepareOutputPath(settings, "http://d/link/sub/file", *path, *chain, &spot),
            Stop::kNone);
  testing::internal::GetCapturedStdout();
  // No folder to save in: the saving of the entry reports the whole path.
  EXPECT_EQ(spot.folder, kNoDir);
  EXPECT_EQ(std::string(path->text), "d/link/sub/file");
  chain->Close();
  EXPECT_EQ(ListTree(Elsewhere()), "");
  EXPECT_EQ(ReadFile(Out() + "/d/link_"), "taken");
}

}  // namespace
