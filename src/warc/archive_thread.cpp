#include "warc/archive_thread.h"

#include <utility>

#include "platform/system.h"

namespace {

// How many bytes the jobs handed over may hold before the sender waits.
const std::size_t kMostHeld = 16 << 20;
// Jobs are handed over in batches of this many, or of this many bytes: each
// handover may cost system calls.
const std::size_t kBatchJobs = 32;
const std::size_t kBatchBytes = 1 << 20;

}  // namespace

ArchiveThread::ArchiveThread(WarcWriter& writer) : writer_(writer) {
  if (ProcessorsAvailable() > 1) thread_ = std::thread([this] { Run(); });
}

ArchiveThread::~ArchiveThread() {
  if (!thread_.joinable()) return;
  HandOver();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ending_ = true;
  }
  ready_.notify_one();
  thread_.join();
}

void ArchiveThread::Archive(Job& job) {
  if (failed_) return;
  if (writer_.AddBytes(job.capture, job.bytes->data(), job.bytes->size()))
    ++archived_;
  else
    failed_ = true;
}

void ArchiveThread::Send(Capture capture, SharedBytes bytes) {
  Job job{std::move(capture), std::move(bytes)};
  if (!thread_.joinable()) {
    Archive(job);
    return;
  }
  batchBytes_ += job.bytes->size();
  batch_.push_back(std::move(job));
  if (batch_.size() >= kBatchJobs || batchBytes_ >= kBatchBytes) HandOver();
}

void ArchiveThread::HandOver() {
  if (batch_.empty()) return;
  std::unique_lock<std::mutex> lock(mutex_);
  if (held_ >= kMostHeld) {
    senderWaits_ = true;
    done_.wait(lock, [this] { return held_ < kMostHeld; });
    senderWaits_ = false;
  }
  held_ += batchBytes_;
  for (Job& job : batch_) jobs_.push_back(std::move(job));
  batch_.clear();
  batchBytes_ = 0;
  bool wake = threadWaits_;
  lock.unlock();
  if (wake) ready_.notify_one();
}

void ArchiveThread::Wait() {
  if (!thread_.joinable()) return;
  HandOver();
  std::unique_lock<std::mutex> lock(mutex_);
  senderWaits_ = true;
  done_.wait(lock, [this] { return jobs_.empty() && !busy_; });
  senderWaits_ = false;
}

void ArchiveThread::Run() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    threadWaits_ = true;
    ready_.wait(lock, [this] { return !jobs_.empty() || ending_; });
    threadWaits_ = false;
    if (jobs_.empty()) return;
    // Every job handed over is taken at once.
    std::deque<Job> taken = std::move(jobs_);
    jobs_.clear();
    busy_ = true;
    lock.unlock();
    std::size_t bytes = 0;
    for (Job& job : taken) {
      Archive(job);
      bytes += job.bytes->size();
    }
    taken.clear();
    lock.lock();
    busy_ = false;
    held_ -= bytes;
    if (senderWaits_) done_.notify_one();
  }
}
