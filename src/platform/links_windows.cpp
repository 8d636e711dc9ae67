#include <windows.h>

#include "platform/links.h"
#include "platform/wide_text.h"

// Any reparse point counts: a symbolic link, a junction or a mount point can
// each lead elsewhere. The attributes are those of the name itself.
bool IsSymbolicLink(const char* path) {
  if (path == nullptr) return false;
  std::wstring wide = LongPathFrom(path);
  DWORD attributes = wide.empty() ? INVALID_FILE_ATTRIBUTES : GetFileAttributesW(wide.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}
