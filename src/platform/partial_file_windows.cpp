#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include "platform/open_at_windows.h"
#include "platform/partial_file.h"
#include "platform/stream_windows.h"

// A run marks its partial file as its own by holding it open without sharing it
// for deletion, from its creation until it is named or removed (hold_, a second
// handle, outlives the stream). Another run's attempt to delete it then fails
// while the owner lives; the handles go with the process, so a file that can be
// deleted was left by a run that ended. The file is named and removed through
// the held handle, never by its name.

namespace {

// The held handles of the partial files that exist, for the console control handler.
volatile LONG_PTR g_partialHolds[kLivePartials] = {};

// Marks the open file for removal once its last handle is closed.
bool MarkForRemoval(HANDLE handle) {
  FILE_DISPOSITION_INFO info = {TRUE};
  return SetFileInformationByHandle(handle, FileDispositionInfo, &info, sizeof info) != FALSE;
}

BOOL WINAPI RemovePartialOnControlEvent(DWORD) {
  for (const volatile LONG_PTR& held : g_partialHolds) {
    HANDLE hold = reinterpret_cast<HANDLE>(held);
    if (hold != nullptr) MarkForRemoval(hold);
  }
  return FALSE;  // then the process ends as it would have, closing the handles
}

void InstallHandler() {
  static bool installed = false;
  if (!installed) installed = SetConsoleCtrlHandler(RemovePartialOnControlEvent, TRUE) != FALSE;
}

// Creates name in dir for writing and deleting, shared for reading only.
// Returns the handle, or nullptr with *error set.
HANDLE CreateHeld(DirHandle dir, const char* name, DWORD* error) {
  const ULONG options = FILE_NON_DIRECTORY_FILE | FILE_OPEN_REPARSE_POINT;
  return OpenAt(dir, name, GENERIC_WRITE | DELETE, FILE_SHARE_READ, FILE_CREATE, options, error);
}

// Removes the partial file at name in dir when the run that wrote it has ended:
// only a plain disk file that holds this very name, never what a reparse point
// leads to. A live run's file cannot be opened for deletion. Returns true when
// it was removed.
bool TakeOverLeftover(DirHandle dir, const char* name) {
  HANDLE handle = OpenAt(dir, name, DELETE | FILE_READ_ATTRIBUTES, FILE_NON_DIRECTORY_FILE);
  if (handle == nullptr) return false;
  bool removed = IsDiskFile(handle) && IsOpenUnderName(handle, name) && MarkForRemoval(handle);
  CloseHandle(handle);
  return removed;
}

}  // namespace

// Windows has no file without a name: it is always named.
CreateFailure PartialFile::Create(DirHandle folder, bool windowsNames, bool) {
  InstallHandler();
  HANDLE handle = nullptr;
  DWORD error = 0;
  for (unsigned slot = 0; slot < kPartialSlots && handle == nullptr; ++slot) {
    PartialSlotName(windowsNames, slot, name_);
    handle = CreateHeld(folder, name_, &error);
    if (handle == nullptr && IsNameTaken(error) && TakeOverLeftover(folder, name_))
      handle = CreateHeld(folder, name_, &error);
    // Other failures may be the slot's own (a file being removed): the next is tried.
    if (handle == nullptr && CreateFailureOf(error) != CreateFailure::kThisName)
      return CreateFailureOf(error);
  }
  if (handle == nullptr) return CreateFailure::kThisName;
  HANDLE hold = nullptr;
  if (!DuplicateHandle(GetCurrentProcess(), handle, GetCurrentProcess(), &hold, 0, FALSE,
                       DUPLICATE_SAME_ACCESS)) {
    error = GetLastError();
    MarkForRemoval(handle);
    CloseHandle(handle);
    return CreateFailureOf(error);
  }
  folder_ = folder;
  hold_ = reinterpret_cast<std::intptr_t>(hold);
  for (live_ = 0; live_ < kLivePartials && g_partialHolds[live_] != 0;) ++live_;
  if (live_ < kLivePartials) g_partialHolds[live_] = hold_;
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

Move PartialFile::MoveTo(const char* name) {
  if (hold_ == -1) return Move::kFailed;
  return MoveOf(RenameAt(reinterpret_cast<HANDLE>(hold_), folder_, name));
}

void PartialFile::Drop() {
  if (folder_ == kNoDir) return;
  Close();
  if (hold_ != -1) MarkForRemoval(reinterpret_cast<HANDLE>(hold_));
  Release();
}

void PartialFile::Release() {
  if (live_ >= 0 && live_ < kLivePartials) g_partialHolds[live_] = 0;
  live_ = -1;
  folder_ = kNoDir;
  if (hold_ != -1) CloseHandle(reinterpret_cast<HANDLE>(hold_));
  hold_ = -1;
}
