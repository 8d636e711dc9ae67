// Opening the cached file of an entry.
#pragma once

#include "core/buffers.h"
#include "core/settings.h"
#include "platform/files.h"

// Opens the cached file at cachedPath (the cache directory followed by the
// record's File) for reading. Returns the stream, or nullptr when it cannot be
// opened; that is reported only when verbose ("Can't open for read file").
Stream* OpenCachedFile(const Settings& settings, const Buffers& buffers, const char* cachedPath);
