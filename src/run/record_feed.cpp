#include "run/record_feed.h"

#include <optional>
#include <utility>

#include "platform/read_digest.h"
#include "platform/system.h"

namespace {

// The cached file read whole into memory, its file then closed; with sha256
// given, hashed on the way. The file itself, unread, when it is larger than
// kMostReadIntoMemory or no memory is left for it.
Stream* ReadIntoMemory(Stream* file, std::string* sha256) {
  std::int64_t size = StreamFileSize(file);
  if (size < 0 || size > kMostReadIntoMemory) return file;
  std::vector<unsigned char> bytes(static_cast<std::size_t>(size));
  std::optional<ReadDigest> digest;
  if (sha256 != nullptr) DigestReads(file, &digest.emplace(size));
  bytes.resize(ReadBytes(file, bytes.data(), bytes.size()));
  DigestReads(file, nullptr);
  Stream* held = StreamOnBytes(std::move(bytes), size);
  if (held == nullptr) {
    SeekStream(file, 0);
    return file;
  }
  CloseStream(file);
  if (digest) *sha256 = digest->hex();
  return held;
}

}  // namespace

RecordFeed::RecordFeed(Stream* index, std::size_t maxFileLength, OpenQuietly open, Reading reading)
    : scanner_(std::make_unique<IndexScanner>()),
      record_(std::make_unique<unsigned char[]>(kMaxRecordLength)),
      maxFileLength_(maxFileLength),
      open_(std::move(open)),
      reading_(reading) {
  StartScan(*scanner_, index);
  // On one core the thread would only take turns with the saving.
  if (open_ && ProcessorsAvailable() > 1) thread_ = std::thread([this] { ReadAhead(); });
}

RecordFeed::~RecordFeed() {
  if (!thread_.joinable()) return;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  roomy_.notify_one();
  thread_.join();
  for (FoundRecord& left : queue_) CloseStream(left.source);
}

bool RecordFeed::Find(FoundRecord& found) {
  if (FindNextRecord(*scanner_, record_.get()) != 1) return false;
  const unsigned char* record = record_.get();
  // The scanner guarantees both texts end inside the record: File at the zero
  // bytes that close the entry block, URL at the zero bytes that close its block.
  std::uint32_t lenEntry = LoadU32(record);
  found.file = reinterpret_cast<const char*>(record + kFileOffset);
  found.url = reinterpret_cast<const char*>(record + lenEntry + kUrlOffsetInBlock);
  found.position = scanner_->recordPosition;
  found.lenEntry = lenEntry;
  found.type = LoadU32(record + kTypeOffset);
  found.typeUrl = LoadU32(record + lenEntry + 4);
  found.lenUrl = LoadU32(record + lenEntry);
  found.modificationTime = LoadU32(record + kModificationTimeOffset);
  found.lastAccessTime = LoadU32(record + kLastAccessTimeOffset);
  found.source = nullptr;
  if (reading_ != Reading::kOpen) found.block = DecodeEntryBlock(record, lenEntry);
  return true;
}

bool RecordFeed::Next(FoundRecord& found) {
  if (!thread_.joinable()) return Find(found);
  std::unique_lock<std::mutex> lock(mutex_);
  ready_.wait(lock, [this] { return !queue_.empty() || ended_; });
  if (queue_.empty()) return false;
  found = std::move(queue_.front());
  queue_.pop_front();
  // The thread waits for room until half the queue is free: it is woken once
  // for every half-queue, not for every record.
  if (queue_.size() == kReadAheadDepth / 2) roomy_.notify_one();
  return true;
}

void RecordFeed::ReadAhead() {
  for (;;) {
    FoundRecord found;
    bool more = Find(found);
    if (more && found.file.size() < maxFileLength_) found.source = open_(found.file.c_str());
    // While a listing only hashes, the hashing is left to it: the work is shared.
    if (found.source != nullptr && reading_ != Reading::kOpen)
      found.source =
          ReadIntoMemory(found.source, reading_ == Reading::kHashed ? &found.sha256 : nullptr);
    std::unique_lock<std::mutex> lock(mutex_);
    if (queue_.size() >= kReadAheadDepth)
      roomy_.wait(lock, [this] { return stopping_ || queue_.size() <= kReadAheadDepth / 2; });
    if (stopping_) {
      CloseStream(found.source);
      return;
    }
    if (more) queue_.push_back(std::move(found));
    ended_ = !more;
    lock.unlock();
    ready_.notify_one();
    if (!more) return;
  }
}
