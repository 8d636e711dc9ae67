#include <windows.h>

#include <vector>

#include "platform/open_at_windows.h"
#include "platform/real_path.h"
#include "platform/wide_text.h"

namespace {

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
  std::wstring resolved = FinalPath(full.substr(0, at + 1));
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
      std::wstring target = FinalPath(next);
      if (target.empty()) return false;
      next = target;
      while (!next.empty() && next.back() == L'\\') next.pop_back();
    }
    resolved = next;
  }
  real = Narrow(resolved);
  return true;
}
