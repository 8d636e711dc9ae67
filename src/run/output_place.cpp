#include "run/output_place.h"

#include <vector>

#include "core/ascii.h"
#include "core/say.h"
#include "core/text_escape.h"
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

std::vector<std::string> LevelsOf(const std::string& path) {
  std::vector<std::string> levels;
  std::string level;
  for (char c : path) {
    if (!IsSeparator(c)) {
      level += c;
    } else if (!level.empty()) {
      levels.push_back(level);
      level.clear();
    }
  }
  if (!level.empty()) levels.push_back(level);
  return levels;
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

std::string RelativeLink(const std::string& from, const std::string& to) {
  std::vector<std::string> fromLevels = LevelsOf(from);
  std::vector<std::string> toLevels = LevelsOf(to);
  std::size_t common = 0;
  while (common < fromLevels.size() && common < toLevels.size() &&
         fromLevels[common] == toLevels[common])
    ++common;
  std::string link;
  if (common == 0 && !to.empty() && !IsSeparator(to[0])) {
    link = "file:///";  // paths that begin with different drives share no root
  } else {
    for (std::size_t i = common; i < fromLevels.size(); ++i) link += "../";
  }
  for (std::size_t i = common; i < toLevels.size(); ++i) link += UrlPath(toLevels[i]) + "/";
  return link.empty() ? "./" : link;
}

bool SayIfRefused(OutputPlace place, const char* path, const char* insideCache,
                  const char* throughLink) {
  if (place == OutputPlace::kFine) return false;
  Say(place == OutputPlace::kInsideCache ? insideCache : throughLink, path);
  return true;
}
