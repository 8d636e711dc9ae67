// Decoding what the record scanner leaves aside: the browser's entry block, and
// which records the index's hash file still holds (live) and which it has left
// behind (stale).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <iterator>
#include <string>
#include <vector>

#include "index/entry_block.h"
#include "index/hash_pages.h"
#include "index/record_scanner.h"
#include "support/files.h"

namespace {

const unsigned char* Data(const std::string& bytes) {
  return reinterpret_cast<const unsigned char*>(bytes.data());
}

// Bytes written field by field, little-endian as the browser writes them.
struct Fields {
  std::string bytes;
  Fields& U32(std::uint32_t value) {
    for (int shift = 0; shift < 32; shift += 8) bytes += static_cast<char>(value >> shift & 0xFF);
    return *this;
  }
  Fields& Flag(unsigned char value) {
    bytes += static_cast<char>(value);
    return *this;
  }
  // A string with its zero byte; "" is absent (length 0).
  Fields& String(const std::string& text) {
    if (text.empty()) return U32(0);
    U32(static_cast<std::uint32_t>(text.size() + 1));
    bytes += text;
    bytes += '\0';
    return *this;
  }
  Fields& Raw(const std::string& raw) {
    bytes += raw;
    return *this;
  }
  // The block: zeros up to total bytes, total in its first word.
  std::string Block(std::size_t total) {
    std::string block = bytes;
    block.resize(total, '\0');
    Fields size;
    size.U32(static_cast<std::uint32_t>(total));
    return block.replace(0, 4, size.bytes);
  }
};

// The fixed part: total size (set by Block), version, times, length, the
// Netscape server flag, lock date and file name.
Fields Fixed(std::uint32_t version, const std::string& file) {
  Fields fields;
  fields.U32(0).U32(version).U32(830310997).U32(837290619).U32(0).U32(1500);
  return fields.Flag(1).U32(0).String(file).U32(0).Flag(1);
}

// A version 3 block with no security data, content type type, ended by fields
// incomplete and real length; the file name of a cached GIF.
Fields Version3(const std::string& type, unsigned char incomplete = 1) {
  Fields fields = Fixed(3, "19/cache31E80A790021C1F.gif");
  fields.U32(0).U32(0).U32(0).String("").U32(0);  // security on, key sizes, cipher, certificate
  fields.U32(0).String("").String(type).String("").String("");
  return fields.Flag(incomplete).U32(1610);
}

std::string Describe(const EntryBlock& e) {
  return (e.recognised ? "v" + std::to_string(e.version) : std::string("unrecognised")) + " " +
         std::to_string(e.lastModified) + " " + std::to_string(e.lastAccessed) + " " +
         std::to_string(e.expires) + " " + std::to_string(e.contentLength) + " method " +
         std::to_string(e.method) + " [" + e.contentType + "][" + e.contentEncoding + "][" +
         e.charset + "] " + (e.incomplete ? "incomplete " : "") +
         std::to_string(e.realContentLength);
}

TEST(EntryBlock, DecodesTheBrowsersLayoutsAndRejectsAnyOther) {
  const std::string unrecognised = Describe(EntryBlock{});
  const std::string recordA =
      "v3 830310997 837290619 0 1500 method 0 [image/gif][][] incomplete 1610";
  Fields v5 = Fixed(5, "3A/cache3F1B2C4D00A1.html");
  v5.U32(1).U32(5).Raw(
      std::string("\x01\x02\x00\x04\x05", 5));   // security on, security information
  v5.U32(1).String("Content-Type: text/plain");  // POST, its headers
  v5.String("text/html").String("gzip").String("iso-8859-1");
  v5.Flag(0).U32(2200).String("http://example.com/services");
  // A string of length 10 holding "image/gifX": no zero byte at its end.
  std::string noZero = Version3("image/gif").Block(184);
  noZero[98 + 9] = 'X';
  struct Case {
    const char* name;
    std::string block;
    std::string expected;
  } cases[] = {
      // Record A of the reference index, byte for byte: 121 bytes of fields, 184 in all.
      {"version 3", Version3("image/gif").Block(184), recordA},
      {"version 5", v5.Block(v5.bytes.size() + 40),
       "v5 830310997 837290619 0 1500 method 1 [text/html][gzip][iso-8859-1] 2200"},
      {"version 5, its page services URL cut short", v5.Block(v5.bytes.size() - 1), unrecognised},
      {"version 4", Fixed(4, "19/cache31E80A790021C1F.gif").Block(184), unrecognised},
      {"type 1 of a test index", Version3("image/gif").Block(184).replace(4, 1, "\x01"),
       unrecognised},
      {"first word is not the length", Version3("image/gif").Block(184).replace(0, 1, "\xB9"),
       unrecognised},
      {"shorter than the fixed part", Fields().Block(32), unrecognised},
      {"the last field cut short", Version3("image/gif").Block(120), unrecognised},
      {"a string without its zero byte", noZero, unrecognised},
      {"a flag of 2", Version3("image/gif", 2).Block(184), unrecognised},
      {"a certificate past the block",
       Version3("image/gif").Block(184).replace(82, 4, Fields().U32(100).bytes), unrecognised},
      {"a string of 2^32-1 bytes",
       Version3("image/gif").Block(184).replace(94, 4, Fields().U32(0xFFFFFFFF).bytes),
       unrecognised},
  };
  for (const Case& c : cases)
    EXPECT_EQ(Describe(DecodeEntryBlock(Data(c.block), c.block.size())), c.expected) << c.name;
}

// A hash file in memory: a header page and pages of 512 bytes, whose 16-bit
// words are in the order the header names.
class HashFile {
 public:
  static constexpr std::size_t kPage = 512;

