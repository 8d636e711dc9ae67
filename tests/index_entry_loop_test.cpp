// The entry loop: what it hands to the extraction, what it lists, and what it
// skips; and the listing as the real binary prints it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "run/entry_loop.h"
#include "support/files.h"
#include "support/index_builder.h"
#include "support/process.h"
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

// The whole program with -v: the listing of every record from byte 4096 on, in
// index order; a record inside the header page is never listed.
TEST(EntryLoop, BinaryListsTheRecordsOfTheIndex) {
  TempDir dir;
  MakeDirs(dir / "cache");
  MakeDirs(dir / "work");
  std::vector<RecordFields> records = {
      Fields(1, "M0000001.HTM", 1, "http://host/index.html"),
      Fields(0x20, "M0000002.GIF", 0x100, "http://host/logo.gif"),
      Fields(0x100, "M0000003.TXT", 4, "ftp://files/readme.txt"),
  };
  std::string body = std::string("\x03\x00\x00", 3) + MakeRecord(records[0]) +
                     MakeRecord(records[1]) + "gap" + MakeRecord(records[2]);
  std::string index = MakeIndex(body);
  std::string hidden = MakeRecord(Fields(1, "HEADER00.HTM", 1, "http://hidden/"));
  index.replace(1000, hidden.size(), hidden);
  WriteFile(dir / "cache/fat.db", index);

  for (const char* quiet : {"-v", "-q"}) {
    SCOPED_TRACE(quiet);
    RunResult result = RunDetached({"-v", quiet, dir / "cache"}, {dir / "work", 20000});
    ASSERT_FALSE(result.timedOut);
    EXPECT_EQ(result.exitCode, 0);
    std::size_t at = 0;
    const char* expected[] = {
        "Type=0x1, File=M0000001.HTM\nTypeURL=0x1, LenURL=0x23\nURL=http://host/index.html\n",
        "Type=0x20, File=M0000002.GIF\nTypeURL=0x100, LenURL=0x21\nURL=http://host/logo.gif\n",
        "Type=0x100, File=M0000003.TXT\nTypeURL=0x4, LenURL=0x23\nURL=ftp://files/readme.txt\n",
    };
    for (int i = 0; i < 3; ++i) {
      std::string lines = Separator("   " + std::to_string(i + 1)) + expected[i];
      at = result.out.find(lines, at);
      ASSERT_NE(at, std::string::npos) << "record " << i + 1 << " in:\n" << result.out;
    }
    EXPECT_EQ(result.out.find(Separator("   4")), std::string::npos);
    EXPECT_EQ(result.out.find("HEADER00"), std::string::npos);
  }
}

}  // namespace
