// Running the real talvex binary from a test: detached from any terminal, or
// under a pseudo-terminal that the test owns. Every run has a timeout.
#pragma once

#include <sys/types.h>
#include <termios.h>

#include <functional>
#include <string>
#include <vector>

struct RunResult {
  int exitCode = -1;  // 0..255, or -1 when the process did not exit normally
  int signal = 0;     // the signal that ended it, if one did
  bool timedOut = false;
  std::string out;  // standard output (for pty runs: everything the terminal showed)
  std::string err;  // standard error (empty for pty runs)
};

// What n pauses write to standard error when nobody answers them: the prompt,
// then the text that blanks it.
std::string Pauses(std::size_t n);

// Path of the binary under test.
const char* TalvexBinary();

struct RunOptions {
  std::string cwd = ".";
  int timeoutMs = 20000;
  long fileSizeLimit = -1;  // RLIMIT_FSIZE for the child (SIGXFSZ left as it is)
  bool background = false;  // pty runs: a job outside the terminal's foreground group
};

// Polls the condition every few milliseconds until it holds; false on timeout.
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs = 10000);

// Runs talvex with args, no controlling terminal, standard input /dev/null.
RunResult RunDetached(const std::vector<std::string>& args, const RunOptions& options = {});

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

  static constexpr const char* kPrompt = "press any key to continue, ESC to exit...";

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
  int timeoutMs_;
};
