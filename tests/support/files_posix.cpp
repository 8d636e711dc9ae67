#include "support/files.h"

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <vector>

namespace {

void RemoveTree(const std::string& path) {
  struct stat info;
  if (lstat(path.c_str(), &info) != 0) return;
  if (S_ISDIR(info.st_mode)) {
    chmod(path.c_str(), 0700);
    if (DIR* dir = opendir(path.c_str())) {
      while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") RemoveTree(path + "/" + name);
      }
      closedir(dir);
    }
    rmdir(path.c_str());
  } else {
    unlink(path.c_str());
  }
}

void Collect(const std::string& root, const std::string& relative, std::vector<std::string>& out) {
  DIR* dir = opendir((root + "/" + relative).c_str());
  if (dir == nullptr) return;
  while (dirent* entry = readdir(dir)) {
    std::string name = entry->d_name;
    if (name == "." || name == "..") continue;
    std::string path = relative.empty() ? name : relative + "/" + name;
    if (IsDirectory(root + "/" + path)) {
      out.push_back(path + "/");
      Collect(root, path, out);
    } else {
      out.push_back(path);
    }
  }
  closedir(dir);
}

}  // namespace

TempDir::TempDir() {
  const char* base = std::getenv("TMPDIR");
  std::string pattern = std::string(base != nullptr ? base : "/tmp") + "/talvex-test-XXXXXX";
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (mkdtemp(buffer.data()) != nullptr) path_ = buffer.data();
}

TempDir::~TempDir() {
  if (std::getenv("KEEP_TEST_DIRS") == nullptr && !path_.empty()) RemoveTree(path_);
}

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  file << content;
}

std::string ReadFile(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  if (!file) return "<missing>";
  std::ostringstream content;
  content << file.rdbuf();
  return content.str();
}

bool Exists(const std::string& path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0;
}

bool IsDirectory(const std::string& path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool IsRegularFile(const std::string& path) {
  struct stat info;
  return lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

void MakeDirs(const std::string& path) {
  for (size_t at = 1; at <= path.size(); ++at)
    if (at == path.size() || path[at] == '/') mkdir(path.substr(0, at).c_str(), 0777);
}

struct stat StatOf(const std::string& path) {
  struct stat info = {};
  if (lstat(path.c_str(), &info) != 0) info = {};
  return info;
}

std::string ListTree(const std::string& root) {
  std::vector<std::string> entries;
  Collect(root, "", entries);
  std::sort(entries.begin(), entries.end());
  std::string listing;
  for (const std::string& entry : entries) listing += entry + "\n";
  return listing;
}
