// A web archive (WARC 1.1) of the cached files: one resource record of each
// file's bytes, or a revisit record where the same URL was archived with the
// same bytes before, each followed by a metadata record of what the index says.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "index/entry_block.h"
#include "index/hash_pages.h"
#include "platform/crypto.h"
#include "platform/stream.h"
#include "warc/archive_sink.h"
#include "warc/warc_text.h"

// One cached file to archive, and what the index says of it.
struct Capture {
  std::string url;
  std::uint32_t date = 0;   // of the capture, seconds since 1970, UTC; not 0
  std::string file;         // the cached file, as the index names it
  std::int64_t offset = 0;  // of its entry block in the index
  Liveness state = Liveness::kUnknown;
  std::uint32_t type = 0;
  std::uint32_t modificationTime = 0;
  std::uint32_t lastAccessTime = 0;
  EntryBlock block;
};

// What became of a capture whose bytes are read from a file.
enum class Archived { kDone, kUnreadable, kFailed };

class WarcWriter {
 public:
  // Writes to out, plain, or with each record a gzip member at gzipLevel (0: plain).
  WarcWriter(Stream* out, int gzipLevel);

  // Writes the warcinfo record, dated runTime, with the fields given. Returns
  // false when the archive could not be written.
  bool Begin(std::uint32_t runTime, const std::vector<WarcField>& info);

  // Archives a capture of n bytes held in memory. Returns false when the archive
  // could not be written.
  bool AddBytes(const Capture& capture, const unsigned char* bytes, std::size_t n);

  // Archives a capture of size bytes read from source from its start: read once
  // for the digest and once into the record. A file that reads short, or gives
  // other bytes the second time, is kUnreadable and leaves nothing behind.
  // The source is left at its start.
  Archived AddFile(const Capture& capture, Stream* source, std::int64_t size);

  // Writes out what is held. Returns false when the archive could not be written.
  bool End();

 private:
  struct Original {
    std::string id;
    std::string date;
  };

  std::string NextId();
  // Writes the head of a record of the type and fields, plus Content-Length.
  bool Head(const char* type, const std::vector<WarcField>& fields, std::uint64_t length);
  bool Block(const void* bytes, std::size_t n, bool end);
  // Heads the capture's record: a revisit (true, nothing more to write) or a
  // resource whose block the caller writes next.
  bool HeadCapture(const Capture& capture, const std::string& sha1, std::uint64_t length,
                   const unsigned char* head, std::size_t headLength, bool* revisit);
  bool Metadata(const Capture& capture);

  ArchiveSink sink_;
  bool compressing_;
  Hash sha1_{HashKind::kSha1};
  std::vector<unsigned char> random_;  // for record IDs
  std::size_t used_ = 0;               // of random_
  std::uint64_t records_ = 0;
  std::string id_;                                       // of the last resource or revisit record
  std::unordered_map<std::string, Original> originals_;  // by URI, space, digest
};
