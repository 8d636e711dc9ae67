// Text collected and written to a stream in large blocks.
#pragma once

#include <string>
#include <string_view>

#include "platform/stream.h"

class BlockWriter {
 public:
  explicit BlockWriter(Stream* stream) : stream_(stream) {}
  bool Take(std::string_view text) {
    buffer_ += text;
    return buffer_.size() < kBlock || Flush();
  }
  bool Flush() {
    bool written = WriteBlock(stream_, buffer_.data(), buffer_.size()) == 1;
    buffer_.clear();
    return written;
  }

 private:
  static constexpr std::size_t kBlock = 1 << 16;
  Stream* stream_;
  std::string buffer_;
};
