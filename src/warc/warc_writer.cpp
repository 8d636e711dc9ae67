#include "warc/warc_writer.h"

#include <algorithm>
#include <cstring>

#include "core/text_escape.h"

namespace {

void AddKnown(std::vector<WarcField>& fields, const char* name, std::string value) {
  if (!value.empty()) fields.push_back({name, std::move(value)});
}

// What the index says of a capture beyond its URL and date, as warc-fields.
std::string MetadataFields(const Capture& capture) {
  const EntryBlock& block = capture.block;
  std::vector<WarcField> fields = {{"cached_file", capture.file},
                                   {"offset", std::to_string(capture.offset)},
                                   {"state", LivenessText(capture.state)},
                                   {"type", std::to_string(capture.type)}};
  AddKnown(fields, "modified", IsoTime(capture.modificationTime));
  AddKnown(fields, "accessed", IsoTime(capture.lastAccessTime));
  if (block.recognised) {
    AddKnown(fields, "content_type", block.contentType);
    AddKnown(fields, "content_encoding", block.contentEncoding);
    AddKnown(fields, "charset", block.charset);
    fields.push_back({"content_length", std::to_string(block.contentLength)});
    AddKnown(fields, "expires", IsoTime(block.expires));
    fields.push_back({"method", MethodName(block)});
    // The browser kept only part of the document.
    if (block.incomplete) {
      fields.push_back({"incomplete", "true"});
      fields.push_back({"real_content_length", std::to_string(block.realContentLength)});
    }
  }
  return WarcFields(fields);
}

const char kRevisitProfile[] = "http://netpreserve.org/warc/1.1/revisit/identical-payload-digest";
// What is read of a file for its compressibility, and of that for its content type.
const std::size_t kSniffLength = 4096;
const std::size_t kTypeSniffLength = 512;
const std::size_t kPiece = 1 << 16;
const std::size_t kIdsDrawn = 256;

// Ends a record after its block.
const std::size_t kRecordEndLength = sizeof kRecordEnd - 1;

}  // namespace

WarcWriter::WarcWriter(Stream* out, int gzipLevel)
    : sink_(out, gzipLevel), compressing_(gzipLevel > 0) {}

std::string WarcWriter::NextId() {
  // Random bytes are drawn for many IDs at a time. Without a random source, the
  // record's number keeps the IDs unique within the archive.
  if (random_.empty() || used_ == random_.size()) {
    random_.assign(kIdsDrawn * 16, 0);
    RandomBytes(random_.data(), random_.size());
    used_ = 0;
  }
  unsigned char bytes[16];
  std::memcpy(bytes, random_.data() + used_, sizeof bytes);
  used_ += sizeof bytes;
  ++records_;
  for (int i = 0; i < 6; ++i) bytes[10 + i] ^= static_cast<unsigned char>(records_ >> (8 * i));
  return RecordId(bytes);
}

bool WarcWriter::Block(const void* bytes, std::size_t n, bool end) {
  sink_.Put(bytes, n, end);
  return !sink_.failed();
}

bool WarcWriter::Head(const char* type, const std::vector<WarcField>& fields,
                      std::uint64_t length) {
  std::string head = RecordHead(type, fields, length);
  return Block(head.data(), head.size(), false);
}

bool WarcWriter::Begin(std::uint32_t runTime, const std::vector<WarcField>& info) {
  std::string body = WarcFields(info);
  sha1_.Update(body.data(), body.size());
  Head("warcinfo",
       {{"WARC-Record-ID", NextId()},
        {"WARC-Date", IsoTime(runTime)},
        {"Content-Type", "application/warc-fields"},
        {"WARC-Block-Digest", Sha1Label(sha1_.Finish())}},
       body.size());
  Block(body.data(), body.size(), false);
  return Block(kRecordEnd, kRecordEndLength, true);
}

