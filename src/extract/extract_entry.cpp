#include "extract/extract_entry.h"

#include <cstdio>

#include "extract/compare_files.h"
#include "extract/copy_bytes.h"
#include "extract/output_path.h"
#include "platform/ansi_path.h"
#include "run/messages.h"
#include "run/pause.h"

namespace {

// The name is taken by a different file: looks for name.Over0000, .Over0001, ...
// up to the first name that is free or already holds the same content. Leaves
// that name in outputPath. Returns true when the content is already there.
bool FindAlternativeName(const Settings& settings, Stream* source, Stream* target, char* outputPath,
                         std::size_t baseLength) {
  for (unsigned long counter = 0;; ++counter) {
    CloseStream(target);
    std::snprintf(outputPath + baseLength, kPathSize - baseLength, msg::kAlternativeSuffix,
                  counter);
    target = FOpenAnsi(outputPath, "rb");
    if (target == nullptr) return false;
    if (CompareFiles(source, target) == 0) {
      if (settings.verbose) std::printf(msg::kSameAsSaved, outputPath);
      CloseStream(target);
      return true;
    }
  }
}

}  // namespace

void ExtractEntry(const Settings& settings, Buffers& buffers, const char* cachedPath,
                  const char* url, std::uint32_t modificationTime, std::uint32_t lastAccessTime) {
  Stream* source = FOpenAnsi(cachedPath, "rb");
  if (source == nullptr) {
    if (settings.verbose) std::printf(msg::kCantOpenCached, cachedPath);
    return;
  }
  if (!settings.quiet) std::printf(msg::kUrlLine, url);

  char* outputPath = buffers.outputPath;
  std::size_t baseLength = BuildOutputPath(settings, url, outputPath);

  // A name counts as taken when a file can be read under it.
  Stream* existing = FOpenAnsi(outputPath, "rb");
  if (existing != nullptr) {
    if (CompareFiles(source, existing) == 0) {
      if (settings.verbose) std::printf(msg::kSameAsSaved, outputPath);
      CloseStream(existing);
      CloseStream(source);
      return;
    }
    std::printf(msg::kAlreadyExists, outputPath);
    if (FindAlternativeName(settings, source, existing, outputPath, baseLength)) {
      CloseStream(source);
      return;
    }
    std::printf(msg::kSavingAs, outputPath);
    PausePrompt();
  }

  // Created exclusively: whatever still holds the name (an unreadable file, a
  // folder) is never emptied.
  Stream* target = FOpenAnsi(outputPath, "wb");
  if (target == nullptr) {
    std::printf(msg::kCantCreateFile, outputPath);
    CloseStream(source);
    PausePrompt();
    return;
  }

  long long count = MeasureFile(source);
  if (count < 0) count = 0;
  CopyBytes(source, target, url, count, buffers.record);
  // The last bytes reach the disk only now: a failure here is a failed write too.
  if (CloseStream(target) != 0) FailWrite(url);
  CloseStream(source);

  if (settings.verbose) std::printf(msg::kTimes, modificationTime, lastAccessTime);
  std::uint32_t modification = modificationTime != 0 ? modificationTime : lastAccessTime;
  SetFileTimesAnsi(outputPath, lastAccessTime, modification);
}
