// Turning the bytes a terminal sends for one key press into one key code.
#pragma once

#include <cstddef>

#include "platform/console.h"

// bytes[0..count) is everything the terminal sent for one key press (count >= 1).
// A lone ESC is ESC. ESC followed by more bytes (cursor and function keys send
// "ESC [ ..." or "ESC O x") is one ordinary key: its last byte shifted left by
// eight bits. Any other key is its first byte; a NUL byte counts as 0x100 so that
// no key decodes to the "no key" code 0.
int DecodeKey(const unsigned char* bytes, std::size_t count);
