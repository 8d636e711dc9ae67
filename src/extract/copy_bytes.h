#pragma once

#include "platform/files.h"

// Copies count bytes from the source's position to the target in chunks of
// kChunkSize through chunk (kChunkSize bytes). The target always receives exactly
// count bytes: whatever the source fails to supply is written as zeros. Returns
// false when a write failed (the rest is not written).
bool CopyBytes(Stream* source, Stream* target, long long count, unsigned char* chunk);
