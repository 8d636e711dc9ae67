// Names in the cache written in another letter case. A cache copied off a FAT or
// NTFS volume keeps its names as stored (FAT.DB, M0A1B2C3.GIF), while the index
// may name them in another case: Windows never cared, Linux does.
#pragma once

#include <string>
#include <unordered_map>
#include <utility>

#include "platform/dir_handle.h"

// The names of the cache's folders, each folder read at most once per run:
// folder -> (name in lower case -> (the first such name in byte order, how many)).
using CaseNames =
    std::unordered_map<std::string, std::unordered_map<std::string, std::pair<std::string, int>>>;

struct CaseMatch {
  std::string name;  // the first name that matches, in byte order; "" when none
  int count = 0;     // how many names match
};

// Looks in the folder at folder (relative to the cache directory cacheDir, "" for
// the cache directory itself) for the names equal to name when ASCII letters are
// compared without regard to case.
CaseMatch MatchIgnoringCase(DirHandle cacheDir, CaseNames& names, const std::string& folder,
                            const std::string& name);
