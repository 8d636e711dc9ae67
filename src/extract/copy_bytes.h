// Copying a cached file. A damaged cache may not give all the bytes it measures:
// what it cannot give is written as zeros, so the copy always has the full size.
#pragma once

#include <cstddef>

#include "platform/stream.h"

// The size of one chunk of a copy.
inline constexpr std::size_t kChunkSize = 32768;

// Reads n bytes into buffer, with zeros in place of those the stream cannot
// supply. Returns how many it did supply.
std::size_t ReadFilled(Stream* stream, unsigned char* buffer, std::size_t n);

struct CopyResult {
  bool written;       // false when a write failed (the rest was not written)
  long long missing;  // bytes the source could not supply, written as zeros
};

// Copies count bytes from the source's position to the target: by the system
// where it can (CopyInSystem), else in chunks of kChunkSize through chunk
// (kChunkSize bytes). The target always receives exactly count bytes.
CopyResult CopyBytes(Stream* source, Stream* target, long long count, unsigned char* chunk);
