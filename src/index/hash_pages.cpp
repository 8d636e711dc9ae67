#include "index/hash_pages.h"

#include <algorithm>

#include "index/record_scanner.h"

namespace {

constexpr std::size_t kHeaderSize = 260;
constexpr std::uint32_t kMagic = 0x061561;
constexpr std::uint32_t kLittleEndianPages = 1234;
constexpr std::uint32_t kBigEndianPages = 4321;
constexpr std::uint32_t kMinPageShift = 8;   // 256-byte pages: a sanity limit
constexpr std::uint32_t kMaxPageShift = 15;  // offsets are 16-bit
constexpr std::int64_t kMaxPages = std::int64_t{1} << 22;
constexpr int kSplitPoints = 32;
// Header word offsets.
constexpr std::size_t kVersionAt = 4, kOrderAt = 8, kPageSizeAt = 12, kPageShiftAt = 16;
constexpr std::size_t kMaxBucketAt = 40, kHeaderPagesAt = 60, kSparesAt = 68;
// Data offsets in a slot pair: 0 links to an overflow page, 1..3 mark a page of
// a pair too large for one page, 4 and up are a normal pair's.
constexpr std::uint16_t kOverflowLink = 0;
constexpr std::uint16_t kRealKey = 4;
// An overflow address: split point in the top 5 bits, page in the split point below.
constexpr unsigned kSplitShift = 11;
constexpr std::uint16_t kPageInSplitMask = 0x7FF;

std::uint32_t LoadBigU32(const unsigned char* bytes) {
  return static_cast<std::uint32_t>(bytes[0]) << 24 | static_cast<std::uint32_t>(bytes[1]) << 16 |
         static_cast<std::uint32_t>(bytes[2]) << 8 | static_cast<std::uint32_t>(bytes[3]);
}

struct Header {
  bool bigEndianPages = false;
  std::uint32_t pageShift = 0;
  std::int64_t headerPages = 0;
  std::int64_t maxBucket = 0;
  std::int64_t spares[kSplitPoints] = {};
};

// Decodes the header's first kHeaderSize bytes; false when it is not one that can be read.
bool DecodeHeader(const unsigned char* bytes, Header& header) {
  std::uint32_t version = LoadBigU32(bytes + kVersionAt);
  std::uint32_t order = LoadBigU32(bytes + kOrderAt);
  std::uint32_t shift = LoadBigU32(bytes + kPageShiftAt);
  if (LoadBigU32(bytes) != kMagic || (version != 1 && version != 2) ||
      (order != kLittleEndianPages && order != kBigEndianPages) || shift < kMinPageShift ||
      shift > kMaxPageShift || LoadBigU32(bytes + kPageSizeAt) != std::uint32_t{1} << shift)
    return false;
  header.bigEndianPages = order == kBigEndianPages;
  header.pageShift = shift;
  // Signed 32-bit in the file: a negative value is damage.
  std::uint32_t headerPages = LoadBigU32(bytes + kHeaderPagesAt);
  std::uint32_t maxBucket = LoadBigU32(bytes + kMaxBucketAt);
  if (headerPages < 1 || headerPages > INT32_MAX || maxBucket > INT32_MAX) return false;
  header.headerPages = headerPages;
  header.maxBucket = maxBucket;
  for (int i = 0; i < kSplitPoints; ++i) {
    std::uint32_t spare = LoadBigU32(bytes + kSparesAt + 4 * static_cast<std::size_t>(i));
    if (spare > INT32_MAX) return false;
    header.spares[i] = spare;
  }
  return true;
}

// The smallest i with 2^i >= x, for 1 <= x <= 2^31.
int CeilLog2(std::int64_t x) {
  int i = 0;
  while ((std::int64_t{1} << i) < x) ++i;
  return i;
}

// The page number of a bucket, 0 <= bucket < 2^31.
std::int64_t BucketPage(const Header& header, std::int64_t bucket) {
  std::int64_t page = bucket + header.headerPages;
  return bucket == 0 ? page : page + header.spares[CeilLog2(bucket + 1) - 1];
}

class Walker {
 public:
  Walker(const ReadAt& readAt, const Header& header, std::int64_t pages)
      : readAt_(readAt),
        header_(header),
        pages_(pages),
        pageSize_(std::size_t{1} << header.pageShift),
        page_(pageSize_),
        visited_(static_cast<std::size_t>(pages)) {}

  // Walks the chain that starts at page, adding its live pairs to pairs.
  void WalkChain(std::int64_t page, std::vector<LivePairs::Pair>& pairs);

 private:
  // Slot word i of the page held.
  std::uint16_t Word(std::size_t i) const {
    unsigned first = page_[2 * i], second = page_[2 * i + 1];
    return static_cast<std::uint16_t>(header_.bigEndianPages ? first << 8 | second
                                                             : second << 8 | first);
  }
  std::int64_t OverflowPage(std::uint16_t address) const;
  std::int64_t WalkPage(std::int64_t page, std::vector<LivePairs::Pair>& pairs) const;

