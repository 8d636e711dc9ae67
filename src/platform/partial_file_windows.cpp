#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "platform/open_at_windows.h"
#include "platform/partial_file.h"
#include "platform/stream_windows.h"

// With the Windows naming rules the URL mapping escapes the first letter of
// every device name, so no entry can own this name; through a folder handle it
// is an ordinary name.
const char PartialFile::kName[] = "CON.talvex-partial";

namespace {

// The folder of the partial file that exists, for the console control handler.
volatile LONG_PTR g_partialDir = kNoDir;

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
  if (dir != kNoDir) RemoveAt(dir, PartialFile::kName);
  return FALSE;  // then the process ends as it would have
}

void InstallHandler() {
  static bool installed = false;
  if (!installed) installed = SetConsoleCtrlHandler(RemovePartialOnControlEvent, TRUE) != FALSE;
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

// Shared for deletion, so that the control handler can remove it while it is written.
HANDLE CreateNew(DirHandle folder, DWORD* error) {
  const ULONG options = FILE_NON_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT;
  return OpenAt(folder, PartialFile::kName, GENERIC_WRITE, FILE_SHARE_DELETE, FILE_CREATE, options,
                error);
}

}  // namespace

CreateFailure PartialFile::Create(DirHandle folder) {
  InstallHandler();
  DWORD error = 0;
  HANDLE handle = CreateNew(folder, &error);
  // Left by a run that was killed outright: it was never anybody's file.
  if (handle == nullptr && (error == ERROR_ALREADY_EXISTS || error == ERROR_FILE_EXISTS) &&
      RemoveAt(folder, PartialFile::kName))
    handle = CreateNew(folder, &error);
  if (handle == nullptr)
    return IsDiskWide(error) ? CreateFailure::kDiskWide : CreateFailure::kThisName;
  folder_ = folder;
  g_partialDir = folder;
  stream_ = StreamFrom(handle, _O_WRONLY, "wb");
  if (stream_ != nullptr) return CreateFailure::kNone;
  Drop();
  return CreateFailure::kThisName;
}

// Times set through the handle that wrote the file are kept when it is closed.
int PartialFile::SetTimes(std::uint32_t accessTime, std::uint32_t modificationTime) {
  if (stream_ == nullptr) return -1;
  HANDLE handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(stream_->file)));
  if (handle == INVALID_HANDLE_VALUE) return -1;
  FILETIME access = FileTimeOf(accessTime);
  FILETIME write = FileTimeOf(modificationTime);
  return SetFileTime(handle, nullptr, &access, &write) ? 0 : -1;
}

void PartialFile::Drop() {
  if (folder_ == kNoDir) return;
  Close();
  RemoveAt(folder_, PartialFile::kName);
  Release();
}

void PartialFile::Release() {
  folder_ = kNoDir;
  g_partialDir = kNoDir;
}
