#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <initializer_list>

#include "platform/partial_file.h"
#include "platform/proc_self_fd_linux.h"
#include "platform/stream_posix.h"

// A file made without a name (O_TMPFILE) is seen by no other run and needs no
// mark; it gets its name by a link through /proc/self/fd, which never replaces.
// Where that cannot be, a run marks its named partial file as its own by holding
// an exclusive lock on it (flock), from its creation until it is named or
// removed. The lock goes with the process, so a file whose lock can be taken was
// left by a run that ended.

namespace {

// The named partial files that exist, for the signal handler.
struct LivePartial {
  volatile sig_atomic_t dir = -1;
  const char* volatile name = nullptr;
};
LivePartial g_live[kLivePartials];

void RemovePartialAndReraise(int signalNumber) {
  for (const LivePartial& live : g_live)
    if (live.dir >= 0 && live.name != nullptr) unlinkat(live.dir, live.name, 0);
  signal(signalNumber, SIG_DFL);
  raise(signalNumber);
}

void InstallHandlers() {
  static bool installed = false;
  if (installed) return;
  installed = true;
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

CreateFailure FailureOf(int error) {
  switch (error) {
    case ENOSPC:
    case EDQUOT:
    case EROFS:
    case EIO:
      return CreateFailure::kDiskWide;
    case EMFILE:
    case ENFILE:
      return CreateFailure::kNoHandles;
    default:
      return CreateFailure::kThisName;
  }
}

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Removes the partial file at name in dir when the run that wrote it has ended:
// only a regular file, only when its lock can be taken, and only the very file
// that was locked. Returns true when the name is free now.
bool TakeOverLeftover(int dir, const char* name) {
  struct stat before, after;
  if (fstatat(dir, name, &before, AT_SYMLINK_NOFOLLOW) != 0) return errno == ENOENT;
  if (!S_ISREG(before.st_mode)) return false;
  int fd = openat(dir, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return false;
  bool removed = false;
  if (fstat(fd, &after) == 0 && SameFile(before, after) && flock(fd, LOCK_EX | LOCK_NB) == 0 &&
      fstatat(dir, name, &before, AT_SYMLINK_NOFOLLOW) == 0 && SameFile(before, after))
    removed = unlinkat(dir, name, 0) == 0;
  close(fd);
  return removed;
}

// Creates name in dir and locks it. Returns the descriptor, or -1 with errno set;
// EEXIST when the name is taken, also by a file removed between create and lock.
int CreateLocked(int dir, const char* name) {
  const int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC;
  int fd = openat(dir, name, flags, 0666);
  if (fd < 0) return -1;
  struct stat info;
  // Another run that found it before the lock removes it: start again.
  if (flock(fd, LOCK_EX | LOCK_NB) != 0 || fstat(fd, &info) != 0 || info.st_nlink == 0) {
    close(fd);
    errno = EEXIST;
    return -1;
  }
  return fd;
}

// Whether O_TMPFILE failed because the file system (or the kernel) cannot make
// a file without a name, rather than for a reason a named file would meet too.
bool CannotBeUnnamed(int error) {
  return error == EOPNOTSUPP || error == EISDIR || error == ENOENT || error == EINVAL;
}

}  // namespace

CreateFailure PartialFile::Create(DirHandle folder, bool windowsNames, bool unnamedFirst) {
  const int dir = static_cast<int>(folder);
  if (unnamedFirst && ProcSelfFd() >= 0) {
    int fd = openat(dir, ".", O_TMPFILE | O_WRONLY | O_NOCTTY | O_CLOEXEC, 0666);
    if (fd >= 0) {
      folder_ = folder;
      unnamed_ = true;
      name_[0] = '\0';
      stream_ = StreamOn(fd, -1);
      if (stream_ != nullptr) return CreateFailure::kNone;
      Release();
      return CreateFailure::kThisName;
    }
    if (!CannotBeUnnamed(errno)) return FailureOf(errno);
  }
  InstallHandlers();
  int fd = -1;
  for (unsigned slot = 0; slot < kPartialSlots && fd < 0; ++slot) {
    PartialSlotName(windowsNames, slot, name_);
    fd = CreateLocked(dir, name_);
    if (fd >= 0) break;
    if (errno != EEXIST) return FailureOf(errno);
    // Taken: by a live run (the next slot then), or left by one that ended.
    if (TakeOverLeftover(dir, name_)) {
      fd = CreateLocked(dir, name_);
      if (fd < 0 && errno != EEXIST) return FailureOf(errno);
    }
  }
  if (fd < 0) return CreateFailure::kThisName;
  hold_ = dup(fd);
  if (hold_ < 0) {
    int error = errno;
    unlinkat(dir, name_, 0);
    close(fd);
    return FailureOf(error);
  }
  folder_ = folder;
  for (live_ = 0; live_ < kLivePartials && g_live[live_].dir >= 0;) ++live_;
  if (live_ < kLivePartials) {
    g_live[live_].name = name_;
    g_live[live_].dir = dir;
  }
  stream_ = StreamOn(fd, -1);
  if (stream_ != nullptr) return CreateFailure::kNone;
  Drop();
  return CreateFailure::kThisName;
}

int PartialFile::SetTimes(std::uint32_t accessTime, std::uint32_t modificationTime) {
  struct timespec times[2] = {};
  times[0].tv_sec = static_cast<time_t>(accessTime);
  times[1].tv_sec = static_cast<time_t>(modificationTime);
  return stream_ != nullptr && futimens(stream_->fd, times) == 0 ? 0 : -1;
}

Move PartialFile::MoveTo(const char* name) {
  if (!unnamed_) return MoveAt(folder_, name_, name);
  if (stream_ == nullptr) return Move::kFailed;
  char entry[12];
  DescriptorName(stream_->fd, entry);
  const int dir = static_cast<int>(folder_);
  if (linkat(ProcSelfFd(), entry, dir, name, AT_SYMLINK_FOLLOW) != 0) {
    if (errno == EEXIST) return Move::kNameTaken;
    return FailureOf(errno) == CreateFailure::kDiskWide ? Move::kDiskWide : Move::kFailed;
  }
  // The last bytes may reach the disk only at the close: a failure reported there
  // takes the name back, and ends the run as a failed write does.
  int closed = CloseStream(stream_);
  stream_ = nullptr;
  if (closed == 0) return Move::kDone;
  unlinkat(dir, name, 0);
  return Move::kDiskWide;
}

void PartialFile::Drop() {
  if (folder_ == kNoDir) return;
  if (unnamed_) {
    CloseStream(stream_);  // the file goes with its last descriptor
    stream_ = nullptr;
  } else {
    Close();
    unlinkat(static_cast<int>(folder_), name_, 0);
  }
  Release();
}

void PartialFile::Release() {
  if (live_ >= 0 && live_ < kLivePartials) g_live[live_].dir = -1;
  live_ = -1;
  folder_ = kNoDir;
  unnamed_ = false;
  if (hold_ >= 0) close(static_cast<int>(hold_));
  hold_ = -1;
}
