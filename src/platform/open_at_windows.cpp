#include "platform/open_at_windows.h"
#include "platform/stream_windows.h"
#include "platform/wide_text.h"

#include <fcntl.h>
#include <io.h>
#include <winternl.h>

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
