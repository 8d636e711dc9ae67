#include "warc/archive_sink.h"

#include <utility>

#include "platform/system.h"

namespace {

// Bytes collected before a block is sent, and blocks held at most.
const std::size_t kBlockSize = 1 << 20;
const std::size_t kBlocksHeld = 8;

}  // namespace

ArchiveSink::ArchiveSink(Stream* out, int gzipLevel) : out_(out) {
  if (gzipLevel > 0) gzip_ = std::make_unique<GzipMembers>(gzipLevel);
  if (ProcessorsAvailable() > 1) thread_ = std::thread([this] { Run(); });
}

ArchiveSink::~ArchiveSink() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.clear();
    ending_ = true;
  }
  ready_.notify_one();
  thread_.join();
}

void ArchiveSink::Put(const void* bytes, std::size_t n, bool recordEnd) {
  if (filling_.bytes.empty()) filling_.bytes.reserve(2 * kBlockSize);
  filling_.bytes.append(static_cast<const char*>(bytes), n);
  if (recordEnd) filling_.ends.push_back(filling_.bytes.size());
  if (filling_.bytes.size() < kBlockSize) {
    if (recordEnd) recordSent_ = false;
    return;
  }
  Send(std::exchange(filling_, Block()));
  recordSent_ = !recordEnd;
}

void ArchiveSink::TakeBack() {
  // A record not yet sent is cut off here; one partly sent is taken back by the writing.
  filling_.bytes.resize(filling_.ends.empty() ? 0 : filling_.ends.back());
  if (!recordSent_) return;
  recordSent_ = false;
  Block back;
  back.takeBack = true;
  Send(std::move(back));
}

bool ArchiveSink::End() {
  Send(std::exchange(filling_, Block()));
  if (thread_.joinable()) {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      ending_ = true;
    }
    ready_.notify_one();
    thread_.join();
  }
  return !failed_;
}

void ArchiveSink::Send(Block block) {
  if (!thread_.joinable()) {
    Write(block);
    return;
  }
  std::unique_lock<std::mutex> lock(mutex_);
  roomy_.wait(lock, [this] { return queue_.size() < kBlocksHeld; });
  queue_.push_back(std::move(block));
  lock.unlock();
  ready_.notify_one();
}

void ArchiveSink::Run() {
  for (;;) {
    std::unique_lock<std::mutex> lock(mutex_);
    ready_.wait(lock, [this] { return !queue_.empty() || ending_; });
    if (queue_.empty()) return;
    Block block = std::move(queue_.front());
    queue_.pop_front();
    lock.unlock();
    roomy_.notify_one();
    Write(block);
  }
}

void ArchiveSink::WriteBytes(const char* bytes, std::size_t n) {
  if (failed_ || n == 0) return;
  if (WriteBlock(out_, bytes, n) != 1) failed_ = true;
  written_ += static_cast<std::int64_t>(n);
}

void ArchiveSink::Write(const Block& block) {
  if (failed_) return;
  if (block.takeBack) {
    // What the unended record left in the compressor is dropped with it.
    if (gzip_) gzip_->Add(nullptr, 0, true, compressed_);
    compressed_.clear();
    written_ = committed_;
    if (SeekStream(out_, committed_) != 0 || TruncateStream(out_) != 0) failed_ = true;
    return;
  }
  if (!gzip_) {
    std::int64_t before = written_;
    WriteBytes(block.bytes.data(), block.bytes.size());
    if (!block.ends.empty()) committed_ = before + static_cast<std::int64_t>(block.ends.back());
    return;
  }
  // Each record its own gzip member.
  std::size_t start = 0;
  for (std::size_t i = 0; i <= block.ends.size(); ++i) {
    bool recordEnd = i < block.ends.size();
    std::size_t end = recordEnd ? block.ends[i] : block.bytes.size();
    compressed_.clear();
    // A member starts only with bytes to compress: zlib writes its header at once.
    if ((end > start || recordEnd) &&
        !gzip_->Add(block.bytes.data() + start, end - start, recordEnd, compressed_))
      failed_ = true;
    WriteBytes(compressed_.data(), compressed_.size());
    if (recordEnd) committed_ = written_;
    start = end;
  }
}
