#include "support/reference_scanner.h"

#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "index/record_scanner.h"
#include "platform/stream.h"
#include "support/streams.h"

namespace {

// The bytes as a stream on a file of their own, which is gone once the stream is closed.
Stream* StreamOfBytes(const unsigned char* data, std::size_t size) {
  const char* folder = std::getenv("TMPDIR");
  std::string path =
      std::string(folder != nullptr && *folder != '\0' ? folder : "/tmp") + "/talvex-scan-XXXXXX";
  int fd = mkstemp(&path[0]);
  if (fd < 0) return nullptr;
  bool written = size == 0 || write(fd, data, size) == static_cast<ssize_t>(size);
  close(fd);
  Stream* stream = written ? OpenForReading(path) : nullptr;
  unlink(path.c_str());
  return stream;
}

// An index in memory, read like a stream.
struct MemoryIndex {
  const unsigned char* data;
  std::size_t size;
  std::size_t position;
};

// Reads n bytes into out as one block: true only if all n arrive. Bytes that do
// arrive are stored and the position moves past them, as with a file.
bool Read(MemoryIndex& index, unsigned char* out, std::size_t n) {
  std::size_t available = index.size - index.position;
  std::size_t count = n < available ? n : available;
  std::memcpy(out, index.data + index.position, count);
  index.position += count;
  return count == n;
}

std::uint32_t U32(const unsigned char* bytes) {
  return static_cast<std::uint32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16) |
         static_cast<std::uint32_t>(bytes[3]) << 24;
}

// Steps 6 to 9 for a candidate whose first 8 bytes are in record and pass the
// head tests; the index stands at the candidate's byte 8.
bool AcceptCandidate(MemoryIndex& index, unsigned char* record) {
  std::uint32_t lenEntry = U32(record);
  // Entry block and the first 8 bytes of the URL block; cut short: fails.
  if (!Read(index, record + 8, lenEntry)) return false;
  if (U32(record + lenEntry - 4) != 0) return false;
  std::uint32_t lenUrl = U32(record + lenEntry);
  if (lenUrl < 4 || lenUrl > 1024) return false;
  if (lenUrl <= 8) return false;  // no room for a URL: nothing more is read
  std::uint32_t typeUrl = U32(record + lenEntry + 4);
  if (typeUrl < 1 || typeUrl > 256 || typeUrl == 5) return false;
  for (std::size_t offset = 33; offset <= 40; ++offset) {
    if (offset >= lenEntry + 8) return false;  // not read for this candidate
    if (record[offset] < 0x20 || record[offset] > 0x80) return false;
  }
  // The rest of the URL block; cut short: fails.
  if (!Read(index, record + lenEntry + 8, lenUrl - 8)) return false;
  for (std::size_t back = 1; back <= 5; ++back)
    if (record[lenEntry + lenUrl - back] != 0) return false;
  if (lenUrl < 14) return false;
  for (std::size_t offset = lenEntry + lenUrl - 6; offset >= lenEntry + 8; --offset)
    if (record[offset] == 0) return false;
  return true;
}

// Whether a record of the plain shape begins at pos: steps 1 to 10 there.
bool PlainRecordAt(const unsigned char* data, std::size_t size, std::size_t pos) {
  MemoryIndex index = {data, size, pos};
  unsigned char record[kMaxPlainRecordLength + 8];
  if (!Read(index, record, 8)) return false;
  std::uint32_t lenEntry = U32(record);
  std::uint32_t type = U32(record + 4);
  if (lenEntry < 4 || lenEntry > 2048 || type < 1 || type > 256) return false;
  return AcceptCandidate(index, record);
}

// The length of a record in the browser's own shape at pos, or 0: the entry
// block's tests, then TypeURL = LenURL - 12 with five zero bytes at the end, or
// TypeURL = LenURL - 28 with the URL's zero byte followed by the value 16; the
// URL not empty, without a zero byte, TypeURL not 5, the whole record within
// 16,370 bytes and the index.
std::size_t BrowserRecordAt(const unsigned char* data, std::size_t size, std::size_t pos) {
  const unsigned char* record = data + pos;
  std::size_t left = size - pos;
  if (left < 8) return 0;
  std::uint32_t lenEntry = U32(record);
  std::uint32_t type = U32(record + 4);
  if (lenEntry < 33 || lenEntry > 16370 || type < 1 || type > 256) return 0;
  if (left < lenEntry + 8) return 0;
  for (std::size_t offset = 33; offset <= 40; ++offset)
    if (record[offset] < 0x20 || record[offset] > 0x80) return 0;
  if (U32(record + lenEntry - 4) != 0) return 0;
  const unsigned char* block = record + lenEntry;
  std::uint32_t lenUrl = U32(block);
  std::uint32_t typeUrl = U32(block + 4);
  if (lenEntry + std::size_t{lenUrl} > 16370 || lenEntry + std::size_t{lenUrl} > left) return 0;
  if (typeUrl == 5) return 0;
  std::size_t urlEnd = 0;  // offset of the URL's zero byte in the block
  if (lenUrl >= 14 && typeUrl == lenUrl - 12 && U32(block + lenUrl - 4) == 0)
    urlEnd = lenUrl - 5;
  else if (lenUrl >= 30 && typeUrl == lenUrl - 28 && U32(block + lenUrl - 20) == 16)
    urlEnd = lenUrl - 21;
  else
    return 0;
  if (block[urlEnd] != 0) return 0;
  for (std::size_t offset = 8; offset < urlEnd; ++offset)
    if (block[offset] == 0) return 0;
  return lenEntry + lenUrl;
}

