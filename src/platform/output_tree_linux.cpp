#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "platform/output_tree.h"
#include "platform/stream_posix.h"

namespace {

int Fd(DirHandle dir) {
  return static_cast<int>(dir);
}

NodeKind KindOf(const struct stat& info) {
  if (S_ISDIR(info.st_mode)) return NodeKind::kFolder;
  if (S_ISREG(info.st_mode)) return NodeKind::kFile;
  if (S_ISLNK(info.st_mode)) return NodeKind::kLink;
  return NodeKind::kOther;
}

}  // namespace

NodeKind KindAt(DirHandle dir, const char* name) {
  struct stat info;
  if (fstatat(Fd(dir), name, &info, AT_SYMLINK_NOFOLLOW) != 0) return NodeKind::kMissing;
  return KindOf(info);
}

DirHandle OpenFolderAt(DirHandle dir, const char* name) {
  int fd = openat(Fd(dir), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  return fd >= 0 ? fd : kNoDir;
}

DirHandle OpenFolderPathAt(DirHandle dir, const char* path) {
  struct open_how how = {};
  how.flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
  how.resolve = RESOLVE_BENEATH | RESOLVE_NO_SYMLINKS | RESOLVE_NO_MAGICLINKS;
  long fd = syscall(SYS_openat2, Fd(dir), path, &how, sizeof how);
  return fd >= 0 ? static_cast<DirHandle>(fd) : kNoDir;
}

int MakeFolderAt(DirHandle dir, const char* name) {
  return mkdirat(Fd(dir), name, 0777) == 0 ? 0 : -1;
}

Stream* OpenFileAt(DirHandle dir, const char* name, NodeKind* kind) {
  NodeKind unused;
  if (kind == nullptr) kind = &unused;
  struct stat before, after;
  *kind = NodeKind::kMissing;
  if (fstatat(Fd(dir), name, &before, AT_SYMLINK_NOFOLLOW) != 0) return nullptr;
  *kind = KindOf(before);
  if (*kind != NodeKind::kFile) return nullptr;
  const int flags = O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC;
  int fd = openat(Fd(dir), name, flags | O_NOATIME);
  if (fd < 0 && errno == EPERM) fd = openat(Fd(dir), name, flags);
  if (fd < 0) return nullptr;
  // Swapped for something else between the look and the open: not ours to read.
  if (fstat(fd, &after) != 0 || !S_ISREG(after.st_mode) || after.st_ino != before.st_ino ||
      after.st_dev != before.st_dev) {
    close(fd);
    return nullptr;
  }
  return StreamOn(fd, static_cast<std::int64_t>(after.st_size));
}

Move MoveAt(DirHandle dir, const char* from, const char* to) {
  int fd = Fd(dir);
  if (renameat2(fd, from, fd, to, RENAME_NOREPLACE) != 0) {
    if (errno != EINVAL && errno != ENOSYS)
      return errno == EEXIST ? Move::kNameTaken : Move::kFailed;
    // The file system cannot rename without replacing: a hard link fails on an
    // existing name, so link + unlink never replaces either.
    if (linkat(fd, from, fd, to, 0) != 0) return errno == EEXIST ? Move::kNameTaken : Move::kFailed;
    if (unlinkat(fd, from, 0) != 0) {
      unlinkat(fd, to, 0);
      return Move::kFailed;
    }
  }
  return Move::kDone;
}
