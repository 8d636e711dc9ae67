#pragma once

#include "core/name_memory.h"
#include "platform/files.h"

// Returns true when the two files have the same length and the same bytes, false
// otherwise. Bytes the first file cannot supply count as zeros, as in the copy;
// a failed read of the second counts as a difference. The first is read from its
// start, the second from where it stands (its start, when just opened); both
// are left wherever the comparison stopped.
bool CompareFiles(Stream* first, Stream* second);

// The length of the file behind the stream, or -1 when it cannot be told.
long long MeasureFile(Stream* stream);

// The fingerprint of the whole file behind the stream, read as CompareFiles reads
// its first file (what cannot be read counts as zeros), from its start; the
// stream is left at the end.
Fingerprint FingerprintOf(Stream* stream);
