// Turning the bytes a terminal sends for one key press into one key code.
#pragma once

#include <cstddef>

#include "platform/console.h"

// Whether bytes[0..count) is a whole key press, so that reading can stop at
// its end: a byte; a UTF-8 character (its lead byte gives the length); an
// escape sequence "ESC [ parameters final" (final byte 0x40..0x7E) or
// "ESC O x"; ESC before any other key, which is how terminals send that key
// with Alt (ESC ESC included). A lone ESC is never whole: only a pause in the
// input ends it.
bool IsWholeKey(const unsigned char* bytes, std::size_t count);

// bytes[0..count) is everything the terminal sent for one key press (count >= 1).
// A lone ESC is ESC, and so is ESC ESC (pressed twice, or with Alt). ESC
// followed by other bytes (cursor and function keys send "ESC [ ..." or
// "ESC O x") is one ordinary key: its last byte shifted left by eight bits.
// Any other key is its first byte; a NUL byte counts as 0x100 so that no key
// decodes to the "no key" code 0.
int DecodeKey(const unsigned char* bytes, std::size_t count);
