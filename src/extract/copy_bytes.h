#pragma once

#include "platform/files.h"

// Copies count bytes from the source's position to the target in chunks through
// chunkBuffer (kRecordBufferSize bytes). The target always receives exactly count
// bytes: whatever the source fails to supply is written as zeros. A failed write
// prints "Error writing file" with the URL and ends the process with exit code -2.
void CopyBytes(Stream* source, Stream* target, const char* url, long long count,
               unsigned char* chunkBuffer);

// Reports a failed write of the entry with this URL and ends the process (-2).
[[noreturn]] void FailWrite(const char* url);
