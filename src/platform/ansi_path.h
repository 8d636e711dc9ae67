// Every path reaches the file system through these: the path is converted to the
// file system's character set right before the operation.
#pragma once

#include <cstdint>

#include "platform/files.h"

// Converts the path into the one shared conversion buffer and returns that buffer;
// its text stays valid until the next conversion. A path that cannot be converted
// is reported, paused on, and leaves the buffer empty, so the operation that
// follows fails instead of acting on a different path.
const char* ToAnsiPath(const char* path);

// Each converts the path, then performs the operation; results as in files.h.
int MkDirAnsi(const char* path);
int ChDirAnsi(const char* path);
Stream* FOpenAnsi(const char* path, const char* mode);
int MoveFileAnsi(const char* from, const char* to);
int SetFileTimesAnsi(const char* path, std::uint32_t accessTime, std::uint32_t modificationTime);
