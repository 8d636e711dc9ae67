#include "extract/compare_files.h"

#include <cstring>

namespace {
const std::size_t kCompareBlock = 16384;
}

long long MeasureFile(Stream* stream) {
  SeekStream(stream, 0, kSeekEnd);
  long long length = TellStream(stream);
  SeekStream(stream, 0, kSeekStart);
  return length;
}

int CompareFiles(Stream* first, Stream* second) {
  long long length = MeasureFile(first);
  if (length < 0 || length != MeasureFile(second)) return 1;
  unsigned char a[kCompareBlock];
  unsigned char b[kCompareBlock];
  for (long long left = length; left > 0;) {
    std::size_t n = left < static_cast<long long>(kCompareBlock) ? static_cast<std::size_t>(left)
                                                                 : kCompareBlock;
    if (ReadBlock(first, a, n) != 1 || ReadBlock(second, b, n) != 1) return 1;
    if (std::memcmp(a, b, n) != 0) return 1;
    left -= static_cast<long long>(n);
  }
  return 0;
}
