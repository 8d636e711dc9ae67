#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "platform/ansi_path.h"

// Console and file system share the locale's character set: the path is copied.
bool ToAnsiPath(const char* path, char (&out)[kPathSize]) {
  std::size_t length = std::strlen(path);
  if (length >= sizeof out) {
    out[0] = '\0';
    return false;
  }
  std::memcpy(out, path, length + 1);
  return true;
}

int MkDirAnsi(const char* path) {
  char converted[kPathSize];
  return ToAnsiPath(path, converted) && mkdir(converted, 0777) == 0 ? 0 : -1;
}

int ChDirAnsi(const char* path) {
  char converted[kPathSize];
  return ToAnsiPath(path, converted) ? ChangeDirectory(converted) : -1;
}

int ChangeDirectory(const char* path) {
  return chdir(path) == 0 ? 0 : -1;
}

int CurrentDirectory(char* buffer, std::size_t size) {
  if (getcwd(buffer, size) != nullptr) return 0;
  if (size > 0) buffer[0] = '\0';
  return -1;
}
