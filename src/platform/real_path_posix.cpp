#include <sys/stat.h>
#include <unistd.h>

#include <deque>

#include "platform/real_path.h"

namespace {

// As many links as the system follows in one path.
const int kMostLinks = 40;

// Puts the levels of path in front of pending, in order.
void PushLevels(const std::string& path, std::deque<std::string>& pending) {
  std::deque<std::string> levels;
  std::size_t start = 0;
  while (start <= path.size()) {
    std::size_t slash = path.find('/', start);
    if (slash == std::string::npos) slash = path.size();
    if (slash > start) levels.push_back(path.substr(start, slash - start));
    start = slash + 1;
  }
  pending.insert(pending.begin(), levels.begin(), levels.end());
}

void DropLastLevel(std::string& path) {
  std::size_t slash = path.rfind('/');
  path.erase(slash == std::string::npos ? 0 : slash);
}

}  // namespace

bool ResolveFollowingLinks(const char* path, std::string& real, std::vector<std::string>& links) {
  std::deque<std::string> pending;
  PushLevels(path, pending);
  real.clear();  // "" is the root
  bool exists = true;
  int followed = 0;
  while (!pending.empty()) {
    std::string level = pending.front();
    pending.pop_front();
    if (level == ".") continue;
    if (level == "..") {
      DropLastLevel(real);
      continue;
    }
    std::string next = real + "/" + level;
    struct stat info;
    exists = exists && lstat(next.c_str(), &info) == 0;
    if (exists && S_ISLNK(info.st_mode)) {
      if (++followed > kMostLinks) return false;
      std::string target(static_cast<std::size_t>(info.st_size) + 256, '\0');
      ssize_t length = readlink(next.c_str(), &target[0], target.size());
      if (length < 0 || static_cast<std::size_t>(length) >= target.size()) return false;
      target.resize(static_cast<std::size_t>(length));
      links.push_back(next);
      if (!target.empty() && target[0] == '/') real.clear();
      PushLevels(target, pending);
      continue;
    }
    real = next;
  }
  if (real.empty()) real = "/";
  return true;
}
