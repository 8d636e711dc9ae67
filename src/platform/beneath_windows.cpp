// Reading beneath the cache directory on Windows: names are resolved level by
// level from the directory's handle (NtCreateFile with a root directory),
// following no reparse point and no "..", so nothing outside is reached.
#include <fcntl.h>

#include <string>
#include <vector>

#include "platform/beneath.h"
#include "platform/open_at_windows.h"
#include "platform/stream_windows.h"
#include "platform/wide_text.h"

namespace {

bool IsSeparator(wchar_t c) {
  return c == L'\\' || c == L'/';
}

// The levels of a relative name; false (refusal set) for an absolute name, a
// drive, a ".." level or a name that cannot be converted.
bool SplitLevels(const char* name, std::vector<std::wstring>& levels, ReadRefusal& refusal) {
  std::wstring wide = WideFrom(name, CodePage::kAnsi);
  refusal = ReadRefusal::kCannotOpen;
  if (wide.empty()) return false;
  if (IsSeparator(wide[0]) || (wide.size() >= 2 && wide[1] == L':')) {
    refusal = ReadRefusal::kOutside;
    return false;
  }
  std::size_t start = 0;
  while (start <= wide.size()) {
    std::size_t end = start;
    while (end < wide.size() && !IsSeparator(wide[end])) ++end;
    std::wstring level = wide.substr(start, end - start);
    if (level == L"..") {
      refusal = ReadRefusal::kOutside;
      return false;
    }
    if (!level.empty() && level != L".") levels.push_back(level);
    start = end + 1;
  }
  return true;
}

// Opens the folder levels[0..count) beneath dir, following nothing; the
// directory itself for none. Returns the handle (to close), or nullptr.
HANDLE OpenFolderLevels(HANDLE dir, const std::vector<std::wstring>& levels, std::size_t count,
                        ReadRefusal& refusal) {
  HANDLE current = nullptr;
  DWORD error = 0;
  const ACCESS_MASK access = FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES;
  if (count == 0) {
    return DuplicateHandle(GetCurrentProcess(), dir, GetCurrentProcess(), &current, 0, FALSE,
                           DUPLICATE_SAME_ACCESS)
               ? current
               : nullptr;
  }
  for (std::size_t i = 0; i < count; ++i) {
    HANDLE next = OpenRelative(current != nullptr ? current : dir, levels[i], access, kShareAll,
                               FILE_OPEN, FILE_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT, &error);
    if (current != nullptr) CloseHandle(current);
    current = next;
    if (current == nullptr) return nullptr;
    DWORD attributes = AttributesOf(current);
    if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
      if (attributes != INVALID_FILE_ATTRIBUTES) refusal = ReadRefusal::kSymbolicLink;
      CloseHandle(current);
      return nullptr;
    }
  }
  return current;
}

// Identifies a file or folder across names: its volume and its file index.
struct Identity {
  DWORD volume = 0;
  DWORD high = 0;
  DWORD low = 0;
  bool operator==(const Identity& other) const {
    return volume == other.volume && high == other.high && low == other.low;
  }
};

bool FolderIdentity(const std::wstring& path, Identity& identity) {
  HANDLE handle = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  BY_HANDLE_FILE_INFORMATION info;
  bool found = GetFileInformationByHandle(handle, &info) &&
               (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  CloseHandle(handle);
  identity = {info.dwVolumeSerialNumber, info.nFileIndexHigh, info.nFileIndexLow};
  return found;
}

}  // namespace

