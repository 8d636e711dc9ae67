// Where the output directory may lie: never in the cache directory, and never
// reached through a link that the cache holds, since the cache's author would
// then choose where the output goes.
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

// The path with its "." and ".." levels applied and its separators single, no
// final separator (but for a root). Only text: nothing is looked up.
std::string NormalPath(const std::string& path);