bool WarcWriter::HeadCapture(const Capture& capture, const std::string& sha1, std::uint64_t length,
                             const unsigned char* head, std::size_t headLength, bool* revisit) {
  std::string uri = TargetUri(capture.url);
  std::string date = IsoTime(capture.date);
  std::string digest = Sha1Label(sha1);
  id_ = NextId();
  auto found = originals_.find(uri + ' ' + sha1);
  *revisit = found != originals_.end();
  if (*revisit) {
    sink_.StoreNext(false);
    static const std::string kEmptyDigest = "sha1:3I42H3S6NNFQ2MSVX7XZKYAYSCX5QBYJ";
    Head("revisit",
         {{"WARC-Record-ID", id_},
          {"WARC-Date", date},
          {"WARC-Target-URI", uri},
          {"WARC-Profile", kRevisitProfile},
          {"WARC-Refers-To", found->second.id},
          {"WARC-Refers-To-Target-URI", uri},
          {"WARC-Refers-To-Date", found->second.date},
          {"WARC-Payload-Digest", digest},
          {"WARC-Block-Digest", kEmptyDigest}},
         0);
    return Block(kRecordEnd, kRecordEndLength, true);
  }
  originals_.emplace(uri + ' ' + sha1, Original{id_, date});
  std::vector<WarcField> fields = {
      {"WARC-Record-ID", id_},
      {"WARC-Date", date},
      {"WARC-Target-URI", uri},
      {"Content-Type", ContentTypeOf(capture.block, head, std::min(headLength, kTypeSniffLength))},
      {"WARC-Payload-Digest", digest},
      {"WARC-Block-Digest", digest}};
  // A document the browser kept only in part.
  if (capture.block.recognised && capture.block.incomplete)
    fields.push_back({"WARC-Truncated", "unspecified"});
  return Head("resource", fields, length);
}

bool WarcWriter::Metadata(const Capture& capture) {
  sink_.StoreNext(false);
  std::string body = MetadataFields(capture);
  sha1_.Update(body.data(), body.size());
  std::string concurrent = id_;
  Head("metadata",
       {{"WARC-Record-ID", NextId()},
        {"WARC-Date", IsoTime(capture.date)},
        {"WARC-Target-URI", TargetUri(capture.url)},
        {"WARC-Concurrent-To", concurrent},
        {"Content-Type", "application/warc-fields"},
        {"WARC-Block-Digest", Sha1Label(sha1_.Finish())}},
       body.size());
  Block(body.data(), body.size(), false);
  return Block(kRecordEnd, kRecordEndLength, true);
}

bool WarcWriter::AddBytes(const Capture& capture, const unsigned char* bytes, std::size_t n) {
  sha1_.Update(bytes, n);
  std::string sha1 = sha1_.Finish();
  sink_.StoreNext(compressing_ && LooksCompressed(bytes, n));
  bool revisit = false;
  if (!HeadCapture(capture, sha1, n, bytes, std::min(n, kSniffLength), &revisit)) return false;
  if (!revisit) {
    Block(bytes, n, false);
    Block(kRecordEnd, kRecordEndLength, true);
  }
  return Metadata(capture);
}

Archived WarcWriter::AddFile(const Capture& capture, Stream* source, std::int64_t size) {
  if (sink_.failed()) return Archived::kFailed;
  auto piece = std::make_unique<unsigned char[]>(kPiece);
  unsigned char head[kSniffLength];
  std::size_t headLength = 0;
  std::int64_t read = 0;
  for (std::size_t got = 1; got > 0 && read < size;) {
    got = ReadBytes(source, piece.get(),
                    static_cast<std::size_t>(std::min<std::int64_t>(kPiece, size - read)));
    if (read == 0) std::memcpy(head, piece.get(), headLength = std::min(got, kSniffLength));
    sha1_.Update(piece.get(), got);
    read += static_cast<std::int64_t>(got);
  }
  std::string sha1 = sha1_.Finish();
  if (read != size || SeekStream(source, 0) != 0) return Archived::kUnreadable;
  sink_.StoreNext(compressing_ && LooksCompressed(head, headLength));
  bool revisit = false;
  if (!HeadCapture(capture, sha1, static_cast<std::uint64_t>(size), head, headLength, &revisit))
    return Archived::kFailed;
  if (!revisit) {
    for (read = 0; read < size && !sink_.failed();) {
      std::size_t want = static_cast<std::size_t>(std::min<std::int64_t>(kPiece, size - read));
      std::size_t got = ReadBytes(source, piece.get(), want);
      sha1_.Update(piece.get(), got);
      read += static_cast<std::int64_t>(got);
      Block(piece.get(), got, false);
      if (got < want) break;
    }
    // Finished whatever the reads gave, so the next digest starts clean.
    bool same = sha1_.Finish() == sha1 && read == size;
    SeekStream(source, 0);
    if (!same) {
      // The file changed while it was read: its record is taken back.
      sink_.TakeBack();
      originals_.erase(TargetUri(capture.url) + ' ' + sha1);
      return sink_.failed() ? Archived::kFailed : Archived::kUnreadable;
    }
    Block(kRecordEnd, kRecordEndLength, true);
  }
  return Metadata(capture) ? Archived::kDone : Archived::kFailed;
}

bool WarcWriter::End() {
  return sink_.End();
}
