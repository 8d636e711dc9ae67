#include "run/entry_loop.h"

#include <utility>

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

const char* OutcomeText(Outcome outcome) {
  switch (outcome) {
    case Outcome::kSaved:
      return msg::kOutcomeSaved;
    case Outcome::kAlreadySaved:
      return msg::kOutcomeAlreadySaved;
    case Outcome::kFailed:
      return msg::kOutcomeFailed;
    case Outcome::kMissing:
      return msg::kOutcomeMissing;
    case Outcome::kListed:
      break;
  }
  return msg::kOutcomeListed;
}

void AddRow(Reporting& reporting, long number, FoundRecord& found, const EntryResult& result,
            EntryFacts& facts) {
  if (!facts.movedAside.empty()) reporting.report.MovedAside(facts.movedAside);
  ReportRow row;
  row.number = number;
  row.offset = found.position;
  row.state = reporting.pairs.Judge(found.position, found.lenEntry, found.lenUrl);
  row.url = std::move(found.url);
  row.file = std::move(found.file);
  row.type = found.type;
  row.modificationTime = found.modificationTime;
  row.lastAccessTime = found.lastAccessTime;
  row.block = std::move(found.block);
  row.size = facts.size;
  row.sha256 = std::move(facts.sha256);
  row.outcome = OutcomeText(result.outcome);
  row.reason = result.reason;
  row.savedPath = std::move(facts.savedPath);
  reporting.report.Add(std::move(row));
}

}  // namespace

Stop ProcessEntries(const Settings& settings, Stream* index, std::size_t cacheDirLength,
                    Tally& tally, const EntryHandler& extract, const OpenQuietly& openAhead,
                    Reporting* reporting) {
  const std::size_t maxFileLength = kPathSize - cacheDirLength;
  Reading reading = reporting == nullptr ? Reading::kOpen
                    : settings.list      ? Reading::kInMemory
                                         : Reading::kHashed;
  RecordFeed feed(index, maxFileLength, openAhead, reading);
  long number = 0;
  for (FoundRecord found; feed.Next(found);) {
    ++number;
    EntryFacts facts;
    EntryResult result = {Outcome::kMissing, Stop::kNone, msg::kReasonPathTooLong};
    if (found.file.size() >= maxFileLength) {
      if (settings.verbose) Say(msg::kCachedPathTooLong, found.file.c_str());
    } else {
      if (settings.verbose) ListRecord(number, found);
      result = extract({found.file.c_str(), found.url.c_str(), found.modificationTime,
                        found.lastAccessTime, found.source, reporting ? &facts : nullptr,
                        found.sha256.c_str()});
    }
    tally.Count(result.outcome);
    if (reporting != nullptr) AddRow(*reporting, number, found, result, facts);
    if (result.stop != Stop::kNone) return result.stop;
  }
  return Stop::kNone;
}
