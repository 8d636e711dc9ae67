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

  // Whether the next member is stored as it is rather than compressed: called
  // before its first bytes.
  void StoreNext(bool stored);

 private:
  z_stream_s* stream_;
  int level_;
  bool stored_ = false;
  bool failed_ = false;
};

// Whether bytes look compressed already (a JPEG, a PNG, a ZIP): the first 4 KiB
// of n, when n is 512 or more, use close to all 256 byte values evenly (7.5 bits
// of entropy per byte or more). Compressing such bytes again costs much time
// and saves next to nothing.
bool LooksCompressed(const unsigned char* bytes, std::size_t n);
