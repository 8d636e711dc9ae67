// Running talvex under a pseudo-terminal that the test owns (POSIX only).
#pragma once

#include <sys/types.h>
#include <termios.h>

#include <functional>
#include <string>
#include <vector>

#include "support/process.h"

// Polls the condition every few milliseconds until it holds; false on timeout.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 10000);

// talvex on a pty that becomes its controlling terminal; standard input is
// /dev/null, so keys can only come through the terminal. As under an
// interactive shell, talvex runs as a job: a process group of its own in the
// terminal's session, in the foreground unless options.background, and Ctrl-Z
// or SIGTSTP really stop it.
class PtySession {
 public:
  PtySession(const std::vector<std::string>& args, const RunOptions& options = {});
  ~PtySession();
  PtySession(const PtySession&) = delete;
  PtySession& operator=(const PtySession&) = delete;

  // Reads until the output (from the start of the session) contains the text
  // `count` times. Returns false on timeout or when the program ended first.
  bool WaitFor(const std::string& text, int count = 1, int timeoutMs = 10000);
  // Waits for the pause prompt to appear `count` times in all.
  bool WaitForPrompt(int count = 1) { return WaitFor(kPrompt, count); }
  void Send(const std::string& bytes);
  void Signal(int signalNumber);
  // Whether the program is stopped (job control), not running or ended.
  bool Stopped() const;
  // Reads everything until the program ends; returns its result.
  RunResult Finish(int timeoutMs = 10000);
  // The terminal's settings as the program left them.
  struct termios TerminalSettings() const;
  // Changes them, as a shell does when it takes the terminal back.
  void SetTerminalSettings(const struct termios& settings);
  const std::string& Output() const { return output_; }

  static constexpr const char* kPrompt = kPromptText;

 private:
  bool ReadSome(int timeoutMs);
  // Takes the program's wait status once the shell stand-in reports it;
  // waits up to timeoutMs (-1: for ever).
  bool Reap(int timeoutMs);
  int master_ = -1;
  int slave_ = -1;   // kept open so the terminal outlives the program
  int report_ = -1;  // from the shell stand-in: talvex's pid, then its wait status
  pid_t shell_ = -1;
  pid_t pid_ = -1;
  bool exited_ = false;
  int status_ = 0;
  std::string output_;
};
