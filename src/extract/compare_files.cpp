#include "extract/compare_files.h"

#include <cstring>

#include "core/checksum.h"

namespace {
const std::size_t kCompareBlock = 65536;
}

long long MeasureFile(Stream* stream) {
  return StreamFileSize(stream);
}

bool CompareFiles(Stream* first, Stream* second) {
  long long length = MeasureFile(first);
  if (length < 0 || length != MeasureFile(second)) return false;
  if (SeekStream(first, 0, kSeekStart) != 0) return false;
  unsigned char a[kCompareBlock];
  unsigned char b[kCompareBlock];
  for (long long left = length; left > 0;) {
    std::size_t n = left < static_cast<long long>(kCompareBlock) ? static_cast<std::size_t>(left)
                                                                 : kCompareBlock;
    // The first file is read as the copy reads it: what it cannot supply counts
    // as zeros, so a damaged source matches the copy that was saved of it.
    std::size_t got = ReadBytes(first, a, n);
    std::memset(a + got, 0, n - got);
    if (ReadBlock(second, b, n) != 1) return false;
    if (std::memcmp(a, b, n) != 0) return false;
    left -= static_cast<long long>(n);
  }
  return true;
}

Fingerprint FingerprintOf(Stream* stream) {
  Fingerprint print;
  print.size = MeasureFile(stream);
  if (print.size < 0 || SeekStream(stream, 0, kSeekStart) != 0) return Fingerprint{};
  std::uint64_t hash = kChecksumStart;
  unsigned char block[kCompareBlock];
  for (long long left = print.size; left > 0;) {
    std::size_t n = left < static_cast<long long>(kCompareBlock) ? static_cast<std::size_t>(left)
                                                                 : kCompareBlock;
    std::size_t got = ReadBytes(stream, block, n);
    std::memset(block + got, 0, n - got);
    hash = ExtendChecksum(hash, block, n);
    left -= static_cast<long long>(n);
  }
  print.hash = hash;
  return print;
}
