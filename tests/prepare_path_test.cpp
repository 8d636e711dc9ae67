// Preparing an entry's place in the output tree: what it prints, where it pauses,
// what it makes, and what it never reaches.
#include "extract/prepare_path.h"

#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/partial_file.h"
#include "platform/proc_self_fd_linux.h"
#include "support/files.h"
#include "support/process.h"
#include "support/settings_flags.h"

namespace {

// The caller of the mapping: what it prints, where it pauses, what it makes.
class PreparedPath : public ::testing::Test {
 protected:
  PreparedPath() {
    MakeDirs(Out());
    chain_->Start(OpenDirectory(Out().c_str()), false);
  }
  std::string Out() const { return root_ / "out"; }

  // Prepares the URL's path with the folders the previous call left open.
  std::string Prepare(const Settings& settings, const std::string& url, std::string* err) {
    auto path = std::make_unique<OutputPath>();
    FileSpot spot;
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_EQ(PrepareOutputPath(settings, url.c_str(), *path, *chain_, &spot), Stop::kNone);
    EXPECT_NE(spot.folder, kNoDir) << url;
    std::string out = testing::internal::GetCapturedStdout();
    *err = testing::internal::GetCapturedStderr();
    for (const auto& entry : std::filesystem::directory_iterator(root_.path()))
      EXPECT_EQ(entry.path().filename(), "out") << "something appeared beside the output dir";
    return out;
  }
  TempDir root_;
  std::unique_ptr<FolderCache> chain_ = std::make_unique<FolderCache>();
};

// The verbose line for one escaped byte, spelt out here rather than formatted
// with the program's own text.
std::string Renamed(char byte, const char* hex, const std::string& url) {
  return std::string(" Renaming char: '") + byte + "' to '%" + hex + "' in '" + url + "'\n";
}

TEST_F(PreparedPath, MessagesInUrlOrderFoldersMadeAndFilesMovedAside) {
  MakeDirs(Out() + "/x%3a");
  WriteFile(Out() + "/x%3a/a%3a", "first");  // a file where a folder is needed
  std::string err;
  const std::string url = "x://a:/b?/c";
  std::string out = Prepare(Flags(1, 0, 1), url, &err);
  EXPECT_EQ(out, " Unknown URL prifix: '" + url + "'\n" + Renamed(':', "3a", url) +
                     Renamed(':', "3a", url) +
                     "Warning: to mk_dir('x%3a//a%3a') renaming existent file to *_ and mk_dir.\n" +
                     Renamed('?', "3f", url));
  EXPECT_EQ(err, Pauses(1));
  EXPECT_EQ(ListTree(Out()), "x%3a/\nx%3a/a%3a/\nx%3a/a%3a/b%3f/\nx%3a/a%3a_\n");

  // Without verbose only the unknown prefix is reported; a known one says nothing.
  EXPECT_EQ(Prepare(Flags(1, 0, 0), "https://h/?", &err), " Unknown URL prifix: 'https://h/?'\n");
  EXPECT_EQ(err, Pauses(1));
  EXPECT_EQ(Prepare(Flags(1, 0, 0), "http://h/<", &err), "");
  EXPECT_EQ(err, "");
}

TEST_F(PreparedPath, FileStandingWhereALaterEntryNeedsAFolderIsMovedAside) {
  std::string err;
  Prepare(Flags(1, 0, 1), "http://host/a", &err);
  WriteFile(Out() + "/host/a", "first");  // as the saving of that entry would
  EXPECT_EQ(
      Prepare(Flags(1, 0, 1), "http://host/b/../a/b", &err),
      Renamed('.', "2e", "http://host/b/../a/b") + Renamed('.', "2e", "http://host/b/../a/b"));
  EXPECT_EQ(Prepare(Flags(1, 0, 1), "http://host/a/b", &err),
            "Warning: to mk_dir('host/a') renaming existent file to *_ and mk_dir.\n");
  EXPECT_EQ(ListTree(Out()),
            "host/\nhost/a/\nhost/a_\nhost/b/\nhost/b/%2e%2e/\nhost/b/%2e%2e/a/\n");
  EXPECT_EQ(ReadFile(Out() + "/host/a_"), "first");
}

// A link swapped in for a folder level between two entries: the second entry is
// saved through the handle the first one opened, never through the link.
TEST_F(PreparedPath, ALinkSwappedInBetweenEntriesLeadsNowhere) {
  std::string err;
  Prepare(Flags(1, 0, 0), "http://h/a/x", &err);
  ASSERT_EQ(rename((Out() + "/h/a").c_str(), (Out() + "/h/moved").c_str()), 0);
  MakeDirs(root_ / "elsewhere");
  ASSERT_EQ(symlink((root_ / "elsewhere").c_str(), (Out() + "/h/a").c_str()), 0);

  auto path = std::make_unique<OutputPath>();
  FileSpot spot;
  ASSERT_EQ(PrepareOutputPath(Flags(1, 0, 0), "http://h/a/y", *path, *chain_, &spot), Stop::kNone);
  PartialFile partial;
  ASSERT_EQ(partial.Create(spot.folder, false), CreateFailure::kNone);
  partial.Close();
  EXPECT_EQ(partial.Name(path->text + spot.nameStart), PartialFile::Naming::kNamed);
  EXPECT_EQ(ListTree(root_ / "elsewhere"), "");
  EXPECT_TRUE(Exists(Out() + "/h/moved/y"));
}

// A folder the run made and still holds open, removed meanwhile: nothing can be
// created in it, and nothing is created anywhere else instead.
TEST_F(PreparedPath, ARememberedFolderThatWentMissingTakesNothing) {
  std::string err;
  Prepare(Flags(1, 0, 0), "http://h/a/x", &err);
  ASSERT_EQ(rmdir((Out() + "/h/a").c_str()), 0);
  auto path = std::make_unique<OutputPath>();
  FileSpot spot;
  ASSERT_EQ(PrepareOutputPath(Flags(1, 0, 0), "http://h/a/y", *path, *chain_, &spot), Stop::kNone);
  PartialFile partial;
  EXPECT_EQ(partial.Create(spot.folder, false), CreateFailure::kThisName);
  EXPECT_EQ(ListTree(Out()), "h/\n");
}

std::size_t OpenDescriptors() {
  std::size_t count = 0;
  for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
    ++count;
  return count;
}

// More folders than are kept open, and levels deeper than are kept: every entry
// still lands in its own folder, the handles held stay bounded, and none is left
// open at the end.
TEST_F(PreparedPath, KeptFoldersStayBoundedAndEveryEntryLandsInItsFolder) {
  // A limit of 1,024 open files (hard too: nothing raises it) keeps the walk short.
  struct rlimit limit = {1024, 1024};
  ASSERT_EQ(setrlimit(RLIMIT_NOFILE, &limit), 0);
  chain_->Close();
  chain_->Start(OpenDirectory(Out().c_str()), false);
  ProcSelfFd();  // open for the life of the process
  const std::size_t before = OpenDescriptors();
  std::string deep = "d";
  for (std::size_t i = 1; i < kMaxKeptLevels + 40; ++i) deep += "/d";
  std::vector<std::string> paths;
  const std::size_t kept = chain_->capacity();
  for (std::size_t i = 0; i < kept + 20; ++i)
    paths.push_back("h" + std::to_string(i % (kept / 2)) + "/" + std::to_string(i) + "/f");
  paths.push_back("h0/" + deep + "/a");
  paths.push_back("h0/" + deep + "/b");
  paths.push_back("h0/0/f/again");
  for (const std::string& path : paths) {
    auto mapped = std::make_unique<OutputPath>();
    FileSpot spot;
    ASSERT_EQ(
        PrepareOutputPath(Flags(1, 0, 0), ("http://" + path).c_str(), *mapped, *chain_, &spot),
        Stop::kNone);
    PartialFile partial;
    ASSERT_EQ(partial.Create(spot.folder, false), CreateFailure::kNone) << path;
    partial.Close();
    ASSERT_EQ(partial.Name(mapped->text + spot.nameStart), PartialFile::Naming::kNamed) << path;
    ASSERT_TRUE(IsRegularFile(Out() + "/" + path)) << path;
    EXPECT_LE(OpenDescriptors(), before + kept + 1) << path;
  }
  chain_->Close();  // the output directory's handle too
  EXPECT_EQ(OpenDescriptors(), before - 1);
}

// A link where a folder belongs that cannot be moved aside (its "_" name is
// taken): nothing is made below it, so nothing is written through it.
TEST_F(PreparedPath, LinkThatCannotBeMovedStopsTheWalkSoNothingIsWrittenThroughIt) {
  MakeDirs(Out() + "/d");
  MakeDirs(root_ / "elsewhere");
  ASSERT_EQ(symlink((root_ / "elsewhere").c_str(), (Out() + "/d/link").c_str()), 0);
  WriteFile(Out() + "/d/link_", "taken");
  auto path = std::make_unique<OutputPath>();
  FileSpot spot;
  testing::internal::CaptureStdout();
  EXPECT_EQ(PrepareOutputPath(Flags(1, 0, 0), "http://d/link/sub/file", *path, *chain_, &spot),
            Stop::kNone);
  testing::internal::GetCapturedStdout();
  // No folder to save in: the saving of the entry reports the whole path.
  EXPECT_EQ(spot.folder, kNoDir);
  EXPECT_EQ(std::string(path->text), "d/link/sub/file");
  EXPECT_EQ(ListTree(root_ / "elsewhere"), "");
  EXPECT_EQ(ReadFile(Out() + "/d/link_"), "taken");
}

}  // namespace
