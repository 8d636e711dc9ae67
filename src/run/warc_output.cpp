#include "run/warc_output.h"

#include "core/ascii.h"
#include "core/messages.h"
#include "core/say.h"
#include "core/text_escape.h"
#include "platform/crypto.h"

namespace {

const std::uint32_t kPost = 1;

// The index's SHA-256 in hex, read whole from its start; "" when it reads short.
std::string IndexDigest(Stream* index) {
  Hash sha(HashKind::kSha256);
  std::int64_t size = StreamFileSize(index);
  std::vector<unsigned char> piece(1 << 16);
  std::int64_t read = 0;
  SeekStream(index, 0);
  for (std::size_t got = 1; got > 0;) {
    got = ReadBytes(index, piece.data(), piece.size());
    sha.Update(piece.data(), got);
    read += static_cast<std::int64_t>(got);
  }
  SeekStream(index, 0);
  std::string hex = sha.FinishHex();
  return read == size ? hex : "";
}

}  // namespace

WarcOutput::WarcOutput()
    : file_({msg::kWarcInsideCache, msg::kWarcThroughCacheLink, msg::kWarcFolderMissing,
             msg::kWarcExists}) {}

bool WarcOutput::Prepare(const Settings& settings, const char* startDir,
                         const std::string& cacheDir) {
  const std::string& file = settings.warcFile;
  if (file.empty()) return true;
  if (EndsWithIgnoringCase(file, ".warc.gz")) {
    gzipLevel_ = kWarcGzipLevel;
  } else if (!EndsWithIgnoringCase(file, ".warc")) {
    Say(msg::kWarcFormatUnknown, file.c_str());
    return false;
  }
  verbose_ = settings.verbose;
  return file_.Prepare(file, settings, startDir, cacheDir);
}

bool WarcOutput::Start(CacheDir& cache, Stream* index, std::uint32_t runTime) {
  cache_ = &cache;
  runTime_ = runTime;
  Stream* stream = file_.Open();
  if (stream != nullptr) {
    writer_ = std::make_unique<WarcWriter>(stream, gzipLevel_);
    std::vector<WarcField> info = {{"software", msg::kWarcSoftware},
                                   {"format", "WARC File Format 1.1"},
                                   {"index", cache.path() + cache.indexName()}};
    std::string digest = IndexDigest(index);
    if (!digest.empty()) info.push_back({"index-sha256", digest});
    info.push_back({"run-time", IsoTime(runTime)});
    if (writer_->Begin(runTime, info)) {
      thread_ = std::make_unique<ArchiveThread>(*writer_);
      return true;
    }
  }
  Failed();
  return false;
}

Capture WarcOutput::CaptureOf(const FoundRecord& found, Liveness state) const {
  Capture capture;
  capture.url = found.url;
  capture.date = found.lastAccessTime     ? found.lastAccessTime
                 : found.modificationTime ? found.modificationTime
                                          : runTime_;
  capture.file = found.file;
  capture.offset = found.position;
  capture.state = state;
  capture.type = found.type;
  capture.modificationTime = found.modificationTime;
  capture.lastAccessTime = found.lastAccessTime;
  capture.block = found.block;
  return capture;
}

void WarcOutput::Add(const FoundRecord& found, Liveness state, Stream** source) {
  if (writer_ && thread_->failed()) Failed();
  if (!writer_) return;
  if (found.block.recognised && found.block.method == kPost) {
    posts_.push_back(CaptureOf(found, state));
    return;
  }
  if (*source == nullptr) *source = Open(found.file);
  if (*source == nullptr) return;
  // Bytes read whole into memory are archived by the thread, the rest here.
  SharedBytes held = HeldBytes(*source);
  if (held != nullptr && static_cast<std::int64_t>(held->size()) == StreamFileSize(*source)) {
    thread_->Send(CaptureOf(found, state), std::move(held));
    return;
  }
  Archive(CaptureOf(found, state), *source);
}

Stream* WarcOutput::Open(const std::string& file) {
  Settings quiet;
  bool noHandles = false;
  return cache_->OpenCachedFile(quiet, file.c_str(), &noHandles);
}

void WarcOutput::Archive(const Capture& capture, Stream* source) {
  // A file held in memory only in part read short: it is not archived.
  std::int64_t size = StreamFileSize(source);
  Archived archived = Archived::kUnreadable;
  if (size >= 0 && HeldBytes(source) == nullptr) {
    thread_->Wait();
    archived = writer_->AddFile(capture, source, size);
  }
  if (archived == Archived::kDone) ++archived_;
  if (archived == Archived::kUnreadable && verbose_) Say(msg::kCantArchive, capture.file.c_str());
  if (archived == Archived::kFailed) Failed();
}

bool WarcOutput::Finish() {
  if (!writer_) return !file_.prepared();
  for (const Capture& post : posts_) {
    if (writer_ && thread_->failed()) Failed();
    if (!writer_) break;
    Stream* source = Open(post.file);
    if (source == nullptr) continue;
    Archive(post, source);
    CloseStream(source);
  }
  if (!writer_) return false;
  EndThread();
  bool ended = writer_->End();
  writer_.reset();
  if (ended) return file_.Close(msg::kCantWriteWarc);
  file_.Drop();
  Say(msg::kCantWriteWarc, file_.file());
  return false;
}

void WarcOutput::EndThread() {
  threadArchived_ += thread_->archived();
  thread_.reset();
}

void WarcOutput::Failed() {
  if (thread_) thread_.reset();
  writer_.reset();
  file_.Drop();
  Say(msg::kCantWriteWarc, file_.file());
}
