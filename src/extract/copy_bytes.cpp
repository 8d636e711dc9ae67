#include "extract/copy_bytes.h"

#include <cstring>

#include "core/buffers.h"

CopyResult CopyBytes(Stream* source, Stream* target, long long count, unsigned char* chunk) {
  CopyResult result = {true, 0};
  // The system copies what it can; the chunks carry on where it stopped.
  long long done = CopyInSystem(source, target, count);
  std::size_t size = kChunkSize;
  while (done != count) {
    if (done + static_cast<long long>(kChunkSize) > count)
      size = static_cast<std::size_t>(count - done);
    // A short or failed read leaves zeros, and the output still gets the full count.
    std::size_t got = ReadBytes(source, chunk, size);
    std::memset(chunk + got, 0, size - got);
    result.missing += static_cast<long long>(size - got);
    if (WriteBlock(target, chunk, size) != 1) {
      result.written = false;
      return result;
    }
    done += static_cast<long long>(size);
  }
  return result;
}
