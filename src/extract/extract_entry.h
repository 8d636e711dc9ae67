#pragma once

#include <cstdint>

#include "core/buffers.h"
#include "core/settings.h"
#include "core/stop.h"

// Saves one cache entry: copies the cached file at cachedPath into the output
// tree under the path that its URL gives, with the entry's times. Problems with
// the entry are reported and the entry skipped. Returns Stop::kEscape when ESC
// was pressed at a pause, Stop::kWriteFailed after a failed write (reported,
// with the URL), else Stop::kNone.
Stop ExtractEntry(const Settings& settings, Buffers& buffers, const char* cachedPath,
                  const char* url, std::uint32_t modificationTime, std::uint32_t lastAccessTime);
