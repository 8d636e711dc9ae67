#include <windows.h>

#include <vector>

#include "platform/real_path.h"
#include "platform/wide_text.h"

namespace {

// The path the system reaches at path (in the "\\?\" form), reparse points
// followed, in the same form; empty when it does not exist.
std::wstring FinalPathOf(const std::wstring& path) {
  HANDLE handle = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                              OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::wstring();
  std::vector<wchar_t> buffer(32768);
  DWORD length = GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()),
                                           FILE_NAME_NORMALIZED);
  CloseHandle(handle);
  return length > 0 && length < buffer.size() ? std::wstring(buffer.data(), length)
                                              : std::wstring();
}

// The path without its "\\?\" prefix, as the program holds paths.
std::string Narrow(const std::wstring& path) {
  std::wstring plain = path.compare(0, 4, L"\\\\?\\") == 0 ? path.substr(4) : path;
  if (plain.compare(0, 4, L"UNC\\") == 0) plain = L"\\" + plain.substr(3);
  return NarrowFrom(plain.c_str(), CodePage::kAnsi);
}

}  // namespace

// Each existing level is resolved by the system; a reparse point met on the way
// is noted where it stands. The levels a reparse point's target holds are the
// system's to follow: only the first one on the way is seen.
bool ResolveFollowingLinks(const char* path, std::string& real, std::vector<std::string>& links) {
  std::wstring full = LongPathFrom(path);
  if (full.empty()) return false;
  // The root ("\\?\C:\" or "\\?\UNC\server\share\") ends at its last separator.
  std::size_t at = full.find(L'\\', full.compare(0, 8, L"\\\\?\\UNC\\") == 0 ? 8 : 4);
  if (at != std::wstring::npos) at = full.find(L'\\', at + 1);
  if (at == std::wstring::npos) at = full.size();
  std::wstring resolved = FinalPathOf(full.substr(0, at + 1));
  if (resolved.empty()) resolved = full.substr(0, at);
  while (!resolved.empty() && resolved.back() == L'\\') resolved.pop_back();
  bool exists = true;
  while (at < full.size()) {
    std::size_t end = full.find(L'\\', at + 1);
    if (end == std::wstring::npos) end = full.size();
    std::wstring level = full.substr(at + 1, end - at - 1);
    at = end;
    if (level.empty()) continue;
    std::wstring next = resolved + L"\\" + level;
    DWORD attributes = exists ? GetFileAttributesW(next.c_str()) : INVALID_FILE_ATTRIBUTES;
    exists = attributes != INVALID_FILE_ATTRIBUTES;
    if (exists && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
      links.push_back(Narrow(next));
      std::wstring target = FinalPathOf(next);
      if (target.empty()) return false;
      next = target;
      while (!next.empty() && next.back() == L'\\') next.pop_back();
    }
    resolved = next;
  }
  real = Narrow(resolved);
  return true;
}
