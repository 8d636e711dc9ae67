// Whole runs of the real binary without a terminal: every pause returns at once.
#include <sys/stat.h>

#include <gtest/gtest.h>

#include <string>

#include "support/files.h"
#include "support/index_builder.h"
#include "support/process.h"

namespace {

const std::string kBanner =
    "\n  TALVEX: rescues the documents of a NetScape disk cache\n"
    "  Version 1.2 (Linux and Windows console)\n\n";
const std::string kUsage =
    "  Usage: TALVEX [switches] CacheDir\n"
    "  switches:\n"
    "    -n        disable non-ASCII chars (>0x7f) in filenames (default enable)\n"
    "    -oOutDir  set output DIR (default is \"TALVEX.OUT\")\n"
    "    -p        skip known URL prefixes\n"
    "    -q        quiet mode output\n"
    "    -v        verbose output\n"
    "\n";
// A scratch tree: work/ is the directory the program starts in, cache/ holds an
// index without records.
struct Scratch {
  TempDir root;
  std::string work = root / "work";
  std::string cache = root / "cache";
  Scratch() {
    MakeDirs(work);
    MakeDirs(cache);
    WriteFile(cache + "/fat.db", MakeIndex(""));
  }
  RunResult Run(const std::vector<std::string>& args) {
    RunOptions options;
    options.cwd = work;
    return RunDetached(args, options);
  }
};

TEST(Run, MalformedCommandLinesShowUsageAndExitZero) {
  Scratch s;
  const std::vector<std::vector<std::string>> cases = {
      {}, {"-x", s.cache}, {"-"}, {"-h"}, {"--help"}, {"-q", "-z"}, {""}, {"-v", "-q"}};
  for (const auto& args : cases) {
    SCOPED_TRACE(args.empty() ? "(none)" : args[0]);
    RunResult r = s.Run(args);
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, kBanner + kUsage);
    EXPECT_EQ(r.err, "");
  }
  EXPECT_EQ(ListTree(s.work), "");
}

TEST(Run, CompletesOnAnIndexWithoutRecords) {
  Scratch s;
  RunResult r = s.Run({s.cache});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, kBanner + "Using NetScape Cache dir: \"" + s.cache + "/\"\n" +
                       "Using output dir: \"" + s.work + "/\"\n" +
                       "Records found: 0, saved: 0, already saved: 0, failed: 0, cached file "
                       "missing: 0\n\nTALVEX: work completed.\n");
  EXPECT_EQ(r.err, Pauses(1));
  EXPECT_TRUE(IsDirectory(s.work + "/TALVEX.OUT"));
}

TEST(Run, CacheDirIsResolvedAndEndsInOneSeparator) {
  Scratch s;
  const struct {
    std::string arg, shown;
  } cases[] = {
      {s.cache, s.cache + "/"},
      {s.cache + "/", s.cache + "/"},
      {"../cache", s.work + "/../cache/"},
      {"../cache/", s.work + "/../cache/"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.arg);
    RunResult r = s.Run({"-oout", c.arg});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_NE(r.out.find("Using NetScape Cache dir: \"" + c.shown + "\"\n"), std::string::npos);
  }
}

TEST(Run, QuietShowsOnlyThePause) {
  Scratch s;
  RunResult r = s.Run({"-q", s.cache});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, Pauses(1));
  EXPECT_TRUE(IsDirectory(s.work + "/TALVEX.OUT"));
}

TEST(Run, SecondRunReportsTheExistingOutputDirAndGoesOn) {
  Scratch s;
  ASSERT_EQ(s.Run({"-q", s.cache}).exitCode, 0);
  RunResult r = s.Run({"-q", s.cache});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "ERROR: can't create DIR 'TALVEX.OUT' - skipping.\n");
  EXPECT_EQ(r.err, Pauses(2));
}

