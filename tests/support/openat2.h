// Whether this system resolves names beneath a directory with openat2: where it
// does not (old kernels, seccomp filters), talvex walks names level by level and
// follows no symbolic link at all.
#pragma once

#include <fcntl.h>
#include <linux/openat2.h>
#include <sys/syscall.h>
#include <unistd.h>

inline bool HasOpenat2() {
  struct open_how how = {};
  how.flags = O_PATH | O_CLOEXEC;
  how.resolve = RESOLVE_BENEATH;
  long fd = syscall(SYS_openat2, AT_FDCWD, ".", &how, sizeof how);
  if (fd >= 0) close(static_cast<int>(fd));
  return fd >= 0;
}
