#include "extract/copy_bytes.h"

#include <cstring>

std::size_t ReadFilled(Stream* stream, unsigned char* buffer, std::size_t n) {
  std::size_t got = ReadBytes(stream, buffer, n);
  std::memset(buffer + got, 0, n - got);
  return got;
}

CopyResult CopyBytes(Stream* source, Stream* target, long long count, unsigned char* chunk) {
  CopyResult result = {true, 0};
  // The system copies what it can; the chunks carry on where it stopped.
  long long done = CopyInSystem(source, target, count);
  std::size_t size = kChunkSize;
  while (done != count) {
    if (done + static_cast<long long>(kChunkSize) > count)
      size = static_cast<std::size_t>(count - done);
    result.missing += static_cast<long long>(size - ReadFilled(source, chunk, size));
    if (WriteBlock(target, chunk, size) != 1) {
      result.written = false;
      return result;
    }
    done += static_cast<long long>(size);
  }
  return result;
}
