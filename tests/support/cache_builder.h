// A scratch cache directory with cached files and an index naming them, and a
// start directory to run talvex in.
#pragma once

#include <string>
#include <vector>

#include "support/files.h"
#include "support/index_builder.h"
#include "support/process.h"

struct ScratchCache {
  TempDir root;
  std::string work = root / "work";    // where talvex starts
  std::string cache = root / "cache";  // the cache directory
  std::string out = work + "/TALVEX.OUT";
  std::vector<RecordFields> records;

  ScratchCache();
  // Adds a record; writes the cached file unless content is null.
  void Add(const std::string& file, const std::string* content, const std::string& url,
           std::uint32_t modificationTime = 0, std::uint32_t lastAccessTime = 0);
  void Add(const std::string& file, const std::string& content, const std::string& url,
           std::uint32_t modificationTime = 0, std::uint32_t lastAccessTime = 0) {
    Add(file, &content, url, modificationTime, lastAccessTime);
  }
  // Writes fat.db with every record added so far.
  void WriteIndex() const;
  RunResult Run(const std::vector<std::string>& switches, RunOptions options = {}) const;
  RunOptions Options() const;
};

// Bytes that differ from position to position, so a misplaced chunk shows.
std::string Pattern(std::size_t size, unsigned seed = 1);
