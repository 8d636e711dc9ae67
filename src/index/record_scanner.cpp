#include "index/record_scanner.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint32_t kMaxType = 256;
// The shortest URL block: LenURL, TypeURL, one URL byte, its terminator, trailer.
constexpr std::uint32_t kMinUrlBlockLength = 14;
constexpr std::uint32_t kRejectedTypeUrl = 5;
constexpr std::size_t kNameTestLength = 8;
constexpr unsigned char kLowestNameByte = 0x20;
constexpr unsigned char kHighestNameByte = 0x80;
constexpr std::size_t kUrlEndZeros = 5;  // the URL's terminator and the four-byte trailer
// The browser's URL block around the URL and its zero byte: LenURL and TypeURL,
// then the digest's size, and for a POST request the 16 digest bytes.
constexpr std::uint32_t kPostDigestLength = 16;
constexpr std::uint32_t kGetUrlBlockExtra = 12;
constexpr std::uint32_t kPostUrlBlockExtra = kGetUrlBlockExtra + kPostDigestLength;
constexpr std::uint32_t kMinPostUrlBlockLength = kPostUrlBlockExtra + 2;

// The search passes candidates through cheap filters a chunk at a time; only
// those that survive get the full tests. A chunk's filters read window bytes
// [0, kChunkReach) from its start.
constexpr std::size_t kChunk = 128;
constexpr std::size_t kChunkReach = kChunk + kFileOffset + 2;

// The eight bytes at bytes[0..7] as one little-endian word: byte i is lane i.
inline std::uint64_t LoadU64(const unsigned char* bytes) {
  std::uint64_t high = LoadU32(bytes + 4);
  return high << 32 | LoadU32(bytes);
}

// Index of the lowest lane of a nonzero word whose set bits are all lane bit 7.
inline std::size_t LowestLane(std::uint64_t lanes) {
  std::uint64_t lowest = (lanes & (~lanes + 1)) >> 7;  // 1 << (8 * lane)
  return static_cast<std::size_t>((lowest * 0x0001020304050607ULL) >> 56);
}

// True inside a run of zeros, where every LenEntry of the chunk is 0.
inline bool AllZero(const unsigned char* chunk) {
  for (std::size_t i = 0; i <= kChunk; i += 8)
    if (LoadU64(chunk + i) != 0) return false;
  return true;
}

// The two filters below work byte by byte over the whole chunk without branches,
// so that compilers turn them into vector instructions.

// True when some candidate of the chunk has zero bytes at its offsets 3 and 7, as
// LenEntry <= 16370 and Type <= 256 require. Hardly ever true in text or noise.
inline bool AnyZeroPairs(const unsigned char* chunk) {
  unsigned char least = 0xFF;
  for (std::size_t i = 0; i < kChunk; ++i) {
    unsigned char pair = static_cast<unsigned char>(chunk[i + 3] | chunk[i + 7]);
    least = pair < least ? pair : least;
  }
  return least == 0;
}

// Marks with 1 each candidate of the chunk whose bytes, taken one at a time,
// allow LenEntry 33..16383, Type 1..256 and the first two name bytes: bytes 2,
// 3, 6, 7 zero, byte 1 below 64, byte 5 below 2, byte 1 nonzero or byte 0 at
// least 32, byte 4 or 5 nonzero, bytes 33 and 34 from 0x20 to 0x80; the rest
// with 0. Returns true when it marked any.
inline bool MarkCandidates(const unsigned char* chunk, unsigned char* marks) {
  const unsigned char nameRange = kHighestNameByte - kLowestNameByte;
  for (std::size_t i = 0; i < kChunk; ++i) {
    const unsigned char* b = chunk + i;
    unsigned char highBytes =
        static_cast<unsigned char>(b[2] | b[3] | b[6] | b[7] | (b[1] & 0xC0) | (b[5] & 0xFE));
    unsigned char lenEntryLow = static_cast<unsigned char>(b[1] | (b[0] & 0xE0));
    unsigned char typeLow = static_cast<unsigned char>(b[4] | b[5]);
    unsigned char name0 = static_cast<unsigned char>(b[kFileOffset] - kLowestNameByte);
    unsigned char name1 = static_cast<unsigned char>(b[kFileOffset + 1] - kLowestNameByte);
    unsigned char small = highBytes == 0, big = lenEntryLow != 0, typed = typeLow != 0;
    unsigned char named = (name0 <= nameRange) & (name1 <= nameRange);
    marks[i] = static_cast<unsigned char>(small & big & typed & named);
  }
  std::uint64_t any = 0;
  for (std::size_t i = 0; i < kChunk; i += 8) any |= LoadU64(marks + i);
  return any != 0;
}

