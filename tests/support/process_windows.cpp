#include <windows.h>

#include <string>
#include <thread>
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

// Reads the pipe to its end into sink.
void Drain(HANDLE pipe, std::string* sink) {
  char buffer[4096];
  DWORD n = 0;
  while (ReadFile(pipe, buffer, sizeof buffer, &n, nullptr) && n > 0) sink->append(buffer, n);
}

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs) {
  ULONGLONG deadline = GetTickCount64() + static_cast<ULONGLONG>(timeoutMs);
  while (!condition()) {
    if (GetTickCount64() >= deadline) return false;
    Sleep(2);
  }
  return true;
}

const char* TalvexBinary() {
  return TALVEX_BINARY;
}

std::string Pauses(std::size_t n) {
  std::string text;
  for (std::size_t i = 0; i < n; ++i)
    text += std::string(kPromptText) + "\r" + std::string(41, ' ') + "\r";
  return text;
}

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
    // The pipes are read while the process runs; ending it closes them.
    std::thread outReader(Drain, outRead, &result.out);
    std::thread errReader(Drain, errRead, &result.err);
    if (WaitForSingleObject(process.hProcess, static_cast<DWORD>(options.timeoutMs)) ==
        WAIT_OBJECT_0) {
      DWORD code = 0;
      GetExitCodeProcess(process.hProcess, &code);
      result.exitCode = code;
    } else {
      result.timedOut = true;
      TerminateProcess(process.hProcess, 1);
    }
    outReader.join();
    errReader.join();
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
  }
  CloseHandle(outRead);
  CloseHandle(errRead);
  return result;
}
