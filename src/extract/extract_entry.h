#pragma once

#include <cstdint>

#include "core/buffers.h"
#include "core/settings.h"
#include "core/tally.h"

// Saves one cache entry: copies the cached file at cachedPath into the output
// tree under the path that its URL gives, with the entry's times. The copy is
// written to a partial file and named only when whole, so a name never holds
// half a file. Problems with the entry are reported and the entry skipped.
// Returns what became of the entry, with Stop::kEscape when ESC was pressed at a
// pause and Stop::kWriteFailed after a failed write or a creation that every
// entry would fail alike (full disk, read-only file system; reported with the URL).
EntryResult ExtractEntry(const Settings& settings, Buffers& buffers, const char* cachedPath,
                         const char* url, std::uint32_t modificationTime,
                         std::uint32_t lastAccessTime);
