// Caches as users bring them: the Unix browsers' index.db, and names written in
// another letter case than the index gives them (copied off FAT or NTFS).
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/cache_builder.h"

namespace {

TEST(RealCaches, TheIndexIsFatDbThenFatDbInAnyCaseThenIndexDb) {
  const struct {
    std::vector<std::string> present;  // index files, in the order written
    std::string used;                  // "" when none is used
  } cases[] = {
      {{"fat.db", "FAT.DB", "index.db"}, "fat.db"},
      {{"FAT.DB", "index.db"}, "FAT.DB"},
      {{"Fat.Db", "FAT.DB"}, "FAT.DB"},  // the first in byte order
      {{"index.db"}, "index.db"},
      {{"INDEX.DB"}, "INDEX.DB"},
      {{"fat.db.bak", "index.dbx"}, ""},
  };
  for (const auto& c : cases) {
    ScratchCache cache;
    cache.Add("M0000001.HTM", "page", "http://host/page.htm");
    cache.WriteIndex();
    std::string index = ReadFile(cache.cache + "/fat.db");
    unlink((cache.cache + "/fat.db").c_str());
    // Every candidate holds an index; only the one used names this URL.
    for (const std::string& name : c.present) {
      std::string content = index;
      if (name != c.used) content.replace(content.find("page.htm"), 8, "else.htm");
      WriteFile(cache.cache + "/" + name, content);
    }
    RunResult r = RunDetached({"-p", "-v", cache.cache}, cache.Options());
    SCOPED_TRACE(c.used);
    if (c.used.empty()) {
      EXPECT_EQ(r.exitCode, 255);
      EXPECT_NE(r.out.find("Can't open for read file: '" + cache.cache + "/fat.db'"),
                std::string::npos);
      continue;
    }
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(ReadFile(cache.out + "/host/page.htm"), "page");
    bool told = r.out.find("Using cache index file: '" + cache.cache + "/" + c.used + "'\n") !=
                std::string::npos;
    EXPECT_EQ(told, c.used != "fat.db");
  }
}

TEST(RealCaches, ACachedFileInAnotherCaseIsFoundWhenItIsTheOnlyOne) {
  ScratchCache c;
  c.Add("m0000001.htm", "flat", "http://host/flat.htm");
  WriteFile(c.cache + "/M0000001.HTM", "flat");
  unlink((c.cache + "/m0000001.htm").c_str());
  MakeDirs(c.cache + "/12");
  c.Add("12/cacheFILE01.gif", nullptr, "http://host/sub.gif");
  WriteFile(c.cache + "/12/CACHEFILE01.GIF", "sub");
  c.Add("M0000002.HTM", nullptr, "http://host/twice.htm");  // two candidates: neither
  WriteFile(c.cache + "/m0000002.htm", "one");
  WriteFile(c.cache + "/M0000002.htm", "two");

  RunResult r = c.Run({"-p", "-v"});
  EXPECT_EQ(r.exitCode, 0);
  EXPECT_EQ(ReadFile(c.out + "/host/flat.htm"), "flat");
  EXPECT_EQ(ReadFile(c.out + "/host/sub.gif"), "sub");
  EXPECT_FALSE(Exists(c.out + "/host/twice.htm"));
  EXPECT_NE(r.out.find("Can't open for read file: '" + c.cache + "/M0000002.HTM' - skip\n"),
            std::string::npos)
      << r.out;
}

}  // namespace
