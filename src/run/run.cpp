#include "run/run.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "core/buffers.h"
#include "core/case_names.h"
#include "core/exit_codes.h"
#include "core/messages.h"
#include "core/pause.h"
#include "core/say.h"
#include "core/settings.h"
#include "core/tally.h"
#include "extract/make_folder.h"
#include "index/entry_loop.h"
#include "platform/ansi_path.h"
#include "platform/beneath.h"
#include "platform/dir_handle.h"
#include "platform/files.h"
#include "platform/system.h"
#include "run/command_line.h"

namespace {

const char kIndexName[] = "fat.db";
const char kUnixIndexName[] = "index.db";
const std::int64_t kIndexSearchStart = 4096;

// Fills the cache path buffer with the cache directory, made absolute against the
// start directory (the cached files are opened while the output directory is
// current) and ended with a separator. Fails, with a message, when it would not
// leave room for the index name.
bool PrepareCacheDir(const Settings& settings, const char* startDir, Buffers& buffers) {
  const char* dir = settings.cacheDir.c_str();
  long length = ResolveAgainst(startDir, dir, buffers.cachePath, sizeof buffers.cachePath);
  if (length < 0) {
    Say(msg::kCantResolveCacheDir, dir);
    return false;
  }
  // Room for a separator, the index name and the terminator.
  const std::size_t limit = kPathSize - 2 - (sizeof kIndexName - 1);
  if (static_cast<std::size_t>(length) > limit) {
    Say(msg::kCacheDirTooLong, static_cast<unsigned long>(length),
        static_cast<unsigned long>(limit), dir);
    return false;
  }
  AppendSeparator(buffers.cachePath);
  buffers.cacheDirLength = std::strlen(buffers.cachePath);
  return true;
}

// A name that cannot be converted for the file system is reported and paused on
// before each use, as the file-system operation then fails. Returns false on ESC.
bool ReportIfUnconvertible(const char* path) {
  if (ToAnsiPath(path) != nullptr) return true;
  Say(msg::kCantConvertPath, path);
  return PausePrompt();
}

// True when the output directory (resolved from the start directory, the current
// one) is the cache directory or one of the directories above it: the run would
// then write into the cache.
bool OutputHoldsCache(const char* outputDir, const char* cacheDir) {
  const char* converted = ToAnsiPath(cacheDir);
  if (converted == nullptr) return false;
  char cache[kPathSize];
  std::memcpy(cache, converted, sizeof cache);
  converted = ToAnsiPath(outputDir);
  return converted != nullptr && IsSameOrAncestorDirectory(converted, cache);
}

// Opens the cache directory (left in buffers.cacheDir) and the index beneath it:
// fat.db; where there is none, fat.db in another letter case (a cache copied off
// a FAT volume), then the Unix browsers' index.db in any case. Leaves the fat.db
// path in the cache path buffer for the messages. Returns nullptr when neither
// can be opened.
Stream* OpenIndex(const Settings& settings, Buffers& buffers) {
  buffers.cacheDir = OpenDirectory(ToAnsiPath(buffers.cachePath));
  std::strcpy(buffers.cachePath + buffers.cacheDirLength, kIndexName);
  ReadRefusal refusal;
  Stream* index = OpenForReadingBeneath(buffers.cacheDir, kIndexName, refusal);
  if (index != nullptr || refusal != ReadRefusal::kCannotOpen) return index;
  for (const char* name : {kIndexName, kUnixIndexName}) {
    CaseMatch match = MatchIgnoringCase(buffers.cacheDir, buffers.cacheNames, "", name);
    if (match.count == 0 || match.name == kIndexName) continue;
    index = OpenForReadingBeneath(buffers.cacheDir, match.name.c_str(), refusal);
    if (index == nullptr) return nullptr;
    if (settings.verbose) {
      buffers.cachePath[buffers.cacheDirLength] = '\0';
      Say(msg::kUsingIndex, buffers.cachePath, match.name.c_str());
      std::strcpy(buffers.cachePath + buffers.cacheDirLength, kIndexName);
    }
    return index;
  }
  return nullptr;
}

// Closes the cache directory whichever way the run ends.
struct CacheDirCloser {
  Buffers& buffers;
  ~CacheDirCloser() { CloseDirectory(buffers.cacheDir); }
};

// Makes the output directory (one that exists already is reported and paused
// on) and enters it. Returns kExitOk, or the exit code that ends the run: entries
// are never written where the run started instead.
int EnterOutputDir(const char* outputDir, bool* made) {
  if (!ReportIfUnconvertible(outputDir)) return kExitEscape;
  *made = MkDirAnsi(outputDir) == 0;
  if (!*made) {
    Say(msg::kCantCreateDir, outputDir);
    if (!PausePrompt()) return kExitEscape;
  }
  if (!ReportIfUnconvertible(outputDir)) return kExitEscape;
  if (ChDirAnsi(outputDir) == 0) return kExitOk;
  Say(msg::kCantChangeDir, outputDir);
  return PausePrompt() ? kExitOutputRefused : kExitEscape;
}

int ExitCodeOf(Stop stop) {
  return stop == Stop::kEscape ? kExitEscape : kExitWriteFailed;
}

}  // namespace

