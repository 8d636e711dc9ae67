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

// With the Windows naming rules the URL mapping escapes the first letter of
// every device name, so no entry can own this name; through a folder handle it
// is an ordinary name.
const char kPartialName[] = "CON.talvex-partial";

// The rename request's class; not every SDK's winternl.h names it.
const FILE_INFORMATION_CLASS kFileRenameInformation = static_cast<FILE_INFORMATION_CLASS>(10);

// The partial file's folder, shared with the console control handler.
volatile LONG_PTR g_partialDir = kNoDir;
bool g_handlerInstalled = false;

// Opens name (in the console's character set, like every name of the tree) in
// dir. Returns the handle, or nullptr with *error set to the Windows error code.
HANDLE OpenAt(DirHandle dir, const char* name, ACCESS_MASK access, ULONG share, ULONG disposition,
              ULONG options, DWORD* error) {
  if (dir == kNoDir) {
    *error = ERROR_INVALID_HANDLE;
    return nullptr;
  }
  return OpenRelative(NativeHandle(dir), WideFrom(name, CodePage::kOem), access, share, disposition,
                      options, error);
}

// Opens what the name itself is, never what a reparse point leads to.
HANDLE OpenAt(DirHandle dir, const char* name, ACCESS_MASK access, ULONG options) {
  DWORD error = 0;
  return OpenAt(dir, name, access, kShareAll, FILE_OPEN, options | FILE_OPEN_REPARSE_POINT, &error);
}

// Removes the name in dir when it is a file (not a folder); the name itself,
// never what a link points to.
bool RemoveAt(DirHandle dir, const char* name) {
  HANDLE handle = OpenAt(dir, name, DELETE, FILE_NON_DIRECTORY_FILE | FILE_DELETE_ON_CLOSE);
  if (handle == nullptr) return false;
  CloseHandle(handle);
  return true;
}

BOOL WINAPI RemovePartialOnControlEvent(DWORD) {
  DirHandle dir = g_partialDir;
  if (dir != kNoDir) RemoveAt(dir, kPartialName);
  return FALSE;  // then the process ends as it would have
}

void InstallHandler() {
  if (g_handlerInstalled) return;
  g_handlerInstalled = SetConsoleCtrlHandler(RemovePartialOnControlEvent, TRUE) != FALSE;
}

bool IsDiskWide(DWORD error) {
  switch (error) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_NOT_ENOUGH_QUOTA:
    case ERROR_WRITE_PROTECT:
    case ERROR_NOT_READY:
    case ERROR_IO_DEVICE:
    case ERROR_CRC:
      return true;
    default:
      return false;
  }
}

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

DWORD MoveWithin(DirHandle dir, const char* from, const char* to) {
  HANDLE handle = OpenAt(dir, from, DELETE, 0);
  if (handle == nullptr) return ERROR_FILE_NOT_FOUND;
  DWORD error = Rename(handle, dir, to);
  CloseHandle(handle);
  return error;
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

int MoveAt(DirHandle dir, const char* from, const char* to) {
  return MoveWithin(dir, from, to) == 0 ? 0 : -1;
}

Stream* CreatePartialAt(DirHandle dir, CreateFailure* why) {
  InstallHandler();
  // Shared for deletion, so that the control handler can remove it while it is written.
  const ULONG options = FILE_NON_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT;
  DWORD error = 0;
  HANDLE handle =
      OpenAt(dir, kPartialName, GENERIC_WRITE, FILE_SHARE_DELETE, FILE_CREATE, options, &error);
  // Left by a run that was killed outright: it was never anybody's file.
  if (handle == nullptr && IsNameTaken(error) && RemoveAt(dir, kPartialName))
    handle =
        OpenAt(dir, kPartialName, GENERIC_WRITE, FILE_SHARE_DELETE, FILE_CREATE, options, &error);
  if (handle == nullptr) {
    *why = IsDiskWide(error) ? CreateFailure::kDiskWide : CreateFailure::kThisName;
    return nullptr;
  }
  g_partialDir = dir;
  Stream* stream = StreamFrom(handle, _O_WRONLY, "wb");
  if (stream == nullptr) {
    DropPartial(nullptr);
    *why = CreateFailure::kThisName;
    return nullptr;
  }
  *why = CreateFailure::kNone;
  return stream;
}

void DropPartial(Stream* stream) {
  if (stream != nullptr) CloseStream(stream);
  if (g_partialDir != kNoDir) RemoveAt(g_partialDir, kPartialName);
  g_partialDir = kNoDir;
}

// Times set through the handle that wrote the file are kept when it is closed.
int SetPartialTimes(Stream* stream, std::uint32_t accessTime, std::uint32_t modificationTime) {
  HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream->file)));
  if (handle == INVALID_HANDLE_VALUE) return -1;
  FILETIME access = FileTimeOf(accessTime);
  FILETIME write = FileTimeOf(modificationTime);
  return SetFileTime(handle, nullptr, &access, &write) ? 0 : -1;
}

int NamePartial(const char* name) {
  DWORD error = MoveWithin(g_partialDir, kPartialName, name);
  if (error == 0) {
    g_partialDir = kNoDir;
    return 0;
  }
  if (IsNameTaken(error)) return -1;
  DropPartial(nullptr);
  return -2;
}
