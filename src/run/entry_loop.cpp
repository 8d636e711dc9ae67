#include "run/entry_loop.h"

#include "core/messages.h"
#include "core/say.h"
#include "platform/system.h"

namespace {

// Prints the four listing lines of one record.
void ListRecord(long number, const FoundRecord& found) {
  Say(msg::kEntrySeparator, number);
  Say(msg::kEntryType, static_cast<unsigned long>(found.type));
  Say(msg::kEntryFile, found.file.c_str());
  Say(msg::kEntryTypeUrl, static_cast<unsigned long>(found.typeUrl));
  Say(msg::kEntryLenUrl, static_cast<unsigned long>(found.lenUrl));
  Say(msg::kEntryUrl, found.url.c_str());
}

}  // namespace

Stop ProcessEntries(const Settings& settings, Stream* index, std::size_t cacheDirLength,
                    Tally& tally, const EntryHandler& extract, const OpenQuietly& openAhead) {
  const std::size_t maxFileLength = kPathSize - cacheDirLength;
  RecordFeed feed(index, maxFileLength, openAhead);
  long number = 0;
  for (FoundRecord found; feed.Next(found);) {
    ++number;
    if (found.file.size() >= maxFileLength) {
      if (settings.verbose) Say(msg::kCachedPathTooLong, found.file.c_str());
      tally.Count(Outcome::kMissing);
      continue;
    }
    if (settings.verbose) ListRecord(number, found);
    EntryResult result = extract({found.file.c_str(), found.url.c_str(), found.modificationTime,
                                  found.lastAccessTime, found.source});
    tally.Count(result.outcome);
    if (result.stop != Stop::kNone) return result.stop;
  }
  return Stop::kNone;
}
