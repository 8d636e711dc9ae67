// Turning an entry's URL into its place in the output tree. A pure mapping: it
// prints nothing and touches no file; what happened on the way is in the result.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/settings.h"
#include "platform/system.h"

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

// One thing that happened while a URL byte was walked, in URL order.
struct PathEvent {
  enum Kind : std::uint8_t {
    kEscaped,  // byte was written as "%xx" at position
    kFolder,   // text[0..position) is a folder level; a separator stands at position
  };
  Kind kind;
  unsigned char byte;
  std::uint16_t position;
};

struct OutputPath {
  // The base name: relative to the output directory, native separators, never
  // empty, never absolute, no "." or ".." level, at most kMaxBaseNameLength
  // bytes, zero-terminated. The caller appends suffixes behind it.
  char text[kPathSize];
  std::size_t length;
  bool unknownPrefix;  // the URL begins with none of the known prefixes
  std::size_t eventCount;
  PathEvent events[kMaxWalkedUrlBytes];  // at most one per walked URL byte
};

// Maps the URL to its base name and lists, in order, every escaped byte and
// every folder level on the way. Never fails and never refuses a URL. With
// settings.windowsNames a level that is a device name has its first byte
// escaped, a level ending in a dot or a blank that byte, and '"' is escaped.
void BuildOutputPath(const Settings& settings, const char* url, OutputPath& path);
