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
  // Two: opening a file for reading holds its O_PATH descriptor meanwhile.
  int first = open("/", O_PATH | O_CLOEXEC);
  int second = first >= 0 ? open("/", O_PATH | O_CLOEXEC) : -1;
  bool left = second >= 0 || (errno != EMFILE && errno != ENFILE);
  if (second >= 0) close(second);
  if (first >= 0) close(first);
  return left;
}