  const ReadAt& readAt_;
  const Header& header_;
  std::int64_t pages_;
  std::size_t pageSize_;
  std::vector<unsigned char> page_;
  std::vector<bool> visited_;  // shared by all chains: each page is read once
};

// The page an overflow address names, or -1 when the address is not valid.
std::int64_t Walker::OverflowPage(std::uint16_t address) const {
  unsigned split = address >> kSplitShift;
  std::uint16_t inSplit = address & kPageInSplitMask;
  if (inSplit == 0) return -1;
  return BucketPage(header_, (std::int64_t{1} << split) - 1) + inSplit;
}

// Adds the live pairs of the page held, page number page. Returns the next page
// of its chain, or -1 where the chain ends.
std::int64_t Walker::WalkPage(std::int64_t page, std::vector<LivePairs::Pair>& pairs) const {
  std::size_t n = Word(0);
  if (n == 0 || 2 * (n + 3) > pageSize_) return -1;  // empty, or damaged
  // A piece of a pair too large for one page, linked on as (oaddr, 0) in slots 3 and 4.
  if (n >= 2 && Word(2) != kOverflowLink && Word(2) < kRealKey)
    return n >= 4 && Word(4) == kOverflowLink ? OverflowPage(Word(3)) : -1;
  std::size_t previous = pageSize_;
  std::int64_t base = page << header_.pageShift;
  for (std::size_t i = 1; i + 1 <= n; i += 2) {
    std::size_t key = Word(i), data = Word(i + 1);
    if (data == kOverflowLink) return OverflowPage(Word(i));
    if (data < 2 * (n + 3) || data > key || key > previous) return -1;  // damaged
    if (key - data >= kFileOffset)
      pairs.push_back({base + static_cast<std::int64_t>(data),
                       static_cast<std::uint32_t>(key - data),
                       static_cast<std::uint32_t>(previous - key)});
    previous = data;
  }
  return -1;
}

void Walker::WalkChain(std::int64_t page, std::vector<LivePairs::Pair>& pairs) {
  // Every page is walked at most once, so no chain is longer than the file.
  while (page >= 0 && page < pages_ && !visited_[static_cast<std::size_t>(page)]) {
    visited_[static_cast<std::size_t>(page)] = true;
    if (readAt_(page << header_.pageShift, page_.data(), pageSize_) != pageSize_) return;
    page = WalkPage(page, pairs);
  }
}

}  // namespace

Liveness LivePairs::Judge(std::int64_t position, std::uint32_t entryLength,
                          std::uint32_t urlLength) const {
  if (!readable_) return Liveness::kUnknown;
  auto at = std::lower_bound(pairs_.begin(), pairs_.end(), position,
                             [](const Pair& pair, std::int64_t p) { return pair.data < p; });
  for (; at != pairs_.end() && at->data == position; ++at)
    if (at->dataLength == entryLength && at->keyLength == urlLength) return Liveness::kLive;
  return Liveness::kStale;
}

LivePairs WalkHashFile(const ReadAt& readAt, std::int64_t fileSize) {
  LivePairs live;
  unsigned char bytes[kHeaderSize];
  Header header;
  if (fileSize < static_cast<std::int64_t>(kHeaderSize) ||
      readAt(0, bytes, kHeaderSize) != kHeaderSize || !DecodeHeader(bytes, header))
    return live;
  std::int64_t pages = fileSize >> header.pageShift;
  if (pages > kMaxPages) return live;
  live.readable_ = true;
  Walker walker(readAt, header, pages);
  // A bucket's page is at least its number plus the header pages: the buckets
  // from the first whose page must lie past the end on hold nothing.
  std::int64_t buckets = std::min(header.maxBucket + 1, pages - header.headerPages);
  for (std::int64_t bucket = 0; bucket < buckets; ++bucket)
    walker.WalkChain(BucketPage(header, bucket), live.pairs_);
  std::sort(live.pairs_.begin(), live.pairs_.end(),
            [](const LivePairs::Pair& a, const LivePairs::Pair& b) { return a.data < b.data; });
  return live;
}

LivePairs ReadLivePairs(Stream* index) {
  ReadAt readAt = [index](std::int64_t position, unsigned char* buffer, std::size_t n) {
    return SeekStream(index, position) == 0 ? ReadBytes(index, buffer, n) : std::size_t{0};
  };
  return WalkHashFile(readAt, StreamFileSize(index));
}

const char* LivenessText(Liveness state) {
  switch (state) {
    case Liveness::kLive:
      return "live";
    case Liveness::kStale:
      return "stale";
    case Liveness::kUnknown:
      break;
  }
  return "unknown";
}
