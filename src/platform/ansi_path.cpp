#include "platform/ansi_path.h"

#include <cstring>

#include "platform/system.h"

namespace {
char g_conversion[kPathSize];
}

const char* ToAnsiPath(const char* path) {
  if (!ConvertPathForFileSystem(path, g_conversion, sizeof g_conversion)) return nullptr;
  return g_conversion;
}

int MkDirAnsi(const char* path) {
  const char* converted = ToAnsiPath(path);
  return converted != nullptr ? MakeDirectory(converted) : -1;
}

int ChDirAnsi(const char* path) {
  const char* converted = ToAnsiPath(path);
  return converted != nullptr ? ChangeDirectory(converted) : -1;
}

Stream* FOpenAnsi(const char* path, const char* mode) {
  const char* converted = ToAnsiPath(path);
  return converted != nullptr ? OpenStream(converted, mode) : nullptr;
}

int MoveFileAnsi(const char* from, const char* to) {
  // One conversion buffer: keep the first name before converting the second.
  const char* converted = ToAnsiPath(from);
  if (converted == nullptr) return -1;
  char convertedFrom[kPathSize];
  std::memcpy(convertedFrom, converted, sizeof convertedFrom);
  converted = ToAnsiPath(to);
  return converted != nullptr ? MoveFileNoReplace(convertedFrom, converted) : -1;
}

int SetFileTimesAnsi(const char* path, std::uint32_t accessTime, std::uint32_t modificationTime) {
  const char* converted = ToAnsiPath(path);
  return converted != nullptr ? SetFileTimes(converted, accessTime, modificationTime) : -1;
}
