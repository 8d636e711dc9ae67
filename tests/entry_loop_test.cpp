// The entry loop: what it hands to the extraction, what it lists, and what it
// skips.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "run/entry_loop.h"
#include "support/files.h"
#include "support/index_builder.h"
#include "support/streams.h"

namespace {

struct HandedOver {
  std::string file;
  std::string url;
  std::uint32_t modificationTime;
  std::uint32_t lastAccessTime;
  bool operator==(const HandedOver& other) const {
    return file == other.file && url == other.url && modificationTime == other.modificationTime &&
           lastAccessTime == other.lastAccessTime;
  }
};

std::ostream& operator<<(std::ostream& out, const HandedOver& entry) {
  return out << "{" << entry.file << ", " << entry.url << ", " << entry.modificationTime << ", "
             << entry.lastAccessTime << "}";
}

std::vector<HandedOver> handedOver;

// Runs the entry loop over an index made of body, behind a cache directory of
// cacheDirLength bytes, noting what it hands over. Returns what it printed.
std::string RunLoop(const std::string& body, bool verbose, std::size_t cacheDirLength = 11) {
  handedOver.clear();
  TempDir dir;
  WriteFile(dir / "fat.db", MakeIndex(body));
  Settings settings;
  settings.verbose = verbose;
  Stream* index = OpenForReading(dir / "fat.db");
  SeekStream(index, 4096);
  Tally tally;
  testing::internal::CaptureStdout();
  ProcessEntries(settings, index, cacheDirLength, tally, [](const Entry& entry) {
    handedOver.push_back({entry.file, entry.url, entry.modificationTime, entry.lastAccessTime});
    return EntryResult{Outcome::kSaved};
  });
  CloseStream(index);
  return testing::internal::GetCapturedStdout();
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
                            {"M0000001.HTM", "http://a/", 0, 0xFFFFFFFF},
                            {"M0000002.GIF", "ftp://b/c.gif", 0x12345678, 7},
                            {"M0000001.HTM", "http://a/again", 1, 2},
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
  const std::size_t dirLength = 4096 - 13;  // room for 12 characters
  const std::string fits = "M0000001.HTM", tooLong = "M00000001.HTM";
  std::string body = MakeRecord(Fields(1, tooLong, 1, "http://long/")) +
                     MakeRecord(Fields(1, fits, 1, "http://fits/"));
  for (bool verbose : {true, false}) {
    SCOPED_TRACE(verbose ? "verbose" : "not verbose");
    std::string output = RunLoop(body, verbose, dirLength);
    EXPECT_EQ(handedOver, (std::vector<HandedOver>{{fits, "http://fits/", 0, 0}}));
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
