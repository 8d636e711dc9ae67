// Every text the program can print, in one place. Format directives are
// printf's; each comment says when the text is printed.
#pragma once

#include "talvex_version.h"  // generated into the build tree

namespace msg {

// Banner and usage (standard output).
inline constexpr char kBanner[] =
    "\n"
    "  TALVEX: rescues the documents of a NetScape disk cache\n"
    "  Version " TALVEX_VERSION
    " (Linux and Windows console)\n"
    "\n";
// The software field of a web archive's warcinfo record.
inline constexpr char kWarcSoftware[] = "TALVEX " TALVEX_VERSION;
inline constexpr char kUsage[] =
    "  Usage: TALVEX [switches] CacheDir\n"
    "  switches:\n"
    "    -n        disable non-ASCII chars (>0x7f) in filenames (default enable)\n"
    "    -oOutDir  set output DIR (default is \"TALVEX.OUT\")\n"
    "    -p        skip known URL prefixes\n"
    "    -q        quiet mode output\n"
    "    -v        verbose output\n"
    "\n";
// After the usage, for --help.
inline constexpr char kLongOptions[] =
    "  long options:\n"
    "    --list         list the records found and write no output tree; the\n"
    "                   report goes to standard output as CSV unless --report\n"
    "                   names a file\n"
    "    --report=FILE  write a report of every record found to FILE: .csv,\n"
    "                   .jsonl or .html (a page to browse the rescue)\n"
    "    --warc=FILE    write the cached files as a web archive to FILE: .warc,\n"
    "                   or .warc.gz (compressed), for replay tools\n"
    "    --version      show the version\n"
    "    --help         show this help\n"
    "\n";

// Run driver.
inline constexpr char kUsingCacheDir[] = "Using NetScape Cache dir: \"%s\"\n";
inline constexpr char kUsingOutputDir[] = "Using output dir: \"%s\"\n";
inline constexpr char kCantOpenIndex[] = "Can't open for read file: '%s'\n";
// Verbose, when the index has another name than fat.db.
inline constexpr char kUsingIndex[] = "Using cache index file: '%s%s'\n";
inline constexpr char kCantCreateDir[] = "ERROR: can't create DIR '%s' - skipping.\n";
inline constexpr char kCantChangeDir[] = "ERROR: can't change DIR '%s' - skipping.\n";
inline constexpr char kCantChangeToParent[] = "ERROR: can't change DIR '..'\n";
inline constexpr char kWorkCompleted[] = "\nTALVEX: work completed.\n";
inline constexpr char kCacheDirTooLong[] =
    "ERROR: cache dir path is too long (%lu bytes, at most %lu): '%s'\n";
inline constexpr char kCantResolveCacheDir[] =
    "ERROR: can't find the current directory to resolve cache dir '%s'\n";
// Before the first pause: writing there could change the cache.
inline constexpr char kOutputHoldsCache[] =
    "ERROR: output dir '%s' is the cache dir or contains it - refusing to change the cache.\n";
inline constexpr char kOutputInsideCache[] =
    "ERROR: output dir '%s' lies inside the cache dir - refusing to change the cache.\n";
inline constexpr char kOutputThroughCacheLink[] =
    "ERROR: output dir '%s' is reached through a symbolic link inside the cache dir - refusing "
    "to let the cache choose where output goes.\n";
// Before the first pause: the report file must be one the run can write whole.
inline constexpr char kReportFormatUnknown[] =
    "ERROR: report file '%s' must end in .csv, .jsonl or .html - refusing to guess its "
    "format.\n";
inline constexpr char kReportExists[] =
    "ERROR: report file '%s' exists already - refusing to overwrite it.\n";
inline constexpr char kReportInsideCache[] =
    "ERROR: report file '%s' lies inside the cache dir - refusing to change the cache.\n";
inline constexpr char kReportThroughCacheLink[] =
    "ERROR: report file '%s' is reached through a symbolic link inside the cache dir - "
    "refusing to let the cache choose where output goes.\n";
inline constexpr char kReportFolderMissing[] = "ERROR: can't open the folder of report file '%s'\n";
// At the end of the run, also after ESC or a failed write.
inline constexpr char kCantWriteReport[] = "ERROR: can't write report file '%s'\n";
// Before the first pause, and at the end: the same for the web archive.
inline constexpr char kWarcFormatUnknown[] =
    "ERROR: WARC file '%s' must end in .warc or .warc.gz - refusing to guess its format.\n";
inline constexpr char kWarcExists[] =
    "ERROR: WARC file '%s' exists already - refusing to overwrite it.\n";
inline constexpr char kWarcInsideCache[] =
    "ERROR: WARC file '%s' lies inside the cache dir - refusing to change the cache.\n";
inline constexpr char kWarcThroughCacheLink[] =
    "ERROR: WARC file '%s' is reached through a symbolic link inside the cache dir - "
    "refusing to let the cache choose where output goes.\n";
inline constexpr char kWarcFolderMissing[] = "ERROR: can't open the folder of WARC file '%s'\n";
inline constexpr char kCantWriteWarc[] = "ERROR: can't write WARC file '%s'\n";
inline constexpr char kWarcWritten[] = "Web archive of %lu cached files written to '%s'\n";
// Verbose: a cached file that could not be archived whole.
inline constexpr char kCantArchive[] = "Can't archive cached file, skipping: '%s'\n";
inline constexpr char kReportWritten[] = "Report of %lu records written to '%s'\n";
// Verbose, once: the output lies on a disk with the Windows naming rules.
inline constexpr char kWindowsFileSystem[] =
    "Output dir is on a %s file system: names follow the Windows rules.\n";

// Pause: the prompt and, on a terminal, the blanking go to standard error;
// elsewhere the prompt ends its line.
inline constexpr char kPausePrompt[] = "press any key to continue, ESC to exit...";
inline constexpr char kPauseBlank[] = "\r                                         \r";
inline constexpr char kPauseLineEnd[] = "\n";
inline constexpr char kExitingByEscape[] = "\n*** Exiting by ESCAPE ***\n";

// Path conversion.
inline constexpr char kCantConvertPath[] = "Can't CharToOem(path_string): '%s'\n";

// Entry loop, verbose listing.
inline constexpr char kEntrySeparator[] =
    "%4ld =======================================================================\n";
inline constexpr char kEntryType[] = "Type=0x%lX, ";
inline constexpr char kEntryFile[] = "File=%s\n";
inline constexpr char kEntryTypeUrl[] = "TypeURL=0x%lX, ";
inline constexpr char kEntryLenUrl[] = "LenURL=0x%lX\n";
inline constexpr char kEntryUrl[] = "URL=%s\n";
inline constexpr char kCachedPathTooLong[] = "Cached file path too long - skip: '%s'\n";

// URL to output path.
inline constexpr char kUnknownPrefix[] = " Unknown URL prifix: '%s'\n";
inline constexpr char kRenamingChar[] = " Renaming char: '%c' to '%%%02x' in '%s'\n";

// Folder creation.
inline constexpr char kRenamingFileForFolder[] =
    "Warning: to mk_dir('%s') renaming existent file to *_ and mk_dir.\n";

// Saving an entry.
inline constexpr char kCantOpenCached[] = "Can't open for read file: '%s' - skip\n";
inline constexpr char kCachedOutside[] =
    "Can't open for read file: '%s' - it leads outside the cache dir, skip\n";
inline constexpr char kCachedLink[] =
    "Can't open for read file: '%s' - a symbolic link, not followed here, skip\n";
inline constexpr char kCachedNotRegular[] =
    "Can't open for read file: '%s' - not a regular file, skip\n";
inline constexpr char kUrlLine[] = "URL=%s\n";
inline constexpr char kSameAsSaved[] = " File '%s' is the same as saved.\n";
inline constexpr char kAlreadyExists[] = "Already exist file: '%s'\n";
inline constexpr char kSavingAs[] = "      => saving as: '%s'\n";
inline constexpr char kCantCreateFile[] = "Can't create file: '%s' - skip\n";
inline constexpr char kTimes[] = "ModificationTime=0x%X, LastAccessTime=0x%X\n";
inline constexpr char kErrorWriting[] = "Error writing file: %s (may be disk full)\n";
inline constexpr char kOutOfHandles[] =
    "ERROR: too many open files (the open-file limit is %lu) - stopping.\n";
inline constexpr char kAlternativeSuffix[] = ".Over%04lX";
inline constexpr char kAsideSuffix[] = "_";
inline constexpr char kShortRead[] =
    "Can't read %lu bytes of the cached file for %s - saved with zeros in their place\n";

// After an index in which no record was found, quiet or not.
inline constexpr char kNoRecordFound[] =
    "No entry record was found in the cache index - the file may not be a cache index.\n";

// End of the run, unless quiet.
inline constexpr char kSummary[] =
    "Records found: %lu, saved: %lu, already saved: %lu, failed: %lu, cached file missing: %lu\n";

// What the report says of each entry, and why an entry failed.
inline constexpr char kOutcomeSaved[] = "saved";
inline constexpr char kOutcomeAlreadySaved[] = "already saved";
inline constexpr char kOutcomeFailed[] = "failed";
inline constexpr char kOutcomeMissing[] = "cached file missing";
inline constexpr char kOutcomeListed[] = "listed";
inline constexpr char kOutcomeCutShort[] = "cut short";
inline constexpr char kReasonCantCreate[] = "can't create the file";
inline constexpr char kReasonWriteFailed[] = "writing failed (disk full?)";
inline constexpr char kReasonShortRead[] = "cached file unreadable in part, saved with zeros";
inline constexpr char kReasonOutOfHandles[] = "too many open files";
inline constexpr char kReasonEscape[] = "ESC pressed";
inline constexpr char kReasonPathTooLong[] = "cached file path too long";

}  // namespace msg