  // pages pages in all, max_bucket maxBucket, spares[1] = spare1; every page
  // after the header empty.
  HashFile(std::size_t pages, std::uint32_t maxBucket, std::uint32_t spare1 = 0,
           std::uint32_t order = 1234)
      : bigEndian_(order == 4321), bytes_(pages * kPage, '\0') {
    const std::uint32_t header[] = {0x061561, 2, order, kPage, 9, 256, 256, 8, 1, 0, maxBucket};
    for (std::size_t i = 0; i < std::size(header); ++i) SetBig(4 * i, header[i]);
    SetBig(60, 1);           // header pages
    SetBig(68 + 4, spare1);  // spares[1]
    for (std::size_t page = 1; page < pages; ++page) {
      Set(page, 1, kPage - 6);
      Set(page, 2, kPage);
    }
  }

  // Adds a pair as the library does, below the page's others; returns its data's position.
  std::int64_t Put(std::size_t page, std::uint16_t dataLength, std::uint16_t keyLength) {
    std::uint16_t n = Get(page, 0);
    std::uint16_t key = static_cast<std::uint16_t>(Get(page, n + 2u) - keyLength);
    std::uint16_t data = static_cast<std::uint16_t>(key - dataLength);
    Set(page, n + 1u, key);
    Set(page, n + 2u, data);
    Set(page, 0, static_cast<std::uint16_t>(n + 2));
    Set(page, n + 3u, static_cast<std::uint16_t>(data - 2 * (n + 5)));
    Set(page, n + 4u, data);
    return static_cast<std::int64_t>(page * kPage + data);
  }

  // Ends the page's slots with a link (oaddr, 0) to the next page of its chain.
  void Link(std::size_t page, std::uint16_t oaddr) {
    std::uint16_t n = Get(page, 0);
    Set(page, n + 4u, Get(page, n + 2u));
    Set(page, n + 3u, static_cast<std::uint16_t>(Get(page, n + 1u) - 4));
    Set(page, n + 1u, oaddr);
    Set(page, n + 2u, 0);
    Set(page, 0, static_cast<std::uint16_t>(n + 2));
  }

