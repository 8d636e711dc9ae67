// Arbitrary bytes as an entry block and as a whole hash file: neither decoder
// may read outside its input, and the page walker must read each page at most
// once and never past the file's end.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <vector>

#include "index/entry_block.h"
#include "index/hash_pages.h"

namespace {

void Fail(const char* what) {
  std::fprintf(stderr, "index decode: %s\n", what);
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  // As an entry block: a copy of just its bytes, so a read past them is caught,
  // once as given and once with its first word made to match its length.
  std::vector<unsigned char> block(data, data + size);
  DecodeEntryBlock(block.data(), block.size());
  if (size >= 4) {
    for (std::size_t i = 0; i < 4; ++i) block[i] = static_cast<unsigned char>(size >> (8 * i));
    EntryBlock entry = DecodeEntryBlock(block.data(), block.size());
    if (entry.recognised && entry.version != 3 && entry.version != 5) Fail("a version not 3 or 5");
  }

  // As a hash file.
  std::set<std::int64_t> read;
  ReadAt readAt = [&](std::int64_t position, unsigned char* buffer, std::size_t n) {
    if (position < 0 || static_cast<std::size_t>(position) + n > size) Fail("a read past the end");
    if (!read.insert(position).second) Fail("a page read twice");
    std::memcpy(buffer, data + position, n);
    return n;
  };
  LivePairs live = WalkHashFile(readAt, static_cast<std::int64_t>(size));
  for (std::size_t at = 0; at + 8 <= size; at += 61) {
    Liveness liveness = live.Judge(static_cast<std::int64_t>(at), 40, 20);
    if (!live.readable() && liveness != Liveness::kUnknown) Fail("judged an unreadable file");
  }
  return 0;
}
