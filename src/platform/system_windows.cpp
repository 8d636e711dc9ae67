#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/command_line_split.h"
#include "platform/superscript.h"
#include "platform/system.h"
#include "platform/wide_text.h"

const char kPathSeparator = '\\';
const bool kWindowsNameRules = true;
const bool kConsoleHasC1Controls = false;

bool IsSwitchStart(char c) {
  return c == '/' || c == '-';
}

namespace {

bool IsSlash(char c) {
  return c == '\\' || c == '/';
}

bool HasDrive(const char* path) {
  char letter = static_cast<char>(path[0] | 0x20);
  return letter >= 'a' && letter <= 'z' && path[1] == ':';
}

// The root of startDir: "C:" or "\\server\share".
std::string RootOf(const char* startDir) {
  if (HasDrive(startDir)) return std::string(startDir, 2);
  std::string dir = startDir;
  std::size_t server = dir.find_first_of("\\/", 2);
  std::size_t share = server == std::string::npos ? server : dir.find_first_of("\\/", server + 1);
  return dir.substr(0, share);
}

}  // namespace

// "C:\x" and "\\server\x" stand alone; "\x" takes the start directory's root;
// "x" and "C:x" on the start directory's drive are joined to the start directory.
// The system then resolves the result as it would any path ("..", "/", another
// drive's current directory for "D:x").
long ResolveAgainst(const char* startDir, const char* path, char* out, std::size_t size) {
  std::string joined;
  bool sameDrive = HasDrive(path) && HasDrive(startDir) && (path[0] | 0x20) == (startDir[0] | 0x20);
  if ((HasDrive(path) && IsSlash(path[2])) || (IsSlash(path[0]) && IsSlash(path[1]))) {
    joined = path;
  } else if (HasDrive(path) && !sameDrive) {
    joined = path;  // another drive's current directory, which the system knows
  } else if (startDir[0] == '\0') {
    return -1;
  } else if (IsSlash(path[0])) {
    joined = RootOf(startDir) + path;
  } else {
    joined = std::string(startDir) + (sameDrive ? path + 2 : path);
  }
  std::wstring wide = WideFrom(joined.c_str(), CodePage::kOem);
  DWORD wideSize = GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
  if (wide.empty() || wideSize == 0) return -1;
  std::wstring full(wideSize, L'\0');
  DWORD length = GetFullPathNameW(wide.c_str(), wideSize, &full[0], nullptr);
  if (length == 0 || length >= wideSize) return -1;
  full.resize(length);
  std::string result = NarrowFrom(full.c_str(), CodePage::kOem);
  if (result.size() < size) std::memcpy(out, result.c_str(), result.size() + 1);
  return static_cast<long>(result.size());
}

// Windows has no file-size limit signal: a write past a limit simply fails.
void IgnoreFileSizeLimitSignal() {}

// Handles are limited by memory only, to millions.
std::size_t OpenHandleLimit() {
  return std::size_t{1} << 24;
}

std::size_t ProcessorsAvailable() {
  DWORD_PTR process = 0, system = 0;
  if (!GetProcessAffinityMask(GetCurrentProcess(), &process, &system)) return 1;
  std::size_t count = 0;
  for (; process != 0; process &= process - 1) ++count;
  return count > 1 ? count : 1;
}

// The limit is far above anything a run holds.
void RaiseOpenHandleLimit(std::size_t) {}

ArgumentList ProgramArguments(int, const char* const*) {
  static std::vector<std::string> texts;
  static std::vector<const char*> values;
  std::vector<wchar_t> program(32768);
  DWORD length = GetModuleFileNameW(nullptr, program.data(), static_cast<DWORD>(program.size()));
  program[length < program.size() ? length : 0] = L'\0';
  texts.push_back(NarrowFrom(program.data(), CodePage::kOem));
  const wchar_t* line = GetCommandLineW();
  std::u16string line16(line, line + std::wcslen(line));
  for (const std::u16string& argument : SplitCommandLine(line16)) {
    std::wstring wide(argument.begin(), argument.end());
    texts.push_back(NarrowFrom(wide.c_str(), CodePage::kOem));
  }
  for (const std::string& text : texts) values.push_back(text.c_str());
  values.push_back(nullptr);
  return {static_cast<int>(texts.size()), values.data()};
}

char SuperscriptDigitByte(int digit) {
  const wchar_t kSuperscripts[] = {L'\u00b9', L'\u00b2', L'\u00b3'};
  if (digit < 1 || digit > 3) return '\0';
  char narrow[4] = {};
  BOOL lacking = FALSE;
  // Not the best fit: a code page without '¹' must not give '1'. A code page of
  // several bytes per character (UTF-8) refuses these flags and gives none.
  int size = WideCharToMultiByte(CP_OEMCP, WC_NO_BEST_FIT_CHARS, &kSuperscripts[digit - 1], 1,
                                 narrow, static_cast<int>(sizeof narrow), nullptr, &lacking);
  return size == 1 && !lacking ? narrow[0] : '\0';
}
