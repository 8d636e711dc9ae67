#include "run/output_place.h"

#include <vector>

#include "core/ascii.h"
#include "platform/ansi_path.h"
#include "platform/real_path.h"
#include "platform/system.h"

namespace {

bool IsSeparator(char c) {
  return c == '/' || c == kPathSeparator;
}

bool SameText(const std::string& a, const std::string& b, std::size_t length, bool ignoreCase) {
  for (std::size_t i = 0; i < length; ++i) {
    char x = ignoreCase ? AsciiLower(a[i]) : a[i];
    char y = ignoreCase ? AsciiLower(b[i]) : b[i];
    if (x != y) return false;
  }
  return true;
}

// True when path is dir or lies below it; both are normal paths.
bool Within(const std::string& path, const std::string& dir, bool ignoreCase) {
  if (path.size() < dir.size() || !SameText(path, dir, dir.size(), ignoreCase)) return false;
  return path.size() == dir.size() || IsSeparator(dir.back()) || IsSeparator(path[dir.size()]);
}

}  // namespace

std::string NormalPath(const std::string& path) {
  std::size_t at = 0;
  std::string root;
  while (at < path.size() && IsSeparator(path[at])) root += path[at++];
  std::vector<std::string> levels;
  while (at < path.size()) {
    std::size_t end = at;
    while (end < path.size() && !IsSeparator(path[end])) ++end;
    std::string level = path.substr(at, end - at);
    at = end + 1;
    if (level.empty() || level == ".") continue;
    if (level == "..") {
      if (!levels.empty()) levels.pop_back();
      continue;
    }
    levels.push_back(level);
  }
  std::string normal = root;
  for (std::size_t i = 0; i < levels.size(); ++i) {
    if (i > 0) normal += kPathSeparator;
    normal += levels[i];
  }
  return normal;
}

OutputPlace JudgeOutputPlace(const char* startDir, const char* outputDir,
                             const std::string& cacheDir, bool ignoreCase) {
  char absolute[kPathSize];
  long length = ResolveAgainst(startDir, outputDir, absolute, sizeof absolute);
  // An output directory that cannot be placed cannot be entered either.
  if (length < 0 || static_cast<std::size_t>(length) >= sizeof absolute) return OutputPlace::kFine;
  std::string cache = NormalPath(cacheDir);
  if (Within(NormalPath(absolute), cache, ignoreCase)) return OutputPlace::kInsideCache;

  char output[kPathSize];
  char cacheAnsi[kPathSize];
  std::string realOutput, realCache;
  std::vector<std::string> links, cacheLinks;
  if (!ToAnsiPath(absolute, output) || !ToAnsiPath(cacheDir.c_str(), cacheAnsi) ||
      !ResolveFollowingLinks(cacheAnsi, realCache, cacheLinks) ||
      !ResolveFollowingLinks(output, realOutput, links))
    return OutputPlace::kFine;
  realCache = NormalPath(realCache);
  for (const std::string& link : links)
    if (Within(NormalPath(link), realCache, ignoreCase)) return OutputPlace::kThroughCacheLink;
  if (Within(NormalPath(realOutput), realCache, ignoreCase)) return OutputPlace::kInsideCache;
  return OutputPlace::kFine;
}
