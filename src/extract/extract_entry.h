#pragma once

#include <cstdint>

#include "run/buffers.h"
#include "run/settings.h"

// Saves one cache entry: copies the cached file at cachedPath into the output
// tree under the path that its URL gives, with the entry's times. Problems with
// the entry are reported and the entry skipped; ESC at a pause and a failed
// write end the process.
void ExtractEntry(const Settings& settings, Buffers& buffers, const char* cachedPath,
                  const char* url, std::uint32_t modificationTime, std::uint32_t lastAccessTime);
