#include <sched.h>
#include <signal.h>
#include <sys/resource.h>

#include <cstring>

#include "platform/superscript.h"
#include "platform/system.h"

const char kPathSeparator = '/';
const bool kWindowsNameRules = false;
const bool kConsoleHasC1Controls = true;

// On POSIX a leading '/' is an absolute path, so only '-' starts a switch.
bool IsSwitchStart(char c) {
  return c == '-';
}

// A path is absolute exactly when it starts with '/'; anything else is joined
// to the start directory as it stands.
long ResolveAgainst(const char* startDir, const char* path, char* out, std::size_t size) {
  std::size_t prefix = 0;
  if (path[0] != '/') {
    if (startDir[0] == '\0') return -1;
    prefix = std::strlen(startDir);
  }
  std::size_t length = prefix + std::strlen(path);
  if (length < size) {
    std::memcpy(out, startDir, prefix);
    std::memcpy(out + prefix, path, length - prefix + 1);
  }
  return static_cast<long>(length);
}

void IgnoreFileSizeLimitSignal() {
  signal(SIGXFSZ, SIG_IGN);
}

std::size_t OpenHandleLimit() {
  struct rlimit limit;
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return 1024;
  if (limit.rlim_cur == RLIM_INFINITY) return std::size_t{1} << 20;
  return static_cast<std::size_t>(limit.rlim_cur);
}

std::size_t ProcessorsAvailable() {
  cpu_set_t set;
  if (sched_getaffinity(0, sizeof set, &set) != 0) return 1;
  int count = CPU_COUNT(&set);
  return count > 1 ? static_cast<std::size_t>(count) : 1;
}

void RaiseOpenHandleLimit(std::size_t wanted) {
  struct rlimit limit;
  if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY ||
      limit.rlim_cur >= wanted)
    return;
  limit.rlim_cur = limit.rlim_max == RLIM_INFINITY || limit.rlim_max > wanted
                       ? static_cast<rlim_t>(wanted)
                       : limit.rlim_max;
  setrlimit(RLIMIT_NOFILE, &limit);
}

ArgumentList ProgramArguments(int argc, const char* const* argv) {
  return {argc, argv};
}

char SuperscriptDigitByte(int digit) {
  const char kLatin1[] = {'\xb9', '\xb2', '\xb3'};
  return digit >= 1 && digit <= 3 ? kLatin1[digit - 1] : '\0';
}
