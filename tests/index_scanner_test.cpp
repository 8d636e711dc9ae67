// The record scanner: which candidates it accepts, where it finds them, and that
// the windowed scanner finds exactly what the plain reference scanner finds.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include <cstdint>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "index/record_scanner.h"
#include "support/files.h"
#include "support/index_builder.h"
#include "support/reference_scanner.h"
#include "support/streams.h"

namespace {

const std::size_t kSearchStart = 4096;

const unsigned char* Data(const std::string& bytes) {
  return reinterpret_cast<const unsigned char*>(bytes.data());
}

// Positions of the records the real scanner finds in index from start on.
std::vector<std::size_t> Positions(const std::string& index, std::size_t start = kSearchStart,
                                   std::size_t windowSize = kScanWindowSize) {
  std::vector<std::size_t> positions;
  for (const FoundRecord& found : ScannerScan(Data(index), index.size(), start, windowSize)) {
    EXPECT_NE(found.length, 0u) << "record bytes differ from the index at " << found.position;
    positions.push_back(found.position);
  }
  return positions;
}

void SetU32(std::string& bytes, std::size_t offset, std::uint32_t value) {
  std::string word;
  PutU32(word, value);
  bytes.replace(offset, 4, word);
}

RecordFields WithFile(std::string file) {
  RecordFields fields;
  fields.file = std::move(file);
  return fields;
}

RecordFields WithUrl(std::string url) {
  RecordFields fields;
  fields.url = std::move(url);
  return fields;
}

RecordFields WithTypes(std::uint32_t type, std::uint32_t typeUrl) {
  RecordFields fields;
  fields.type = type;
  fields.typeUrl = typeUrl;
  return fields;
}

std::uint32_t EntryLength(const std::string& record) {
  return LoadU32(Data(record));
}

// A record with one byte changed at an offset counted from its URL block's end.
std::string WithUrlBlockEndByte(std::size_t fromEnd, char value) {
  std::string record = MakeRecord(RecordFields{});
  record[record.size() - fromEnd] = value;
  return record;
}

struct AcceptanceCase {
  const char* name;
  std::string record;
  bool found;
};

// A head followed by the given LenEntry, Type, and then the rest.
std::string Head(std::uint32_t lenEntry, std::uint32_t type, const std::string& rest = "") {
  std::string bytes;
  PutU32(bytes, lenEntry);
  PutU32(bytes, type);
  return bytes + rest;
}

// Each case: one candidate alone after the header, then a well-formed record,
// which must be found whatever became of the candidate, and with which the
// index ends.
TEST(RecordScanner, AcceptsExactlyTheRecordsThatPassEveryTest) {
  std::string zeroDwordBroken = MakeRecord(RecordFields{});
  zeroDwordBroken[EntryLength(zeroDwordBroken) - 2] = 'x';
  std::string lenUrl13 = MakeRecord(WithUrl("a"));
  SetU32(lenUrl13, EntryLength(lenUrl13), 13);
  std::string lenUrl8 = MakeRecord(RecordFields{});
  SetU32(lenUrl8, EntryLength(lenUrl8), 8);
  // Well formed but for a URL block that runs far past the end of the index.
  std::string urlBlockPastEnd = Head(64, 1, std::string(25, '\0') + std::string(27, 'n'));
  urlBlockPastEnd += std::string(4, '\0');
  PutU32(urlBlockPastEnd, 1024);
  PutU32(urlBlockPastEnd, 1);
  // LenEntry 24: the name bytes at 33..40 are URL text, but were never read for it.
  std::string shortEntry = Head(24, 1, std::string(16, '\0'));
  PutU32(shortEntry, 13 + 20);
  PutU32(shortEntry, 1);
  shortEntry += "http://example.com/a" + std::string(5, '\0');
  // In the browser's own shape: TypeURL is the URL's length with its zero byte,
  // the entry block counts the URL too, a POST request's result ends in a digest.
  auto browser = [](std::size_t urlLength, std::size_t padding = 0) {
    RecordFields fields = BrowserShaped(WithUrl("http://" + std::string(urlLength - 7, 'u')));
    fields.padding = padding;
    return MakeRecord(fields);
  };
  auto post = [](std::string digest, std::uint32_t typeUrlChange = 0) {
    RecordFields fields = BrowserShaped(RecordFields{});
    fields.typeUrl += typeUrlChange;
    fields.postDigest = std::move(digest);
    return MakeRecord(fields);
  };
  const std::string digest("\x10\0\x7f\xff digest bytes", 16);
  std::string postSize15 = post(digest);
  SetU32(postSize15, postSize15.size() - 20, 15);
  std::string browserZeroInUrl = browser(300);
  browserZeroInUrl[EntryLength(browserZeroInUrl) + 100] = '\0';
  RecordFields typeUrl5 = BrowserShaped(WithUrl("a://"));
  RecordFields typeUrlOneShort = BrowserShaped(WithUrl(std::string(300, 'u')));
  --typeUrlOneShort.typeUrl;

  const std::vector<AcceptanceCase> cases = {
      {"plain record", MakeRecord(RecordFields{}), true},
      {"LenEntry 2048", MakeRecord(WithFile(std::string(2010, 'f'))), true},
      {"LenEntry 2049", MakeRecord(WithFile(std::string(2011, 'f'))), false},
      {"Type 0", MakeRecord(WithTypes(0, 1)), false},
      {"Type 1", MakeRecord(WithTypes(1, 1)), true},
      {"Type 256", MakeRecord(WithTypes(256, 1)), true},
      {"Type 257", MakeRecord(WithTypes(257, 1)), false},
      {"TypeURL 0", MakeRecord(WithTypes(1, 0)), false},
      {"TypeURL 4", MakeRecord(WithTypes(1, 4)), true},
      {"TypeURL 5", MakeRecord(WithTypes(1, 5)), false},
      {"TypeURL 6", MakeRecord(WithTypes(1, 6)), true},
      {"TypeURL 256", MakeRecord(WithTypes(1, 256)), true},
      {"TypeURL 257", MakeRecord(WithTypes(1, 257)), false},
      {"LenURL 1024", MakeRecord(WithUrl(std::string(1011, 'u'))), true},
      {"LenURL 1025", MakeRecord(WithUrl(std::string(1012, 'u'))), false},
      {"LenURL 14, one URL byte", MakeRecord(WithUrl("a")), true},
      {"LenURL 13", lenUrl13, false},
      {"LenURL 8, no room for a URL", lenUrl8, false},
      {"name byte 0x20", MakeRecord(WithFile("M00 0001.HTM")), true},
      {"name byte 0x80", MakeRecord(WithFile("M00\2000001.HTM")), true},
      {"name byte 0x1F", MakeRecord(WithFile("M00\0370001.HTM")), false},
      {"name byte 0x81", MakeRecord(WithFile("M00\2010001.HTM")), false},
      {"name byte 0xFF at offset 40", MakeRecord(WithFile("M000001\377.HTM")), false},
      {"0x81 after the first eight", MakeRecord(WithFile("M0000001\201HTM")), true},
      {"File of eight characters", MakeRecord(WithFile("M0000001")), true},
      {"File of seven characters", MakeRecord(WithFile("M000001")), false},
      {"zero dword not zero", zeroDwordBroken, false},
      {"zero inside the URL", MakeRecord(WithUrl(std::string("http://a\0b", 10))), false},
      {"zero as the URL's first byte", MakeRecord(WithUrl(std::string("\0abc", 4))), false},
      {"URL terminator not zero", WithUrlBlockEndByte(5, 'x'), false},
      {"trailer byte not zero", WithUrlBlockEndByte(1, 'x'), false},
      {"URL block past the end", urlBlockPastEnd, false},
      {"entry block past the end", Head(2048, 1), false},
      {"LenEntry below 33", shortEntry, false},
      {"browser: URL of 255", browser(255), true},
      {"browser: URL of 256", browser(256), true},
      {"browser: URL of 1,011", browser(1011), true},
      {"browser: URL of 1,012", browser(1012), true},
      {"browser: URL of 3,000, LenEntry 3,100", browser(3000, 3050), true},
      {"browser: 16,370 bytes", browser(8000, kMaxRecordLength - browser(8000).size()), true},
      {"browser: 16,371 bytes", browser(8000, kMaxRecordLength + 1 - browser(8000).size()), false},
      {"browser: TypeURL one short", MakeRecord(typeUrlOneShort), false},
      {"browser: TypeURL 5", MakeRecord(typeUrl5), false},
      {"browser: zero inside the URL", browserZeroInUrl, false},
      {"POST result", post(digest), true},
      {"POST: digest size 15", postSize15, false},
      {"POST: TypeURL one more", post(digest, 1), false},
  };
  const std::string follower = MakeRecord(WithFile("FOLLOWER.DAT"));
  for (const AcceptanceCase& c : cases) {
    SCOPED_TRACE(c.name);
    std::string index = MakeIndex(c.record + follower);
    std::vector<std::size_t> expected;
    if (c.found) expected.push_back(kSearchStart);
    expected.push_back(kSearchStart + c.record.size());
    EXPECT_EQ(Positions(index), expected);
    EXPECT_EQ(CompareWithReference(Data(index), index.size(), kSearchStart, kScanWindowSize), "");
  }
}

TEST(RecordScanner, FindsRecordsAtAnyAlignmentBackToBackAndAfterGarbage) {
  const std::string record = MakeRecord(RecordFields{});
  for (std::size_t gap = 0; gap < 24; ++gap) {
    SCOPED_TRACE("gap " + std::to_string(gap));
    std::string garbage(gap, '\0');
    for (std::size_t i = 0; i < gap; ++i) garbage[i] = static_cast<char>(i % 3 == 0 ? 0 : 7 * i);
    std::string index = MakeIndex(garbage + record + record + garbage + record);
    std::size_t first = kSearchStart + gap;
    EXPECT_EQ(Positions(index), (std::vector<std::size_t>{first, first + record.size(),
                                                          first + 2 * record.size() + gap}));
  }
  // Runs of zeros of every length in front of a record, also of one whose
  // first byte is zero (LenEntry 256).
  const std::string lowByteZero = MakeRecord(WithFile(std::string(256 - 38, 'f')));
  ASSERT_EQ(EntryLength(lowByteZero), 256u);
  for (std::size_t zeros = 0; zeros < 300; ++zeros) {
    std::string index =
        MakeIndex(std::string(zeros, '\0') + record + std::string(zeros, '\0') + lowByteZero);
    std::size_t first = kSearchStart + zeros;
    ASSERT_EQ(Positions(index), (std::vector<std::size_t>{first, first + record.size() + zeros}))
        << zeros << " zeros";
  }
}

// What an earlier scan left in the window is never taken for index bytes: a
// record cut short by the end of the index is not found, even where the bytes
// left behind would complete it.
TEST(RecordScanner, JudgesOnlyTheBytesOfTheIndex) {
  RecordFields fields;
  fields.url = "http://host/" + std::string(400, 'u');
  const std::string record = MakeRecord(fields);
  TempDir dir;
  WriteFile(dir / "whole.db", MakeIndex(record + record));
  auto scanner = std::make_unique<IndexScanner>();
  std::vector<unsigned char> buffer(kMaxRecordLength);
  for (std::size_t cut : {std::size_t{1}, std::size_t{5}, std::size_t{200}, record.size() - 30}) {
    WriteFile(dir / "cut.db", MakeIndex(record + record.substr(0, record.size() - cut)));
    int found[2] = {};
    const char* names[2] = {"whole.db", "cut.db"};
    for (int i = 0; i < 2; ++i) {
      Stream* stream = OpenForReading(dir / names[i]);
      ASSERT_NE(stream, nullptr);
      SeekStream(stream, kSearchStart);
      StartScan(*scanner, stream);
      while (FindNextRecord(*scanner, buffer.data()) == 1) ++found[i];
      CloseStream(stream);
    }
    EXPECT_EQ(found[0], 2);
    EXPECT_EQ(found[1], 1) << "cut " << cut;
  }
}

TEST(RecordScanner, SearchesOnlyFromTheStreamPosition) {
  const std::string record = MakeRecord(RecordFields{});
  std::string index = MakeIndex("").substr(0, 4090) + record + record;
  index.replace(100, record.size(), record);  // inside the header
  const std::size_t straddling = 4090, after = 4090 + record.size();
  EXPECT_EQ(Positions(index), std::vector<std::size_t>{after});
  EXPECT_EQ(Positions(index, 0), (std::vector<std::size_t>{100, straddling, after}));

  EXPECT_EQ(Positions(std::string(4096, '\0')), std::vector<std::size_t>{});
  EXPECT_EQ(Positions(record.substr(0, 300)), std::vector<std::size_t>{});  // shorter than 4096
  EXPECT_EQ(Positions(MakeIndex(record + "1234567")),
            std::vector<std::size_t>{kSearchStart});  // fewer than 8 bytes left
}

// Records close to every window edge: their bytes arrive in two reads. The
// longest records need their whole span in the window to be recognised.
TEST(RecordScanner, FindsRecordsAcrossWindowRefills) {
  RecordFields longest;
  longest.file = std::string(2010, 'f');
  longest.url = std::string(1011, 'u');
  RecordFields longestBrowser = BrowserShaped(WithUrl(std::string(12000, 'u')));
  longestBrowser.padding = kMaxRecordLength - MakeRecord(longestBrowser).size();
  const std::string big = MakeRecord(longest), small = MakeRecord(RecordFields{});
  const std::string browser = MakeRecord(longestBrowser);
  ASSERT_EQ(big.size(), kMaxPlainRecordLength);
  ASSERT_EQ(browser.size(), kMaxRecordLength);
  // The longest POST request's result, whose digest is the start of the longest
  // plain record, which wins, a little after a refill.
  RecordFields post = longestBrowser;
  post.postDigest = big.substr(0, 16);
  post.padding -= 16;
  const std::string postAndBig = MakeRecord(post) + big.substr(16);
  const std::size_t postSize = kMaxRecordLength;
  for (std::size_t window : {kMinScanWindowSize, kMinScanWindowSize + 300}) {
    for (std::size_t shift = 0; shift < 200; ++shift) {
      std::string index = MakeIndex(std::string(shift, '\x20') + big + small + browser +
                                    std::string(1000, ' ') + postAndBig);
      std::vector<std::size_t> expected = {kSearchStart + shift};
      for (std::size_t length : {big.size(), small.size(), browser.size() + 1000 + postSize - 16})
        expected.push_back(expected.back() + length);
      ASSERT_EQ(Positions(index, kSearchStart, window), expected)
          << "window " << window << ", shift " << shift;
    }
  }
}

// Indexes of random records, damaged records, near misses and noise, compared
// with the reference scanner under windows of several sizes.
class RandomIndex {
 public:
  explicit RandomIndex(unsigned seed) : random_(seed) {}

