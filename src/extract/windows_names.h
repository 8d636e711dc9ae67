// Names that Windows refuses or reads as something else.
#pragma once

#include <cstddef>

// True when the path level text[0..length) names a device on Windows: CON, PRN,
// AUX, NUL, COM0 to COM9, LPT0 to LPT9, COM¹ to COM³, LPT¹ to LPT³, CONIN$,
// CONOUT$ or CLOCK$, in any case, alone or followed by blanks or by an extension
// ("nul.txt", "Con .html"). Creating such a name opens the device instead of a
// file. The superscripts count in UTF-8 and in the one-byte form that the
// character set of names has (superscript.h).
bool IsReservedDeviceName(const char* text, std::size_t length);

// True when Windows drops the level's last byte: a final dot or blank.
bool HasDroppedEnding(const char* text, std::size_t length);
