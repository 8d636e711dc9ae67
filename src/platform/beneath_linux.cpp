#include <dirent.h>
#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <string>
#include <vector>

#include "platform/beneath.h"
#include "platform/proc_self_fd_linux.h"
#include "platform/regular_file_linux.h"
#include "platform/stream_posix.h"
#include "platform/system.h"

namespace {

const int kReadFlags = O_RDONLY | O_NOCTTY | O_CLOEXEC;

// How many directories IsSameOrAncestorDirectory climbs at most.
const int kMaxLevelsUp = 1 << 16;

bool SameFile(const struct stat& a, const struct stat& b) {
  return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// Opens through open(flags) with O_NOATIME where permitted: only the file's
// owner or a privileged process may ask for it.
template <typename Open>
int OpenNoAtime(Open openWith, int flags) {
  int fd = openWith(kReadFlags | flags | O_NOATIME);
  if (fd < 0 && errno == EPERM) fd = openWith(kReadFlags | flags);
  return fd;
}

// Fills info with what pathFd refers to. Closes pathFd and returns false unless
// it is a regular file.
bool CheckRegular(int pathFd, struct stat& info, ReadRefusal& refusal) {
  if (fstat(pathFd, &info) != 0) {
    refusal = ReadRefusal::kCannotOpen;
  } else if (S_ISLNK(info.st_mode)) {
    refusal = ReadRefusal::kSymbolicLink;
  } else if (!S_ISREG(info.st_mode)) {
    refusal = ReadRefusal::kNotRegular;
  } else {
    return true;
  }
  close(pathFd);
  return false;
}

// Takes fd (or -1) only when it is open on the regular file expected, without
// O_NONBLOCK; closes it otherwise. A descriptor reopened by name is checked
// (it could have been swapped meanwhile, and was opened without blocking); one
// reopened through its /proc magic link is that very file, opened as asked.
Stream* StreamOnExpected(int fd, const struct stat& expected, bool byName, ReadRefusal& refusal) {
  refusal = ReadRefusal::kCannotOpen;
  if (fd < 0) return nullptr;
  if (byName) {
    struct stat info;
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || !SameFile(info, expected)) {
      close(fd);
      return nullptr;
    }
    int status = fcntl(fd, F_GETFL);
    if (status >= 0) fcntl(fd, F_SETFL, status & ~O_NONBLOCK);
  }
  Stream* stream = StreamOn(fd, static_cast<std::int64_t>(expected.st_size));
  if (stream != nullptr) refusal = ReadRefusal::kNone;
  return stream;
}

// A name beneath a directory descriptor, to open again where /proc is missing.
struct NameBeneath {
  int dir;
  const char* name;
};

// Set once openat2 turned out to be missing (ENOSYS) or filtered out (EPERM);
// every later name is then walked.
std::atomic<bool> g_openat2Missing{false};

long Openat2Beneath(int dir, const char* name, int flags) {
  struct open_how how = {};
  how.flags = static_cast<unsigned long long>(flags);
  how.resolve = RESOLVE_BENEATH | RESOLVE_NO_MAGICLINKS;
  long fd = -1;
  // EAGAIN: a rename elsewhere raced the ".." check; the kernel asks to retry.
  for (int attempt = 0; attempt < 16; ++attempt) {
    fd = syscall(SYS_openat2, dir, name, &how, sizeof how);
    if (fd >= 0 || errno != EAGAIN) break;
  }
  return fd;
}

int ReopenBeneath(int flags, const void* context) {
  const auto* at = static_cast<const NameBeneath*>(context);
  return static_cast<int>(Openat2Beneath(at->dir, at->name, flags));
}

// A name of one level that is neither "." nor "..".
bool IsPlainName(const char* name) {
  return name[0] != '\0' && std::strchr(name, '/') == nullptr && std::strcmp(name, ".") != 0 &&
         std::strcmp(name, "..") != 0;
}

int ReopenLevel(int flags, const void* context) {
  const auto* at = static_cast<const NameBeneath*>(context);
  return openat(at->dir, at->name, flags | O_NOFOLLOW);
}

// Resolving a name level by level from a directory, following nothing. When it
// succeeds, fd is the O_PATH descriptor of the last level (handed to the
// caller), parent the folder holding it and last its name.
class Walk {
 public:
  explicit Walk(int dir) : dir_(dir), parent_(dir) {}
  ~Walk() {
    if (parent_ != dir_) close(parent_);
  }
  Walk(const Walk&) = delete;
  Walk& operator=(const Walk&) = delete;

