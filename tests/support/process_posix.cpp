#include "support/process.h"
#include "support/pty_session.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>

namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

// The program's arguments after the words that start it (none: talvex itself).
std::vector<char*> MakeArgv(std::vector<const char*> words, const std::vector<std::string>& args) {
  words.push_back(TalvexBinary());
  std::vector<char*> argv;
  for (const char* word : words) argv.push_back(const_cast<char*>(word));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  return argv;
}

// In the child: working directory, stdin from /dev/null, then exec.
[[noreturn]] void Exec(const std::vector<char*>& argv, const RunOptions& options) {
  if (chdir(options.cwd.c_str()) != 0) _exit(126);
  int devNull = open("/dev/null", O_RDONLY);
  dup2(devNull, 0);
  close(devNull);
  execvp(argv[0], argv.data());
  _exit(127);
}

void FillResult(int status, RunResult& result) {
  if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
}

std::string ReadAll(std::FILE* file) {
  std::string text;
  std::rewind(file);
  char buffer[4096];
  for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, file)) > 0;) text.append(buffer, n);
  std::fclose(file);
  return text;
}

ssize_t ReadFully(int fd, void* data, size_t size) {
  size_t done = 0;
  while (done < size) {
    ssize_t n = read(fd, static_cast<char*>(data) + done, size - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  return static_cast<ssize_t>(done);
}

// In the child: a stand-in for an interactive shell. It leads a session on
// the pty and starts talvex as a job: a process group of its own whose parent
// is in the same session, so that job-control stops are not discarded as they
// are for an orphaned group. It reports the job's pid, then its wait status.
[[noreturn]] void RunShell(int slave, int report, const std::vector<char*>& argv,
                           const RunOptions& options) {
  setsid();
  ioctl(slave, TIOCSCTTY, 0);  // the shell's group is the foreground group
  pid_t job = fork();
  if (job == 0) {
    setpgid(0, 0);
    if (!options.background) {
      // Taking the terminal from the background needs SIGTTOU held; exec
      // keeps the signal mask, so it is restored first.
      sigset_t ttou, old;
      sigemptyset(&ttou);
      sigaddset(&ttou, SIGTTOU);
      sigprocmask(SIG_BLOCK, &ttou, &old);
      tcsetpgrp(slave, getpgrp());
      sigprocmask(SIG_SETMASK, &old, nullptr);
    }
    dup2(slave, 1);
    dup2(slave, 2);
    close(slave);
    Exec(argv, options);
  }
  setpgid(job, job);  // as shells do: in both, whichever runs first
  ssize_t n = write(report, &job, sizeof job);
  int status = 0;
  while (waitpid(job, &status, 0) < 0 && errno == EINTR) {
  }
  n = write(report, &status, sizeof status);
  (void)n;
  _exit(0);
}

}  // namespace

bool WaitUntil(const std::function<bool()>& condition, int timeoutMs) {
  auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!condition()) {
    if (MillisecondsLeft(deadline) == 0) return false;
    usleep(2000);
  }
  return true;
}

// setsid (util-linux) leaves talvex without a controlling terminal, so its pauses
// return at once, and timeout (coreutils) ends it; its outputs go to unnamed files.
RunResult RunDetached(const std::vector<std::string>& args, const RunOptions& options) {
  RunResult result;
  std::string seconds = std::to_string((options.timeoutMs + 999) / 1000);
  std::vector<char*> argv = MakeArgv({"setsid", "-w", "timeout", seconds.c_str()}, args);
  std::FILE* out = std::tmpfile();
  std::FILE* err = std::tmpfile();
  if (out == nullptr || err == nullptr) return result;
  pid_t pid = fork();
  if (pid == 0) {
    dup2(fileno(out), 1);
    dup2(fileno(err), 2);
    Exec(argv, options);
  }
  int status = 0;
  while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  FillResult(status, result);
  result.timedOut = result.exitCode == 124;
  result.out = ReadAll(out);
  result.err = ReadAll(err);
  return result;
}

