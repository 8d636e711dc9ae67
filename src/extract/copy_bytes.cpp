#include "extract/copy_bytes.h"

#include <cstring>

#include "core/buffers.h"

bool CopyBytes(Stream* source, Stream* target, long long count, unsigned char* chunk) {
  long long done = 0;
  std::size_t size = kChunkSize;
  while (done != count) {
    if (done + static_cast<long long>(kChunkSize) > count)
      size = static_cast<std::size_t>(count - done);
    // Cleared before every read, whose result is not needed: a short or failed
    // read leaves zeros, and the output still gets the full count.
    std::memset(chunk, 0, kChunkSize);
    ReadBlock(source, chunk, size);
    if (WriteBlock(target, chunk, size) != 1) return false;
    done += static_cast<long long>(size);
  }
  return true;
}