  bool Resolve(const char* name, ReadRefusal& refusal) {
    refusal = ReadRefusal::kCannotOpen;
    if (name[0] == '/') {
      refusal = ReadRefusal::kOutside;
      return false;
    }
    std::size_t length = std::strlen(name);
    if (length == 0 || length >= sizeof levels_) return false;
    std::memcpy(levels_, name, length + 1);
    int current = dir_;
    for (char* level = levels_; level != nullptr;) {
      char* slash = std::strchr(level, '/');
      if (slash != nullptr) *slash = '\0';
      if (*level != '\0' && std::strcmp(level, ".") != 0) {
        // A level below must be a folder (a trailing separator included).
        int next = OpenLevel(current, level, slash != nullptr, refusal);
        if (next < 0) {
          if (current != dir_) close(current);
          return false;
        }
        if (parent_ != dir_) close(parent_);
        parent_ = current;
        current = next;
        last_ = level;
      }
      level = slash != nullptr ? slash + 1 : nullptr;
    }
    // Only "." levels: the directory itself, which is no regular file.
    fd = current != dir_ ? current : openat(dir_, ".", O_PATH | O_CLOEXEC);
    return fd >= 0;
  }

  int fd = -1;
  int parent() const { return parent_; }
  const char* last() const { return last_; }

