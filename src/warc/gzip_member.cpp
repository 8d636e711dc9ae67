#include "warc/gzip_member.h"

#include <zlib.h>

#include <climits>
#include <cmath>

namespace {

// zlib's window bits, plus 16 for a gzip header and trailer around the deflate data.
const int kGzipWindowBits = 15 + 16;
const int kMemoryLevel = 8;

}  // namespace

GzipMembers::GzipMembers(int level) : stream_(new z_stream{}), level_(level) {
  failed_ = deflateInit2(stream_, level, Z_DEFLATED, kGzipWindowBits, kMemoryLevel,
                         Z_DEFAULT_STRATEGY) != Z_OK;
}

void GzipMembers::StoreNext(bool stored) {
  if (failed_ || stored == stored_) return;
  stored_ = stored;
  failed_ = deflateParams(stream_, stored ? Z_NO_COMPRESSION : level_, Z_DEFAULT_STRATEGY) != Z_OK;
}

bool LooksCompressed(const unsigned char* bytes, std::size_t n) {
  const std::size_t kSample = 4096;
  if (n < 512) return false;
  if (n > kSample) n = kSample;
  std::size_t counts[256] = {};
  for (std::size_t i = 0; i < n; ++i) ++counts[bytes[i]];
  double bits = 0;
  for (std::size_t count : counts) {
    if (count == 0) continue;
    double share = static_cast<double>(count) / static_cast<double>(n);
    bits -= share * std::log2(share);
  }
  return bits >= 7.5;
}

GzipMembers::~GzipMembers() {
  if (!failed_) deflateEnd(stream_);
  delete stream_;
}

bool GzipMembers::Add(const void* bytes, std::size_t n, bool end, std::string& out) {
  // zlib writes a member's header at the first call, even with nothing to compress.
  if (n == 0 && !end) return !failed_;
  // zlib's counts are unsigned int: large inputs go in pieces.
  auto* next = static_cast<Bytef*>(const_cast<void*>(bytes));
  unsigned char buffer[1 << 16];
  do {
    uInt piece = n > UINT_MAX ? UINT_MAX : static_cast<uInt>(n);
    bool last = piece == n;
    stream_->next_in = next;
    stream_->avail_in = piece;
    int flush = end && last ? Z_FINISH : Z_NO_FLUSH;
    int result = Z_OK;
    do {
      if (failed_) return false;
      stream_->next_out = buffer;
      stream_->avail_out = sizeof buffer;
      result = deflate(stream_, flush);
      failed_ = result == Z_STREAM_ERROR;
      out.append(reinterpret_cast<const char*>(buffer), sizeof buffer - stream_->avail_out);
    } while (stream_->avail_out == 0 || (flush == Z_FINISH && result != Z_STREAM_END));
    next += piece;
    n -= piece;
  } while (n > 0);
  if (end) failed_ = failed_ || deflateReset(stream_) != Z_OK;
  return !failed_;
}
