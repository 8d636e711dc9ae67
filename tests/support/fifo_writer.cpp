#include "support/fifo_writer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <sstream>

namespace {

// The process sleeps (state S) inside the openat system call.
bool SleepsInOpen(pid_t pid) {
  std::ifstream syscallFile("/proc/" + std::to_string(pid) + "/syscall");
  std::string number;
  syscallFile >> number;
  std::ifstream statFile("/proc/" + std::to_string(pid) + "/stat");
  std::string line;
  std::getline(statFile, line);
  std::size_t nameEnd = line.rfind(')');
  bool sleeping = nameEnd != std::string::npos && line.compare(nameEnd, 4, ") S ") == 0;
  return sleeping && number == std::to_string(SYS_openat);
}

}  // namespace

BlockedFifoWriter::BlockedFifoWriter(const std::string& fifo) {
  int pipeEnds[2];
  if (pipe2(pipeEnds, O_CLOEXEC) != 0) return;
  pid_ = fork();
  if (pid_ == 0) {
    close(pipeEnds[0]);
    int fd = open(fifo.c_str(), O_WRONLY);  // sleeps until a reader opens the FIFO
    char byte = fd >= 0 ? 'R' : 'E';
    if (write(pipeEnds[1], &byte, 1) != 1) _exit(1);
    _exit(0);
  }
  close(pipeEnds[1]);
  report_ = pipeEnds[0];
  if (pid_ < 0) return;
  for (int i = 0; i < 2500 && !blocked_; ++i) {
    blocked_ = SleepsInOpen(pid_);
    if (!blocked_) usleep(2000);
  }
}

BlockedFifoWriter::~BlockedFifoWriter() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
  if (report_ >= 0) close(report_);
}

bool BlockedFifoWriter::Released() {
  struct pollfd ready = {report_, POLLIN, 0};
  char byte = 0;
  if (!released_ && poll(&ready, 1, 50) == 1 && read(report_, &byte, 1) == 1)
    released_ = byte == 'R';
  return released_;
}
