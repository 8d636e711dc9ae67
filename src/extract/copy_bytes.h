#pragma once

#include "platform/files.h"

struct CopyResult {
  bool written;       // false when a write failed (the rest was not written)
  long long missing;  // bytes the source could not supply, written as zeros
};

// Copies count bytes from the source's position to the target: by the system
// where it can (CopyInSystem), else in chunks of kChunkSize through chunk
// (kChunkSize bytes). The target always receives exactly count bytes: whatever
// the source fails to supply is written as zeros.
CopyResult CopyBytes(Stream* source, Stream* target, long long count, unsigned char* chunk);