  void Set(std::size_t page, std::size_t word, std::uint16_t value) {
    std::size_t at = page * kPage + 2 * word;
    bytes_[at + (bigEndian_ ? 1 : 0)] = static_cast<char>(value & 0xFF);
    bytes_[at + (bigEndian_ ? 0 : 1)] = static_cast<char>(value >> 8);
  }
  std::uint16_t Get(std::size_t page, std::size_t word) const {
    std::size_t at = page * kPage + 2 * word;
    unsigned low = static_cast<unsigned char>(bytes_[at + (bigEndian_ ? 1 : 0)]);
    unsigned high = static_cast<unsigned char>(bytes_[at + (bigEndian_ ? 0 : 1)]);
    return static_cast<std::uint16_t>(high << 8 | low);
  }
  void SetBig(std::size_t at, std::uint32_t value) {
    for (std::size_t i = 0; i < 4; ++i)
      bytes_[at + i] = static_cast<char>(value >> (24 - 8 * i) & 0xFF);
  }
  std::string& bytes() { return bytes_; }

 private:
  bool bigEndian_;
  std::string bytes_;
};

LivePairs Walk(const std::string& file) {
  return WalkHashFile(
      [&file](std::int64_t position, unsigned char* buffer, std::size_t n) {
        std::size_t at = static_cast<std::size_t>(position);
        std::size_t got = at < file.size() ? std::min(n, file.size() - at) : 0;
        file.copy(reinterpret_cast<char*>(buffer), got, at);
        return got;
      },
      static_cast<std::int64_t>(file.size()));
}

struct Probe {
  std::int64_t position;
  std::uint32_t entryLength, urlLength;
  Liveness expected;
};

const Liveness kLive = Liveness::kLive, kStale = Liveness::kStale, kUnknown = Liveness::kUnknown;

// Each case builds a file and names records in it with their liveness.
struct WalkCase {
  const char* name;
  std::size_t pairs;  // live pairs kept
  std::vector<Probe> (*build)(HashFile& file);
};

const WalkCase kWalkCases[] = {
    {"two buckets, lengths and positions must match", 3,
     [](HashFile& f) -> std::vector<Probe> {
       f = HashFile(3, 1);
       std::int64_t a = f.Put(1, 100, 40), b = f.Put(1, 60, 20), c = f.Put(2, 33, 14);
       return {{a, 100, 40, kLive},     {b, 60, 20, kLive},       {c, 33, 14, kLive},
               {a, 100, 39, kStale},    {b, 59, 21, kStale},      {a + 1, 99, 40, kStale},
               {b - 1, 61, 20, kStale}, {c + 512, 33, 14, kStale}};
     }},
    {"pages in big-endian order", 1,
     [](HashFile& f) -> std::vector<Probe> {
       f = HashFile(3, 1, 0, 4321);
       std::int64_t a = f.Put(2, 70, 30);
       return {{a, 70, 30, kLive}};
     }},
    {"a deleted pair's bytes below OFFSET", 1,
     [](HashFile& f) -> std::vector<Probe> {
       f = HashFile(3, 1);
       std::int64_t kept = f.Put(1, 100, 40), gone = f.Put(1, 60, 20);
       // Delete the lowest pair: n drops by 2; its slots and bytes stay.
       f.Set(1, 0, 2);
       f.Set(1, 3, static_cast<std::uint16_t>(kept - 512 - 10));
       f.Set(1, 4, static_cast<std::uint16_t>(kept - 512));
       return {{kept, 100, 40, kLive}, {gone, 60, 20, kStale}};
     }},
    {"overflow chain; a page no chain reaches", 2,
     [](HashFile& f) -> std::vector<Probe> {
       // Buckets 0 and 1 on pages 1 and 2, split point 1's overflow pages 3 and 4.
       f = HashFile(5, 1, 2);
       std::int64_t a = f.Put(2, 80, 30);
       f.Link(2, 0x0802);
       std::int64_t b = f.Put(4, 90, 35), lost = f.Put(3, 90, 35);
       return {{a, 80, 30, kLive}, {b, 90, 35, kLive}, {lost, 90, 35, kStale}};
     }},
    {"a chain that loops back, and a page two chains reach", 2,
     [](HashFile& f) -> std::vector<Probe> {
       f = HashFile(5, 1, 2);
       std::int64_t a = f.Put(1, 80, 30), b = f.Put(4, 90, 35);
       f.Link(1, 0x0802);  // split point 1, page 2: page 4
       f.Link(4, 0x0001);  // split point 0, page 1: back to bucket 0's page
       f.Link(2, 0x0802);
       return {{a, 80, 30, kLive}, {b, 90, 35, kLive}};
     }},
    {"links past the end or to page 0 of a split point", 1,
     [](HashFile& f) -> std::vector<Probe> {
       f = HashFile(7, 1, 2);
       std::int64_t a = f.Put(1, 80, 30), lost = f.Put(6, 80, 30);
       f.Link(1, 0x0805);  // page 7
       f.Link(2, 0x1000);  // split point 2, page 0: would be page 6
       return {{a, 80, 30, kLive}, {lost, 80, 30, kStale}};
     }},
    {"a damaged page keeps the pairs before the damage", 1,
     [](HashFile& f) -> std::vector<Probe> {
       f = HashFile(3, 1);
       std::int64_t a = f.Put(1, 80, 30), b = f.Put(1, 60, 20), c = f.Put(1, 40, 20);
       f.Set(1, 4, static_cast<std::uint16_t>(f.Get(1, 3) + 1));  // b's data above its key
       return {{a, 80, 30, kLive}, {b, 60, 20, kStale}, {c, 40, 20, kStale}};
     }},
    {"a page of a big pair is passed through, not kept", 1,
     [](HashFile& f) -> std::vector<Probe> {
       f = HashFile(5, 1, 2);
       f.Set(2, 0, 2);
       f.Set(2, 1, 300);
       f.Set(2, 2, 3);  // the key's last piece and the data's first
       f.Link(2, 0x0802);
       std::int64_t a = f.Put(4, 90, 35);
       return {{2 * 512 + 100, 200, 212, kStale}, {a, 90, 35, kLive}};
     }},
};

TEST(HashPages, LiveAreTheListedPairsOfPagesTheChainsReach) {
  for (const WalkCase& c : kWalkCases) {
    HashFile file(1, 0);
    std::vector<Probe> probes = c.build(file);
    LivePairs live = Walk(file.bytes());
    EXPECT_TRUE(live.readable()) << c.name;
    EXPECT_EQ(live.size(), c.pairs) << c.name;
    for (const Probe& p : probes)
      EXPECT_EQ(live.Judge(p.position, p.entryLength, p.urlLength), p.expected)
          << c.name << ": at " << p.position;
  }
}

TEST(HashPages, AnUnreadableHeaderLeavesEveryRecordUnknown) {
  HashFile good(3, 1);
  std::int64_t a = good.Put(1, 80, 30);
  std::string talvex = "TALVEXDB" + std::string(8192, '\0');
  struct Case {
    const char* name;
    std::size_t at;
    std::uint32_t value;  // big-endian header word
  } cases[] = {{"magic", 0, 0x061562},    {"version 3", 4, 3},
               {"byte order", 8, 3412},   {"page size", 12, 1024},
               {"page shift 7", 16, 7},   {"max bucket", 40, 0x80000000},
               {"no header page", 60, 0}, {"spares[5]", 88, 0xFFFFFFFF}};
  for (const Case& c : cases) {
    HashFile file = good;
    file.SetBig(c.at, c.value);
    LivePairs live = Walk(file.bytes());
    EXPECT_FALSE(live.readable()) << c.name;
    EXPECT_EQ(live.Judge(a, 80, 30), kUnknown) << c.name;
  }
  EXPECT_FALSE(Walk(talvex).readable());
  EXPECT_FALSE(Walk(good.bytes().substr(0, 259)).readable());
  EXPECT_TRUE(Walk(good.bytes().substr(0, 260)).readable());  // every page past the end
}

// The fuzzer's saved inputs, as an entry block and as a hash file: decoded
// without a fault (the sanitizer build checks every read).
TEST(IndexDecode, FuzzCorpus) {
  std::filesystem::path corpus =
      std::filesystem::path(TALVEX_SOURCE_DIR) / "fuzz" / "corpus" / "index_decode_fuzzer";
  std::size_t readable = 0, recognised = 0;
  for (const auto& entry : std::filesystem::directory_iterator(corpus)) {
    std::string input = ReadFile(entry.path().string());
    recognised += DecodeEntryBlock(Data(input), input.size()).recognised;
    readable += Walk(input).readable();
  }
  EXPECT_EQ(recognised, 3u);
  EXPECT_EQ(readable, 2u);
}

}  // namespace