  std::string Make(std::size_t pieces) {
    std::string body;
    for (std::size_t i = 0; i < pieces; ++i) {
      switch (Below(8)) {
        case 0:
          body += Noise(Below(64));
          break;
        case 1:
          body += Damaged(Record());
          break;
        case 2:
          body += HeadOnly();
          break;
        default:
          body += Record();
          break;
      }
    }
    return MakeIndex(body);
  }

 private:
  std::size_t Below(std::size_t n) {
    return std::uniform_int_distribution<std::size_t>(0, n - 1)(random_);
  }

  std::uint32_t Pick(std::initializer_list<std::uint32_t> edges, std::uint32_t low,
                     std::uint32_t high) {
    if (Below(3) == 0) return *(edges.begin() + Below(edges.size()));
    return static_cast<std::uint32_t>(low + Below(high - low + 1));
  }

  // Random bytes from lowest to highest.
  std::string Text(std::size_t length, std::size_t lowest, std::size_t highest) {
    std::string text(length, ' ');
    for (char& c : text) c = static_cast<char>(lowest + Below(highest - lowest + 1));
    return text;
  }

  std::string Record() {
    RecordFields fields;
    fields.type = Pick({0, 1, 5, 256, 257}, 1, 256);
    fields.typeUrl = Pick({0, 1, 4, 5, 6, 256, 257}, 1, 256);
    fields.modificationTime = static_cast<std::uint32_t>(random_());
    std::size_t fileLength = Below(4) == 0 ? Below(12) : 8 + Below(Below(2) ? 30 : 2003);
    fields.file = Below(8) == 0 ? Text(fileLength, 1, 255) : Text(fileLength, 0x20, 0x80);
    fields.url = Text(Below(4) == 0 ? 1 + Below(3) : 1 + Below(1012), 1, 255);
    if (Below(3) == 0) {  // the browser's shape, now and then a little off
      fields.url = Text(1 + Below(Below(2) ? 300 : 9000), 1, 255);
      fields.typeUrl = static_cast<std::uint32_t>(fields.url.size() + Pick({0, 2, 5}, 1, 1));
      fields.padding = Below(2) ? Below(40) : fields.url.size();
      if (Below(3) == 0) fields.postDigest = Text(16, 0, 255);
    }
    return MakeRecord(fields);
  }

