#include <fcntl.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

#include "platform/dir_handle.h"

DirHandle OpenDirectory(const char* path) {
  if (path == nullptr) return kNoDir;
  // O_DIRECTORY refuses anything else before it is opened.
  int fd = open(path, O_RDONLY | O_DIRECTORY | O_NOCTTY | O_CLOEXEC);
  // A directory that may be searched but not listed still serves as a handle.
  if (fd < 0 && errno == EACCES) fd = open(path, O_PATH | O_DIRECTORY | O_CLOEXEC);
  return fd < 0 ? kNoDir : static_cast<DirHandle>(fd);
}

void CloseDirectory(DirHandle dir) {
  if (dir != kNoDir) close(static_cast<int>(dir));
}

void CloseDirectories(std::vector<DirHandle>& dirs) {
  // Folders opened one after another hold neighbouring numbers: each run of
  // them goes in one call (Linux 5.9 on; one by one before).
  std::sort(dirs.begin(), dirs.end());
  for (std::size_t first = 0, last = 0; first < dirs.size(); first = last + 1) {
    for (last = first; last + 1 < dirs.size() && dirs[last + 1] == dirs[last] + 1;) ++last;
    if (last == first || syscall(SYS_close_range, static_cast<unsigned>(dirs[first]),
                                 static_cast<unsigned>(dirs[last]), 0u) != 0) {
      for (std::size_t i = first; i <= last; ++i) close(static_cast<int>(dirs[i]));
    }
  }
}

bool HandlesLeft() {
  // Two: opening a file for reading holds its O_PATH descriptor meanwhile.
  int first = open("/", O_PATH | O_CLOEXEC);
  int second = first >= 0 ? open("/", O_PATH | O_CLOEXEC) : -1;
  bool left = second >= 0 || (errno != EMFILE && errno != ENFILE);
  if (second >= 0) close(second);
  if (first >= 0) close(first);
  return left;
}
