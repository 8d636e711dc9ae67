// Gzip members made by zlib: an archive compressed one record at a time, so
// that a reader can start at any record.
#pragma once

#include <cstddef>
#include <string>

struct z_stream_s;

class GzipMembers {
 public:
  // At a zlib compression level, 1 (fastest) to 9 (smallest).
  explicit GzipMembers(int level);
  ~GzipMembers();
  GzipMembers(const GzipMembers&) = delete;
  GzipMembers& operator=(const GzipMembers&) = delete;

  // Compresses n bytes into out (appended); with end set, the member ends after
  // them and the next bytes start a new one. A member starts with its first
  // bytes, so none is made of nothing. Returns false when zlib fails (no
  // memory); nothing more is compressed then.
  bool Add(const void* bytes, std::size_t n, bool end, std::string& out);

 private:
  z_stream_s* stream_;
  bool failed_ = false;
};
