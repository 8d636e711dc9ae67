// Telling well-formed UTF-8 from other bytes.
#pragma once

#include <cstddef>

// The length of the well-formed UTF-8 sequence of 2 to 4 bytes at the start of
// text, of which at most available bytes may be read, or 0 when none starts
// there (ASCII included). Reading stops at the first byte that does not fit, so
// never past a terminating zero byte.
std::size_t Utf8SequenceLength(const unsigned char* text, std::size_t available);
