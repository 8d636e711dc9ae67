// The rescue of the shipped sample cache, as the README shows it: the console
// output, the tree, every file's bytes and times, and a second run that writes
// nothing.
#include <fcntl.h>
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "support/files.h"
#include "support/process.h"
#include "talvex_version.h"

namespace {

namespace fs = std::filesystem;

// One line per file below root: path, size, modification and access time, and a
// checksum of the bytes (FNV-1a, 64 bits).
std::string Inventory(const std::string& root) {
  std::ostringstream lines;
  for (const std::string& path : SplitLines(ListTree(root))) {
    if (path.back() == '/') continue;
    struct stat info = StatOf(root + "/" + path);
    std::uint64_t hash = 14695981039346656037ull;
    for (char byte : ReadFile(root + "/" + path))
      hash = (hash ^ static_cast<unsigned char>(byte)) * 1099511628211ull;
    // Reading must not move the access time the next look checks.
    struct timespec times[2] = {info.st_atim, {0, UTIME_OMIT}};
    utimensat(AT_FDCWD, (root + "/" + path).c_str(), times, 0);
    lines << path << ' ' << info.st_size << ' ' << info.st_mtim.tv_sec << ' ' << info.st_atim.tv_sec
          << ' ' << std::hex << hash << std::dec << '\n';
  }
  return lines.str();
}

// A golden output with the scratch directory and the version of this build.
std::string Golden(const std::string& file, const std::string& dir) {
  std::string text = ReadFile(file);
  ReplaceAll(text, "@DIR@", dir);
  ReplaceAll(text, "@VERSION@", TALVEX_VERSION);
  return text;
}

TEST(SampleRescue, MatchesTheGoldenTreeAndOutput) {
  const std::string golden = std::string(TALVEX_SOURCE_DIR) + "/tests/golden/";
  TempDir dir;
  fs::copy(std::string(TALVEX_SOURCE_DIR) + "/sample/cache", dir / "cache");
  MakeDirs(dir / "work");
  RunOptions options;
  options.cwd = dir / "work";

  // An old access time on every cached file, which a plain read would move
  // (even under relatime): the rescue must leave the evidence as it was.
  const struct timespec old[2] = {{1000000000, 0}, {0, UTIME_OMIT}};
  for (const auto& entry : fs::directory_iterator(dir / "cache"))
    utimensat(AT_FDCWD, entry.path().c_str(), old, 0);

  RunResult first = RunDetached({"-p", dir / "cache"}, options);
  EXPECT_EQ(first.exitCode, 0);
  EXPECT_EQ(Inventory(dir / "work/TALVEX.OUT"), ReadFile(golden + "sample_tree.txt"));
  EXPECT_EQ(first.out, Golden(golden + "sample_first_run.txt", dir.path()));
  EXPECT_EQ(first.err, Pauses(3));

  RunResult second = RunDetached({"-p", dir / "cache"}, options);
  EXPECT_EQ(second.exitCode, 0);
  EXPECT_EQ(second.out, Golden(golden + "sample_second_run.txt", dir.path()));
  // Only the start, the existing output directory and the unknown prefix pause.
  EXPECT_EQ(second.err, Pauses(3));
  // Comparing reads the saved files, yet no time changes.
  EXPECT_EQ(Inventory(dir / "work/TALVEX.OUT"), ReadFile(golden + "sample_tree.txt"));
  for (const auto& entry : fs::directory_iterator(dir / "cache"))
    EXPECT_EQ(StatOf(entry.path()).st_atim.tv_sec, 1000000000) << entry.path();
}

}  // namespace
