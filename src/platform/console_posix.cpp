#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>

#include "platform/console.h"
#include "platform/key_decode.h"

namespace {

// Shared with the signal handlers, hence plain statics.
int g_tty = -1;
struct termios g_saved;
struct termios g_keys;
volatile sig_atomic_t g_waiting = 0;  // between BeginKeyWait and EndKeyWait
volatile sig_atomic_t g_keyMode = 0;  // the terminal holds g_keys
// The code of a key without a character, handed out at the call after its 0.
int g_pendingCode = 0;

// How long the rest of one key may take to arrive after its first byte.
const int kRestOfKeyMs = 50;

// A job in the background must leave the terminal alone: the foreground job owns it.
bool InForeground() {
  return tcgetpgrp(g_tty) == getpgrp();
}

// Sets the terminal, from the foreground only. SIGTTOU is held meanwhile, so
// that even a job put in the background just after the check is not stopped.
bool SetTerminal(const struct termios& settings) {
  sigset_t ttou, old;
  sigemptyset(&ttou);
  sigaddset(&ttou, SIGTTOU);
  sigprocmask(SIG_BLOCK, &ttou, &old);
  bool done = InForeground() && tcsetattr(g_tty, TCSANOW, &settings) == 0;
  sigprocmask(SIG_SETMASK, &old, nullptr);
  return done;
}

void EnterKeyMode() {
  g_keyMode = 1;  // first, so that a signal arriving meanwhile restores
  if (!SetTerminal(g_keys)) g_keyMode = 0;
}

void LeaveKeyMode() {
  if (g_keyMode) SetTerminal(g_saved);
  g_keyMode = 0;
}

// No SA_RESTART: a read interrupted by a stop and continue returns EINTR.
void Handle(int signalNumber, void (*handler)(int), struct sigaction* old) {
  struct sigaction action = {};
  action.sa_handler = handler;
  sigemptyset(&action.sa_mask);
  sigaction(signalNumber, &action, old);
}

// Restores the terminal, then lets the signal do what it would have done.
void RestoreAndReraise(int signalNumber) {
  LeaveKeyMode();
  signal(signalNumber, SIG_DFL);
  raise(signalNumber);
}

// Ctrl-Z: the terminal as found while stopped, then the stop itself, here,
// until SIGCONT; after that the handler is armed again. An orphaned process
// group (no shell to continue it) is not stopped: the pause just goes on.
void RestoreAndStop(int signalNumber) {
  int savedErrno = errno;
  LeaveKeyMode();
  signal(signalNumber, SIG_DFL);
  sigset_t stop;
  sigemptyset(&stop);
  sigaddset(&stop, signalNumber);
  sigprocmask(SIG_UNBLOCK, &stop, nullptr);
  raise(signalNumber);
  Handle(signalNumber, RestoreAndStop, nullptr);
  if (g_waiting) EnterKeyMode();
  errno = savedErrno;
}

// Continued (after any stop): key mode again if the pause is back in the
// foreground. A read under way returns EINTR and looks at g_keyMode.
void ReenterKeyMode(int) {
  int savedErrno = errno;
  if (g_waiting) EnterKeyMode();
  errno = savedErrno;
}

const struct {
  int signalNumber;
  void (*handler)(int);
} kHandlers[] = {{SIGINT, RestoreAndReraise}, {SIGTERM, RestoreAndReraise},
                 {SIGHUP, RestoreAndReraise}, {SIGQUIT, RestoreAndReraise},
                 {SIGTSTP, RestoreAndStop},   {SIGCONT, ReenterKeyMode}};
const int kHandlerCount = sizeof kHandlers / sizeof kHandlers[0];
struct sigaction g_oldActions[kHandlerCount];

void InstallHandlers() {
  for (int i = 0; i < kHandlerCount; ++i)
    Handle(kHandlers[i].signalNumber, kHandlers[i].handler, &g_oldActions[i]);
}

void RestoreHandlers() {
  for (int i = 0; i < kHandlerCount; ++i)
    sigaction(kHandlers[i].signalNumber, &g_oldActions[i], nullptr);
}

// Returns the byte read, or -1 at end of input, on error, or when the process
// was continued in the background (the pause then goes on as with no terminal).
int ReadByte() {
  for (;;) {
    unsigned char byte;
    ssize_t n = read(g_tty, &byte, 1);
    if (n == 1) return byte;
    if (n < 0 && errno == EINTR && g_keyMode) continue;
    return -1;
  }
}

bool ByteArrives(int timeoutMs) {
  struct pollfd request = {g_tty, POLLIN, 0};
  for (;;) {
    int n = poll(&request, 1, timeoutMs);
    if (n < 0 && errno == EINTR) continue;
    return n > 0 && (request.revents & POLLIN) != 0;
  }
}

}  // namespace

int BeginKeyWait() {
  g_tty = open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (g_tty < 0) return -1;
  // tcgetpgrp and tcgetattr are allowed from the background; only setting
  // the terminal would stop a background job.
  if (!InForeground() || tcgetattr(g_tty, &g_saved) != 0) {
    close(g_tty);
    g_tty = -1;
    return -1;
  }
  g_keys = g_saved;
  g_keys.c_lflag &= static_cast<tcflag_t>(~(ICANON | ECHO));
  g_keys.c_cc[VMIN] = 1;
  g_keys.c_cc[VTIME] = 0;
  InstallHandlers();
  g_waiting = 1;
  EnterKeyMode();
  if (g_keyMode) return 0;
  EndKeyWait();  // put in the background meanwhile
  return -1;
}

int ReadConsoleKey() {
  if (g_tty < 0) return -1;
  if (g_pendingCode != 0) {
    int code = g_pendingCode;
    g_pendingCode = 0;
    return code;
  }
  unsigned char bytes[32];
  int first = ReadByte();
  if (first < 0) return -1;
  bytes[0] = static_cast<unsigned char>(first);
  std::size_t count = 1;
  // Exactly one key: bytes that follow its end are the next key's, and stay
  // queued in the terminal for the next pause.
  while (!IsWholeKey(bytes, count) && count < sizeof bytes && ByteArrives(kRestOfKeyMs)) {
    int next = ReadByte();
    if (next < 0) break;
    bytes[count++] = static_cast<unsigned char>(next);
  }
  int key = DecodeKey(bytes, count);
  if (key < 0x100) return key;
  g_pendingCode = key >> 8;
  return 0;
}

void EndKeyWait() {
  if (g_tty < 0) return;
  g_waiting = 0;
  LeaveKeyMode();
  g_pendingCode = 0;
  RestoreHandlers();
  close(g_tty);
  g_tty = -1;
}

bool StandardErrorIsTerminal() {
  return isatty(STDERR_FILENO) == 1;
}
