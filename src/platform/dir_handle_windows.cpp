#include "platform/dir_handle.h"
#include "platform/open_at_windows.h"
#include "platform/wide_text.h"

// Links in the path are followed, as on any system; what is then opened
// relative to the handle is not.
DirHandle OpenDirectory(const char* path) {
  if (path == nullptr) return kNoDir;
  std::wstring wide = LongPathFrom(path);
  if (wide.empty()) return kNoDir;
  HANDLE handle =
      CreateFileW(wide.c_str(), FILE_LIST_DIRECTORY | FILE_TRAVERSE | SYNCHRONIZE, kShareAll,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return kNoDir;
  DWORD attributes = AttributesOf(handle);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
    CloseHandle(handle);
    return kNoDir;
  }
  return reinterpret_cast<DirHandle>(handle);
}

void CloseDirectory(DirHandle dir) {
  if (dir != kNoDir) CloseHandle(NativeHandle(dir));
}

void CloseDirectories(std::vector<DirHandle>& dirs) {
  for (DirHandle dir : dirs) CloseDirectory(dir);
}

// Windows has no small limit of open handles per process.
bool HandlesLeft() {
  return true;
}
