// Captures of bytes held in memory, archived in the order given by a thread of
// their own where a second processor can run it, so that the saving of the
// entries goes on meanwhile: their digests, records and compression are done
// there.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <mutex>
#include <thread>
#include <vector>

#include "platform/stream.h"
#include "warc/warc_writer.h"

class ArchiveThread {
 public:
  explicit ArchiveThread(WarcWriter& writer);
  // Archives what was sent, then ends the thread.
  ~ArchiveThread();
  ArchiveThread(const ArchiveThread&) = delete;
  ArchiveThread& operator=(const ArchiveThread&) = delete;

  // Archives the capture of the bytes after those sent before. Waits while many are held.
  void Send(Capture capture, SharedBytes bytes);

  // Waits until every capture sent is archived: the writer is then the caller's
  // until the next Send.
  void Wait();

  // Whether the writer failed: what is sent from then on is dropped.
  bool failed() const { return failed_; }
  // How many captures were archived.
  unsigned long archived() const { return archived_; }

 private:
  struct Job {
    Capture capture;
    SharedBytes bytes;
  };
  void Archive(Job& job);
  // Hands the batch over to the thread.
  void HandOver();
  void Run();

  WarcWriter& writer_;
  std::atomic<bool> failed_{false};
  std::atomic<unsigned long> archived_{0};
  std::mutex mutex_;
  std::condition_variable ready_;  // a job was sent, or the thread ends
  std::condition_variable done_;   // a job was archived
  std::vector<Job> batch_;         // sent, not yet handed over
  std::size_t batchBytes_ = 0;
  std::deque<Job> jobs_;      // handed over, not yet taken
  std::size_t held_ = 0;      // bytes of the jobs handed over and not yet archived
  bool busy_ = false;         // a job is being archived
  bool threadWaits_ = false;  // for a job
  bool senderWaits_ = false;  // for room, or for every job to be archived
  bool ending_ = false;
  std::thread thread_;  // not joinable when jobs are archived as they are sent
};
