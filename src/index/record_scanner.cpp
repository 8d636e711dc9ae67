#include "index/record_scanner.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint32_t kMinEntryLength = 4;
constexpr std::uint32_t kMaxType = 256;
// The shortest URL block: LenURL, TypeURL, one URL byte, its terminator, trailer.
constexpr std::uint32_t kMinUrlBlockLength = 14;
constexpr std::uint32_t kRejectedTypeUrl = 5;
constexpr std::size_t kNameTestLength = 8;
constexpr unsigned char kLowestNameByte = 0x20;
constexpr unsigned char kHighestNameByte = 0x80;
constexpr std::size_t kUrlEndZeros = 5;  // the URL's terminator and the four-byte trailer

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
// LenEntry <= 2048 and Type <= 256 require. Hardly ever true in text or noise.
inline bool AnyZeroPairs(const unsigned char* chunk) {
  unsigned char least = 0xFF;
  for (std::size_t i = 0; i < kChunk; ++i) {
    unsigned char pair = static_cast<unsigned char>(chunk[i + 3] | chunk[i + 7]);
    least = pair < least ? pair : least;
  }
  return least == 0;
}

// Marks with 1 each candidate of the chunk whose bytes, taken one at a time,
// allow LenEntry 33..2048, Type 1..256 and the first two name bytes: bytes 2, 3,
// 6, 7 zero, byte 1 below 16, byte 5 below 2, byte 1 nonzero or byte 0 at least
// 32, byte 4 or 5 nonzero, bytes 33 and 34 from 0x20 to 0x80; the rest with 0.
// Returns true when it marked any.
inline bool MarkCandidates(const unsigned char* chunk, unsigned char* marks) {
  const unsigned char nameRange = kHighestNameByte - kLowestNameByte;
  for (std::size_t i = 0; i < kChunk; ++i) {
    const unsigned char* b = chunk + i;
    unsigned char highBytes =
        static_cast<unsigned char>(b[2] | b[3] | b[6] | b[7] | (b[1] & 0xF0) | (b[5] & 0xFE));
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

// Tests the URL block at window offset start together with the four zero bytes
// in front of it that end the entry block. Reads nothing at or beyond end.
// Returns LenURL when every test passes, else 0.
std::uint32_t JudgeUrlBlock(const unsigned char* window, std::size_t start, std::size_t end) {
  if (end - start < kUrlOffsetInBlock) return 0;
  const unsigned char* block = window + start;
  if (LoadU32(block - 4) != 0) return 0;
  std::uint32_t lenUrl = LoadU32(block);
  if (lenUrl < kMinUrlBlockLength || lenUrl > kMaxUrlBlockLength) return 0;
  std::uint32_t typeUrl = LoadU32(block + 4);
  if (typeUrl < 1 || typeUrl > kMaxType || typeUrl == kRejectedTypeUrl) return 0;
  if (end - start < lenUrl) return 0;
  for (std::size_t i = lenUrl - kUrlEndZeros; i < lenUrl; ++i)
    if (block[i] != 0) return 0;
  std::size_t urlLength = lenUrl - kUrlOffsetInBlock - kUrlEndZeros;
  if (std::memchr(block + kUrlOffsetInBlock, 0, urlLength) != nullptr) return 0;
  return lenUrl;
}

// Length of the record at window offset at, or 0 when the candidate there fails
// a test. The candidate's own bytes are all that is read: one whose entry block
// (with the first eight bytes of its URL block) or URL block would run past the
// end of the index fails, and so does one with LenEntry below 33, whose name
// bytes lie beyond those eight bytes. Needs window[at..at+7] held.
std::size_t RecordLengthAt(const IndexScanner& scanner, std::size_t at) {
  const unsigned char* candidate = scanner.window + at;
  std::uint32_t lenEntry = LoadU32(candidate);
  std::uint32_t type = LoadU32(candidate + kTypeOffset);
  if (lenEntry < kMinEntryLength || lenEntry > kMaxEntryLength || type < 1 || type > kMaxType)
    return 0;
  if (lenEntry < kFileOffset) return 0;
  if (scanner.end - at < lenEntry + kUrlOffsetInBlock) return 0;
  for (std::size_t i = kFileOffset; i < kFileOffset + kNameTestLength; ++i)
    if (candidate[i] < kLowestNameByte || candidate[i] > kHighestNameByte) return 0;
  std::uint32_t lenUrl = JudgeUrlBlock(scanner.window, at + lenEntry, scanner.end);
  if (lenUrl == 0) return 0;
  return std::size_t{lenEntry} + lenUrl;
}

// Searches window offsets [from, stop) in order; stop + 7 <= end. Returns the
// offset of the first record (its length in *length), or stop when there is none.
// Whole chunks go through the filters while their reads stay inside the bytes
// held; the few offsets left over are tested one by one.
std::size_t SearchWindow(const IndexScanner& scanner, std::size_t from, std::size_t stop,
                         std::size_t* length) {
  const unsigned char* window = scanner.window;
  std::size_t at = from;
  unsigned char marks[kChunk];
  for (; stop - at >= kChunk && scanner.end - at >= kChunkReach; at += kChunk) {
    const unsigned char* chunk = window + at;
    if (AllZero(chunk) || !AnyZeroPairs(chunk) || !MarkCandidates(chunk, marks)) continue;
    for (std::size_t lane = 0; lane < kChunk; lane += 8) {
      for (std::uint64_t heads = LoadU64(marks + lane) << 7; heads != 0; heads &= heads - 1) {
        std::size_t candidate = at + lane + LowestLane(heads);
        *length = RecordLengthAt(scanner, candidate);
        if (*length != 0) return candidate;
      }
    }
  }
  for (; at < stop; ++at) {
    *length = RecordLengthAt(scanner, at);
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
  std::size_t reach = scanner.streamEnded ? 8 : kMaxRecordLength;
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
}

int FindNextRecord(IndexScanner& scanner, unsigned char* record) {
  for (;;) {
    if (!scanner.streamEnded && scanner.end - scanner.begin < kMaxRecordLength) FillWindow(scanner);
    std::size_t stop = SearchStop(scanner);
    std::size_t length = 0;
    std::size_t at = SearchWindow(scanner, scanner.begin, stop, &length);
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
