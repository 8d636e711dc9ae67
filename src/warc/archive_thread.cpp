#include "warc/archive_thread.h"

#include <utility>

#include "platform/system.h"

namespace {

// How many bytes the jobs waiting may hold before Send waits.
const std::size_t kMostHeld = 16 << 20;
// How many jobs wake the thread when it waits.
const std::size_t kBatch = 16;

}  // namespace

ArchiveThread::ArchiveThread(WarcWriter& writer) : writer_(writer) {
  if (ProcessorsAvailable() > 1) thread_ = std::thread([this] { Run(); });
}

ArchiveThread::~ArchiveThread() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    ending_ = true;
  }
  ready_.notify_one();
  thread_.join();
}

void ArchiveThread::Archive(Job& job) {
  if (failed_) return;
  job.capture.block = &job.block;
  if (writer_.AddBytes(job.capture, job.bytes->data(), job.bytes->size(), ""))
    ++archived_;
  else
    failed_ = true;
}

void ArchiveThread::Send(Capture capture, const EntryBlock& block, SharedBytes bytes) {
  Job job{std::move(capture), block, std::move(bytes)};
  if (!thread_.joinable()) {
    Archive(job);
    return;
  }
  std::unique_lock<std::mutex> lock(mutex_);
  if (held_ >= kMostHeld) {
    senderWaits_ = true;
    done_.wait(lock, [this] { return held_ < kMostHeld; });
    senderWaits_ = false;
  }
  held_ += job.bytes->size();
  jobs_.push_back(std::move(job));
  // Each wakeup costs system calls: a waiting thread is woken for a batch of jobs.
  bool wake = threadWaits_ && (jobs_.size() >= kBatch || held_ >= kMostHeld / 2);
  lock.unlock();
  if (wake) ready_.notify_one();
}

void ArchiveThread::Wait() {
  if (!thread_.joinable()) return;
  std::unique_lock<std::mutex> lock(mutex_);
  senderWaits_ = true;
  ready_.notify_one();
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
    Job job = std::move(jobs_.front());
    jobs_.pop_front();
    busy_ = true;
    lock.unlock();
    Archive(job);
    lock.lock();
    busy_ = false;
    held_ -= job.bytes->size();
    if (senderWaits_) done_.notify_one();
  }
}
