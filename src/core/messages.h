// Every text the program can print, in one place. Format directives are
// printf's; each comment says when the text is printed.
#pragma once

#include "talvex_version.h"  // generated into the build tree

namespace msg {

// Banner and usage (standard output).
inline constexpr const char* kBanner =
    "\n"
    "  TALVEX: rescues the documents of a NetScape disk cache\n"
    "  Version " TALVEX_VERSION
    " (Linux and Windows console)\n"
    "\n";
inline constexpr const char* kUsage =
    "  Usage: TALVEX [switches] CacheDir\n"
    "  switches:\n"
    "    -n        disable non-ASCII chars (>0x7f) in filenames (default enable)\n"
    "    -oOutDir  set output DIR (default is \"TALVEX.OUT\")\n"
    "    -p        skip known URL prefixes\n"
    "    -q        quiet mode output\n"
    "    -v        verbose output\n"
    "\n";

// Run driver.
inline constexpr const char* kUsingCacheDir = "Using NetScape Cache dir: \"%s\"\n";
inline constexpr const char* kUsingOutputDir = "Using output dir: \"%s\"\n";
inline constexpr const char* kCantOpenIndex = "Can't open for read file: '%s'\n";
// Verbose, when the index has another name than fat.db.
inline constexpr const char* kUsingIndex = "Using cache index file: '%s%s'\n";
inline constexpr const char* kCantCreateDir = "ERROR: can't create DIR '%s' - skipping.\n";
inline constexpr const char* kCantChangeDir = "ERROR: can't change DIR '%s' - skipping.\n";
inline constexpr const char* kCantChangeToParent = "ERROR: can't change DIR '..'\n";
inline constexpr const char* kWorkCompleted = "\nTALVEX: work completed.\n";
inline constexpr const char* kCacheDirTooLong =
    "ERROR: cache dir path is too long (%lu bytes, at most %lu): '%s'\n";
inline constexpr const char* kCantResolveCacheDir =
    "ERROR: can't find the current directory to resolve cache dir '%s'\n";
// Before the first pause: writing there could change the cache.
inline constexpr const char* kOutputHoldsCache =
    "ERROR: output dir '%s' is the cache dir or contains it - refusing to change the cache.\n";

// Pause: the prompt and the blanking go to standard error.
inline constexpr const char* kPausePrompt = "press any key to continue, ESC to exit...";
inline constexpr const char* kPauseBlank = "\r                                         \r";
inline constexpr const char* kExitingByEscape = "\n*** Exiting by ESCAPE ***\n";

// Path conversion.
inline constexpr const char* kCantConvertPath = "Can't CharToOem(path_string): '%s'\n";

// Entry loop, verbose listing.
inline constexpr const char* kEntrySeparator =
    "%4ld =======================================================================\n";
inline constexpr const char* kEntryType = "Type=0x%lX, ";
inline constexpr const char* kEntryFile = "File=%s\n";
inline constexpr const char* kEntryTypeUrl = "TypeURL=0x%lX, ";
inline constexpr const char* kEntryLenUrl = "LenURL=0x%lX\n";
inline constexpr const char* kEntryUrl = "URL=%s\n";
inline constexpr const char* kCachedPathTooLong = "Cached file path too long - skip: '%s'\n";

// URL to output path.
inline constexpr const char* kUnknownPrefix = " Unknown URL prifix: '%s'\n";
inline constexpr const char* kRenamingChar = " Renaming char: '%c' to '%%%02x' in '%s'\n";

// Folder creation.
inline constexpr const char* kRenamingFileForFolder =
    "Warning: to mk_dir('%s') renaming existent file to *_ and mk_dir.\n";

// Saving an entry.
inline constexpr const char* kCantOpenCached = "Can't open for read file: '%s' - skip\n";
inline constexpr const char* kCachedOutside =
    "Can't open for read file: '%s' - it leads outside the cache dir, skip\n";
inline constexpr const char* kCachedLink =
    "Can't open for read file: '%s' - a symbolic link, not followed here, skip\n";
inline constexpr const char* kCachedNotRegular =
    "Can't open for read file: '%s' - not a regular file, skip\n";
inline constexpr const char* kUrlLine = "URL=%s\n";
inline constexpr const char* kSameAsSaved = " File '%s' is the same as saved.\n";
inline constexpr const char* kAlreadyExists = "Already exist file: '%s'\n";
inline constexpr const char* kSavingAs = "      => saving as: '%s'\n";
inline constexpr const char* kCantCreateFile = "Can't create file: '%s' - skip\n";
inline constexpr const char* kTimes = "ModificationTime=0x%X, LastAccessTime=0x%X\n";
inline constexpr const char* kErrorWriting = "Error writing file: %s (may be disk full)\n";
inline constexpr const char* kAlternativeSuffix = ".Over%04lX";
inline constexpr const char* kAsideSuffix = "_";
inline constexpr const char* kShortRead =
    "Can't read %lu bytes of the cached file for %s - saved with zeros in their place\n";

// End of the run, unless quiet.
inline constexpr const char* kSummary =
    "Records found: %lu, saved: %lu, already saved: %lu, failed: %lu, cached file missing: %lu\n";

}  // namespace msg
