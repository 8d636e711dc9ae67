// Finding the entry records of a cache index. The index is not interpreted: its
// bytes are searched for every position where a record of the expected shape
// begins, judged by a fixed chain of plausibility tests.
//
// Record layout (integers unsigned 32-bit little-endian, offsets from the record's
// first byte):
//   entry block  0 LenEntry (4..2048)   4 Type (1..256)   8 ModificationTime
//                12 LastAccessTime      33 File, zero-terminated; its first eight
//                bytes lie in 0x20..0x80    LenEntry-4: four zero bytes
//   URL block at LenEntry:  0 LenURL (14..1024)   4 TypeURL (1..256, not 5)
//                8 URL, no zero byte inside     LenURL-5: five zero bytes
//
// The browser itself writes TypeURL as the URL's length with its zero byte, and
// ends the URL block with the size of a POST request's digest: 0, or 16 followed
// by the 16 digest bytes. A record in that shape is also taken, whatever its
// LenEntry, LenURL and TypeURL, as long as it fits one 16 KiB hash page (its
// entry block counts the URL, so it grows with it too):
//   TypeURL = LenURL-12, the URL, five zero bytes;  or
//   TypeURL = LenURL-28, the URL, its zero byte, the value 16, 16 digest bytes.
// Where a record of the plain shape begins inside such a record, the plain one
// wins: the search slides on by one byte.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/stream.h"

// The limits of the plain shape.
inline constexpr std::size_t kMaxEntryLength = 2048;
inline constexpr std::size_t kMaxUrlBlockLength = 1024;
inline constexpr std::size_t kMaxPlainRecordLength = kMaxEntryLength + kMaxUrlBlockLength;
// The longest record: the browser stores a record whole on one hash page, or
// in pieces on overflow pages, which a search of the bytes cannot join. A page
// of 16 KiB, the largest seen, holds 16,370 bytes of one record (its page and
// slot headers take 14); the browser asks for 4 KiB pages.
inline constexpr std::size_t kMaxRecordLength = 16384 - 14;
// Offsets inside a record.
inline constexpr std::size_t kTypeOffset = 4;
inline constexpr std::size_t kModificationTimeOffset = 8;
inline constexpr std::size_t kLastAccessTimeOffset = 12;
inline constexpr std::size_t kFileOffset = 33;
inline constexpr std::size_t kUrlOffsetInBlock = 8;  // URL, from the start of the URL block

// The index is read in blocks into a window of this size, so memory does not
// grow with the index. Smaller windows (down to the minimum) serve the tests.
inline constexpr std::size_t kScanWindowSize = std::size_t{1} << 20;
// A candidate is judged with its whole span, and with any plain record that
// begins inside it, in the window.
inline constexpr std::size_t kScanReach = kMaxRecordLength + kMaxPlainRecordLength;
inline constexpr std::size_t kMinScanWindowSize = kScanReach + 64;

// The state of one scan over an index stream. It is large (it holds the window):
// allocate it once per run, not on the stack.
struct IndexScanner {
  Stream* stream = nullptr;
  std::size_t capacity = kScanWindowSize;  // bytes of the window in use
  std::size_t begin = 0;                   // window offset of the next candidate
  std::size_t end = 0;                     // bytes held in the window
  bool streamEnded = false;                // the stream has delivered its last byte
  std::int64_t windowPosition = 0;         // index position of window[0]
  std::int64_t recordPosition = -1;        // index position of the record last found
  // Index position of a plain record that lies ahead, found while judging a
  // candidate around it: no other plain record begins between the candidate
  // judged and it. -1 when none is known.
  std::int64_t plainAhead = -1;
  unsigned char window[kScanWindowSize];
};

// Prepares a scan that searches the stream from its current position on.
// windowSize is clamped to kMinScanWindowSize..kScanWindowSize. From here on the
// scanner reads ahead: the stream's position says nothing about the records.
void StartScan(IndexScanner& scanner, Stream* stream, std::size_t windowSize = kScanWindowSize);

// Finds the next record, in index order, that passes every plausibility test
// while reading no byte outside its own span. Returns 1 with the record copied
// to record[0 .. LenEntry+LenURL) (at most kMaxRecordLength bytes; the rest of
// the buffer is untouched) and scanner.recordPosition set to its index position;
// the next search begins right after it. Returns 0 when the index is exhausted
// (its end, or a read error).
int FindNextRecord(IndexScanner& scanner, unsigned char* record);

// The unsigned little-endian 32-bit value at bytes[0..3].
inline std::uint32_t LoadU32(const unsigned char* bytes) {
  return static_cast<std::uint32_t>(bytes[0]) | static_cast<std::uint32_t>(bytes[1]) << 8 |
         static_cast<std::uint32_t>(bytes[2]) << 16 | static_cast<std::uint32_t>(bytes[3]) << 24;
}
