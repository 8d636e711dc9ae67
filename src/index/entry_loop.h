#pragma once

#include "platform/files.h"
#include "run/buffers.h"
#include "run/settings.h"

// Walks the cache index from the stream's position to its end and hands every
// entry record to ExtractEntry.
void ProcessEntries(const Settings& settings, Buffers& buffers, Stream* index);