// Windows has no openat2: every resolution walks.
Stream* OpenForReadingBeneath(DirHandle dir, const char* name, ReadRefusal& refusal,
                              BeneathResolution) {
  refusal = ReadRefusal::kCannotOpen;
  std::vector<std::wstring> levels;
  if (dir == kNoDir || name == nullptr || !SplitLevels(name, levels, refusal)) return nullptr;
  if (levels.empty()) {  // the directory itself
    refusal = ReadRefusal::kNotRegular;
    return nullptr;
  }
  HANDLE folder = OpenFolderLevels(NativeHandle(dir), levels, levels.size() - 1, refusal);
  if (folder == nullptr) return nullptr;
  // Reading leaves the access time alone where the file's attributes may be written.
  DWORD error = 0;
  const ULONG options = FILE_OPEN_REPARSE_POINT | FILE_SEQUENTIAL_ONLY;
  HANDLE file = OpenRelative(folder, levels.back(), GENERIC_READ | FILE_WRITE_ATTRIBUTES, kShareAll,
                             FILE_OPEN, options, &error);
  if (file == nullptr)
    file = OpenRelative(folder, levels.back(), GENERIC_READ, kShareAll, FILE_OPEN, options, &error);
  CloseHandle(folder);
  if (file == nullptr) return nullptr;
  if (!IsDiskFile(file)) {
    DWORD attributes = AttributesOf(file);
    refusal =
        attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0
            ? ReadRefusal::kSymbolicLink
            : ReadRefusal::kNotRegular;
    CloseHandle(file);
    return nullptr;
  }
  KeepAccessTime(file);
  Stream* stream = StreamFrom(file, _O_RDONLY, "rb");
  if (stream != nullptr) refusal = ReadRefusal::kNone;
  return stream;
}

// The folder above inner is found by its final path, each level compared with
// outer by volume and file index, so other names for the same folder match.
bool IsSameOrAncestorDirectory(const char* outer, const char* inner) {
  if (outer == nullptr || inner == nullptr) return false;
  Identity target;
  std::wstring outerPath = LongPathFrom(outer);
  if (outerPath.empty() || !FolderIdentity(outerPath, target)) return false;
  std::wstring innerPath = LongPathFrom(inner);
  std::wstring path = innerPath.empty() ? innerPath : FinalPath(innerPath);
  while (!path.empty()) {
    Identity here;
    if (!FolderIdentity(path, here)) return false;
    if (here == target) return true;
    std::size_t last = path.find_last_of(L'\\');
    // "\\?\C:\" is the root: nothing is above it.
    if (last == std::wstring::npos || last + 1 == path.size() || path[last - 1] == L'?') break;
    path.erase(path[last - 1] == L':' ? last + 1 : last);
  }
  return false;
}

bool ListFolderBeneath(DirHandle dir, const char* folder, std::vector<std::string>& names) {
  std::vector<std::wstring> levels;
  ReadRefusal refusal;
  if (dir == kNoDir || folder == nullptr) return false;
  if (folder[0] != '\0' && !SplitLevels(folder, levels, refusal)) return false;
  HANDLE opened = OpenFolderLevels(NativeHandle(dir), levels, levels.size(), refusal);
  if (opened == nullptr) return false;
  // Listing would set the folder's access time. A handle of its own that may
  // write the folder's attributes can keep it; where that access is refused
  // the folder is listed through the handle as opened.
  const DWORD access =
      FILE_LIST_DIRECTORY | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES | SYNCHRONIZE;
  HANDLE handle = ReOpenFile(opened, access, kShareAll,
                             FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT);
  if (handle == INVALID_HANDLE_VALUE) {
    handle = opened;
  } else {
    CloseHandle(opened);
    KeepAccessTime(handle);
  }
  std::vector<unsigned char> buffer(64 * 1024);
  FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;
  bool listed = true;
  while (GetFileInformationByHandleEx(handle, kind, buffer.data(),
                                      static_cast<DWORD>(buffer.size()))) {
    kind = FileIdBothDirectoryInfo;
    for (std::size_t at = 0;;) {
      const auto* entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(buffer.data() + at);
      std::wstring name(entry->FileName, entry->FileNameLength / sizeof(wchar_t));
      if (name != L"." && name != L"..") names.push_back(NarrowFrom(name.c_str(), CodePage::kAnsi));
      if (entry->NextEntryOffset == 0) break;
      at += entry->NextEntryOffset;
    }
  }
  if (GetLastError() != ERROR_NO_MORE_FILES) listed = false;
  CloseHandle(handle);
  return listed;
}
