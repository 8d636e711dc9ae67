// The partial file a save is written to: named only when whole, removed on every
// handled way out.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/partial_file.h"
#include "support/files.h"

namespace {

using Naming = PartialFile::Naming;

// Both kinds: without a name until named (where the file system allows it), and
// named from the start (where it does not).
TEST(PartialFile, NamedWithoutReplacingOrRemovedBySignalDropAndDestructor) {
  for (bool unnamed : {false, true}) {
    SCOPED_TRACE(unnamed ? "unnamed" : "named");
    TempDir dir;
    DirHandle folder = OpenDirectory(dir.path().c_str());
    ASSERT_NE(folder, kNoDir);

    // Named: whole under the name, nothing else left.
    {
      PartialFile partial;
      ASSERT_EQ(partial.Create(folder, false, unnamed), CreateFailure::kNone);
      ASSERT_EQ(WriteBlock(partial.stream(), "whole", 5), 1);
      ASSERT_EQ(partial.Close(), 0);
      EXPECT_EQ(partial.Name("entry"), Naming::kNamed);
    }
    EXPECT_EQ(ListTree(dir.path()), "entry\n");

    // A taken name is never replaced; the file waits for another name, and goes
    // with its owner.
    {
      PartialFile partial;
      ASSERT_EQ(partial.Create(folder, false, unnamed), CreateFailure::kNone);
      ASSERT_EQ(WriteBlock(partial.stream(), "other", 5), 1);
      ASSERT_EQ(partial.Close(), 0);
      EXPECT_EQ(partial.Name("entry"), Naming::kTaken);
      EXPECT_EQ(ReadFile(dir / "entry"), "whole");
      EXPECT_EQ(ListTree(dir.path()), unnamed ? "entry\n" : ":talvex-partial\nentry\n");
      EXPECT_EQ(partial.Name("second"), Naming::kNamed);
      EXPECT_EQ(ReadFile(dir / "second"), "other");
      ASSERT_EQ(unlink((dir / "second").c_str()), 0);
      ASSERT_EQ(partial.Create(folder, false, unnamed), CreateFailure::kNone);
    }
    EXPECT_EQ(ListTree(dir.path()), "entry\n");

    // Dropped while open.
    PartialFile open;
    ASSERT_EQ(open.Create(folder, false, unnamed), CreateFailure::kNone);
    open.Drop();
    EXPECT_EQ(ListTree(dir.path()), "entry\n");

    // Each signal that ends the process while a save is written removes it first.
    for (int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
      pid_t child = fork();
      ASSERT_GE(child, 0);
      if (child == 0) {
        PartialFile partial;
        if (partial.Create(folder, false, unnamed) != CreateFailure::kNone ||
            WriteBlock(partial.stream(), "half", 4) != 1)
          _exit(1);
        raise(signalNumber);
        _exit(2);
      }
      int status = 0;
      ASSERT_EQ(waitpid(child, &status, 0), child);
      EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signalNumber) << signalNumber;
      EXPECT_EQ(ListTree(dir.path()), "entry\n") << signalNumber;
    }
    CloseDirectory(folder);
  }
}

// Whole seconds as given, beyond 2038 too; a zero modification time is kept.
TEST(PartialFile, TimesAreSetThroughTheStream) {
  TempDir dir;
  DirHandle folder = OpenDirectory(dir.path().c_str());
  const struct {
    std::uint32_t access, modification;
  } cases[] = {{0, 0}, {883612800u, 915148799u}, {0xFFFFFFFFu, 1}};
  for (const auto& c : cases) {
    std::string name = std::to_string(c.access);
    PartialFile partial;
    ASSERT_EQ(partial.Create(folder, false), CreateFailure::kNone);
    ASSERT_EQ(WriteBlock(partial.stream(), "x", 1), 1);
    EXPECT_EQ(partial.SetTimes(c.access, c.modification), 0);
    ASSERT_EQ(partial.Close(), 0);
    ASSERT_EQ(partial.Name(name.c_str()), Naming::kNamed);
    struct stat info = StatOf(dir / name);
    EXPECT_EQ(info.st_atim.tv_sec, static_cast<time_t>(c.access)) << name;
    EXPECT_EQ(info.st_mtim.tv_sec, static_cast<time_t>(c.modification)) << name;
    EXPECT_EQ(info.st_mtim.tv_nsec, 0) << name;
  }
  CloseDirectory(folder);
}

}  // namespace
