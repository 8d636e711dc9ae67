// The SHA-256 of a file, taken from the reads that a run makes of it anyway: a
// comparison that stops early, a copy that starts over, a fingerprint. It is
// known once every byte was read in order from the file's start.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/crypto.h"

class ReadDigest {
 public:
  // For a file of size bytes.
  explicit ReadDigest(std::int64_t size);

  // Takes n bytes read at position. A read from the start begins the digest
  // again; one that does not continue where the digest stands is not taken.
  void Feed(std::int64_t position, const void* bytes, std::size_t n);

  bool complete() const { return !hex_.empty(); }
  // Where the next byte must be read from for the digest to go on.
  std::int64_t next() const { return next_; }
  // 64 lowercase hexadecimal digits once complete, else "".
  const std::string& hex() const { return hex_; }

 private:
  Hash sha_{HashKind::kSha256};
  std::int64_t size_;
  std::int64_t next_ = 0;
  std::string hex_;
};
