// Telling whether a file in the output tree holds a cached file's content.
#pragma once

#include "extract/name_memory.h"
#include "platform/stream.h"

// Returns true when the two files have the same length and the same bytes, false
// otherwise. The first is read as the copy reads it (what it cannot supply counts
// as zeros, so a damaged source matches the copy saved of it), from its start;
// the second from where it stands (its start, when just opened), where a failed
// read counts as a difference. Both are left wherever the comparison stopped.
bool CompareFiles(Stream* first, Stream* second);

// The fingerprint of the whole file behind the stream, read from its start as
// CompareFiles reads its first file; the stream is left at the end.
Fingerprint FingerprintOf(Stream* stream);
