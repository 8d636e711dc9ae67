#include <windows.h>

#include <string>
#include <vector>

#include "support/process.h"

namespace {

std::wstring Wide(const std::string& utf8) {
  int size = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 1), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &wide[0], size);
  wide.resize(wide.size() - 1);
  return wide;
}

// Quoted when it holds a blank, a tab or a quote, or is empty; a quote inside
// is written as \". Arguments ending in a backslash are not quoted by the tests.
std::wstring Quoted(const std::wstring& argument) {
  if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos) return argument;
  std::wstring quoted = L"\"";
  for (wchar_t c : argument) {
    if (c == L'"') quoted += L'\\';
    quoted += c;
  }
  return quoted + L"\"";
}

// Appends what the pipe holds now to sink, without waiting. Returns false once
// the pipe is closed at the other end.
bool ReadWaiting(HANDLE pipe, std::string* sink) {
  DWORD waiting = 0;
  if (!PeekNamedPipe(pipe, nullptr, 0, nullptr, &waiting, nullptr)) return false;
  while (waiting > 0) {
    char buffer[4096];
    DWORD n = 0;
    if (!ReadFile(pipe, buffer, waiting < sizeof buffer ? waiting : sizeof buffer, &n, nullptr))
      return false;
    sink->append(buffer, n);
    waiting -= n;
  }
  return true;
}

}  // namespace

// The child gets no console (DETACHED_PROCESS), so its pauses return at once.
RunResult RunDetached(const std::vector<std::string>& args, const RunOptions& options) {
  RunResult result;
  std::wstring line = Quoted(Wide(TalvexBinary()));
  for (const std::string& argument : args) line += L" " + Quoted(Wide(argument));

  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  HANDLE outRead, outWrite, errRead, errWrite;
  if (!CreatePipe(&outRead, &outWrite, &inherit, 0) ||
      !CreatePipe(&errRead, &errWrite, &inherit, 0))
    return result;
  SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
  HANDLE input = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                             OPEN_EXISTING, 0, nullptr);

  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input;
  startup.hStdOutput = outWrite;
  startup.hStdError = errWrite;
  PROCESS_INFORMATION process = {};
  std::wstring cwd = Wide(options.cwd);
  BOOL started = CreateProcessW(nullptr, &line[0], nullptr, nullptr, TRUE, DETACHED_PROCESS,
                                nullptr, cwd.c_str(), &startup, &process);
  CloseHandle(outWrite);
  CloseHandle(errWrite);
  CloseHandle(input);
  if (started) {
    // The pipes are read while the process runs, then to their end; a process
    // it left behind that holds them open delays this by a second at most.
    ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(options.timeoutMs);
    bool outOpen = true, errOpen = true, running = true;
    while (outOpen || errOpen) {
      outOpen = outOpen && ReadWaiting(outRead, &result.out);
      errOpen = errOpen && ReadWaiting(errRead, &result.err);
      if (running && WaitForSingleObject(process.hProcess, 2) == WAIT_OBJECT_0) {
        running = false;
        deadline = GetTickCount64() + 1000;
      }
      if (GetTickCount64() < deadline) continue;
      if (!running) break;
      result.timedOut = true;
      TerminateProcess(process.hProcess, 1);
      WaitForSingleObject(process.hProcess, 5000);
      running = false;
      deadline = GetTickCount64() + 1000;
    }
    // Both pipes closed before the process was seen to end: it is ending.
    if (running) {
      ULONGLONG now = GetTickCount64();
      DWORD left = now < deadline ? static_cast<DWORD>(deadline - now) : 0;
      if (WaitForSingleObject(process.hProcess, left) != WAIT_OBJECT_0) {
        result.timedOut = true;
        TerminateProcess(process.hProcess, 1);
      }
    }
    DWORD code = 0;
    if (!result.timedOut && GetExitCodeProcess(process.hProcess, &code)) result.exitCode = code;
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(outRead);
  CloseHandle(errRead);
  return result;
}
