#include "warc/archive_sink.h"

namespace {

// What is collected before it is written.
const std::size_t kBlockSize = 1 << 20;

}  // namespace

ArchiveSink::ArchiveSink(Stream* out, int gzipLevel) : out_(out) {
  if (gzipLevel > 0) gzip_ = std::make_unique<GzipMembers>(gzipLevel);
  buffer_.reserve(2 * kBlockSize);
}

void ArchiveSink::Put(const void* bytes, std::size_t n, bool recordEnd) {
  if (failed_) return;
  if (!gzip_) {
    buffer_.append(static_cast<const char*>(bytes), n);
  } else if (!gzip_->Add(bytes, n, recordEnd, buffer_)) {
    failed_ = true;
    return;
  }
  if (recordEnd) committed_ = written_ + static_cast<std::int64_t>(buffer_.size());
  if (buffer_.size() >= kBlockSize) Flush();
}

void ArchiveSink::Flush() {
  if (!failed_ && !buffer_.empty() && WriteBlock(out_, buffer_.data(), buffer_.size()) != 1)
    failed_ = true;
  written_ += static_cast<std::int64_t>(buffer_.size());
  buffer_.clear();
}

void ArchiveSink::TakeBack() {
  if (failed_) return;
  // What the record left in the compressor goes with it.
  std::string dropped;
  if (gzip_ && !gzip_->Add(nullptr, 0, true, dropped)) failed_ = true;
  if (committed_ >= written_) {
    buffer_.resize(static_cast<std::size_t>(committed_ - written_));
    return;
  }
  buffer_.clear();
  written_ = committed_;
  if (SeekStream(out_, committed_) != 0 || TruncateStream(out_) != 0) failed_ = true;
}

bool ArchiveSink::End() {
  Flush();
  return !failed_;
}
