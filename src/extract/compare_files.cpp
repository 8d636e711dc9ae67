#include "extract/compare_files.h"

#include <cstring>

#include "extract/checksum.h"
#include "extract/copy_bytes.h"

namespace {

const std::size_t kCompareBlock = 65536;

// The size of the next block of a file with left bytes still to read.
std::size_t NextBlock(long long left) {
  return left < static_cast<long long>(kCompareBlock) ? static_cast<std::size_t>(left)
                                                      : kCompareBlock;
}

}  // namespace

bool CompareFiles(Stream* first, Stream* second) {
  long long length = StreamFileSize(first);
  if (length < 0 || length != StreamFileSize(second)) return false;
  if (SeekStream(first, 0) != 0) return false;
  unsigned char a[kCompareBlock];
  unsigned char b[kCompareBlock];
  for (long long left = length; left > 0;) {
    std::size_t n = NextBlock(left);
    ReadFilled(first, a, n);
    if (ReadBytes(second, b, n) != n || std::memcmp(a, b, n) != 0) return false;
    left -= static_cast<long long>(n);
  }
  return true;
}

Fingerprint FingerprintOf(Stream* stream) {
  Fingerprint print;
  print.size = StreamFileSize(stream);
  if (print.size < 0 || SeekStream(stream, 0) != 0) return Fingerprint{};
  std::uint64_t hash = kChecksumStart;
  unsigned char block[kCompareBlock];
  for (long long left = print.size; left > 0;) {
    std::size_t n = NextBlock(left);
    ReadFilled(stream, block, n);
    hash = ExtendChecksum(hash, block, n);
    left -= static_cast<long long>(n);
  }
  print.hash = hash;
  return print;
}
