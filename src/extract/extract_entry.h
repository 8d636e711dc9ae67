// Saving one cache entry into the output tree.
#pragma once

#include <cstdint>
#include <string>

#include "core/settings.h"
#include "core/tally.h"
#include "extract/cache_dir.h"
#include "extract/copy_bytes.h"
#include "extract/folder_cache.h"
#include "extract/name_memory.h"

// What a report says of an entry beyond its outcome.
struct EntryFacts {
  long long size = -1;     // of the cached file; -1 when it could not be opened
  std::string sha256;      // of the cached file's bytes, "" when they could not all be read
  std::string savedPath;   // where its content is now, relative to the output dir, '/'
                           // between levels; "" when nowhere
  std::string movedAside;  // a file that was moved aside to movedAside + "_" to make
                           // room for one of its folders ('/' between levels)
};

// One entry of the cache index.
struct Entry {
  const char* file;  // the cached file, relative to the cache directory
  const char* url;
  std::uint32_t modificationTime;
  std::uint32_t lastAccessTime;
  Stream* opened = nullptr;     // the cached file when opened ahead; ExtractEntry closes it
  EntryFacts* facts = nullptr;  // filled in when given: the run reports its entries
  const char* sha256 = "";      // of the cached file opened ahead, when it was read whole
};

// What the extraction keeps from one entry to the next: the output folders kept
// open, what it learned of the names it found taken, and the buffer a copy
// passes through. Large: allocate it once per run.
struct Extraction {
  FolderCache folders;
  NameMemory takenNames;
  unsigned char chunk[kChunkSize];
};

// Saves one cache entry: copies its cached file into the output tree under the
// path that its URL gives, with the entry's times. The copy is written to a
// partial file and named only when whole, so a name never holds half a file.
// Problems with the entry are reported and the entry skipped. Returns what
// became of the entry, with Stop::kEscape when ESC was pressed at a pause and
// Stop::kWriteFailed after a failed write or a creation that every entry would
// fail alike (full disk, read-only file system; reported with the URL).
EntryResult ExtractEntry(const Settings& settings, CacheDir& cache, Extraction& extraction,
                         const Entry& entry);

// Lists one entry without writing anything: opens its cached file and reads it
// whole for entry.facts (size and SHA-256, through chunk, kChunkSize bytes).
// Returns kListed, also when the file cannot be opened (its size is then -1).
EntryResult ListEntry(const Settings& settings, CacheDir& cache, const Entry& entry,
                      unsigned char* chunk);
