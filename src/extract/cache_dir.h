// The browser's cache directory, the source of every rescued file: the index and
// every cached file are opened beneath it, never outside it.
#pragma once

#include <string>
#include <unordered_map>
#include <utility>

#include "core/settings.h"
#include "platform/dir_handle.h"
#include "platform/stream.h"

// The name under which the browser kept the index on Windows.
inline constexpr char kIndexName[] = "fat.db";

class CacheDir {
 public:
  CacheDir() = default;
  ~CacheDir() { CloseDirectory(handle_); }
  CacheDir(const CacheDir&) = delete;
  CacheDir& operator=(const CacheDir&) = delete;

  // Opens the cache directory at path, which ends in a separator. When it cannot
  // be opened, every later open fails.
  void Open(const std::string& path);

  // The cache directory's path with its final separator, as messages show it.
  const std::string& path() const { return path_; }

  // Opens the index: fat.db; where there is none, fat.db in another letter case
  // (a cache copied off a FAT volume), then the Unix browsers' index.db in any
  // case, naming the one taken when verbose. Returns nullptr when none opens.
  Stream* OpenIndex(bool verbose);

  // The name of the index that OpenIndex opened.
  const std::string& indexName() const { return indexName_; }

  // Opens for reading the cached file that the index names file, relative to the
  // cache directory. Only a regular file inside it is opened: an absolute name, a
  // ".." level or a symbolic link leading out, a FIFO, a device or a folder are
  // refused like a missing file. A name that is missing is looked for in another
  // letter case, and taken when exactly one name in its folder matches. Returns
  // the stream, or nullptr, with why said when verbose ("Can't open for read file");
  // *noHandles is set, and nothing said, when it failed for want of a free handle.
  Stream* OpenCachedFile(const Settings& settings, const char* file, bool* noHandles);

  // Opens the cached file as OpenCachedFile does, but only under the name as
  // given, saying nothing; safe from another thread. Returns nullptr whatever
  // the reason.
  Stream* OpenCachedFileQuietly(const char* file) const;

 private:
  struct CaseMatch {
    std::string name;  // the first name that matches, in byte order; "" when none
    int count = 0;     // how many names match
  };
  // The names in the folder at folder ("" for the cache directory) equal to name
  // when ASCII letters are compared without regard to case.
  CaseMatch MatchIgnoringCase(const std::string& folder, const std::string& name);

  std::string path_;
  std::string indexName_ = kIndexName;
  DirHandle handle_ = kNoDir;
  // Each folder listed at most once per run: folder -> (name in lower case ->
  // (the first such name in byte order, how many)).
  std::unordered_map<std::string, std::unordered_map<std::string, std::pair<std::string, int>>>
      names_;
};
