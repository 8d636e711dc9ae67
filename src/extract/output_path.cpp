#include "extract/output_path.h"

#include <cstdio>
#include <cstring>

#include "core/ascii.h"
#include "extract/windows_names.h"

namespace {

struct KnownPrefix {
  const char* text;
  std::size_t length;
};

// Tested in this order; letters match without regard to case.
const KnownPrefix kKnownPrefixes[] = {{"http://", 7}, {"ftp://", 6}, {"wysiwyg://", 10}};

const char kDefaultName[] = "index.htm";
const std::size_t kDefaultNameLength = sizeof kDefaultName - 1;
const std::size_t kEscapeLength = 3;  // "%" and two hexadecimal digits

static_assert(kMaxWalkedUrlBytes * kEscapeLength + kDefaultNameLength <= kMaxBaseNameLength,
              "the longest walk must fit the base name");

// Returns the length of the known prefix that the URL begins with, or 0.
std::size_t KnownPrefixLength(const char* url) {
  for (const KnownPrefix& prefix : kKnownPrefixes) {
    std::size_t i = 0;
    while (i < prefix.length && AsciiLower(url[i]) == prefix.text[i]) ++i;
    if (i == prefix.length) return prefix.length;
  }
  return 0;
}

// Both are URL separators; each becomes the native separator in the path.
bool IsSeparator(char c) {
  return c == '/' || c == '\\';
}

// Bytes that cannot stand in a name as they are.
bool MustEscape(unsigned char byte, const Settings& settings) {
  if (byte >= 0x80) return settings.noNonAsciiNames != 0;
  if (byte < 0x20) return true;
  switch (byte) {
    case '<':
    case '>':
    case '?':
    case '|':
    case '*':
    case ':':
      return true;
    case '"':
      return settings.windowsNames;
    default:
      return false;
  }
}

// True when the segment from text to the next separator (or to end) holds dots
// and blanks only, at least one dot. "." and ".." would name the folder itself and
// its parent; some file systems drop trailing dots and blanks from a name, which
// would turn "..." or ".. " into ".." there. Such a segment has its dots escaped.
bool IsDotSegment(const char* text, const char* end) {
  bool dot = false;
  for (; text < end && !IsSeparator(*text); ++text) {
    if (*text == '.') {
      dot = true;
    } else if (*text != ' ') {
      return false;
    }
  }
  return dot;
}

// The bytes of one level that the Windows naming rules escape: the first when
// the level is a device name, the last when it is a dot or a blank; else nullptr.
struct LevelEscapes {
  const char* first = nullptr;
  const char* last = nullptr;
};

LevelEscapes WindowsEscapes(const Settings& settings, const char* text, const char* end) {
  LevelEscapes escapes;
  if (!settings.windowsNames) return escapes;
  const char* stop = text;
  while (stop < end && !IsSeparator(*stop)) ++stop;
  std::size_t length = static_cast<std::size_t>(stop - text);
  if (IsReservedDeviceName(text, length)) escapes.first = text;
  if (HasDroppedEnding(text, length)) escapes.last = stop - 1;
  return escapes;
}

// The length of text, but at most limit: never reads past the limit.
std::size_t BoundedLength(const char* text, std::size_t limit) {
  std::size_t length = 0;
  while (length < limit && text[length] != '\0') ++length;
  return length;
}

void AddEvent(OutputPath& path, PathEvent::Kind kind, unsigned char byte) {
  path.events[path.eventCount++] = {kind, byte, static_cast<std::uint16_t>(path.length)};
}

}  // namespace

void BuildOutputPath(const Settings& settings, const char* url, OutputPath& path) {
  std::size_t prefix = KnownPrefixLength(url);
  path.unknownPrefix = prefix == 0;
  path.eventCount = 0;
  const char* walk = url + (settings.skipKnownPrefixes ? prefix : 0);
  const char* end = walk + BoundedLength(walk, kMaxWalkedUrlBytes);

  char* text = path.text;
  path.length = 0;
  bool dotSegment = IsDotSegment(walk, end);
  LevelEscapes level = WindowsEscapes(settings, walk, end);
  for (const char* at = walk; at < end; ++at) {
    unsigned char byte = static_cast<unsigned char>(*at);
    if (IsSeparator(*at)) {
      dotSegment = IsDotSegment(at + 1, end);
      level = WindowsEscapes(settings, at + 1, end);
      // A path that began with a separator would be absolute: drop the empty level.
      if (path.length == 0) continue;
      AddEvent(path, PathEvent::kFolder, byte);
      text[path.length++] = kPathSeparator;
    } else if (MustEscape(byte, settings) || (dotSegment && byte == '.') || at == level.first ||
               at == level.last) {
      AddEvent(path, PathEvent::kEscaped, byte);
      std::snprintf(text + path.length, kEscapeLength + 1, "%%%02x", byte);
      path.length += kEscapeLength;
    } else {
      text[path.length++] = *at;
    }
  }
  if (path.length == 0 || text[path.length - 1] == kPathSeparator) {
    std::memcpy(text + path.length, kDefaultName, kDefaultNameLength);
    path.length += kDefaultNameLength;
  }
  text[path.length] = '\0';
}
