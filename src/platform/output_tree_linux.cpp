#include <fcntl.h>
#include <linux/magic.h>
#include <linux/openat2.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/statfs.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/output_tree.h"
#include "platform/stream_posix.h"

namespace {

int Fd(DirHandle dir) {
  return static_cast<int>(dir);
}

bool IsDiskWide(int error) {
  return error == ENOSPC || error == EDQUOT || error == EROFS || error == EIO;
}

Move MoveFailure(int error) {
  if (error == EEXIST || error == ENOTEMPTY) return Move::kNameTaken;
  return IsDiskWide(error) ? Move::kDiskWide : Move::kFailed;
}

// Takes the folder's lock, waiting up to a few seconds for another run that
// holds it to give it back. Returns false when it could not be had.
bool LockFolder(int fd) {
  const struct timespec pause = {0, 10 * 1000 * 1000};
  for (int tries = 0; tries < 500; ++tries) {
    if (flock(fd, LOCK_EX | LOCK_NB) == 0) return true;
    if (errno != EWOULDBLOCK && errno != EINTR) return false;
    nanosleep(&pause, nullptr);
  }
  return false;
}

// For file systems that can neither rename without replacing nor link (FAT and
// exFAT through FUSE): the name is looked at and given while the folder is
// locked, so that no other run gives it meanwhile. Some of these drivers give a
// renamed file the time of the renaming: its times are set again.
Move MoveLocked(int fd, const char* from, const char* to) {
  int lock = openat(fd, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (lock < 0) return MoveFailure(errno);
  Move moved = Move::kFailed;
  struct stat source, target;
  if (LockFolder(lock) && fstatat(fd, from, &source, AT_SYMLINK_NOFOLLOW) == 0) {
    if (fstatat(fd, to, &target, AT_SYMLINK_NOFOLLOW) == 0) {
      moved = Move::kNameTaken;
    } else if (errno == ENOENT) {
      moved = renameat(fd, from, fd, to) == 0 ? Move::kDone : MoveFailure(errno);
    }
  }
  if (moved == Move::kDone && !S_ISLNK(source.st_mode)) {
    const struct timespec times[2] = {source.st_atim, source.st_mtim};
    utimensat(fd, to, times, AT_SYMLINK_NOFOLLOW);
  }
  close(lock);
  return moved;
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

CreateFailure MakeFolderAt(DirHandle dir, const char* name) {
  if (mkdirat(Fd(dir), name, 0777) == 0) return CreateFailure::kNone;
  int error = errno;
  // A read-only disk may refuse even a folder that exists: that one is no failure.
  if (error == EROFS && KindAt(dir, name) != NodeKind::kMissing) return CreateFailure::kThisName;
  if (error == EMFILE || error == ENFILE) return CreateFailure::kNoHandles;
  return IsDiskWide(error) ? CreateFailure::kDiskWide : CreateFailure::kThisName;
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
  if (renameat2(fd, from, fd, to, RENAME_NOREPLACE) == 0) return Move::kDone;
  if (errno != EINVAL && errno != ENOSYS) return MoveFailure(errno);
  // The file system cannot rename without replacing: a hard link fails on an
  // existing name, so link + unlink never replaces either.
  if (linkat(fd, from, fd, to, 0) != 0) {
    if (errno == EPERM || errno == EOPNOTSUPP || errno == EMLINK) return MoveLocked(fd, from, to);
    return MoveFailure(errno);
  }
  if (unlinkat(fd, from, 0) != 0) {
    int error = errno;
    unlinkat(fd, to, 0);
    return MoveFailure(error);
  }
  return Move::kDone;
}

namespace {

// The type of the mount that holds the device dev, from the mount table
// ("fuseblk", "fuse.exfat"...); empty when it is not found.
std::string MountTypeOf(dev_t dev) {
  std::ifstream table("/proc/self/mountinfo");
  std::string line;
  char wanted[32];
  std::snprintf(wanted, sizeof wanted, "%u:%u", major(dev), minor(dev));
  while (std::getline(table, line)) {
    // id parent major:minor root point options [optional...] - type source ...
    std::istringstream fields(line);
    std::string id, parent, device, field;
    fields >> id >> parent >> device;
    if (device != wanted) continue;
    while (fields >> field && field != "-") {
    }
    std::string type;
    fields >> type;
    return type;
  }
  return "";
}

}  // namespace

std::string WindowsFileSystemAt(DirHandle dir) {
  struct statfs fs;
  if (fstatfs(Fd(dir), &fs) != 0) return "";
  switch (static_cast<unsigned long>(fs.f_type)) {
    case MSDOS_SUPER_MAGIC:
      return "vfat";
    case EXFAT_SUPER_MAGIC:
      return "exfat";
    case 0x7366746eUL:  // ntfs3
      return "ntfs3";
    case 0x5346544eUL:  // ntfs
      return "ntfs";
    case FUSE_SUPER_MAGIC:
      break;
    default:
      return "";
  }
  // A FUSE driver: the mount table tells which one.
  struct stat info;
  if (fstat(Fd(dir), &info) != 0) return "";
  std::string type = MountTypeOf(info.st_dev);
  bool windows = type == "fuseblk" || type.find("fat") != std::string::npos ||
                 type.find("ntfs") != std::string::npos;
  return windows ? type : "";
}