// One search: the position of the next record, or -1 at the end of the index.
// A candidate that fails the plain tests is taken in the browser's shape when no
// plain record begins inside it; the search then goes on right after it.
long long FindNext(MemoryIndex& index, unsigned char* record) {
  if (!Read(index, record, 8)) return -1;
  for (bool firstPass = true;; firstPass = false) {
    if (!firstPass) {
      std::memmove(record, record + 1, 7);
      if (!Read(index, record + 7, 1)) return -1;
    }
    std::size_t resume = index.position;
    std::size_t position = resume - 8;
    std::uint32_t lenEntry = U32(record);
    std::uint32_t type = U32(record + 4);
    if (lenEntry >= 4 && lenEntry <= 2048 && type >= 1 && type <= 256) {
      if (AcceptCandidate(index, record)) return static_cast<long long>(position);
      index.position = resume;
    }
    std::size_t length = BrowserRecordAt(index.data, index.size, position);
    if (length == 0) continue;
    bool plainInside = false;
    for (std::size_t inside = position + 1; inside < position + length && !plainInside; ++inside)
      plainInside = PlainRecordAt(index.data, index.size, inside);
    if (plainInside) continue;
    index.position = position + length;
    return static_cast<long long>(position);
  }
}

}  // namespace

std::vector<FoundRecord> ReferenceScan(const unsigned char* data, std::size_t size,
                                       std::size_t start) {
  std::vector<FoundRecord> found;
  if (start > size) return found;
  MemoryIndex index = {data, size, start};
  std::vector<unsigned char> record(kMaxPlainRecordLength + 8);
  for (;;) {
    long long position = FindNext(index, record.data());
    if (position < 0) return found;
    found.push_back(
        {static_cast<std::size_t>(position), index.position - static_cast<std::size_t>(position)});
  }
}

std::vector<FoundRecord> ScannerScan(const unsigned char* data, std::size_t size, std::size_t start,
                                     std::size_t windowSize) {
  std::vector<FoundRecord> found;
  Stream* stream = StreamOfBytes(data, size);
  if (stream == nullptr) return found;
  SeekStream(stream, static_cast<std::int64_t>(start));

  auto scanner = std::make_unique<IndexScanner>();
  StartScan(*scanner, stream, windowSize);
  std::vector<unsigned char> record(kMaxRecordLength);
  while (FindNextRecord(*scanner, record.data()) == 1) {
    std::size_t position = static_cast<std::size_t>(scanner->recordPosition);
    std::uint32_t lenEntry = U32(record.data());
    std::size_t length =
        lenEntry + 4 <= kMaxRecordLength ? lenEntry + U32(record.data() + lenEntry) : 0;
    if (length > kMaxRecordLength || position > size || length > size - position ||
        std::memcmp(record.data(), data + position, length) != 0)
      length = 0;
    found.push_back({position, length});
  }
  CloseStream(stream);
  return found;
}

std::string CompareWithReference(const unsigned char* data, std::size_t size, std::size_t start,
                                 std::size_t windowSize) {
  std::vector<FoundRecord> expected = ReferenceScan(data, size, start);
  std::vector<FoundRecord> actual = ScannerScan(data, size, start, windowSize);
  for (std::size_t i = 0; i < expected.size() || i < actual.size(); ++i) {
    std::string where = "record " + std::to_string(i) + ": ";
    if (i >= actual.size())
      return where + "scanner missed the one at " + std::to_string(expected[i].position);
    if (i >= expected.size())
      return where + "scanner found an extra one at " + std::to_string(actual[i].position);
    if (actual[i].length == 0)
      return where + "bytes at " + std::to_string(actual[i].position) + " differ from the index";
    if (actual[i].position != expected[i].position || actual[i].length != expected[i].length)
      return where + "scanner at " + std::to_string(actual[i].position) + " length " +
             std::to_string(actual[i].length) + ", reference at " +
             std::to_string(expected[i].position) + " length " + std::to_string(expected[i].length);
  }
  return "";
}

std::string CheckFuzzInput(const unsigned char* data, std::size_t size) {
  if (size == 0) return "";
  std::size_t windowSize = kMinScanWindowSize + std::size_t{data[0]} * 61;
  return CompareWithReference(data + 1, size - 1, 0, windowSize);
}
