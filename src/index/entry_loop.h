#pragma once

#include <cstdint>

#include "core/buffers.h"
#include "core/settings.h"
#include "core/stop.h"
#include "core/tally.h"
#include "platform/files.h"

// Receives one entry: the cached file's full path, the URL and the entry's times.
using ExtractFunction = EntryResult (*)(const Settings& settings, Buffers& buffers,
                                        const char* cachedPath, const char* url,
                                        std::uint32_t modificationTime,
                                        std::uint32_t lastAccessTime);

// Walks the cache index from the stream's position to its end and hands every
// entry record to ExtractEntry. With verbose set, each record is first listed in
// four lines. A record whose cached file path would not fit a path buffer is
// skipped (reported when verbose). Every record taken is counted in tally by
// what became of it. Returns Stop::kNone at the end of the index, or the first
// other result of an extraction, which ends the walk.
Stop ProcessEntries(const Settings& settings, Buffers& buffers, Stream* index, Tally& tally);

// The same, handing each entry to extract instead of ExtractEntry.
Stop ProcessEntries(const Settings& settings, Buffers& buffers, Stream* index, Tally& tally,
                    ExtractFunction extract);
