// The entry records of the index, one after another, each with its cached file
// opened ahead where a second core can do that while the caller saves the
// entries before it. The thread that reads ahead says nothing and never pauses:
// every message and pause stays with the caller, in entry order.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "index/entry_block.h"
#include "index/record_scanner.h"
#include "platform/stream.h"

// What the walk over the index takes from one entry record.
struct FoundRecord {
  std::string file;
  std::string url;
  std::int64_t position = 0;  // of the record in the index
  std::uint32_t lenEntry = 0;
  std::uint32_t type = 0;
  std::uint32_t typeUrl = 0;
  std::uint32_t lenUrl = 0;
  std::uint32_t modificationTime = 0;
  std::uint32_t lastAccessTime = 0;
  Stream* source = nullptr;  // the cached file, when it was opened ahead
  // For a report or an archive: the entry block decoded; for a report, the
  // SHA-256 of the cached file when it was read ahead into memory whole.
  EntryBlock block;
  std::string sha256;
};

// Opens a cached file, saying nothing; nullptr when it cannot.
using OpenQuietly = std::function<Stream*(const char* file)>;

// How many records with their files opened are held at most.
inline constexpr std::size_t kReadAheadDepth = 16;

// For a report, cached files up to this size are read ahead into memory and
// hashed there, so that the saving only writes them.
inline constexpr std::int64_t kMostReadIntoMemory = 256 * 1024;

// The open-file limit under which no file is opened ahead: the kept output
// folders take up to half of it, and the files opened ahead must fit in the
// other half beside what a run holds anyway.
inline constexpr std::size_t kReadAheadMinHandles = 256;

// What the thread does with the cached files besides opening them.
enum class Reading {
  kOpen,
  kHashed,    // for a report: small ones are read into memory and hashed
  kInMemory,  // for a listing or an archive: small ones are read into memory, unhashed
};

class RecordFeed {
 public:
  // Feeds the records of the index from the stream's position. With open given
  // and a second processor to run on, a thread finds them and opens the cached file of each
  // whose name is shorter than maxFileLength; else they are found as they are asked for.
  // Reading more than kOpen: each record's entry block is decoded too.
  RecordFeed(Stream* index, std::size_t maxFileLength, OpenQuietly open, Reading reading);
  // Stops the thread and closes what it opened that was not taken.
  ~RecordFeed();
  RecordFeed(const RecordFeed&) = delete;
  RecordFeed& operator=(const RecordFeed&) = delete;

  // The next record in index order (its source, if any, then the caller's to
  // close); false at the end of the index.
  bool Next(FoundRecord& found);

 private:
  bool Find(FoundRecord& found);
  void ReadAhead();

  std::unique_ptr<IndexScanner> scanner_;
  std::unique_ptr<unsigned char[]> record_;
  std::size_t maxFileLength_;
  OpenQuietly open_;
  Reading reading_;
  std::mutex mutex_;
  std::condition_variable ready_;  // a record was added, or the index ended
  std::condition_variable roomy_;  // the queue fell to half, or the feed stops
  std::deque<FoundRecord> queue_;
  bool ended_ = false;
  bool stopping_ = false;
  std::thread thread_;  // not joinable when the records are found as asked for
};
