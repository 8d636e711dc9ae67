#include "platform/read_digest.h"

ReadDigest::ReadDigest(std::int64_t size) : size_(size) {
  if (size_ == 0) hex_ = sha_.FinishHex();
}

void ReadDigest::Feed(std::int64_t position, const void* bytes, std::size_t n) {
  if (complete() || n == 0) return;
  if (position == 0 && next_ != 0) {
    sha_.Reset();
    next_ = 0;
  }
  if (position != next_) return;
  // A file that grew since it was measured is taken at its measured size.
  std::int64_t left = size_ - next_;
  if (static_cast<std::int64_t>(n) > left) n = static_cast<std::size_t>(left);
  sha_.Update(bytes, n);
  next_ += static_cast<std::int64_t>(n);
  if (next_ == size_) hex_ = sha_.FinishHex();
}
