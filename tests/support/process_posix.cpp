#include "support/process.h"
#include "support/pty_session.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>

namespace {

using Clock = std::chrono::steady_clock;

int MillisecondsLeft(Clock::time_point deadline) {
  auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
  return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

std::vector<char*> MakeArgv(const std::vector<std::string>& args) {
  std::vector<char*> argv;
  argv.push_back(const_cast<char*>(TalvexBinary()));
  for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
  argv.push_back(nullptr);
  return argv;
}

// In the child: working directory, limits, stdin from /dev/null, then exec.
[[noreturn]] void ExecTalvex(const std::vector<char*>& argv, const RunOptions& options) {
  if (chdir(options.cwd.c_str()) != 0) _exit(126);
  if (options.fileSizeLimit >= 0) {
    struct rlimit limit = {static_cast<rlim_t>(options.fileSizeLimit),
                           static_cast<rlim_t>(options.fileSizeLimit)};
    setrlimit(RLIMIT_FSIZE, &limit);
  }
  int devNull = open("/dev/null", O_RDONLY);
  dup2(devNull, 0);
  close(devNull);
  execv(argv[0], argv.data());
  _exit(127);
}

void FillResult(int status, RunResult& result) {
  if (WIFEXITED(status)) result.exitCode = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
}

// Waits for the child until the deadline, then kills it.
int WaitChild(pid_t pid, Clock::time_point deadline, bool& timedOut) {
  int status = 0;
  for (;;) {
    pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) return status;
    if (MillisecondsLeft(deadline) == 0) {
      timedOut = true;
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return status;
    }
    usleep(2000);
  }
}

}  // namespace

const char* TalvexBinary() {
  return TALVEX_BINARY;
}

std::string Pauses(std::size_t n) {
  std::string text;
  for (std::size_t i = 0; i < n; ++i)
    text += std::string(kPromptText) + "\r" + std::string(41, ' ') + "\r";
  return text;
}

RunResult RunDetached(const std::vector<std::string>& args, const RunOptions& options) {
  RunResult result;
  int outPipe[2], errPipe[2];
  if (pipe(outPipe) != 0 || pipe(errPipe) != 0) return result;
  std::vector<char*> argv = MakeArgv(args);
  pid_t pid = fork();
  if (pid == 0) {
    setsid();  // no controlling terminal
    dup2(outPipe[1], 1);
    dup2(errPipe[1], 2);
    close(outPipe[0]);
    close(errPipe[0]);
    close(outPipe[1]);
    close(errPipe[1]);
    ExecTalvex(argv, options);
  }
  close(outPipe[1]);
  close(errPipe[1]);
  auto deadline = Clock::now() + std::chrono::milliseconds(options.timeoutMs);
  struct pollfd fds[2] = {{outPipe[0], POLLIN, 0}, {errPipe[0], POLLIN, 0}};
  std::string* sinks[2] = {&result.out, &result.err};
  int open = 2;
  while (open > 0 && MillisecondsLeft(deadline) > 0) {
    if (poll(fds, 2, MillisecondsLeft(deadline)) <= 0) continue;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buffer[4096];
      ssize_t n = read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        sinks[i]->append(buffer, static_cast<size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
  for (auto& fd : fds)
    if (fd.fd >= 0) close(fd.fd);
  FillResult(WaitChild(pid, deadline, result.timedOut), result);
  return result;
}

PtySession::PtySession(const std::vector<std::string>& args, const RunOptions& options)
    : timeoutMs_(options.timeoutMs) {
  if (openpty(&master_, &slave_, nullptr, nullptr, nullptr) != 0) return;
  std::vector<char*> argv = MakeArgv(args);
  pid_ = fork();
  if (pid_ == 0) {
    setsid();
    ioctl(slave_, TIOCSCTTY, 0);
    dup2(slave_, 1);
    dup2(slave_, 2);
    close(master_);
    close(slave_);
    ExecTalvex(argv, options);
  }
}

PtySession::~PtySession() {
  if (pid_ > 0 && !exited_) {
    kill(pid_, SIGKILL);
    waitpid(pid_, &status_, 0);
  }
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
    if (waitpid(pid_, &status_, WNOHANG) == pid_) exited_ = true;
  }
}

void PtySession::Send(const std::string& bytes) {
  ssize_t n = write(master_, bytes.data(), bytes.size());
  (void)n;
}

void PtySession::Signal(int signalNumber) {
  kill(pid_, signalNumber);
}

RunResult PtySession::Finish(int timeoutMs) {
  RunResult result;
  auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (!exited_) {
    ReadSome(std::min(MillisecondsLeft(deadline), 20));
    if (waitpid(pid_, &status_, WNOHANG) == pid_) exited_ = true;
    if (!exited_ && MillisecondsLeft(deadline) == 0) {
      result.timedOut = true;
      kill(pid_, SIGKILL);
      waitpid(pid_, &status_, 0);
      exited_ = true;
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
