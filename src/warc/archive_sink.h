// Where a web archive's records go: written in large blocks, plain or each
// record compressed as a gzip member of its own, so a reader can start at any
// record; a record can be taken back until the next one starts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/stream.h"
#include "warc/gzip_member.h"

class ArchiveSink {
 public:
  // Writes to out, plain, or with each record a gzip member at gzipLevel (0: plain).
  ArchiveSink(Stream* out, int gzipLevel);

  // Takes the next n bytes of the current record; recordEnd: they end it.
  void Put(const void* bytes, std::size_t n, bool recordEnd);

  // Whether the next record is stored in its gzip member rather than compressed:
  // called before its first bytes.
  void StoreNext(bool stored) {
    if (gzip_) gzip_->StoreNext(stored);
  }

  // Takes back the current record, written so far or not: the archive ends
  // after the last record ended.
  void TakeBack();

  // Writes out everything taken. Returns false when a write failed.
  bool End();

  // Whether a write has failed so far: nothing more is written then.
  bool failed() const { return failed_; }

 private:
  void Flush();

  Stream* out_;
  std::unique_ptr<GzipMembers> gzip_;
  std::string buffer_;          // what goes to out next, compressed where asked
  std::int64_t written_ = 0;    // bytes written to out
  std::int64_t committed_ = 0;  // where the last ended record ends, in out and buffer_ together
  bool failed_ = false;
};
