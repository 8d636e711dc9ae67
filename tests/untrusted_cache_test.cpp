// Whole runs over a hostile cache: reads stay inside the cache directory, only
// regular files are opened, nothing is written when the output directory cannot
// be entered, and the cache itself never changes.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <string>

#include "support/cache_builder.h"
#include "support/fifo_writer.h"
#include "support/openat2.h"

namespace {

const std::string kSecret = "TOP-SECRET host file";

// Every file and folder below root with the bytes of each file.
std::string Snapshot(const std::string& root, const std::string& skip = "") {
  std::string snapshot;
  for (const std::string& path : SplitLines(ListTree(root))) {
    if (!skip.empty() && path.compare(0, skip.size(), skip) == 0) continue;
    snapshot += path + "\n";
    if (path.back() != '/') snapshot += ReadFile(root + "/" + path) + "\n";
  }
  return snapshot;
}

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
  symlink(secret.c_str(), (c.cache + "/ABSLINK1.HTM").c_str());
  symlink("../SECRET01.TXT", (c.cache + "/UPLINK01.HTM").c_str());
  symlink("M0000001.HTM", (c.cache + "/INLINK01.HTM").c_str());
  symlink("/dev/null", (c.cache + "/DEVLINK1.HTM").c_str());
  mkfifo((c.cache + "/FIFO0001.HTM").c_str(), 0600);

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

// A URL such as .ssh/authorized_keys must not land in the start directory
// when the output directory cannot be entered.
TEST(UntrustedCache, NothingIsWrittenWhenTheOutputDirCannotBeEntered) {
  ScratchCache c;
  c.Add("M0000001.TXT", "ssh-rsa AAAA attacker", "http://.ssh/authorized_keys");
  c.Add("M0000002.TXT", "planted", "http://planted.txt");
  WriteFile(c.work + "/taken", "x");
  c.WriteIndex();
  const std::string before = Snapshot(c.root.path());
  const std::string cases[] = {"-o", "-otaken", "-ono/such/parent", "-o" + std::string(300, 'n'),
                               "-o" + std::string(5000, 'n')};
  for (const std::string& option : cases) {
    SCOPED_TRACE(option.substr(0, 20));
    RunResult r = c.Run({"-p", "-q", option});
    EXPECT_EQ(r.exitCode, 255);
    EXPECT_NE(r.out.find("ERROR: can't change DIR '" + option.substr(2) + "' - skipping.\n"),
              std::string::npos);
    EXPECT_EQ(Snapshot(c.root.path()), before);
  }
}

// The cache is evidence: an output directory that is the cache directory or
// one above it is refused before the pause; one inside it is fine.
TEST(UntrustedCache, TheCacheNeverChanges) {
  ScratchCache c;
  // Each would move a file of the cache aside if written where the option points.
  c.Add("M0000001.HTM", "page", "http://fat.db/y");
  c.Add("M0000002.HTM", "page", "http://M0000001.HTM/y");
  c.Add("M0000003.HTM", "page", "http://cache/fat.db/y");
  c.WriteIndex();
  const std::string before = Snapshot(c.cache);
  const struct {
    std::string option;
    bool refused;
  } cases[] = {
      {"-o" + c.cache, true}, {"-o../cache/", true},     {"-o..", true},
      {"-o/", true},          {"-o../cache/out", false},
  };
  for (const auto& k : cases) {
    SCOPED_TRACE(k.option);
    RunResult r = c.Run({"-p", "-q", k.option});
    if (k.refused) {
      EXPECT_EQ(r.exitCode, 255);
      EXPECT_EQ(r.out, "ERROR: output dir '" + k.option.substr(2) +
                           "' is the cache dir or contains it - refusing to change the cache.\n");
      EXPECT_EQ(r.err, "");  // before the pause
    } else {
      EXPECT_EQ(r.exitCode, 0);
      EXPECT_EQ(ReadFile(c.cache + "/out/fat.db/y"), "page");
    }
    EXPECT_EQ(Snapshot(c.cache, "out/"), before);
    EXPECT_EQ(ListTree(c.work), "");
  }
}

}  // namespace
