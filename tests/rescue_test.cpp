// Whole rescues by the real binary: the console output, the exit code and the
// tree on disk (names, bytes, times).
#include <fcntl.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "support/cache_builder.h"

namespace {

const std::uint32_t kMay1998 = 894000000u;
const std::uint32_t kJune1999 = 929000000u;

struct TimesCase {
  std::uint32_t modification, access;
  time_t expectModification, expectAccess;
};

TEST(Rescue, CopiesEveryByteWithTheEntrysTimes) {
  ScratchCache c;
  const std::size_t sizes[] = {0, 1, 32768, 32769, 100000};
  for (std::size_t size : sizes)
    c.Add("M" + std::to_string(1000000 + size) + ".BIN", Pattern(size, static_cast<unsigned>(size)),
          "http://host/size/" + std::to_string(size), kMay1998, kJune1999);
  c.Add("M0000001.HTM", "<html>no modification time</html>", "http://host/t/zero-mtime.html", 0,
        kJune1999);
  c.Add("M0000002.HTM", "<html>no times</html>", "http://host/t/no-times.html", 0, 0);

  RunResult r = c.Run({"-q", "-p"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, "");
  EXPECT_EQ(r.err, Pauses(1));
  EXPECT_EQ(ListTree(c.out),
            "host/\nhost/size/\nhost/size/0\nhost/size/1\nhost/size/100000\nhost/size/32768\n"
            "host/size/32769\nhost/t/\nhost/t/no-times.html\nhost/t/zero-mtime.html\n");
  for (std::size_t size : sizes) {
    SCOPED_TRACE(size);
    std::string saved = c.out + "/host/size/" + std::to_string(size);
    // Times first: reading the file moves its access time.
    EXPECT_EQ(StatOf(saved).st_mtim.tv_sec, kMay1998);
    EXPECT_EQ(StatOf(saved).st_atim.tv_sec, kJune1999);
    EXPECT_EQ(StatOf(saved).st_size, static_cast<off_t>(size));
    EXPECT_TRUE(ReadFile(saved) == Pattern(size, static_cast<unsigned>(size)));
  }
  EXPECT_EQ(StatOf(c.out + "/host/t/zero-mtime.html").st_mtim.tv_sec, kJune1999);
  EXPECT_EQ(StatOf(c.out + "/host/t/zero-mtime.html").st_atim.tv_sec, kJune1999);
  EXPECT_EQ(StatOf(c.out + "/host/t/no-times.html").st_mtim.tv_sec, 0);
  EXPECT_EQ(StatOf(c.out + "/host/t/no-times.html").st_atim.tv_sec, 0);
}

TEST(Rescue, MessagesOfAFirstAndASecondRun) {
  ScratchCache c;
  c.Add("M00000AA.HTM", "<p>page</p>", "http://host/a/page.html", 0x3A000000u, 0x3A0000FFu);
  c.Add("M00000BB.GIF", "GIF89a", "http://host/a/", 0, 0x10u);

  RunResult first = c.Run({"-p", "-v"});
  EXPECT_EQ(first.exitCode, 0);
  EXPECT_NE(first.out.find("URL=http://host/a/page.html\nURL=http://host/a/page.html\n"
                           "ModificationTime=0x3A000000, LastAccessTime=0x3A0000FF\n"),
            std::string::npos)
      << first.out;
  EXPECT_NE(first.out.find("URL=http://host/a/\nURL=http://host/a/\n"
                           "ModificationTime=0x0, LastAccessTime=0x10\n"),
            std::string::npos)
      << first.out;
  EXPECT_EQ(ReadFile(c.out + "/host/a/index.htm"), "GIF89a");

  struct stat before = StatOf(c.out + "/host/a/page.html");
  RunResult second = c.Run({"-p", "-v", "-q"});
  EXPECT_EQ(second.exitCode, 0);
  // Nothing is written and nothing waits but the start; change times prove it.
  EXPECT_EQ(second.err, Pauses(2));  // the second pause: output dir exists
  EXPECT_NE(second.out.find("\n File 'host/a/page.html' is the same as saved.\n"),
            std::string::npos);
  EXPECT_NE(second.out.find("\n File 'host/a/index.htm' is the same as saved.\n"),
            std::string::npos);
  EXPECT_EQ(second.out.find("ModificationTime="), std::string::npos);
  struct stat after = StatOf(c.out + "/host/a/page.html");
  EXPECT_EQ(after.st_ctim.tv_sec, before.st_ctim.tv_sec);
  EXPECT_EQ(after.st_ctim.tv_nsec, before.st_ctim.tv_nsec);
  EXPECT_EQ(after.st_mtim.tv_sec, 0x3A000000);
  EXPECT_EQ(ListTree(c.out), "host/\nhost/a/\nhost/a/index.htm\nhost/a/page.html\n");
}

TEST(Rescue, DifferentContentGetsTheFirstFreeOverName) {
  ScratchCache c;
  c.Add("M0000001.TXT", "new content", "http://host/f.txt");
  MakeDirs(c.out + "/host");
  WriteFile(c.out + "/host/f.txt", "old content");
  WriteFile(c.out + "/host/f.txt.Over0000", "older content");
  WriteFile(c.out + "/host/f.txt.Over0001", "new content!");  // same length + 1
  RunResult r = c.Run({"-p", "-q"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out,
            "ERROR: can't create DIR 'TALVEX.OUT' - skipping.\n"
            "Already exist file: 'host/f.txt'\n"
            "      => saving as: 'host/f.txt.Over0002'\n");
  EXPECT_EQ(r.err, Pauses(3));
  EXPECT_EQ(ReadFile(c.out + "/host/f.txt.Over0002"), "new content");
  EXPECT_EQ(ReadFile(c.out + "/host/f.txt"), "old content");
  EXPECT_EQ(ReadFile(c.out + "/host/f.txt.Over0000"), "older content");

  // Run again: the content is found under its alternative name, nothing is added.
  r = c.Run({"-p", "-q", "-v"});
  EXPECT_NE(r.out.find("URL=http://host/f.txt\n"
                       "Already exist file: 'host/f.txt'\n"
                       " File 'host/f.txt.Over0002' is the same as saved.\n"),
            std::string::npos)
      << r.out;
  EXPECT_EQ(r.out.find("saving as"), std::string::npos);
  EXPECT_EQ(r.err, Pauses(2));
  EXPECT_FALSE(Exists(c.out + "/host/f.txt.Over0003"));
}

TEST(Rescue, OneDifferingByteIsDifferentContent) {
  ScratchCache c;
  std::string content = Pattern(40000);
  std::string changed = content;
  changed[39999] = static_cast<char>(changed[39999] ^ 1);
  c.Add("M0000001.BIN", content, "http://host/big");
  MakeDirs(c.out + "/host");
  WriteFile(c.out + "/host/big", changed);
  RunResult r = c.Run({"-p", "-q"});
  EXPECT_NE(r.out.find("      => saving as: 'host/big.Over0000'\n"), std::string::npos);
  EXPECT_TRUE(ReadFile(c.out + "/host/big.Over0000") == content);
  EXPECT_TRUE(ReadFile(c.out + "/host/big") == changed);
}

TEST(Rescue, UnusableCachedFilesAreSkippedSilentlyUnlessVerbose) {
  ScratchCache c;
  c.Add("MISSING1.GIF", nullptr, "http://host/missing.gif");
  MakeDirs(c.cache + "/FOLDER01.HTM");
  c.Add("FOLDER01.HTM", nullptr, "http://host/folder.htm");
  mkfifo((c.cache + "/FIFO0001.HTM").c_str(), 0600);
  c.Add("FIFO0001.HTM", nullptr, "http://host/fifo.htm");
  c.Add("M0000001.HTM", "ok", "http://host/ok.htm");

  RunResult r = c.Run({"-p"});
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out.find("missing.gif"), std::string::npos);
  EXPECT_EQ(r.out.find("fifo"), std::string::npos);
  EXPECT_NE(r.out.find("URL=http://host/ok.htm\n"), std::string::npos);
  EXPECT_EQ(ListTree(c.out), "host/\nhost/ok.htm\n");

  r = c.Run({"-p", "-v", "-overbose"});
  EXPECT_FALSE(r.timedOut);
  const struct {
    const char* name;
    const char* ending;
  } reasons[] = {{"MISSING1.GIF", "' - skip\n"},
                 {"FOLDER01.HTM", "' - not a regular file, skip\n"},
                 {"FIFO0001.HTM", "' - not a regular file, skip\n"}};
  for (const auto& k : reasons)
    EXPECT_NE(r.out.find("Can't open for read file: '" + c.cache + "/" + k.name + k.ending),
              std::string::npos)
        << k.name;
}

// Whatever holds a name but is not a readable file (a folder, a link, a FIFO,
// an unreadable file) is never emptied, followed or opened: the name counts as
// taken and the entry is saved under the next free alternative name. A second
// run finds every entry saved.
TEST(Rescue, ANameHeldByWhatCannotBeReadIsSkippedForTheNextFreeName) {
  ScratchCache c;
  MakeDirs(c.out + "/host/folder");
  symlink((c.root / "outside").c_str(), (c.out + "/host/link").c_str());
  mkfifo((c.out + "/host/fifo").c_str(), 0600);
  std::vector<std::string> names = {"folder", "link", "fifo"};
  // Only a process without root's rights is kept from reading a write-only file.
  if (geteuid() != 0) {
    WriteFile(c.out + "/host/locked", "precious");
    chmod((c.out + "/host/locked").c_str(), 0200);
    names.push_back("locked");
  }
  std::string expected = "ERROR: can't create DIR 'TALVEX.OUT' - skipping.\n";
  for (const std::string& name : names) {
    c.Add("M" + std::to_string(1000000 + c.records.size()) + ".HTM", "new " + name,
          "http://host/" + name);
    expected += "Already exist file: 'host/" + name + "'\n      => saving as: 'host/" + name +
                ".Over0000'\n";
  }
  RunResult r = c.Run({"-p", "-q"});
  EXPECT_FALSE(r.timedOut);
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.out, expected);
  EXPECT_EQ(r.err, Pauses(2 + names.size()));
  for (const std::string& name : names)
    EXPECT_EQ(ReadFile(c.out + "/host/" + name + ".Over0000"), "new " + name);
  EXPECT_FALSE(Exists(c.root / "outside"));
  EXPECT_TRUE(IsDirectory(c.out + "/host/folder"));

  r = c.Run({"-p", "-q"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(r.err, Pauses(2));
  EXPECT_EQ(r.out.find("saving as"), std::string::npos) << r.out;
  if (geteuid() != 0) {
    chmod((c.out + "/host/locked").c_str(), 0600);
    EXPECT_EQ(ReadFile(c.out + "/host/locked"), "precious");
  }
}

TEST(Rescue, AFullDiskEndsTheRunWithTheEntrysUrl) {
  const struct {
    const char* name;
    std::size_t size;
    long limit;
  } cases[] = {
      {"fails in a chunk write", 100000, 50000},
      // Fits the stream's buffer: the failure shows only when the file is closed.
      {"fails when closed", 1000, 500},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.name);
    ScratchCache c;
    c.Add("M0000001.BIN", Pattern(k.size), "http://host/big.bin", kMay1998, kMay1998);
    c.Add("M0000002.HTM", "after", "http://host/after.htm");
    RunOptions options;
    options.fileSizeLimit = k.limit;
    RunResult r = c.Run({"-p", "-q"}, options);
    EXPECT_EQ(r.exitCode, 254);
    EXPECT_EQ(r.out, "Error writing file: http://host/big.bin (may be disk full)\n");
    // Nothing half-written stays, under the entry's name or any other.
    EXPECT_EQ(ListTree(c.out), "host/\n");
  }
}

TEST(Rescue, TheSameCachedFileNamedTwice) {
  ScratchCache c;
  c.Add("M0000001.HTM", "shared", "http://host/one.htm");
  c.Add("M0000001.HTM", nullptr, "http://host/two.htm");
  c.Add("M0000001.HTM", nullptr, "http://host/one.htm");  // a stale copy of the first
  RunResult r = c.Run({"-p", "-v", "-q"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(ReadFile(c.out + "/host/one.htm"), "shared");
  EXPECT_EQ(ReadFile(c.out + "/host/two.htm"), "shared");
  EXPECT_NE(r.out.find(" File 'host/one.htm' is the same as saved.\n"), std::string::npos);
  EXPECT_EQ(r.err, Pauses(1));
}

}  // namespace

namespace {

// Exit code 1 and the summary tell that a readable entry could not be saved; a
// missing cached file is no failure.
TEST(Rescue, AnEntryThatCannotBeSavedMakesTheExitCodeOne) {
  ScratchCache c;
  c.Add("M0000001.HTM", "fine", "http://host/fine.htm");
  c.Add("M0000002.HTM", "lost", "http://host/" + std::string(300, 'n') + "/x.htm");
  c.Add("M0000003.HTM", nullptr, "http://host/stale.htm");
  RunResult r = c.Run({"-p"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_NE(r.out.find("Can't create file: 'host/" + std::string(300, 'n') + "/x.htm' - skip\n"),
            std::string::npos);
  EXPECT_NE(r.out.find("Records found: 3, saved: 1, already saved: 0, failed: 1, cached file "
                       "missing: 1\n\nTALVEX: work completed.\n"),
            std::string::npos)
      << r.out;
  // Quiet drops the summary, not the exit code.
  r = c.Run({"-p", "-q", "-oquiet"});
  EXPECT_EQ(r.exitCode, 1);
  EXPECT_EQ(r.out.find("Records found"), std::string::npos);
}

}  // namespace

namespace {

// One URL fetched many times: each content is saved once, under the first free
// name, and found again wherever it was saved, in this run and the next, which
// writes nothing at all (not even a partial file: the folder stays untouched).
TEST(Rescue, ManyContentsOfOneUrlAreEachSavedOnce) {
  ScratchCache c;
  const std::string contents[] = {"A", "BB", "CC", "BB", "A", "DD", "CC"};
  int number = 0;
  for (const std::string& content : contents)
    c.Add("M" + std::to_string(1000000 + number++) + ".HTM", content, "http://host/page");
  for (int run = 0; run < 2; ++run) {
    const struct timespec old[2] = {{1000000, 0}, {1000000, 0}};
    if (run == 1) {
      ASSERT_EQ(utimensat(AT_FDCWD, (c.out + "/host").c_str(), old, 0), 0);
    }
    RunResult r = c.Run({"-p", "-q", "-v"});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(ListTree(c.out),
              "host/\nhost/page\nhost/page.Over0000\nhost/page.Over0001\nhost/page.Over0002\n");
    EXPECT_EQ(ReadFile(c.out + "/host/page.Over0001"), "CC");
    EXPECT_EQ(ReadFile(c.out + "/host/page.Over0002"), "DD");
    std::size_t saved = 0;
    for (std::size_t at = 0; (at = r.out.find("=> saving as", at)) != std::string::npos; ++at)
      ++saved;
    EXPECT_EQ(saved, run == 0 ? 3u : 0u) << r.out;
    std::size_t timed = 0;
    for (std::size_t at = 0; (at = r.out.find("ModificationTime=", at)) != std::string::npos; ++at)
      ++timed;
    EXPECT_EQ(timed, run == 0 ? 4u : 0u) << r.out;
    if (run == 1) {
      EXPECT_EQ(StatOf(c.out + "/host").st_mtime, 1000000);
    }
  }
}

}  // namespace

namespace {

// A creation that every entry would fail alike (here: no inode left) ends the run
// like a failed write, instead of a pause per entry. Needs a small file system of
// its own, so it runs only where the test may mount one (as root).
TEST(Rescue, ADiskWideCreationFailureEndsTheRun) {
  ScratchCache c;
  c.Add("M0000001.HTM", "one", "http://host/one.htm");
  c.Add("M0000002.HTM", "two", "http://host/two.htm");
  MakeDirs(c.out);
  if (mount("tmpfs", c.out.c_str(), "tmpfs", 0, "size=1m,nr_inodes=3") != 0)
    GTEST_SKIP() << "cannot mount a tmpfs here";
  MakeDirs(c.out + "/host");  // the root folder and this one: one inode left, then none
  WriteFile(c.out + "/taken", "");
  RunResult r = c.Run({"-p", "-q"});
  std::string tree = ListTree(c.out);
  umount2(c.out.c_str(), MNT_DETACH);
  EXPECT_EQ(r.exitCode, 254);
  EXPECT_EQ(r.out,
            "ERROR: can't create DIR 'TALVEX.OUT' - skipping.\n"
            "Error writing file: http://host/one.htm (may be disk full)\n");
  EXPECT_EQ(tree, "host/\ntaken\n");
}

}  // namespace
