#include "extract/copy_bytes.h"

#include <cstdio>
#include <cstring>

#include "platform/system.h"
#include "run/buffers.h"
#include "run/exit_codes.h"
#include "run/messages.h"

void FailWrite(const char* url) {
  std::printf(msg::kErrorWriting, url);
  EndProcess(kExitWriteFailed);
}

void CopyBytes(Stream* source, Stream* target, const char* url, long long count,
               unsigned char* chunkBuffer) {
  long long done = 0;
  std::size_t chunk = kChunkSize;
  while (done != count) {
    if (done + static_cast<long long>(kChunkSize) > count)
      chunk = static_cast<std::size_t>(count - done);
    // Cleared before every read, whose result is not needed: a short or failed
    // read leaves zeros, and the output still gets the full count.
    std::memset(chunkBuffer, 0, kRecordBufferSize);
    ReadBlock(source, chunkBuffer, chunk);
    if (WriteBlock(target, chunkBuffer, chunk) != 1) FailWrite(url);
    done += static_cast<long long>(chunk);
  }
}
