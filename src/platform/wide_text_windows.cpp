#include <windows.h>

#include "platform/wide_text.h"

namespace {

UINT Page(CodePage codePage) {
  return codePage == CodePage::kAnsi ? CP_ACP : CP_OEMCP;
}

}  // namespace

std::wstring WideFrom(const char* text, CodePage codePage) {
  int size = MultiByteToWideChar(Page(codePage), 0, text, -1, nullptr, 0);
  if (size <= 0) return std::wstring();
  std::wstring wide(static_cast<std::size_t>(size), L'\0');
  if (MultiByteToWideChar(Page(codePage), 0, text, -1, &wide[0], size) != size)
    return std::wstring();
  wide.resize(static_cast<std::size_t>(size - 1));
  return wide;
}

std::string NarrowFrom(const wchar_t* text, CodePage codePage) {
  int size = WideCharToMultiByte(Page(codePage), 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return std::string();
  std::string narrow(static_cast<std::size_t>(size), '\0');
  if (WideCharToMultiByte(Page(codePage), 0, text, -1, &narrow[0], size, nullptr, nullptr) != size)
    return std::string();
  narrow.resize(static_cast<std::size_t>(size - 1));
  return narrow;
}

std::wstring LongPathFrom(const char* path) {
  std::wstring wide = WideFrom(path, CodePage::kAnsi);
  if (wide.empty()) return wide;
  if (wide.compare(0, 4, L"\\\\?\\") == 0) return wide;
  DWORD size = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (size == 0) return std::wstring();
  std::wstring full(size, L'\0');
  DWORD length = GetFullPathNameW(wide.c_str(), size, &full[0], nullptr);
  if (length == 0 || length >= size) return std::wstring();
  full.resize(length);
  if (full.compare(0, 4, L"\\\\.\\") == 0) return full;  // a device path stays as it is
  // "\\server\share\x" becomes "\\?\UNC\server\share\x", "C:\x" becomes "\\?\C:\x".
  if (full.compare(0, 2, L"\\\\") == 0) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}
