// The output tree through folder handles: every name is opened relative to its
// folder's handle (NtCreateFile with a root directory), never through a path,
// and never through a reparse point (symbolic link, junction, mount point).
// Where a disk keeps short names, a name may reach another file or folder as its
// alias ("PROGRA~1" for "Program Files"): what was opened is checked to hold the
// very name asked for, and one that does not counts as taken by something else.
#include <string>

#include "platform/open_at_windows.h"
#include "platform/output_tree.h"

NodeKind KindAt(DirHandle dir, const char* name) {
  HANDLE handle = OpenAt(dir, name, FILE_READ_ATTRIBUTES, 0);
  if (handle == nullptr) return NodeKind::kMissing;
  DWORD attributes = AttributesOf(handle);
  DWORD type = GetFileType(handle);
  bool aliased = !IsOpenUnderName(handle, name);
  CloseHandle(handle);
  if (attributes == INVALID_FILE_ATTRIBUTES) return NodeKind::kMissing;
  if (aliased) return NodeKind::kOther;
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return NodeKind::kLink;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return NodeKind::kFolder;
  return type == FILE_TYPE_DISK ? NodeKind::kFile : NodeKind::kOther;
}

DirHandle OpenFolderAt(DirHandle dir, const char* name) {
  HANDLE handle = OpenAt(dir, name, FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES,
                         FILE_DIRECTORY_FILE);
  if (handle == nullptr) return kNoDir;
  DWORD attributes = AttributesOf(handle);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0 ||
      !IsOpenUnderName(handle, name)) {
    CloseHandle(handle);
    return kNoDir;
  }
  return reinterpret_cast<DirHandle>(handle);
}

// Windows has no one-step resolution that refuses links on the way: the levels
// are opened one by one here, each refusing a reparse point.
DirHandle OpenFolderPathAt(DirHandle dir, const char* path) {
  std::string levels = path;
  DirHandle current = kNoDir;
  for (std::size_t start = 0; start < levels.size();) {
    std::size_t end = levels.find('\\', start);
    if (end == std::string::npos) end = levels.size();
    std::string level = levels.substr(start, end - start);
    start = end + 1;
    if (level.empty()) continue;  // a doubled separator
    DirHandle next = OpenFolderAt(current != kNoDir ? current : dir, level.c_str());
    CloseDirectory(current);
    current = next;
    if (current == kNoDir) return kNoDir;
  }
  return current;
}

CreateFailure MakeFolderAt(DirHandle dir, const char* name) {
  DWORD error = 0;
  HANDLE handle =
      OpenAt(dir, name, FILE_LIST_DIRECTORY, kShareAll, FILE_CREATE, FILE_DIRECTORY_FILE, &error);
  if (handle != nullptr) {
    CloseHandle(handle);
    return CreateFailure::kNone;
  }
  // A write-protected disk refuses even a folder that exists: that one is no failure.
  if (error == ERROR_WRITE_PROTECT && KindAt(dir, name) != NodeKind::kMissing)
    return CreateFailure::kThisName;
  return CreateFailureOf(error);
}

// The opened object itself is checked, so nothing swapped in before the open
// can slip through. Reading leaves the access time alone where it may.
Stream* OpenFileAt(DirHandle dir, const char* name, NodeKind* kind) {
  const ULONG options = FILE_NON_DIRECTORY_FILE | FILE_SEQUENTIAL_ONLY;
  HANDLE handle = OpenAt(dir, name, GENERIC_READ | FILE_WRITE_ATTRIBUTES, options);
  if (handle == nullptr) handle = OpenAt(dir, name, GENERIC_READ, options);
  if (handle != nullptr && !IsOpenUnderName(handle, name)) {
    CloseHandle(handle);
    if (kind != nullptr) *kind = NodeKind::kOther;
    return nullptr;
  }
  Stream* stream = handle != nullptr ? ReadingStreamOnDiskFile(handle) : nullptr;
  if (stream == nullptr && kind != nullptr) *kind = KindAt(dir, name);
  return stream;
}

// Renaming through the handle replaces nothing on any file system, so no lock
// is needed. A name that is only another file's alias is not moved.
Move MoveAt(DirHandle dir, const char* from, const char* to) {
  HANDLE handle = OpenAt(dir, from, DELETE, 0);
  if (handle == nullptr) return Move::kFailed;
  DWORD error = IsOpenUnderName(handle, from) ? RenameAt(handle, dir, to) : ERROR_FILE_NOT_FOUND;
  CloseHandle(handle);
  return MoveOf(error);
}

// On Windows the naming rules are always on (kWindowsNameRules): nothing to detect.
std::string WindowsFileSystemAt(DirHandle) {
  return "";
}
