// Inside the POSIX platform layer: a stream is an open descriptor, read and
// written in whole blocks with no buffer of its own.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/stream.h"

struct Stream {
  int fd;                     // -1 for a file held in memory
  std::int64_t size;          // the file's size when it was opened, or -1 when not measured
  std::int64_t position = 0;  // kept here, so that moving to where it is costs no call
  ReadDigest* digest = nullptr;
  SharedBytes bytes;  // of a file held in memory
};

// A stream on fd, which it then owns, with size as measured at the open (or -1).
// Closes fd and returns nullptr when no stream can be made.
Stream* StreamOn(int fd, std::int64_t size);
