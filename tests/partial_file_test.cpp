// The partial file a save is written to: named only when whole, removed on every
// handled way out.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "platform/output_tree.h"
#include "support/files.h"

namespace {

TEST(PartialFile, NamedWithoutReplacingOrRemovedBySignalAndDrop) {
  TempDir dir;
  DirHandle folder = OpenDirectory(dir.path().c_str());
  ASSERT_NE(folder, kNoDir);
  CreateFailure why;

  // Named: whole under the name, nothing else left.
  Stream* partial = CreatePartialAt(folder, &why);
  ASSERT_NE(partial, nullptr);
  ASSERT_EQ(WriteBlock(partial, "whole", 5), 1);
  ASSERT_EQ(CloseStream(partial), 0);
  EXPECT_EQ(NamePartial("entry"), 0);
  EXPECT_EQ(ListTree(dir.path()), "entry\n");

  // A taken name is never replaced; the partial file waits for another name.
  partial = CreatePartialAt(folder, &why);
  ASSERT_EQ(CloseStream(partial), 0);
  EXPECT_EQ(NamePartial("entry"), -1);
  EXPECT_EQ(ReadFile(dir / "entry"), "whole");
  DropPartial(nullptr);
  EXPECT_EQ(ListTree(dir.path()), "entry\n");

  // Each signal that ends the process while a save is written removes it first.
  for (int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
    pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      Stream* open = CreatePartialAt(folder, &why);
      if (open == nullptr || WriteBlock(open, "half", 4) != 1) _exit(1);
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

}  // namespace
