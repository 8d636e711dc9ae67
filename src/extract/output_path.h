// Turning an entry's URL into its place in the output tree.
#pragma once

#include <cstddef>

#include "platform/system.h"
#include "run/settings.h"

// Room that the caller keeps behind the base name for an alternative-name suffix:
// ".Over" and up to eight hexadecimal digits.
inline constexpr std::size_t kSuffixRoom = 13;

// The longest base name BuildOutputPath yields, so that a suffix and the
// terminator always fit behind it in a kPathSize buffer.
inline constexpr std::size_t kMaxBaseNameLength = kPathSize - 1 - kSuffixRoom;

// URL bytes read from the start of the walk (after a skipped prefix); any further
// bytes are ignored. Even with every byte escaped and the default name added, the
// path stays within kMaxBaseNameLength. The cache index's URLs (at most 1,011
// bytes) are never cut.
inline constexpr std::size_t kMaxWalkedUrlBytes = (kMaxBaseNameLength - 9) / 3;

// Fills outputPath (a kPathSize buffer) with the base name: the path, relative to
// the current directory (the output directory), under which the entry of this URL
// is saved, with the native separator. Returns its length. Creates every folder
// level of the path on the way (MakeFolder), prints " Renaming char" for each
// escaped byte when verbose, and reports and pauses on an unknown prefix (ESC
// there ends the process). Never fails and never refuses a URL: the path is
// non-empty, never absolute, holds no "." or ".." level and is at most
// kMaxBaseNameLength bytes. When a folder level is a symbolic link that could not
// be moved aside, the path ends with that level and its separator, so that the
// caller's file creation fails instead of writing through the link.
std::size_t BuildOutputPath(const Settings& settings, const char* url, char* outputPath);
