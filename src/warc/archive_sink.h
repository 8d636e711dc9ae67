// Where a web archive's records go: collected in large blocks and written (and
// compressed) by a thread of their own where a second processor can run it, so
// that the saving of the entries goes on meanwhile.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/stream.h"
#include "warc/gzip_member.h"

class ArchiveSink {
 public:
  // Writes to out, plain, or with each record a gzip member at gzipLevel (0: plain).
  ArchiveSink(Stream* out, int gzipLevel);
  // Ends the thread; what was not yet written is dropped.
  ~ArchiveSink();
  ArchiveSink(const ArchiveSink&) = delete;
  ArchiveSink& operator=(const ArchiveSink&) = delete;

  // Takes the next n bytes of the current record; recordEnd: they end it.
  void Put(const void* bytes, std::size_t n, bool recordEnd);

  // Takes back the current record, written so far or not: the archive ends
  // after the last record ended.
  void TakeBack();

  // Writes out everything taken. Returns false when a write failed.
  bool End();

  // Whether a write has failed so far: nothing more is written then.
  bool failed() const { return failed_; }

 private:
  // A block of bytes, and the offsets in it where records end.
  struct Block {
    std::string bytes;
    std::vector<std::size_t> ends;
    bool takeBack = false;  // instead of bytes: take back the unended record
  };

  void Send(Block block);
  void Write(const Block& block);
  void WriteBytes(const char* bytes, std::size_t n);
  void Run();

  Stream* out_;
  std::unique_ptr<GzipMembers> gzip_;
  std::string compressed_;
  std::int64_t written_ = 0;    // bytes written to out
  std::int64_t committed_ = 0;  // where the last ended record ends in out
  Block filling_;
  bool recordSent_ = false;  // part of the current record was sent already
  std::atomic<bool> failed_{false};
  std::mutex mutex_;
  std::condition_variable ready_;  // a block was sent, or the sink ends
  std::condition_variable roomy_;  // a block was written
  std::deque<Block> queue_;
  bool ending_ = false;
  std::thread thread_;  // not joinable when blocks are written as they are sent
};
