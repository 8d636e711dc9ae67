#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/files.h"
#include "platform/regular_file_posix.h"
#include "platform/stream_posix.h"

namespace {

int ReopenPath(int flags, const void* path) {
  return open(static_cast<const char*>(path), flags);
}

// Only a regular file is opened: its type is checked on an O_PATH descriptor,
// which opens nothing, so a FIFO or device is never opened, not even briefly.
// Reading leaves the access time alone where the system lets us.
Stream* OpenForReading(const char* path) {
  int pathFd = open(path, O_PATH | O_CLOEXEC);
  if (pathFd < 0) return nullptr;
  ReadRefusal refusal;
  return ReadRegularFile(pathFd, ReopenPath, path, refusal);
}

// Never empties or follows anything that already holds the name.
Stream* CreateForWriting(const char* path) {
  int fd = open(path, O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC, 0666);
  if (fd < 0) return nullptr;
  return StreamOn(fd, -1);
}

}  // namespace

Stream* OpenStream(const char* path, const char* mode) {
  if (std::strcmp(mode, "rb") == 0) return OpenForReading(path);
  if (std::strcmp(mode, "wb") == 0) return CreateForWriting(path);
  return nullptr;
}

int MakeDirectory(const char* path) {
  return mkdir(path, 0777) == 0 ? 0 : -1;
}

int ChangeDirectory(const char* path) {
  return chdir(path) == 0 ? 0 : -1;
}

int CurrentDirectory(char* buffer, std::size_t size) {
  if (getcwd(buffer, size) != nullptr) return 0;
  if (size > 0) buffer[0] = '\0';
  return -1;
}

int MoveFileNoReplace(const char* from, const char* to) {
  if (renameat2(AT_FDCWD, from, AT_FDCWD, to, RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return -1;
  // The file system cannot rename without replacing: a hard link fails on an
  // existing name, so link + unlink never replaces either.
  if (link(from, to) != 0) return -1;
  if (unlink(from) != 0) {
    unlink(to);
    return -1;
  }
  return 0;
}

int SetFileTimes(const char* path, std::uint32_t accessTime, std::uint32_t modificationTime) {
  struct timespec times[2] = {};
  times[0].tv_sec = static_cast<time_t>(accessTime);
  times[1].tv_sec = static_cast<time_t>(modificationTime);
  return utimensat(AT_FDCWD, path, times, AT_SYMLINK_NOFOLLOW) == 0 ? 0 : -1;
}

// Console and file system share the locale's character set: the path is copied.
bool ConvertPathForFileSystem(const char* path, char* out, std::size_t size) {
  std::size_t length = std::strlen(path);
  if (length >= size) {
    out[0] = '\0';
    return false;
  }
  std::memcpy(out, path, length + 1);
  return true;
}
