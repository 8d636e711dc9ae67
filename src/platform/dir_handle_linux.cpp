#include <fcntl.h>
#include <unistd.h>

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

bool HandlesLeft() {
  int fd = open("/", O_PATH | O_CLOEXEC);
  if (fd >= 0) close(fd);
  return fd >= 0 || (errno != EMFILE && errno != ENFILE);
}