enum class Shape { kNone, kPlain, kBrowser };

struct Candidate {
  Shape shape = Shape::kNone;
  std::size_t length = 0;  // LenEntry + LenURL
};

// True when block[from, to) holds no zero byte.
bool NoZeroIn(const unsigned char* block, std::size_t from, std::size_t to) {
  return std::memchr(block + from, 0, to - from) == nullptr;
}

// The shape of the URL block at block, lenUrl bytes of which are held.
Shape UrlBlockShape(const unsigned char* block, std::uint32_t lenUrl, std::uint32_t lenEntry) {
  std::uint32_t typeUrl = LoadU32(block + 4);
  if (lenUrl < kMinUrlBlockLength || typeUrl == kRejectedTypeUrl) return Shape::kNone;
  // The URL, then five zero bytes: its terminator and a digest size of 0. (A POST
  // request's block has a zero byte inside that span, the URL's terminator.)
  if (LoadU32(block + lenUrl - 4) == 0 && block[lenUrl - kUrlEndZeros] == 0 &&
      NoZeroIn(block, kUrlOffsetInBlock, lenUrl - kUrlEndZeros)) {
    if (lenEntry <= kMaxEntryLength && lenUrl <= kMaxUrlBlockLength && typeUrl >= 1 &&
        typeUrl <= kMaxType)
      return Shape::kPlain;
    return typeUrl == lenUrl - kGetUrlBlockExtra ? Shape::kBrowser : Shape::kNone;
  }
  // The URL, its zero byte, the digest's size 16, the digest.
  if (lenUrl >= kMinPostUrlBlockLength && typeUrl == lenUrl - kPostUrlBlockExtra) {
    std::size_t urlEnd = lenUrl - kPostUrlBlockExtra + kUrlOffsetInBlock - 1;
    if (block[urlEnd] == 0 && LoadU32(block + urlEnd + 1) == kPostDigestLength &&
        NoZeroIn(block, kUrlOffsetInBlock, urlEnd))
      return Shape::kBrowser;
  }
  return Shape::kNone;
}

// The candidate at window offset at. Only its own bytes are read: one whose
// entry block (with the first eight bytes of its URL block) or URL block would
// run past the end of the index fails, and so does one with LenEntry below 33,
// whose name bytes lie beyond those eight bytes. Needs window[at..at+7] held.
Candidate CandidateAt(const IndexScanner& scanner, std::size_t at) {
  const unsigned char* candidate = scanner.window + at;
  std::uint32_t lenEntry = LoadU32(candidate);
  std::uint32_t type = LoadU32(candidate + kTypeOffset);
  if (lenEntry < kFileOffset || lenEntry > kMaxRecordLength || type < 1 || type > kMaxType)
    return {};
  if (scanner.end - at < lenEntry + kUrlOffsetInBlock) return {};
  for (std::size_t i = kFileOffset; i < kFileOffset + kNameTestLength; ++i)
    if (candidate[i] < kLowestNameByte || candidate[i] > kHighestNameByte) return {};
  if (LoadU32(candidate + lenEntry - 4) != 0) return {};
  std::uint32_t lenUrl = LoadU32(candidate + lenEntry);
  if (lenUrl > kMaxRecordLength - lenEntry || scanner.end - at - lenEntry < lenUrl) return {};
  return {UrlBlockShape(candidate + lenEntry, lenUrl, lenEntry), std::size_t{lenEntry} + lenUrl};
}

std::size_t SearchWindow(IndexScanner& scanner, std::size_t from, std::size_t stop,
                         std::size_t* length, bool plainOnly);

// Whether a record of the plain shape begins inside the candidate at window
// offset at, of the given length: it wins over the candidate.
bool PlainRecordInside(IndexScanner& scanner, std::size_t at, std::size_t length) {
  std::int64_t position = scanner.windowPosition + static_cast<std::int64_t>(at);
  if (scanner.plainAhead > position)
    return scanner.plainAhead < position + static_cast<std::int64_t>(length);
  // Offsets with fewer than eight bytes behind them hold no record.
  std::size_t stop = std::min(at + length, scanner.end - 7);
  std::size_t plainLength = 0;
  std::size_t found = SearchWindow(scanner, at + 1, stop, &plainLength, true);
  if (found == stop) return false;
  scanner.plainAhead = scanner.windowPosition + static_cast<std::int64_t>(found);
  return true;
}

