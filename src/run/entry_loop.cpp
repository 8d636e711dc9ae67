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

void AddRow(Report& report, long number, FoundRecord& found, Liveness state,
            const EntryResult& result, EntryFacts& facts) {
  if (!facts.movedAside.empty()) report.MovedAside(facts.movedAside);
  ReportRow row;
  row.number = number;
  row.offset = found.position;
  row.state = state;
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
  report.Add(std::move(row));
}

// How the feed reads the cached files ahead for what the run records. A
// listing hashes for its report in this thread: the work is shared.
Reading ReadingFor(const Settings& settings, const Recording* recording) {
  if (recording == nullptr) return Reading::kOpen;
  return recording->report != nullptr && !settings.list ? Reading::kHashed : Reading::kInMemory;
}

}  // namespace

Stop ProcessEntries(const Settings& settings, Stream* index, std::size_t cacheDirLength,
                    Tally& tally, const EntryHandler& extract, const OpenQuietly& openAhead,
                    Recording* recording) {
  const std::size_t maxFileLength = kPathSize - cacheDirLength;
  Report* report = recording != nullptr ? recording->report : nullptr;
  RecordFeed feed(index, maxFileLength, openAhead, ReadingFor(settings, recording));
  long number = 0;
  for (FoundRecord found; feed.Next(found);) {
    ++number;
    EntryFacts facts;
    EntryResult result = {Outcome::kMissing, Stop::kNone, msg::kReasonPathTooLong};
    Liveness state = Liveness::kUnknown;
    if (recording != nullptr)
      state = recording->pairs.Judge(found.position, found.lenEntry, found.lenUrl);
    if (found.file.size() >= maxFileLength) {
      if (settings.verbose) Say(msg::kCachedPathTooLong, found.file.c_str());
    } else {
      if (settings.verbose) ListRecord(number, found);
      if (recording != nullptr && recording->warc != nullptr)
        recording->warc->Add(found, state, &found.source);
      result = extract({found.file.c_str(), found.url.c_str(), found.modificationTime,
                        found.lastAccessTime, found.source, report ? &facts : nullptr,
                        found.sha256.c_str()});
    }
    tally.Count(result.outcome);
    if (report != nullptr) AddRow(*report, number, found, state, result, facts);
    if (result.stop != Stop::kNone) return result.stop;
  }
  return Stop::kNone;
}
