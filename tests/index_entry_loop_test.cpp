// The entry loop: what it hands to the extraction, what it lists, and what it
// skips.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "index/entry_loop.h"
#include "support/files.h"
#include "support/index_builder.h"

namespace {

struct HandedOver {
  std::string path;
  std::string url;
  std::uint32_t modificationTime;
  std::uint32_t lastAccessTime;
  bool operator==(const HandedOver& other) const {
    return path == other.path && url == other.url && modificationTime == other.modificationTime &&
           lastAccessTime == other.lastAccessTime;
  }
};

std::ostream& operator<<(std::ostream& out, const HandedOver& entry) {
  return out << "{" << entry.path << ", " << entry.url << ", " << entry.modificationTime << ", "
             << entry.lastAccessTime << "}";
}

std::vector<HandedOver> handedOver;

// Stands in for the extraction: notes the four values, then overwrites the
// record buffer the way copying a cached file does.
EntryResult NoteEntry(const Settings&, Buffers& buffers, const char* cachedPath, const char* url,
                      std::uint32_t modificationTime, std::uint32_t lastAccessTime) {
  handedOver.push_back({cachedPath, url, modificationTime, lastAccessTime});
  std::memset(buffers.record, 0x55, sizeof buffers.record);
  return {Outcome::kSaved};
}

// Runs the entry loop over an index made of body, with cacheDir in the cache
// path buffer. Returns what it printed on standard output.
std::string RunLoop(const std::string& body, const std::string& cacheDir, bool verbose,
                    Buffers& buffers) {
  handedOver.clear();
  TempDir dir;
  WriteFile(dir / "fat.db", MakeIndex(body));
  std::strcpy(buffers.cachePath, cacheDir.c_str());
  std::strcat(buffers.cachePath, "fat.db");
  buffers.cacheDirLength = cacheDir.size();
  Settings settings;
  settings.verbose = verbose ? 1 : 0;

  Stream* index = OpenStream((dir / "fat.db").c_str(), "rb");
  SeekStream(index, 4096, kSeekStart);
  std::FILE* captured = std::tmpfile();
  std::fflush(stdout);
  int savedStdout = dup(1);
  dup2(fileno(captured), 1);
  Tally tally;
  ProcessEntries(settings, buffers, index, tally, NoteEntry);
  std::fflush(stdout);
  dup2(savedStdout, 1);
  close(savedStdout);
  CloseStream(index);

  std::string output;
  std::rewind(captured);
  char chunk[4096];
  for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, captured)) > 0;)
    output.append(chunk, n);
  std::fclose(captured);
  return output;
}

std::string RunLoop(const std::string& body, bool verbose) {
  auto buffers = std::make_unique<Buffers>();
  return RunLoop(body, "/cache/dir/", verbose, *buffers);
}

RecordFields Fields(std::uint32_t type, std::string file, std::uint32_t typeUrl, std::string url,
                    std::uint32_t modificationTime = 0, std::uint32_t lastAccessTime = 0) {
  RecordFields fields;
  fields.type = type;
  fields.file = std::move(file);
  fields.typeUrl = typeUrl;
  fields.url = std::move(url);
  fields.modificationTime = modificationTime;
  fields.lastAccessTime = lastAccessTime;
  return fields;
}

std::string Separator(const std::string& number) {
  return number + " " + std::string(71, '=') + "\n";
}

TEST(EntryLoop, HandsOverPathUrlAndTimesOfEveryRecord) {
  std::string body = MakeRecord(Fields(1, "M0000001.HTM", 1, "http://a/", 0, 0xFFFFFFFF)) +
                     "garbage" +
                     MakeRecord(Fields(2, "M0000002.GIF", 3, "ftp://b/c.gif", 0x12345678, 7)) +
                     MakeRecord(Fields(1, "M0000001.HTM", 1, "http://a/again", 1, 2));
  RunLoop(body, false);
  EXPECT_EQ(handedOver, (std::vector<HandedOver>{
                            {"/cache/dir/M0000001.HTM", "http://a/", 0, 0xFFFFFFFF},
                            {"/cache/dir/M0000002.GIF", "ftp://b/c.gif", 0x12345678, 7},
                            {"/cache/dir/M0000001.HTM", "http://a/again", 1, 2},
                        }));
}

TEST(EntryLoop, ListsEachRecordInFourLinesWhenVerbose) {
  std::string body = MakeRecord(Fields(5, "M0000001.HTM", 256, "http://host/20-chars")) +
                     MakeRecord(Fields(0x100, "FILE NAME WITH BLANKS", 0xAB, "u"));
  EXPECT_EQ(RunLoop(body, true), Separator("   1") +
                                     "Type=0x5, File=M0000001.HTM\n"
                                     "TypeURL=0x100, LenURL=0x21\n"
                                     "URL=http://host/20-chars\n" +
                                     Separator("   2") +
                                     "Type=0x100, File=FILE NAME WITH BLANKS\n"
                                     "TypeURL=0xAB, LenURL=0xE\n"
                                     "URL=u\n");
  EXPECT_EQ(handedOver.size(), 2u);

  EXPECT_EQ(RunLoop(body, false), "");
  EXPECT_EQ(handedOver.size(), 2u);

  EXPECT_EQ(RunLoop("no records here", true), "");
  EXPECT_TRUE(handedOver.empty());
}

TEST(EntryLoop, EntryNumberGrowsPastFourColumns) {
  std::string record = MakeRecord(RecordFields{});
  std::string body;
  for (int i = 0; i < 10000; ++i) body += record;
  std::string listing = RunLoop(body, true);
  EXPECT_NE(listing.find("\n" + Separator("9999")), std::string::npos);
  EXPECT_NE(listing.find("\n" + Separator("10000")), std::string::npos);
  EXPECT_EQ(handedOver.size(), 10000u);
}

// The cache directory plus File must fit the 4096-byte path buffer with its
// terminator; a record that does not fit is skipped, and the next one still runs.
TEST(EntryLoop, SkipsRecordWhosePathDoesNotFit) {
  const std::string dir = std::string(4096 - 14, 'd') + "/";  // room for 12 characters
  const std::string fits = "M0000001.HTM", tooLong = "M00000001.HTM";
  std::string body = MakeRecord(Fields(1, tooLong, 1, "http://long/")) +
                     MakeRecord(Fields(1, fits, 1, "http://fits/"));
  for (bool verbose : {true, false}) {
    SCOPED_TRACE(verbose ? "verbose" : "not verbose");
    auto buffers = std::make_unique<Buffers>();
    std::string output = RunLoop(body, dir, verbose, *buffers);
    EXPECT_EQ(handedOver, (std::vector<HandedOver>{{dir + fits, "http://fits/", 0, 0}}));
    EXPECT_EQ(buffers->cacheDirLength, dir.size());
    std::string message = "Cached file path too long - skip: '" + tooLong + "'\n";
    if (verbose) {
      EXPECT_EQ(output.substr(0, message.size() + 1), message + " ");
      EXPECT_NE(output.find(Separator("   2")), std::string::npos);
    } else {
      EXPECT_EQ(output, "");
    }
  }
}

}  // namespace
