// Running the real talvex binary from a test, detached from any terminal or
// console. Every run has a timeout. On POSIX pty_session.h also runs it under a
// pseudo-terminal that the test owns.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct RunResult {
  // POSIX: 0..255, or -1 when the process did not exit normally. Windows: the
  // 32-bit exit code, 0 to 0xFFFFFFFF, or -1 when it had to be ended.
  long long exitCode = -1;
  int signal = 0;  // the signal that ended it, if one did
  bool timedOut = false;
  std::string out;  // standard output (for pty runs: everything the terminal showed)
  std::string err;  // standard error (empty for pty runs)
};

// What n pauses write to standard error when nobody answers them: where it is
// no terminal (a pipe, a file), the prompt as a line of its own; on a terminal,
// the prompt, then the text that blanks it.
std::string Pauses(std::size_t n);
std::string TerminalPauses(std::size_t n);

// Path of the binary under test.
const char* TalvexBinary();

struct RunOptions {
  std::string cwd = ".";
  int timeoutMs = 20000;
  bool background = false;  // POSIX pty runs: a job outside the terminal's foreground group
};

// The pause prompt, as the program writes it.
inline constexpr const char* kPromptText = "press any key to continue, ESC to exit...";

// Runs talvex with args, no controlling terminal (POSIX) or console (Windows),
// standard input empty. On Windows the texts are UTF-8, and every argument is
// quoted as the program's command line splitting expects.
RunResult RunDetached(const std::vector<std::string>& args, const RunOptions& options = {});
