// Whole runs over a hostile cache: reads stay inside the cache directory and only
// regular files are opened, not even a FIFO for an instant. What is refused depends
// on whether the system has openat2; the other whole runs are cases in tests/cli.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "support/cache_builder.h"
#include "support/fifo_writer.h"
#include "support/openat2.h"

namespace {

const std::string kSecret = "TOP-SECRET host file";

// True when a file below root holds the secret.
bool SecretBelow(const std::string& root) {
  for (const std::string& path : SplitLines(ListTree(root)))
    if (ReadFile(root + "/" + path).find(kSecret) != std::string::npos) return true;
  return false;
}

TEST(UntrustedCache, ReadsStayInsideTheCacheDirAndOnlyRegularFilesOpen) {
  ScratchCache c;
  // The index holds names of at least eight bytes.
  const std::string secret = c.root / "SECRET01.TXT";  // beside the cache directory
  WriteFile(secret, kSecret);
  MakeDirs(c.cache + "/a");
  WriteFile(c.cache + "/M0000001.HTM", "inside");
  EXPECT_EQ(symlink(secret.c_str(), (c.cache + "/ABSLINK1.HTM").c_str()), 0);
  EXPECT_EQ(symlink("../SECRET01.TXT", (c.cache + "/UPLINK01.HTM").c_str()), 0);
  EXPECT_EQ(symlink("M0000001.HTM", (c.cache + "/INLINK01.HTM").c_str()), 0);
  EXPECT_EQ(symlink("/dev/null", (c.cache + "/DEVLINK1.HTM").c_str()), 0);
  EXPECT_EQ(mkfifo((c.cache + "/FIFO0001.HTM").c_str(), 0600), 0);

  const bool openat2 = HasOpenat2();
  const std::string outside = "' - it leads outside the cache dir, skip\n";
  const std::string link = openat2 ? outside : "' - a symbolic link, not followed here, skip\n";
  const struct {
    std::string file;
    bool saved;
    std::string refusal;  // the verbose message's ending when refused
  } cases[] = {
      {"../SECRET01.TXT", false, outside},
      {"a/../../SECRET01.TXT", false, outside},
      {secret, false, outside},
      {"./M0000001.HTM", true, ""},
      {"ABSLINK1.HTM", false, link},
      {"UPLINK01.HTM", false, link},
      {"INLINK01.HTM", openat2, link},  // a link that stays inside; followed with openat2 only
      {"FIFO0001.HTM", false, "' - not a regular file, skip\n"},
      {"DEVLINK1.HTM", false, link},
  };
  for (std::size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i)
    c.Add(cases[i].file, nullptr, "http://host/" + std::to_string(i));

  BlockedFifoWriter writer(c.cache + "/FIFO0001.HTM");
  ASSERT_TRUE(writer.blocked());
  RunResult quiet = c.Run({"-p", "-q"});
  RunResult verbose = c.Run({"-p", "-v", "-overbose"});
  EXPECT_FALSE(writer.Released()) << "the FIFO was opened";

  EXPECT_FALSE(quiet.timedOut);
  EXPECT_EQ(quiet.exitCode, 0);
  EXPECT_EQ(quiet.out, "");  // refusals are silent without -v
  EXPECT_EQ(verbose.exitCode, 0);
  EXPECT_FALSE(SecretBelow(c.work));
  for (std::size_t i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
    const auto& k = cases[i];
    SCOPED_TRACE(k.file);
    for (const std::string& out : {c.out, c.work + "/verbose"})
      EXPECT_EQ(ReadFile(out + "/host/" + std::to_string(i)), k.saved ? "inside" : "<missing>");
    std::string message = "Can't open for read file: '" + c.cache + "/" + k.file + k.refusal;
    EXPECT_EQ(verbose.out.find(message) != std::string::npos, !k.saved) << verbose.out;
  }
}

}  // namespace
