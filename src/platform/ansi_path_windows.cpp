#include <windows.h>

#include <cstring>
#include <string>

#include "platform/ansi_path.h"
#include "platform/wide_text.h"

// The console's OEM text to the ANSI text of the file system. Both are single
// characters per byte, so the length stays.
bool ToAnsiPath(const char* path, char (&out)[kPathSize]) {
  std::size_t length = std::strlen(path);
  if (length >= sizeof out) {
    out[0] = '\0';
    return false;
  }
  OemToCharBuffA(path, out, static_cast<DWORD>(length + 1));
  return true;
}

int MkDirAnsi(const char* path) {
  char converted[kPathSize];
  if (!ToAnsiPath(path, converted)) return -1;
  std::wstring wide = LongPathFrom(converted);
  return !wide.empty() && CreateDirectoryW(wide.c_str(), nullptr) ? 0 : -1;
}

int ChDirAnsi(const char* path) {
  char converted[kPathSize];
  return ToAnsiPath(path, converted) ? ChangeDirectory(converted) : -1;
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
