#include "index/entry_loop.h"

#include <cstdio>
#include <cstring>
#include <memory>

#include "core/messages.h"
#include "core/say.h"
#include "extract/extract_entry.h"
#include "index/record_scanner.h"

namespace {

// Prints the four listing lines of one record.
void ListRecord(long number, const unsigned char* record, const char* file, const char* url) {
  std::uint32_t lenEntry = LoadU32(record);
  Say(msg::kEntrySeparator, number);
  Say(msg::kEntryType, static_cast<unsigned long>(LoadU32(record + kTypeOffset)));
  Say(msg::kEntryFile, file);
  Say(msg::kEntryTypeUrl, static_cast<unsigned long>(LoadU32(record + lenEntry + 4)));
  Say(msg::kEntryLenUrl, static_cast<unsigned long>(LoadU32(record + lenEntry)));
  Say(msg::kEntryUrl, url);
}

}  // namespace

Stop ProcessEntries(const Settings& settings, Buffers& buffers, Stream* index, Tally& tally) {
  return ProcessEntries(settings, buffers, index, tally, ExtractEntry);
}

Stop ProcessEntries(const Settings& settings, Buffers& buffers, Stream* index, Tally& tally,
                    ExtractFunction extract) {
  auto scanner = std::make_unique<IndexScanner>();
  StartScan(*scanner, index);
  const unsigned char* record = buffers.record;
  long number = 0;
  while (FindNextRecord(*scanner, buffers.record) == 1) {
    ++number;
    // The scanner guarantees both texts end inside the record: File at the zero
    // bytes that close the entry block, URL at the zero bytes that close its block.
    const char* file = reinterpret_cast<const char*>(record + kFileOffset);
    std::size_t fileLength = std::strlen(file);
    if (fileLength >= kPathSize - buffers.cacheDirLength) {
      if (settings.verbose) Say(msg::kCachedPathTooLong, file);
      tally.Count(Outcome::kMissing);
      continue;
    }
    std::memcpy(buffers.cachePath + buffers.cacheDirLength, file, fileLength + 1);

    std::uint32_t lenEntry = LoadU32(record);
    const char* url = reinterpret_cast<const char*>(record + lenEntry + kUrlOffsetInBlock);
    std::memcpy(buffers.url, url, std::strlen(url) + 1);
    if (settings.verbose) ListRecord(number, record, file, buffers.url);
    EntryResult result =
        extract(settings, buffers, buffers.cachePath, buffers.url,
                LoadU32(record + kModificationTimeOffset), LoadU32(record + kLastAccessTimeOffset));
    tally.Count(result.outcome);
    if (result.stop != Stop::kNone) return result.stop;
  }
  return Stop::kNone;
}