void AppendSeparator(char* path) {
  std::size_t length = std::strlen(path);
  if (length > 0 && path[length - 1] == kPathSeparator) return;
  path[length] = kPathSeparator;
  path[length + 1] = '\0';
}

int Run(int argc, const char* const* argv) {
  Settings settings;
  if (ParseArguments(argc, argv, settings) == ParseResult::kUsage) {
    PrintUsage();
    return kExitOk;
  }
  if (!settings.quiet) PrintBanner();
  IgnoreFileSizeLimitSignal();

  // One less than the buffer, so the separator always fits behind it.
  char startDir[kPathSize];
  if (CurrentDirectory(startDir, sizeof startDir - 1) == 0) AppendSeparator(startDir);

  auto buffers = std::make_unique<Buffers>();
  if (!PrepareCacheDir(settings, startDir, *buffers)) return kExitNoIndex;
  const char* outputDir = settings.outputDir.c_str();
  if (OutputHoldsCache(outputDir, buffers->cachePath)) {
    Say(msg::kOutputHoldsCache, outputDir);
    return kExitOutputRefused;
  }

  if (!settings.quiet) {
    Say(msg::kUsingCacheDir, buffers->cachePath);
    Say(msg::kUsingOutputDir, startDir);
  }
  // Every run waits for one key before it touches any file.
  if (!PausePrompt()) return kExitEscape;

  CacheDirCloser closer{*buffers};
  Stream* index = OpenIndex(settings, *buffers);
  if (index == nullptr) {
    Say(msg::kCantOpenIndex, buffers->cachePath);
    return kExitNoIndex;
  }
  // The first page of the index is its header; records are searched after it.
  SeekStream(index, kIndexSearchStart, kSeekStart);

  bool outputMade = false;
  int entered = EnterOutputDir(outputDir, &outputMade);
  if (entered != kExitOk) {
    CloseStream(index);
    return entered;
  }

  // The output tree is reached through handles from here on.
  StartFolders(buffers->folders, OpenDirectory("."), outputMade);
  Tally tally;
  Stop stop = ProcessEntries(settings, *buffers, index, tally);
  CloseFolders(buffers->folders);
  CloseStream(index);
  if (stop != Stop::kNone) return ExitCodeOf(stop);

  if (ChangeDirectory("..") != 0) {
    Say(msg::kCantChangeToParent);
    if (!PausePrompt()) return kExitEscape;
  }
  if (!settings.quiet) {
    Say(msg::kSummary, tally.found, tally.saved, tally.alreadySaved, tally.failed, tally.missing);
    Say(msg::kWorkCompleted);
  }
  return tally.failed == 0 ? kExitOk : kExitSomeFailed;
}