// The length of the record at window offset at, or 0 when there is none.
std::size_t RecordLengthAt(IndexScanner& scanner, std::size_t at, bool plainOnly) {
  Candidate candidate = CandidateAt(scanner, at);
  if (candidate.shape == Shape::kPlain) return candidate.length;
  if (candidate.shape == Shape::kBrowser && !plainOnly &&
      !PlainRecordInside(scanner, at, candidate.length))
    return candidate.length;
  return 0;
}

// Searches window offsets [from, stop) in order; stop + 7 <= end. Returns the
// offset of the first record (its length in *length), or stop when there is none;
// with plainOnly, records of the plain shape alone count.
// Whole chunks go through the filters while their reads stay inside the bytes
// held; the few offsets left over are tested one by one.
std::size_t SearchWindow(IndexScanner& scanner, std::size_t from, std::size_t stop,
                         std::size_t* length, bool plainOnly) {
  const unsigned char* window = scanner.window;
  std::size_t at = from;
  unsigned char marks[kChunk];
  for (; stop - at >= kChunk && scanner.end - at >= kChunkReach; at += kChunk) {
    const unsigned char* chunk = window + at;
    if (AllZero(chunk) || !AnyZeroPairs(chunk) || !MarkCandidates(chunk, marks)) continue;
    for (std::size_t lane = 0; lane < kChunk; lane += 8) {
      for (std::uint64_t heads = LoadU64(marks + lane) << 7; heads != 0; heads &= heads - 1) {
        std::size_t candidate = at + lane + LowestLane(heads);
        *length = RecordLengthAt(scanner, candidate, plainOnly);
        if (*length != 0) return candidate;
      }
    }
  }
  for (; at < stop; ++at) {
    *length = RecordLengthAt(scanner, at, plainOnly);
    if (*length != 0) return at;
  }
  return stop;
}

// Moves the unsearched bytes to the front of the window and fills the rest from
// the stream. A short read marks the end of the stream.
void FillWindow(IndexScanner& scanner) {
  std::size_t kept = scanner.end - scanner.begin;
  std::memmove(scanner.window, scanner.window + scanner.begin, kept);
  scanner.windowPosition += static_cast<std::int64_t>(scanner.begin);
  scanner.begin = 0;
  scanner.end = kept;
  std::size_t wanted = scanner.capacity - kept;
  std::size_t got = ReadBytes(scanner.stream, scanner.window + kept, wanted);
  scanner.end += got;
  if (got < wanted) scanner.streamEnded = true;
}

// One past the last window offset that can be searched now: a candidate needs its
// whole span in the window, or, once the stream has ended, its first eight bytes.
std::size_t SearchStop(const IndexScanner& scanner) {
  std::size_t reach = scanner.streamEnded ? 8 : kScanReach;
  if (scanner.end - scanner.begin < reach) return scanner.begin;
  return scanner.end - reach + 1;
}

}  // namespace

void StartScan(IndexScanner& scanner, Stream* stream, std::size_t windowSize) {
  scanner.stream = stream;
  scanner.capacity = std::clamp(windowSize, kMinScanWindowSize, kScanWindowSize);
  scanner.begin = 0;
  scanner.end = 0;
  scanner.streamEnded = false;
  std::int64_t position = TellStream(stream);
  scanner.windowPosition = position > 0 ? position : 0;
  scanner.recordPosition = -1;
  scanner.plainAhead = -1;
}

int FindNextRecord(IndexScanner& scanner, unsigned char* record) {
  for (;;) {
    if (!scanner.streamEnded && scanner.end - scanner.begin < kScanReach) FillWindow(scanner);
    std::size_t stop = SearchStop(scanner);
    std::size_t length = 0;
    std::size_t at = SearchWindow(scanner, scanner.begin, stop, &length, false);
    if (at < stop) {
      std::memcpy(record, scanner.window + at, length);
      scanner.recordPosition = scanner.windowPosition + static_cast<std::int64_t>(at);
      scanner.begin = at + length;
      return 1;
    }
    scanner.begin = stop;
    if (scanner.streamEnded) return 0;
  }
}
