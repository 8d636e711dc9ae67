#include "platform/open_at_windows.h"
#include "platform/stream_windows.h"
#include "platform/wide_text.h"

#include <fcntl.h>
#include <io.h>
#include <winternl.h>

#include <cstring>
#include <vector>

namespace {

// The rename request's class; not every SDK's winternl.h names it.
const FILE_INFORMATION_CLASS kFileRenameInformation = static_cast<FILE_INFORMATION_CLASS>(10);

// The last level of the path the system gives for the open file through the
// class asked for; empty when it gives none.
std::wstring FinalLevel(HANDLE handle, FILE_INFO_BY_HANDLE_CLASS kind) {
  std::vector<unsigned char> buffer(sizeof(FILE_NAME_INFO) + MAX_PATH * sizeof(wchar_t));
  for (int tries = 0; tries < 2; ++tries) {
    auto* info = reinterpret_cast<FILE_NAME_INFO*>(buffer.data());
    DWORD size = static_cast<DWORD>(buffer.size());
    if (GetFileInformationByHandleEx(handle, kind, info, size)) {
      std::wstring path(info->FileName, info->FileNameLength / sizeof(wchar_t));
      std::size_t separator = path.find_last_of(L'\\');
      return separator == std::wstring::npos ? path : path.substr(separator + 1);
    }
    // Too small: the length needed is given.
    if (GetLastError() != ERROR_MORE_DATA) break;
    buffer.resize(sizeof(FILE_NAME_INFO) + info->FileNameLength);
  }
  return std::wstring();
}

}  // namespace

std::wstring FinalPath(const std::wstring& path) {
  HANDLE handle = CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING,
                              FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return std::wstring();
  std::vector<wchar_t> buffer(32768);
  DWORD length = GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()),
                                           FILE_NAME_NORMALIZED);
  CloseHandle(handle);
  return length > 0 && length < buffer.size() ? std::wstring(buffer.data(), length)
                                              : std::wstring();
}

HANDLE NativeHandle(DirHandle dir) {
  return reinterpret_cast<HANDLE>(dir);
}

bool IsPlainName(const std::wstring& name) {
  return !name.empty() && name != L"." && name != L".." &&
         name.find_first_of(L"\\/:") == std::wstring::npos && name.size() < 32768;
}

HANDLE OpenRelative(HANDLE dir, const std::wstring& name, ACCESS_MASK access, ULONG share,
                    ULONG disposition, ULONG options, DWORD* error) {
  if (dir == INVALID_HANDLE_VALUE || !IsPlainName(name)) {
    *error = ERROR_INVALID_NAME;
    return nullptr;
  }
  std::wstring text = name;
  UNICODE_STRING unicode;
  unicode.Buffer = &text[0];
  unicode.Length = static_cast<USHORT>(text.size() * sizeof(wchar_t));
  unicode.MaximumLength = unicode.Length;
  OBJECT_ATTRIBUTES attributes;
  InitializeObjectAttributes(&attributes, &unicode, OBJ_CASE_INSENSITIVE, dir, nullptr);
  IO_STATUS_BLOCK io;
  HANDLE handle = nullptr;
  NTSTATUS status =
      NtCreateFile(&handle, access | SYNCHRONIZE, &attributes, &io, nullptr, FILE_ATTRIBUTE_NORMAL,
                   share, disposition, options | FILE_SYNCHRONOUS_IO_NONALERT, nullptr, 0);
  if (status >= 0) return handle;
  *error = RtlNtStatusToDosError(status);
  return nullptr;
}

HANDLE OpenAt(DirHandle dir, const char* name, ACCESS_MASK access, ULONG share, ULONG disposition,
              ULONG options, DWORD* error) {
  if (dir == kNoDir) {
    *error = ERROR_INVALID_HANDLE;
    return nullptr;
  }
  return OpenRelative(NativeHandle(dir), WideFrom(name, CodePage::kOem), access, share, disposition,
                      options, error);
}

HANDLE OpenAt(DirHandle dir, const char* name, ACCESS_MASK access, ULONG options) {
  DWORD error = 0;
  return OpenAt(dir, name, access, kShareAll, FILE_OPEN, options | FILE_OPEN_REPARSE_POINT, &error);
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

CreateFailure CreateFailureOf(DWORD error) {
  if (IsDiskWide(error)) return CreateFailure::kDiskWide;
  return error == ERROR_TOO_MANY_OPEN_FILES ? CreateFailure::kNoHandles : CreateFailure::kThisName;
}

Move MoveOf(DWORD error) {
  if (error == 0) return Move::kDone;
  if (IsNameTaken(error)) return Move::kNameTaken;
  return IsDiskWide(error) ? Move::kDiskWide : Move::kFailed;
}

DWORD RenameAt(HANDLE handle, DirHandle dir, const char* to) {
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

// The normalized name has short names expanded; where the system cannot give it
// (before Windows 8, wine) the name as opened is taken, which wine expands too.
bool IsOpenUnderName(HANDLE handle, const char* name) {
  std::wstring held = FinalLevel(handle, FileNormalizedNameInfo);
  if (held.empty()) held = FinalLevel(handle, FileNameInfo);
  if (held.empty()) return true;
  std::wstring asked = WideFrom(name, CodePage::kOem);
  return CompareStringOrdinal(held.c_str(), static_cast<int>(held.size()), asked.c_str(),
                              static_cast<int>(asked.size()), TRUE) == CSTR_EQUAL;
}

DWORD AttributesOf(HANDLE handle) {
  BY_HANDLE_FILE_INFORMATION info;
  return GetFileInformationByHandle(handle, &info) ? info.dwFileAttributes
                                                   : INVALID_FILE_ATTRIBUTES;
}

bool IsDiskFile(HANDLE handle) {
  DWORD attributes = AttributesOf(handle);
  const DWORD kNotFile = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & kNotFile) == 0 &&
         GetFileType(handle) == FILE_TYPE_DISK;
}

// A time of all ones tells the system not to change that time for this handle.
void KeepAccessTime(HANDLE handle) {
  FILETIME keep = {0xFFFFFFFF, 0xFFFFFFFF};
  SetFileTime(handle, nullptr, &keep, nullptr);
}

FILETIME FileTimeOf(std::uint32_t seconds) {
  // 100 ns units since 1601-01-01.
  const std::uint64_t kUnixEpoch = 116444736000000000ull;
  std::uint64_t ticks = kUnixEpoch + std::uint64_t{seconds} * 10000000ull;
  return {static_cast<DWORD>(ticks), static_cast<DWORD>(ticks >> 32)};
}

Stream* ReadingStreamOnDiskFile(HANDLE handle) {
  if (!IsDiskFile(handle)) {
    CloseHandle(handle);
    return nullptr;
  }
  KeepAccessTime(handle);
  return StreamFrom(handle, _O_RDONLY, "rb");
}
