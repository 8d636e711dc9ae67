#include <fcntl.h>

#include <cstdio>

#include "platform/proc_self_fd_linux.h"

int ProcSelfFd() {
  // Opened once: each use is then a one-level lookup instead of a walk of /proc.
  static const int fd = open("/proc/self/fd", O_PATH | O_DIRECTORY | O_CLOEXEC);
  return fd;
}

void DescriptorName(int fd, char (&name)[12]) {
  std::snprintf(name, sizeof name, "%d", fd);
}
