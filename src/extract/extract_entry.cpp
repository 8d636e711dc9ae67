#include "extract/extract_entry.h"

#include <cstdio>

#include "core/messages.h"
#include "core/pause.h"
#include "core/say.h"
#include "extract/compare_files.h"
#include "extract/copy_bytes.h"
#include "extract/open_cached.h"
#include "extract/prepare_path.h"
#include "platform/ansi_path.h"

namespace {

// The name is taken by a different file: looks for name.Over0000, .Over0001, ...
// up to the first name that is free or already holds the same content. Leaves
// that name in path.text. Returns true when the content is already there.
bool FindAlternativeName(const Settings& settings, Stream* source, Stream* target,
                         OutputPath& path) {
  for (unsigned long counter = 0;; ++counter) {
    CloseStream(target);
    std::snprintf(path.text + path.length, kPathSize - path.length, msg::kAlternativeSuffix,
                  counter);
    target = FOpenAnsi(path.text, "rb");
    if (target == nullptr) return false;
    if (CompareFiles(source, target)) {
      if (settings.verbose) Say(msg::kSameAsSaved, path.text);
      CloseStream(target);
      return true;
    }
  }
}

Stop FailWrite(const char* url) {
  Say(msg::kErrorWriting, url);
  return Stop::kWriteFailed;
}

}  // namespace

Stop ExtractEntry(const Settings& settings, Buffers& buffers, const char* cachedPath,
                  const char* url, std::uint32_t modificationTime, std::uint32_t lastAccessTime) {
  Stream* source = OpenCachedFile(settings, buffers, cachedPath);
  if (source == nullptr) return Stop::kNone;
  if (!settings.quiet) Say(msg::kUrlLine, url);

  OutputPath path;
  if (PrepareOutputPath(settings, url, path) != Stop::kNone) {
    CloseStream(source);
    return Stop::kEscape;
  }

  // A name counts as taken when a file can be read under it.
  Stream* existing = FOpenAnsi(path.text, "rb");
  if (existing != nullptr) {
    if (CompareFiles(source, existing)) {
      if (settings.verbose) Say(msg::kSameAsSaved, path.text);
      CloseStream(existing);
      CloseStream(source);
      return Stop::kNone;
    }
    Say(msg::kAlreadyExists, path.text);
    if (FindAlternativeName(settings, source, existing, path)) {
      CloseStream(source);
      return Stop::kNone;
    }
    Say(msg::kSavingAs, path.text);
    if (!PausePrompt()) {
      CloseStream(source);
      return Stop::kEscape;
    }
  }

  // Created exclusively: whatever still holds the name (an unreadable file, a
  // folder) is never emptied.
  Stream* target = FOpenAnsi(path.text, "wb");
  if (target == nullptr) {
    Say(msg::kCantCreateFile, path.text);
    CloseStream(source);
    return PausePrompt() ? Stop::kNone : Stop::kEscape;
  }

  long long count = MeasureFile(source);
  if (count < 0) count = 0;
  bool written = CopyBytes(source, target, count, buffers.chunk);
  // The last bytes reach the disk only at the close: a failure there is a failed write too.
  written = CloseStream(target) == 0 && written;
  CloseStream(source);
  if (!written) return FailWrite(url);

  if (settings.verbose) Say(msg::kTimes, modificationTime, lastAccessTime);
  std::uint32_t modification = modificationTime != 0 ? modificationTime : lastAccessTime;
  SetFileTimesAnsi(path.text, lastAccessTime, modification);
  return Stop::kNone;
}