  std::string Damaged(std::string record) {
    std::size_t count = 1 + Below(3);
    for (std::size_t i = 0; i < count; ++i)
      record[Below(record.size())] = static_cast<char>(Below(2) ? 0 : Below(256));
    return record;
  }

  // A plausible head with a random, mostly small, tail: the search's costly case.
  std::string HeadOnly() {
    std::string bytes;
    PutU32(bytes, Pick({4, 32, 33, 45, 2048}, 4, 2048));
    PutU32(bytes, Pick({1, 256}, 1, 256));
    return bytes + Noise(Below(48));
  }

  std::string Noise(std::size_t length) {
    std::string bytes(length, '\0');
    int kind = static_cast<int>(Below(3));
    for (char& c : bytes) {
      if (kind == 0) c = static_cast<char>(Below(256));
      if (kind == 1) c = static_cast<char>(Below(4) == 0 ? Below(9) : 0);
      if (kind == 2) c = static_cast<char>(0x20 + Below(0x60));
    }
    return bytes;
  }

  std::mt19937 random_;
};

TEST(RecordScanner, AgreesWithTheReferenceOnRandomIndexes) {
  std::size_t records = 0;
  const std::size_t windows[] = {kMinScanWindowSize, kMinScanWindowSize + 37, 10007,
                                 kScanWindowSize};
  for (unsigned seed = 1; seed <= 12; ++seed) {
    std::string index = RandomIndex(seed).Make(seed <= 2 ? 6000 : 700);
    records += ReferenceScan(Data(index), index.size(), kSearchStart).size();
    for (std::size_t window : windows)
      ASSERT_EQ(CompareWithReference(Data(index), index.size(), kSearchStart, window), "")
          << "seed " << seed << ", window " << window;
  }
  EXPECT_GT(records, 4000u);  // the indexes do hold thousands of records
}

// Every saved fuzz input is checked again on every run.
TEST(RecordScanner, AgreesWithTheReferenceOnTheFuzzCorpus) {
  std::filesystem::path corpus =
      std::filesystem::path(TALVEX_SOURCE_DIR) / "fuzz" / "corpus" / "index_scanner_fuzzer";
  std::size_t inputs = 0;
  for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
    std::string input = ReadFile(entry.path().string());
    EXPECT_EQ(CheckFuzzInput(Data(input), input.size()), "") << entry.path();
    ++inputs;
  }
  EXPECT_GT(inputs, 0u);
}

}  // namespace
