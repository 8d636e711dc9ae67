// The output tree through folder handles: every name is opened relative to its
// folder's handle (NtCreateFile with a root directory), never through a path,
// and never through a reparse point (symbolic link, junction, mount point).
#include <fcntl.h>
#include <io.h>
#include <winternl.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/open_at_windows.h"
#include "platform/output_tree.h"
#include "platform/stream_windows.h"
#include "platform/wide_text.h"

namespace {

// The rename request's class; not every SDK's winternl.h names it.
const FILE_INFORMATION_CLASS kFileRenameInformation = static_cast<FILE_INFORMATION_CLASS>(10);

bool IsNameTaken(DWORD error) {
  return error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS;
}

// Gives the file behind handle the name to in dir, never replacing anything.
// Returns 0, or the Windows error code.
DWORD Rename(HANDLE handle, DirHandle dir, const char* to) {
  std::wstring wide = WideFrom(to, CodePage::kOem);
  if (dir == kNoDir || !IsPlainName(wide)) return ERROR_INVALID_NAME;
  std::size_t nameBytes = wide.size() * sizeof(wchar_t);
  std::vector<unsigned char> buffer(sizeof(FILE_RENAME_INFO) + nameBytes);
  auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
  info->ReplaceIfExists = FALSE;
  info->RootDirectory = NativeHandle(dir);
  info->FileNameLength = static_cast<DWORD>(nameBytes);
  std::memcpy(info->FileName, wide.c_str(), nameBytes);
  // The layout of FILE_RENAME_INFO is that of the system's rename request, which
  // is sent as it is: not every system passes RootDirectory on from the Win32 call.
  IO_STATUS_BLOCK io;
  NTSTATUS status = NtSetInformationFile(handle, &io, info, static_cast<ULONG>(buffer.size()),
                                         kFileRenameInformation);
  return status >= 0 ? 0 : RtlNtStatusToDosError(status);
}

}  // namespace

NodeKind KindAt(DirHandle dir, const char* name) {
  HANDLE handle = OpenAt(dir, name, FILE_READ_ATTRIBUTES, 0);
  if (handle == nullptr) return NodeKind::kMissing;
  DWORD attributes = AttributesOf(handle);
  DWORD type = GetFileType(handle);
  CloseHandle(handle);
  if (attributes == INVALID_FILE_ATTRIBUTES) return NodeKind::kMissing;
  if ((attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) return NodeKind::kLink;
  if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) return NodeKind::kFolder;
  return type == FILE_TYPE_DISK ? NodeKind::kFile : NodeKind::kOther;
}

DirHandle OpenFolderAt(DirHandle dir, const char* name) {
  HANDLE handle = OpenAt(dir, name, FILE_LIST_DIRECTORY | FILE_TRAVERSE | FILE_READ_ATTRIBUTES,
                         FILE_DIRECTORY_FILE);
  if (handle == nullptr) return kNoDir;
  DWORD attributes = AttributesOf(handle);
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0) {
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

int MakeFolderAt(DirHandle dir, const char* name) {
  DWORD error = 0;
  HANDLE handle =
      OpenAt(dir, name, FILE_LIST_DIRECTORY, kShareAll, FILE_CREATE, FILE_DIRECTORY_FILE, &error);
  if (handle == nullptr) return -1;
  CloseHandle(handle);
  return 0;
}

// The opened object itself is checked, so nothing swapped in before the open
// can slip through. Reading leaves the access time alone where it may.
Stream* OpenFileAt(DirHandle dir, const char* name, NodeKind* kind) {
  const ULONG options = FILE_NON_DIRECTORY_FILE | FILE_SEQUENTIAL_ONLY;
  HANDLE handle = OpenAt(dir, name, GENERIC_READ | FILE_WRITE_ATTRIBUTES, options);
  if (handle == nullptr) handle = OpenAt(dir, name, GENERIC_READ, options);
  Stream* stream = handle != nullptr ? ReadingStreamOnDiskFile(handle) : nullptr;
  if (stream == nullptr && kind != nullptr) *kind = KindAt(dir, name);
  return stream;
}

Move MoveAt(DirHandle dir, const char* from, const char* to) {
  HANDLE handle = OpenAt(dir, from, DELETE, 0);
  if (handle == nullptr) return Move::kFailed;
  DWORD error = Rename(handle, dir, to);
  CloseHandle(handle);
  if (error == 0) return Move::kDone;
  return IsNameTaken(error) ? Move::kNameTaken : Move::kFailed;
}
