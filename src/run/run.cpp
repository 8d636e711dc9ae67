#include "run/run.h"

#include <cstring>
#include <ctime>
#include <memory>
#include <string>

#include "core/exit_codes.h"
#include "core/messages.h"
#include "core/pause.h"
#include "core/say.h"
#include "core/settings.h"
#include "core/tally.h"
#include "extract/cache_dir.h"
#include "extract/extract_entry.h"
#include "platform/ansi_path.h"
#include "platform/beneath.h"
#include "platform/dir_handle.h"
#include "platform/output_tree.h"
#include "platform/stream.h"
#include "platform/system.h"
#include "run/command_line.h"
#include "run/entry_loop.h"
#include "run/output_place.h"
#include "run/report_output.h"
#include "run/warc_output.h"

namespace {

const std::int64_t kIndexSearchStart = 4096;

// The cache directory, made absolute against the start directory (the cached
// files are opened while the output directory is current) and ended with a
// separator, into path. Fails, with a message, when it would not leave room for
// the index name in a path buffer.
bool ResolveCacheDir(const Settings& settings, const char* startDir, std::string& path) {
  const char* dir = settings.cacheDir.c_str();
  char resolved[kPathSize];
  long length = ResolveAgainst(startDir, dir, resolved, sizeof resolved);
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
  AppendSeparator(resolved);
  path = resolved;
  return true;
}

// A name that cannot be converted for the file system is reported and paused on
// before each use, as the file-system operation then fails. Returns false on ESC.
bool ReportIfUnconvertible(const char* path) {
  char converted[kPathSize];
  if (ToAnsiPath(path, converted)) return true;
  Say(msg::kCantConvertPath, path);
  return PausePrompt();
}

// True when the output directory (resolved from the start directory, the current
// one) is the cache directory or one of the directories above it: the run would
// then write into the cache.
bool OutputHoldsCache(const char* outputDir, const char* cacheDir) {
  char cache[kPathSize];
  char output[kPathSize];
  return ToAnsiPath(cacheDir, cache) && ToAnsiPath(outputDir, output) &&
         IsSameOrAncestorDirectory(output, cache);
}

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

// Says why the output directory may not be used, if it may not.
bool RefuseOutputPlace(const Settings& settings, const char* startDir,
                       const std::string& cacheDir) {
  const char* outputDir = settings.outputDir.c_str();
  if (OutputHoldsCache(outputDir, cacheDir.c_str())) {
    Say(msg::kOutputHoldsCache, outputDir);
    return true;
  }
  return SayIfRefused(JudgeOutputPlace(startDir, outputDir, cacheDir, settings.windowsNames),
                      outputDir, msg::kOutputInsideCache, msg::kOutputThroughCacheLink);
}

// Opening ahead holds a few more files: only where the open-file limit is far
// above what a run needs besides.
OpenQuietly OpenAhead(const CacheDir& cache) {
  if (OpenHandleLimit() < kReadAheadMinHandles) return nullptr;
  return [&cache](const char* file) { return cache.OpenCachedFileQuietly(file); };
}

// Extracts every entry of the index into the current directory, the output
// directory (outputMade: the run made it). Returns why it stopped early, if it did.
Stop ExtractAll(Settings settings, CacheDir& cache, Stream* index, bool outputMade, Tally& tally,
                Recording* recording) {
  auto extraction = std::make_unique<Extraction>();
  // The output tree is reached through handles from here on.
  extraction->folders.Start(OpenDirectory("."), outputMade);
  // A FAT, exFAT or NTFS disk refuses names that the Windows rules escape.
  std::string windowsDisk = WindowsFileSystemAt(extraction->folders.root());
  if (!windowsDisk.empty() && !settings.windowsNames) {
    settings.windowsNames = true;
    if (settings.verbose) Say(msg::kWindowsFileSystem, windowsDisk.c_str());
  }
  return ProcessEntries(
      settings, index, cache.path().size(), tally,
      [&](const Entry& entry) { return ExtractEntry(settings, cache, *extraction, entry); },
      OpenAhead(cache), recording);
}

// Lists every entry of the index into the report (and the archive), writing
// nothing else.
Stop ListAll(const Settings& settings, CacheDir& cache, Stream* index, Tally& tally,
             Recording& recording) {
  auto chunk = std::make_unique<unsigned char[]>(kChunkSize);
  return ProcessEntries(
      settings, index, cache.path().size(), tally,
      [&](const Entry& entry) { return ListEntry(settings, cache, entry, chunk.get()); },
      OpenAhead(cache), &recording);
}

// The output directory, absolute and normal, where the report's page links to.
std::string AbsoluteOutputDir(const Settings& settings, const char* startDir) {
  char absolute[kPathSize];
  if (settings.list ||
      ResolveAgainst(startDir, settings.outputDir.c_str(), absolute, sizeof absolute) < 0)
    return "";
  return NormalPath(absolute);
}

const char* ReasonOf(Stop stop) {
  return stop == Stop::kEscape ? msg::kReasonEscape : msg::kReasonWriteFailed;
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
  switch (ParseArguments(argc, argv, settings)) {
    case ParseResult::kUsage:
      PrintUsage();
      return kExitOk;
    case ParseResult::kHelp:
      PrintHelp();
      return kExitOk;
    case ParseResult::kVersion:
      PrintBanner();
      return kExitOk;
    case ParseResult::kRun:
      break;
  }
  ReportOutput reportOutput;
  // A listing's standard output holds the report alone.
  if (settings.list) reportOutput.TakeStandardOutput();
  const bool announce = !settings.quiet && !settings.list;
  if (announce) PrintBanner();
  IgnoreFileSizeLimitSignal();

  // One less than the buffer, so the separator always fits behind it.
  char startDir[kPathSize];
  if (CurrentDirectory(startDir, sizeof startDir - 1) == 0) AppendSeparator(startDir);
  std::string cacheDir;
  if (!ResolveCacheDir(settings, startDir, cacheDir)) return kExitNoIndex;
  if (!settings.list && RefuseOutputPlace(settings, startDir, cacheDir)) return kExitOutputRefused;
  if (!reportOutput.Prepare(settings, startDir, cacheDir)) return kExitOutputRefused;
  WarcOutput warc;
  if (!warc.Prepare(settings, startDir, cacheDir)) return kExitOutputRefused;
  const char* outputDir = settings.outputDir.c_str();
  if (announce) {
    Say(msg::kUsingCacheDir, cacheDir.c_str());
    Say(msg::kUsingOutputDir, startDir);
  }
  // Every run that writes waits for one key before it touches any file.
  if (!settings.list && !PausePrompt()) return kExitEscape;

  CacheDir cache;
  cache.Open(cacheDir);
  Stream* index = cache.OpenIndex(settings.verbose);
  if (index == nullptr) {
    Say(msg::kCantOpenIndex, (cacheDir + kIndexName).c_str());
    return kExitNoIndex;
  }
  std::unique_ptr<Report> report;
  if (reportOutput.wanted() || settings.list) report = std::make_unique<Report>();
  std::unique_ptr<Recording> recording;
  if (report || warc.wanted()) {
    recording = std::make_unique<Recording>();
    recording->pairs = ReadLivePairs(index);
    recording->report = report.get();
  }
  // A web archive that cannot be started is said, and the rescue goes on.
  if (warc.wanted() && warc.Start(cache, index, static_cast<std::uint32_t>(std::time(nullptr))))
    recording->warc = &warc;
  // The first page of the index is its header; records are searched after it.
  SeekStream(index, kIndexSearchStart);
  bool outputMade = false;
  int entered = kExitOk;
  Tally tally;
  Stop stop = Stop::kNone;
  if (settings.list) {
    stop = ListAll(settings, cache, index, tally, *recording);
  } else {
    entered = EnterOutputDir(outputDir, &outputMade);
    if (entered == kExitOk)
      stop = ExtractAll(settings, cache, index, outputMade, tally, recording.get());
  }
  CloseStream(index);
  if (entered != kExitOk) return entered;
  // The report and the archive cover the entries taken, also when the run
  // stopped early.
  bool reported = true;
  if (report) {
    if (stop != Stop::kNone) report->CutShort(ReasonOf(stop));
    report->Finish();
    reported = reportOutput.Write(*report, AbsoluteOutputDir(settings, startDir));
  }
  bool archived = !warc.wanted() || warc.Finish();
  if (stop != Stop::kNone) return ExitCodeOf(stop);
  if (tally.found == 0) Say(msg::kNoRecordFound);

  if (!settings.list && ChangeDirectory("..") != 0) {
    Say(msg::kCantChangeToParent);
    if (!PausePrompt()) return kExitEscape;
  }
  if (announce) {
    Say(msg::kSummary, tally.found, tally.saved, tally.alreadySaved, tally.failed, tally.missing);
    if (report && reported)
      Say(msg::kReportWritten, static_cast<unsigned long>(report->rows().size()),
          settings.reportFile.c_str());
    if (warc.wanted() && archived)
      Say(msg::kWarcWritten, warc.archived(), settings.warcFile.c_str());
    Say(msg::kWorkCompleted);
  }
  if (!reported || !archived) return kExitWriteFailed;
  return tally.failed == 0 ? kExitOk : kExitSomeFailed;
}
