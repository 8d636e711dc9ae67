// What the Windows platform files share: names opened relative to a folder
// handle, and handles turned into streams. Windows builds only.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "platform/dir_handle.h"
#include "platform/output_tree.h"
#include "platform/stream.h"

inline constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The folder handle as the system's handle.
HANDLE NativeHandle(DirHandle dir);

// A name of one level: not empty, no separator, no stream (':'), not "." or "..".
bool IsPlainName(const std::wstring& name);

// Opens the plain name in the folder dir (NtCreateFile with dir as root
// directory; synchronous I/O). options are NtCreateFile's create options.
// Returns the handle, or nullptr with *error set to the Windows error code.
HANDLE OpenRelative(HANDLE dir, const std::wstring& name, ACCESS_MASK access, ULONG share,
                    ULONG disposition, ULONG options, DWORD* error);

// Opens name (in the console's character set, like every name of the output
// tree) in dir. Returns the handle, or nullptr with *error set to the Windows
// error code.
HANDLE OpenAt(DirHandle dir, const char* name, ACCESS_MASK access, ULONG share, ULONG disposition,
              ULONG options, DWORD* error);

// Opens what the name itself is, shared for everything, never what a reparse
// point leads to. Returns the handle, or nullptr.
HANDLE OpenAt(DirHandle dir, const char* name, ACCESS_MASK access, ULONG options);

// True when the error is one the whole disk gives, whatever the name: full, over
// quota, write-protected, not ready, failing.
bool IsDiskWide(DWORD error);

// True when the error says the name exists.
bool IsNameTaken(DWORD error);

// Why a create failed, from its Windows error code.
CreateFailure CreateFailureOf(DWORD error);

// How a move ended, from the Windows error code of the rename (0 for done).
Move MoveOf(DWORD error);

// Gives the file behind handle (open with DELETE access) the name to in dir,
// never replacing anything. Returns 0, or the Windows error code.
DWORD RenameAt(HANDLE handle, DirHandle dir, const char* to);

// False when the file system holds the open file under a name other than name
// (in the console's character set), letters compared without regard to case as
// Windows compares them: name then reached it as its short alias ("PROGRA~1" for
// "Program Files"). True also when the system cannot tell.
bool IsOpenUnderName(HANDLE handle, const char* name);

// The path the system reaches at path (in the "\\?\" form), links and other
// reparse points followed, in the same form; empty when nothing is there.
std::wstring FinalPath(const std::wstring& path);

// The attributes of the open file, or INVALID_FILE_ATTRIBUTES.
DWORD AttributesOf(HANDLE handle);

// True when the handle is a file on a disk, not a folder and not a reparse point.
bool IsDiskFile(HANDLE handle);

// Keeps reads through the handle from moving the file's access time.
void KeepAccessTime(HANDLE handle);

// A reading stream on the handle when it is a disk file (reads then leave its
// access time alone); else closes the handle and returns nullptr.
Stream* ReadingStreamOnDiskFile(HANDLE handle);

// Seconds since 1970-01-01 UTC as a FILETIME.
FILETIME FileTimeOf(std::uint32_t seconds);
