#include "run/entry_loop.h"

#include <cstring>
#include <memory>

#include "core/messages.h"
#include "core/say.h"
#include "index/record_scanner.h"
#include "platform/system.h"

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

Stop ProcessEntries(const Settings& settings, Stream* index, std::size_t cacheDirLength,
                    Tally& tally, const EntryHandler& extract) {
  auto scanner = std::make_unique<IndexScanner>();
  StartScan(*scanner, index);
  unsigned char record[kMaxRecordLength];
  long number = 0;
  while (FindNextRecord(*scanner, record) == 1) {
    ++number;
    // The scanner guarantees both texts end inside the record: File at the zero
    // bytes that close the entry block, URL at the zero bytes that close its block.
    const char* file = reinterpret_cast<const char*>(record + kFileOffset);
    if (std::strlen(file) >= kPathSize - cacheDirLength) {
      if (settings.verbose) Say(msg::kCachedPathTooLong, file);
      tally.Count(Outcome::kMissing);
      continue;
    }
    std::uint32_t lenEntry = LoadU32(record);
    const char* url = reinterpret_cast<const char*>(record + lenEntry + kUrlOffsetInBlock);
    if (settings.verbose) ListRecord(number, record, file, url);
    EntryResult result = extract({file, url, LoadU32(record + kModificationTimeOffset),
                                  LoadU32(record + kLastAccessTimeOffset)});
    tally.Count(result.outcome);
    if (result.stop != Stop::kNone) return result.stop;
  }
  return Stop::kNone;
}