 private:
  static int OpenLevel(int at, const char* level, bool folder, ReadRefusal& refusal) {
    if (std::strcmp(level, "..") == 0) {
      refusal = ReadRefusal::kOutside;
      return -1;
    }
    int next = openat(at, level, O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (next < 0) return -1;
    struct stat info;
    bool usable = fstat(next, &info) == 0;
    if (usable && S_ISLNK(info.st_mode)) {
      refusal = ReadRefusal::kSymbolicLink;
      usable = false;
    } else if (usable && folder && !S_ISDIR(info.st_mode)) {
      usable = false;
    }
    if (!usable) {
      close(next);
      return -1;
    }
    return next;
  }

  int dir_;
  int parent_;
  const char* last_ = ".";
  char levels_[kPathSize];
};

}  // namespace

Stream* ReadRegularFile(int pathFd, ReopenByName reopen, const void* context,
                        ReadRefusal& refusal) {
  struct stat info;
  if (!CheckRegular(pathFd, info, refusal)) return nullptr;
  // The magic link reaches the very file pathFd holds, so nothing else is opened.
  const int procFd = ProcSelfFd();
  char entry[12];
  DescriptorName(pathFd, entry);
  int fd =
      procFd < 0 ? -1 : OpenNoAtime([&](int flags) { return openat(procFd, entry, flags); }, 0);
  if (procFd < 0 || (fd < 0 && (errno == ENOENT || errno == ENOTDIR))) {  // no /proc mounted
    return ReadRegularFileByName(pathFd, reopen, context, refusal);
  }
  close(pathFd);
  return StreamOnExpected(fd, info, false, refusal);
}

Stream* ReadRegularFileByName(int pathFd, ReopenByName reopen, const void* context,
                              ReadRefusal& refusal) {
  struct stat info;
  if (!CheckRegular(pathFd, info, refusal)) return nullptr;
  // Not blocking, should the name have become a FIFO since it was checked.
  int fd = OpenNoAtime([&](int flags) { return reopen(flags, context); }, O_NONBLOCK);
  close(pathFd);
  return StreamOnExpected(fd, info, true, refusal);
}

Stream* OpenForReadingBeneath(DirHandle dir, const char* name, ReadRefusal& refusal,
                              BeneathResolution resolution) {
  refusal = ReadRefusal::kCannotOpen;
  if (dir == kNoDir || name == nullptr) return nullptr;
  const int dirFd = static_cast<int>(dir);
  if (resolution == BeneathResolution::kBest && IsPlainName(name)) {
    // A name of one level cannot lead out unless it is a link; a link is
    // resolved below as any name is.
    int pathFd = openat(dirFd, name, O_PATH | O_NOFOLLOW | O_CLOEXEC);
    if (pathFd < 0) return nullptr;
    NameBeneath again = {dirFd, name};
    Stream* stream = ReadRegularFile(pathFd, ReopenLevel, &again, refusal);
    if (refusal != ReadRefusal::kSymbolicLink) return stream;
    refusal = ReadRefusal::kCannotOpen;
  }
  if (resolution == BeneathResolution::kBest && !g_openat2Missing) {
    long pathFd = Openat2Beneath(dirFd, name, O_PATH | O_CLOEXEC);
    if (pathFd >= 0) {
      NameBeneath again = {dirFd, name};
      return ReadRegularFile(static_cast<int>(pathFd), ReopenBeneath, &again, refusal);
    }
    if (errno != ENOSYS && errno != EPERM) {
      // EXDEV: an absolute name, a ".." level or a link that leads out.
      if (errno == EXDEV) refusal = ReadRefusal::kOutside;
      return nullptr;
    }
    g_openat2Missing = true;
  }
  Walk walk(dirFd);
  if (!walk.Resolve(name, refusal)) return nullptr;
  NameBeneath again = {walk.parent(), walk.last()};
  return ReadRegularFile(walk.fd, ReopenLevel, &again, refusal);
}

namespace {

// The folder at folder beneath dir, opened for listing, following nothing that
// leads out; -1 when it cannot be.
int OpenFolderBeneath(int dir, const char* folder) {
  const int flags = O_RDONLY | O_DIRECTORY | O_CLOEXEC;
  if (folder[0] == '\0') return openat(dir, ".", flags);
  if (!g_openat2Missing) {
    long fd = Openat2Beneath(dir, folder, flags);
    if (fd >= 0 || (errno != ENOSYS && errno != EPERM)) return static_cast<int>(fd);
    g_openat2Missing = true;
  }
  // Level by level: no absolute name, no "..", no link.
  if (folder[0] == '/') return -1;
  int at = openat(dir, ".", flags);
  for (const char* level = folder; at >= 0 && *level != '\0';) {
    const char* end = std::strchr(level, '/');
    std::string name(level,
                     end != nullptr ? static_cast<std::size_t>(end - level) : std::strlen(level));
    level += name.size() + (end != nullptr ? 1 : 0);
    if (name.empty() || name == ".") continue;
    int next = name == ".." ? -1 : openat(at, name.c_str(), flags | O_NOFOLLOW);
    close(at);
    at = next;
  }
  return at;
}

}  // namespace

bool ListFolderBeneath(DirHandle dir, const char* folder, std::vector<std::string>& names) {
  if (dir == kNoDir) return false;
  int fd = OpenFolderBeneath(static_cast<int>(dir), folder);
  if (fd < 0) return false;
  // Reading the entries would set the folder's access time: O_NOATIME keeps it
  // where permitted (the owner or a privileged process); else it lists as is.
  int status = fcntl(fd, F_GETFL);
  if (status >= 0) fcntl(fd, F_SETFL, status | O_NOATIME);
  DIR* listing = fdopendir(fd);
  if (listing == nullptr) {
    close(fd);
    return false;
  }
  while (dirent* entry = readdir(listing)) {
    if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0)
      names.emplace_back(entry->d_name);
  }
  closedir(listing);
  return true;
}

bool IsSameOrAncestorDirectory(const char* outer, const char* inner) {
  if (outer == nullptr || inner == nullptr) return false;
  struct stat target;
  if (stat(outer, &target) != 0 || !S_ISDIR(target.st_mode)) return false;
  int fd = open(inner, O_PATH | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return false;
  bool found = false;
  for (int level = 0; level < kMaxLevelsUp; ++level) {
    struct stat here;
    if (fstat(fd, &here) != 0) break;
    if (SameFile(here, target)) {
      found = true;
      break;
    }
    int up = openat(fd, "..", O_PATH | O_DIRECTORY | O_CLOEXEC);
    if (up < 0) break;
    close(fd);
    fd = up;
    struct stat above;
    // The root is its own "..".
    if (fstat(fd, &above) != 0 || SameFile(above, here)) break;
  }
  close(fd);
  return found;
}
