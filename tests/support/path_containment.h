// Checks that what BuildOutputPath yields and creates stays inside the output
// directory. Header only, so the fuzzer uses the same checks as the tests.
#pragma once

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstring>
#include <string>

#include "extract/output_path.h"
#include "run/settings.h"

// Checks the returned path, relative to the current directory (the output
// directory). Returns "" when the path is non-empty, within the length bound,
// relative, free of "." and ".." levels, and none of its levels that exist is a
// symbolic link: such a path cannot name anything outside. Else what is wrong.
inline std::string PathProblem(const char* path, std::size_t length) {
  if (length != std::strlen(path)) return "returned length differs from the text";
  if (length == 0) return "empty path";
  if (length > kMaxBaseNameLength) return "path longer than the base name bound";
  if (path[0] == '/') return "absolute path";
  std::string text(path, length);
  for (std::size_t start = 0; start <= text.size();) {
    std::size_t stop = text.find('/', start);
    if (stop == std::string::npos) stop = text.size();
    std::string level = text.substr(start, stop - start);
    if (level == "." || level == "..") return "level '" + level + "' in '" + text + "'";
    std::string prefix = text.substr(0, stop);
    struct stat info;
    if (!level.empty() && lstat(prefix.c_str(), &info) == 0 && S_ISLNK(info.st_mode))
      return "'" + prefix + "' is a symbolic link";
    start = stop + 1;
  }
  return "";
}

// Returns "" when the directory open at fd holds no symbolic link at any depth,
// else the first one found, named from root. Works by names relative to each
// folder, so deep trees beyond the system's path length are walked too.
inline std::string LinkBelow(int fd, const std::string& root) {
  int listFd = dup(fd);
  DIR* dir = listFd >= 0 ? fdopendir(listFd) : nullptr;
  if (dir == nullptr) return "";
  std::string found;
  while (dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    struct stat info;
    if (fstatat(fd, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
    if (S_ISLNK(info.st_mode)) found = root + "/" + name;
    if (S_ISDIR(info.st_mode)) {
      int child = openat(fd, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (child >= 0) {
        found = LinkBelow(child, root + "/" + name);
        close(child);
      }
    }
    if (!found.empty()) break;
  }
  closedir(dir);
  return found;
}

// The program never makes links, so one in its output would be a link it was
// tricked into following. Returns "" or the first link below root.
inline std::string LinkInTree(const std::string& root) {
  int fd = open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return "";
  std::string found = LinkBelow(fd, root);
  close(fd);
  return found;
}

// The names in a directory (not recursive), in directory order, "/"-joined.
inline std::string NamesIn(const std::string& dirPath) {
  std::string names;
  DIR* dir = opendir(dirPath.c_str());
  if (dir == nullptr) return names;
  while (dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    names += names.empty() ? name : "/" + name;
  }
  closedir(dir);
  return names;
}

// The input format of the output path fuzzer and of its corpus: the first byte
// holds the flags (bit 0 skip known prefixes, bit 1 no non-ASCII names, bit 2
// verbose), the rest is the URL up to the first zero byte.
inline Settings SettingsFromFuzzFlags(unsigned char flags) {
  Settings settings;
  settings.skipKnownPrefixes = flags & 1;
  settings.noNonAsciiNames = (flags >> 1) & 1;
  settings.verbose = (flags >> 2) & 1;
  return settings;
}
