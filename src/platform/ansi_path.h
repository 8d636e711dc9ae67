// Every path reaches the file system through these: the path is converted to the
// file system's character set right before the operation.
#pragma once

#include <cstdint>

#include "platform/files.h"

// Converts the path into the one shared conversion buffer and returns that buffer;
// its text stays valid until the next conversion. Returns nullptr when the path
// cannot be converted (it does not fit the buffer); the buffer is then empty.
// Reporting that is the caller's business.
const char* ToAnsiPath(const char* path);

// Each converts the path, then performs the operation; results as in files.h.
// A path that cannot be converted makes the operation fail.
int MkDirAnsi(const char* path);
int ChDirAnsi(const char* path);
Stream* FOpenAnsi(const char* path, const char* mode);
int MoveFileAnsi(const char* from, const char* to);
int SetFileTimesAnsi(const char* path, std::uint32_t accessTime, std::uint32_t modificationTime);