TEST(Run, OutputDirOptions) {
  Scratch s;
  RunResult r = s.Run({"-q", "-o" + s.root.path() + "/elsewhere", s.cache});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_TRUE(IsDirectory(s.root / "elsewhere"));

  // An empty name can be neither created nor entered: both are reported and
  // paused on, and the run ends there (-1).
  r = s.Run({"-q", "-o", s.cache});
  EXPECT_EQ(r.exitCode, 255);
  EXPECT_EQ(r.out,
            "ERROR: can't create DIR '' - skipping.\nERROR: can't change DIR '' - skipping.\n");
  EXPECT_EQ(r.err, Pauses(3));

  // A file in the way: can't create, can't enter.
  WriteFile(s.work + "/taken", "x");
  r = s.Run({"-q", "-otaken", s.cache});
  EXPECT_EQ(r.exitCode, 255);
  EXPECT_EQ(r.out,
            "ERROR: can't create DIR 'taken' - skipping.\n"
            "ERROR: can't change DIR 'taken' - skipping.\n");
  EXPECT_EQ(ReadFile(s.work + "/taken"), "x");

  // A name too long to convert is reported before each use, and paused on.
  std::string name(5000, 'n');
  r = s.Run({"-q", "-o" + name, s.cache});
  EXPECT_EQ(r.exitCode, 255);
  EXPECT_EQ(r.out, "Can't CharToOem(path_string): '" + name + "'\nERROR: can't create DIR '" +
                       name + "' - skipping.\nCan't CharToOem(path_string): '" + name +
                       "'\nERROR: can't change DIR '" + name + "' - skipping.\n");
  EXPECT_EQ(r.err, Pauses(5));
  EXPECT_EQ(ListTree(s.work), "taken\n");
}

TEST(Run, MissingOrUnusableIndexEndsWithoutCreatingAnything) {
  Scratch s;
  std::string noIndex = s.root / "empty";
  MakeDirs(noIndex);
  std::string folderIndex = s.root / "folderindex";
  MakeDirs(folderIndex + "/fat.db");
  std::string fifoIndex = s.root / "fifoindex";
  MakeDirs(fifoIndex);
  mkfifo((fifoIndex + "/fat.db").c_str(), 0600);
  // An index elsewhere, reached through a link that leads out of the cache dir.
  std::string linkIndex = s.root / "linkindex";
  MakeDirs(linkIndex);
  symlink((s.cache + "/fat.db").c_str(), (linkIndex + "/fat.db").c_str());
  std::string fileAsDir = s.root / "file";
  WriteFile(fileAsDir, "x");

  for (const std::string& dir :
       {noIndex, folderIndex, fifoIndex, linkIndex, fileAsDir, s.root / "nowhere"}) {
    SCOPED_TRACE(dir);
    RunResult r = s.Run({"-q", dir});
    EXPECT_FALSE(r.timedOut);
    EXPECT_EQ(r.exitCode, 255);  // -1
    EXPECT_EQ(r.out, "Can't open for read file: '" + dir + "/fat.db'\n");
    EXPECT_EQ(r.err, Pauses(1));
  }
  EXPECT_EQ(ListTree(s.work), "");
}

TEST(Run, TooLongCacheDirIsRefusedBeforeThePause) {
  Scratch s;
  // The directory, a separator and "fat.db" must fit 4096 bytes with the terminator.
  std::string longest = "/" + std::string(4087, 'd');
  std::string tooLong = longest + "d";
  RunResult r = s.Run({"-q", tooLong});
  EXPECT_EQ(r.exitCode, 255);
  EXPECT_EQ(r.out,
            "ERROR: cache dir path is too long (4089 bytes, at most 4088): '" + tooLong + "'\n");
  EXPECT_EQ(r.err, "");
  EXPECT_EQ(ListTree(s.work), "");

  // One byte shorter is accepted (and then simply not found).
  r = s.Run({"-q", longest});
  EXPECT_EQ(r.exitCode, 255);
  EXPECT_EQ(r.out, "Can't open for read file: '" + longest + "/fat.db'\n");
  EXPECT_EQ(r.err, Pauses(1));

  // A relative directory counts with the start directory joined to it.
  std::string relative(4089 - s.work.size() - 1, 'r');  // with "/" joined: 4089
  r = s.Run({"-q", relative});
  EXPECT_NE(r.out.find("ERROR: cache dir path is too long (4089 bytes"), std::string::npos);
}

TEST(Run, ShortIndexHasNoRecords) {
  Scratch s;
  for (size_t size : {0u, 100u, 4096u, 4100u}) {
    SCOPED_TRACE(size);
    WriteFile(s.cache + "/fat.db", std::string(size, '\x01'));
    RunResult r = s.Run({"-q", "-v", "-oout" + std::to_string(size), s.cache});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, "");
  }
}

}  // namespace
