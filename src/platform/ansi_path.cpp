#include "platform/ansi_path.h"

#include <cstdio>
#include <cstring>

#include "platform/system.h"
#include "run/messages.h"
#include "run/pause.h"

namespace {
char g_conversion[kPathSize];
}

const char* ToAnsiPath(const char* path) {
  if (!ConvertPathForFileSystem(path, g_conversion, sizeof g_conversion)) {
    std::printf(msg::kCantConvertPath, path);
    PausePrompt();
  }
  return g_conversion;
}

int MkDirAnsi(const char* path) {
  return MakeDirectory(ToAnsiPath(path));
}

int ChDirAnsi(const char* path) {
  return ChangeDirectory(ToAnsiPath(path));
}

Stream* FOpenAnsi(const char* path, const char* mode) {
  return OpenStream(ToAnsiPath(path), mode);
}

int MoveFileAnsi(const char* from, const char* to) {
  // One conversion buffer: keep the first name before converting the second.
  char convertedFrom[kPathSize];
  std::memcpy(convertedFrom, ToAnsiPath(from), sizeof convertedFrom);
  return MoveFileNoReplace(convertedFrom, ToAnsiPath(to));
}

int SetFileTimesAnsi(const char* path, std::uint32_t accessTime, std::uint32_t modificationTime) {
  return SetFileTimes(ToAnsiPath(path), accessTime, modificationTime);
}
