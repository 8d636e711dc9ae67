// Where the output directory (and a report) may lie: never in the cache
// directory, and never reached through a link that the cache holds, since the
// cache's author would then choose where the output goes. And how a report's
// page reaches the output directory.
#pragma once

#include <string>

enum class OutputPlace {
  kFine,
  kInsideCache,       // the cache directory itself or a folder in it
  kThroughCacheLink,  // reached through a symbolic link that lies in the cache
};

// Judges the output directory outputDir (as given; made absolute against
// startDir, the start directory with its final separator) against the cache
// directory cacheDir (absolute): by the paths as they stand, and by where the
// system really leads each. ignoreCase: the file system does not tell letter
// cases apart.
OutputPlace JudgeOutputPlace(const char* startDir, const char* outputDir,
                             const std::string& cacheDir, bool ignoreCase);

// Says why path may not be used, with the message for the place JudgeOutputPlace
// gave: insideCache or throughLink. Returns false, saying nothing, for kFine.
bool SayIfRefused(OutputPlace place, const char* path, const char* insideCache,
                  const char* throughLink);

// The path with its "." and ".." levels applied and its separators single, no
// final separator (but for a root). Only text: nothing is looked up.
std::string NormalPath(const std::string& path);

// The folder to as a URL relative to the folder from, ending in '/': both
// absolute and normal (NormalPath). A file URL when they share no root.
std::string RelativeLink(const std::string& from, const std::string& to);
