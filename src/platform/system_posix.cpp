#include <cstdio>
#include <cstdlib>

#include "platform/system.h"

const char kPathSeparator = '/';

// On POSIX a leading '/' is an absolute path, so only '-' starts a switch.
bool IsSwitchStart(char c) {
  return c == '-';
}

bool IsAbsolutePath(const char* path) {
  return path[0] == '/';
}

void EndProcess(int code) {
  std::fflush(nullptr);
  std::exit(code);
}
