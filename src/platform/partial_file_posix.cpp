#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <initializer_list>

#include "platform/partial_file.h"
#include "platform/stream_posix.h"

// ':' is escaped in every name the URL mapping yields, so no entry can own this.
const char PartialFile::kName[] = ":talvex-partial";

namespace {

// The folder of the partial file that exists, for the signal handler.
volatile sig_atomic_t g_partialDir = -1;

void RemovePartialAndReraise(int signalNumber) {
  if (g_partialDir >= 0) unlinkat(g_partialDir, PartialFile::kName, 0);
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

bool IsDiskWide(int error) {
  return error == ENOSPC || error == EDQUOT || error == EROFS || error == EIO;
}

}  // namespace

CreateFailure PartialFile::Create(DirHandle folder) {
  InstallHandlers();
  const int dir = static_cast<int>(folder);
  const int flags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC;
  int fd = openat(dir, PartialFile::kName, flags, 0666);
  // Left by a run that was killed outright: it was never anybody's file.
  if (fd < 0 && errno == EEXIST && unlinkat(dir, PartialFile::kName, 0) == 0)
    fd = openat(dir, PartialFile::kName, flags, 0666);
  if (fd < 0) return IsDiskWide(errno) ? CreateFailure::kDiskWide : CreateFailure::kThisName;
  folder_ = folder;
  g_partialDir = dir;
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

void PartialFile::Drop() {
  if (folder_ == kNoDir) return;
  Close();
  unlinkat(static_cast<int>(folder_), PartialFile::kName, 0);
  Release();
}

void PartialFile::Release() {
  folder_ = kNoDir;
  g_partialDir = -1;
}