PtySession::PtySession(const std::vector<std::string>& args, const RunOptions& options) {
  int report[2];
  if (openpty(&master_, &slave_, nullptr, nullptr, nullptr) != 0) {
    exited_ = true;
    return;
  }
  if (pipe2(report, O_CLOEXEC) != 0) {
    exited_ = true;
    return;
  }
  std::vector<char*> argv = MakeArgv({}, args);
  shell_ = fork();
  if (shell_ == 0) {
    close(master_);
    close(report[0]);
    RunShell(slave_, report[1], argv, options);
  }
  close(report[1]);
  report_ = report[0];
  if (ReadFully(report_, &pid_, sizeof pid_) != sizeof pid_) pid_ = -1;
  exited_ = pid_ <= 0;  // with no program there is nothing to wait for, nor to kill
}

PtySession::~PtySession() {
  if (pid_ > 0 && !exited_) {
    kill(pid_, SIGKILL);
    Reap(-1);
  }
  if (shell_ > 0) waitpid(shell_, nullptr, 0);
  if (report_ >= 0) close(report_);
  if (master_ >= 0) close(master_);
  if (slave_ >= 0) close(slave_);
}

bool PtySession::ReadSome(int timeoutMs) {
  struct pollfd request = {master_, POLLIN, 0};
  if (poll(&request, 1, timeoutMs) <= 0) return false;
  char buffer[4096];
  ssize_t n = read(master_, buffer, sizeof buffer);
  if (n <= 0) return false;
  output_.append(buffer, static_cast<size_t>(n));
  return true;
}

bool PtySession::WaitFor(const std::string& text, int count, int timeoutMs) {
  auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    int found = 0;
    for (size_t at = output_.find(text); at != std::string::npos;
         at = output_.find(text, at + text.size()))
      ++found;
    if (found >= count) return true;
    if (MillisecondsLeft(deadline) == 0) return false;
    if (ReadSome(std::min(MillisecondsLeft(deadline), 50))) continue;
    if (exited_) return false;  // ended, and all it printed has been read
    Reap(0);
  }
}

void PtySession::Send(const std::string& bytes) {
  ssize_t n = write(master_, bytes.data(), bytes.size());
  (void)n;
}

void PtySession::Signal(int signalNumber) {
  if (!exited_) kill(pid_, signalNumber);
}

bool PtySession::Stopped() const {
  // /proc/PID/stat: "pid (name) state ...", the name in parentheses.
  std::ifstream stat("/proc/" + std::to_string(pid_) + "/stat");
  std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
  std::size_t nameEnd = text.rfind(')');
  return nameEnd != std::string::npos && text.compare(nameEnd, 3, ") T") == 0;
}

bool PtySession::Reap(int timeoutMs) {
  if (exited_ || report_ < 0) return exited_;
  struct pollfd request = {report_, POLLIN, 0};
  if (poll(&request, 1, timeoutMs) <= 0) return false;
  exited_ = true;
  if (ReadFully(report_, &status_, sizeof status_) != sizeof status_) status_ = -1;
  return true;
}

RunResult PtySession::Finish(int timeoutMs) {
  RunResult result;
  auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!exited_) {
    ReadSome(std::min(MillisecondsLeft(deadline), 20));
    Reap(0);
    if (!exited_ && MillisecondsLeft(deadline) == 0) {
      result.timedOut = true;
      kill(pid_, SIGKILL);
      Reap(-1);
    }
  }
  while (ReadSome(20)) {
  }
  FillResult(status_, result);
  result.out = output_;
  return result;
}

struct termios PtySession::TerminalSettings() const {
  struct termios settings = {};
  tcgetattr(slave_, &settings);
  return settings;
}

void PtySession::SetTerminalSettings(const struct termios& settings) {
  tcsetattr(slave_, TCSANOW, &settings);
}
