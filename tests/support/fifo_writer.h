// A process blocked opening a FIFO for writing: it is released only when some
// process opens the FIFO for reading, even briefly and without blocking. So it
// tells whether the program under test ever opened the FIFO.
#pragma once

#include <sys/types.h>

#include <string>

class BlockedFifoWriter {
 public:
  // Starts the writer and waits until it sleeps in its open.
  explicit BlockedFifoWriter(const std::string& fifo);
  ~BlockedFifoWriter();  // ends the writer
  BlockedFifoWriter(const BlockedFifoWriter&) = delete;
  BlockedFifoWriter& operator=(const BlockedFifoWriter&) = delete;

  // True once the writer was seen sleeping in its open (else the test proves nothing).
  bool blocked() const { return blocked_; }
  // True when the writer's open has returned: a reader opened the FIFO.
  bool Released();

 private:
  pid_t pid_ = -1;
  int report_ = -1;  // the writer writes one byte here once its open returns
  bool blocked_ = false;
  bool released_ = false;
};
