#include "index/entry_block.h"

#include "index/record_scanner.h"

namespace {

constexpr std::uint32_t kVersion3 = 3;
constexpr std::uint32_t kVersion5 = 5;
constexpr std::size_t kExpiresOffset = 16;
constexpr std::size_t kContentLengthOffset = 20;
constexpr std::size_t kNetscapeServerOffset = 24;  // the first field after them

// Reads fields one after the other from a block; the first that would pass the
// block's end, and every read after it, fails and gives 0 or an empty string.
class FieldReader {
 public:
  FieldReader(const unsigned char* block, std::size_t length, std::size_t at)
      : block_(block), length_(length), at_(at), ok_(at <= length) {}

  bool ok() const { return ok_; }

  std::uint32_t Word() {
    if (!Has(4)) return 0;
    std::uint32_t value = LoadU32(block_ + at_);
    at_ += 4;
    return value;
  }

  bool Flag() {
    if (!Has(1)) return false;
    unsigned char value = block_[at_++];
    if (value > 1) ok_ = false;
    return value == 1;
  }

  // A blob: its length, then its bytes, which are skipped.
  void SkipBlob() {
    std::uint32_t size = Word();
    if (Has(size)) at_ += size;
  }

  // A string: its length with the zero byte, then the bytes, the last one zero.
  std::string String() {
    std::uint32_t size = Word();
    if (size == 0 || !Has(size)) return {};
    const unsigned char* text = block_ + at_;
    at_ += size;
    if (text[size - 1] != 0) {
      ok_ = false;
      return {};
    }
    return std::string(reinterpret_cast<const char*>(text), size - 1);
  }

 private:
  // Whether n more bytes lie in the block; marks the reader failed when not.
  bool Has(std::size_t n) {
    if (ok_ && n <= length_ - at_) return true;
    ok_ = false;
    return false;
  }

  const unsigned char* block_;
  std::size_t length_;
  std::size_t at_;
  bool ok_;
};

}  // namespace

EntryBlock DecodeEntryBlock(const unsigned char* block, std::size_t length) {
  if (length < kFileOffset || LoadU32(block) != length) return {};
  EntryBlock entry;
  entry.version = LoadU32(block + kTypeOffset);
  if (entry.version != kVersion3 && entry.version != kVersion5) return {};
  entry.lastModified = LoadU32(block + kModificationTimeOffset);
  entry.lastAccessed = LoadU32(block + kLastAccessTimeOffset);
  entry.expires = LoadU32(block + kExpiresOffset);
  entry.contentLength = LoadU32(block + kContentLengthOffset);

  FieldReader fields(block, length, kNetscapeServerOffset);
  fields.Flag();    // served by a Netscape server
  fields.Word();    // lock date
  fields.String();  // file name: the scanner's part of the record
  fields.Word();    // file name length, not kept up to date
  fields.Flag();    // relative path
  fields.Word();    // security on
  if (entry.version == kVersion3) {
    fields.Word();      // key size
    fields.Word();      // secret key size
    fields.String();    // cipher
    fields.SkipBlob();  // certificate
  } else {
    fields.SkipBlob();  // security information
  }
  entry.method = fields.Word();
  fields.String();  // POST headers
  entry.contentType = fields.String();
  entry.contentEncoding = fields.String();
  entry.charset = fields.String();
  entry.incomplete = fields.Flag();
  entry.realContentLength = fields.Word();
  if (entry.version == kVersion5) fields.String();  // page services URL
  if (!fields.ok()) return {};
  entry.recognised = true;
  return entry;
}

std::string MethodName(const EntryBlock& block) {
  static const char* const kMethods[] = {"GET", "POST", "HEAD"};
  if (!block.recognised) return "";
  return block.method < 3 ? kMethods[block.method] : std::to_string(block.method);
}
