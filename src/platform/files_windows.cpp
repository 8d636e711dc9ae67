#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "platform/files.h"
#include "platform/open_at_windows.h"
#include "platform/stream_windows.h"
#include "platform/wide_text.h"

namespace {

// Reading leaves the access time alone (it is evidence, or a time the run itself
// set) where the file may have its attributes written; elsewhere it is read all
// the same.
Stream* OpenForReading(const wchar_t* path) {
  const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
  HANDLE handle = CreateFileW(path, GENERIC_READ | FILE_WRITE_ATTRIBUTES, share, nullptr,
                              OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (handle == INVALID_HANDLE_VALUE)
    handle = CreateFileW(path, GENERIC_READ, share, nullptr, OPEN_EXISTING,
                         FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  return ReadingStreamOnDiskFile(handle);
}

// Never empties or follows anything that already holds the name.
Stream* CreateForWriting(const wchar_t* path) {
  HANDLE handle = CreateFileW(path, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return nullptr;
  if (!IsDiskFile(handle)) {
    CloseHandle(handle);
    return nullptr;
  }
  return StreamFrom(handle, _O_WRONLY, "wb");
}

}  // namespace

Stream* OpenStream(const char* path, const char* mode) {
  std::wstring wide = LongPathFrom(path);
  if (wide.empty()) return nullptr;
  if (std::strcmp(mode, "rb") == 0) return OpenForReading(wide.c_str());
  if (std::strcmp(mode, "wb") == 0) return CreateForWriting(wide.c_str());
  return nullptr;
}

int MakeDirectory(const char* path) {
  std::wstring wide = LongPathFrom(path);
  return !wide.empty() && CreateDirectoryW(wide.c_str(), nullptr) ? 0 : -1;
}

// The current directory cannot take the "\\?\" form: the path is given as it is.
int ChangeDirectory(const char* path) {
  std::wstring wide = WideFrom(path, CodePage::kAnsi);
  return !wide.empty() && SetCurrentDirectoryW(wide.c_str()) ? 0 : -1;
}

// Asked in UTF-16 and given in the console's character set, like every path the
// program holds: the ANSI call's text would be converted from OEM a second time.
int CurrentDirectory(char* buffer, std::size_t size) {
  wchar_t wide[32768];
  DWORD length = GetCurrentDirectoryW(32768, wide);
  std::string text = length > 0 && length < 32768 ? NarrowFrom(wide, CodePage::kOem) : "";
  if (!text.empty() && text.size() < size) {
    std::memcpy(buffer, text.c_str(), text.size() + 1);
    return 0;
  }
  if (size > 0) buffer[0] = '\0';
  return -1;
}

int MoveFileNoReplace(const char* from, const char* to) {
  std::wstring wideFrom = LongPathFrom(from);
  std::wstring wideTo = LongPathFrom(to);
  if (wideFrom.empty() || wideTo.empty()) return -1;
  return MoveFileExW(wideFrom.c_str(), wideTo.c_str(), 0) ? 0 : -1;
}

int SetFileTimes(const char* path, std::uint32_t accessTime, std::uint32_t modificationTime) {
  std::wstring wide = LongPathFrom(path);
  if (wide.empty()) return -1;
  HANDLE handle = CreateFileW(
      wide.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return -1;
  FILETIME access = FileTimeOf(accessTime);
  FILETIME write = FileTimeOf(modificationTime);
  bool set = SetFileTime(handle, nullptr, &access, &write) != FALSE;
  CloseHandle(handle);
  return set ? 0 : -1;
}

// The console's OEM text to the ANSI text of the file system. Both are single
// characters per byte, so the length stays.
bool ConvertPathForFileSystem(const char* path, char* out, std::size_t size) {
  std::size_t length = std::strlen(path);
  if (length >= size) {
    out[0] = '\0';
    return false;
  }
  OemToCharBuffA(path, out, static_cast<DWORD>(length + 1));
  return true;
}
