#include <sys/stat.h>

#include "platform/links.h"

bool IsSymbolicLink(const char* path) {
  struct stat info;
  return path != nullptr && lstat(path, &info) == 0 && S_ISLNK(info.st_mode);
}
