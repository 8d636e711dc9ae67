#include <fcntl.h>
#include <linux/openat2.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <initializer_list>

#include "platform/output_tree.h"
#include "platform/stream_posix.h"

namespace {

// ':' is escaped in every name the URL mapping yields, so no entry can own this.
const char kPartialName[] = ":talvex-partial";

// The partial file being written, shared with the signal handler.
volatile sig_atomic_t g_partialDir = -1;
bool g_handlersInstalled = false;

int Fd(DirHandle dir) {
  return static_cast<int>(dir);
}

void RemovePartialAndReraise(int signalNumber) {
  if (g_partialDir >= 0) unlinkat(g_partialDir, kPartialName, 0);
  signal(signalNumber, SIG_DFL);
  raise(signalNumber);
}

void InstallHandlers() {
  if (g_handlersInstalled) return;
  g_handlersInstalled = true;
  struct sigaction action = {};
  action.sa_handler = RemovePartialAndReraise;
  sigemptyset(&action.sa_mask);
  for (int signalNumber : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) {
    struct sigaction old = {};
    // A signal the caller chose to ignore stays ignored.
    if (sigaction(signalNumber, nullptr, &old) == 0 && old.sa_handler == SIG_IGN) continue;
    sigaction(signalNumber, &action, nullptr);
  }
}

NodeKind KindOf(const struct stat& info) {
  if (S_ISDIR(info.st_mode)) return NodeKind::kFolder;
  if (S_ISREG(info.st_mode)) return NodeKind::kFile;
  if (S_ISLNK(info.st_mode)) return NodeKind::kLink;
  return NodeKind::kOther;
}

bool IsDiskWide(int error) {
  return error == ENOSPC || error == EDQUOT || error == EROFS || error == EIO;
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

int MoveAt(DirHandle dir, const char* from, const char* to) {
  int fd = Fd(dir);
  if (renameat2(fd, from, fd, to, RENAME_NOREPLACE) == 0) return 0;
  if (errno != EINVAL && errno != ENOSYS) return -1;
  // The file system cannot rename without replacing: a hard link fails on an
  // existing name, so link + unlink never replaces either.
  if (linkat(fd, from, fd, to, 0) != 0) return -1;
  if (unlinkat(fd, from, 0) != 0) {
    unlinkat(fd, to, 0);
    return -1;
  }
  return 0;
}

Stream* CreatePartialAt(DirHandle dir, CreateFailure* why) {
  InstallHandlers();
  const int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC;
  int fd = openat(Fd(dir), kPartialName, flags, 0666);
  // Left by a run that was killed outright: it was never anybody's file.
  if (fd < 0 && errno == EEXIST && unlinkat(Fd(dir), kPartialName, 0) == 0)
    fd = openat(Fd(dir), kPartialName, flags, 0666);
  if (fd < 0) {
    *why = IsDiskWide(errno) ? CreateFailure::kDiskWide : CreateFailure::kThisName;
    return nullptr;
  }
  g_partialDir = Fd(dir);
  Stream* stream = StreamOn(fd, -1);
  if (stream == nullptr) {
    DropPartial(nullptr);
    *why = CreateFailure::kThisName;
    return nullptr;
  }
  *why = CreateFailure::kNone;
  return stream;
}

void DropPartial(Stream* stream) {
  if (stream != nullptr) CloseStream(stream);
  if (g_partialDir >= 0) unlinkat(g_partialDir, kPartialName, 0);
  g_partialDir = -1;
}

int SetPartialTimes(Stream* stream, std::uint32_t accessTime, std::uint32_t modificationTime) {
  struct timespec times[2] = {};
  times[0].tv_sec = static_cast<time_t>(accessTime);
  times[1].tv_sec = static_cast<time_t>(modificationTime);
  return futimens(stream->fd, times) == 0 ? 0 : -1;
}

int NamePartial(const char* name) {
  if (MoveAt(g_partialDir, kPartialName, name) == 0) {
    g_partialDir = -1;
    return 0;
  }
  if (errno == EEXIST) return -1;
  DropPartial(nullptr);
  return -2;
}
