// The fixed buffers of a run, reused for every entry. One instance lives for the
// whole run and is handed to the operations that fill or read it.
#pragma once

#include <cstddef>

#include "core/case_names.h"
#include "core/folder_cache.h"
#include "core/name_memory.h"
#include "platform/dir_handle.h"
#include "platform/system.h"

inline constexpr std::size_t kChunkSize = 32768;
// The record scanner delivers each record here; it holds the longest record.
inline constexpr std::size_t kRecordBufferSize = kChunkSize + 1;
inline constexpr std::size_t kUrlBufferSize = 8192;

struct Buffers {
  // The cache directory with its final separator in the first cacheDirLength
  // bytes, completed in place with "fat.db", then with each record's File.
  char cachePath[kPathSize] = {};
  std::size_t cacheDirLength = 0;
  // The cache directory, opened once: the index and every cached file are
  // opened beneath it. The run driver opens and closes it.
  DirHandle cacheDir = kNoDir;
  CaseNames cacheNames;  // the cache's folders as listed, for names in another case
  unsigned char record[kRecordBufferSize] = {};
  char url[kUrlBufferSize] = {};
  unsigned char chunk[kChunkSize] = {};  // the copy of a cached file passes through here
  FolderCache folders;
  NameMemory takenNames;
};
