// Opening the cached file of an entry.
#pragma once

#include "core/buffers.h"
#include "core/settings.h"
#include "platform/files.h"

// Opens for reading the cached file at cachedPath: the cache directory (its first
// buffers.cacheDirLength bytes) followed by the record's File, which is resolved
// beneath buffers.cacheDir. Only a regular file inside the cache directory is
// opened: an absolute File, a ".." level or a symbolic link leading out, a FIFO,
// a device or a folder are refused like a missing file. Returns the stream, or
// nullptr; why is reported only when verbose ("Can't open for read file").
Stream* OpenCachedFile(const Settings& settings, Buffers& buffers, const char* cachedPath);
