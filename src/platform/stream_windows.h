// Inside the Windows platform layer: a stream is a C stream on a file handle,
// read and written in whole blocks with no buffer of its own.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <vector>

#include "platform/stream.h"

struct Stream {
  std::FILE* file;  // nullptr for a file held in memory
  ReadDigest* digest = nullptr;
  SharedBytes bytes;  // of a file held in memory
  std::int64_t size = 0;
  std::int64_t position = 0;
};

// Hands the handle to a C stream, which then owns it (it is closed on failure).
// flags are _open_osfhandle's; mode is fdopen's.
Stream* StreamFrom(HANDLE handle, int flags, const char* mode);
