#include "extract/extract_entry.h"

#include <cstring>
#include <optional>
#include <string>

#include "core/messages.h"
#include "core/pause.h"
#include "core/say.h"
#include "extract/name_search.h"
#include "extract/prepare_path.h"
#include "platform/partial_file.h"
#include "platform/read_digest.h"

namespace {

EntryResult CantCreate(const char* shownPath) {
  Say(msg::kCantCreateFile, shownPath);
  return {Outcome::kFailed, PausePrompt() ? Stop::kNone : Stop::kEscape, msg::kReasonCantCreate};
}

EntryResult FailWrite(const char* url) {
  Say(msg::kErrorWriting, url);
  return {Outcome::kFailed, Stop::kWriteFailed, msg::kReasonWriteFailed};
}

EntryResult OutOfHandles() {
  return {Outcome::kFailed, SayOutOfHandles(), msg::kReasonOutOfHandles};
}

EntryResult Escaped() {
  return {Outcome::kFailed, Stop::kEscape, msg::kReasonEscape};
}

// The path text[0..length) as a report gives it: one '/' between levels.
std::string ReportedPath(const char* text, std::size_t length) {
  std::string path;
  for (std::size_t i = 0; i < length; ++i) {
    char c = text[i] == kPathSeparator ? '/' : text[i];
    if (c != '/' || (!path.empty() && path.back() != '/')) path += c;
  }
  return path;
}

// Starts the facts of an entry whose cached file is source: its size, and its
// SHA-256 when the read-ahead knew it, else a digest of the reads to come.
void StartFacts(const Entry& entry, Stream* source, std::optional<ReadDigest>& digest) {
  entry.facts->size = StreamFileSize(source);
  entry.facts->sha256 = entry.sha256;
  if (!entry.facts->sha256.empty()) return;
  digest.emplace(entry.facts->size);
  DigestReads(source, &*digest);
}

// Ends the digest: reads the rest of the source where the reads before did not,
// from where the digest stands, so no byte is read twice for it.
void EndDigest(Stream* source, std::optional<ReadDigest>& digest, EntryFacts& facts,
               unsigned char* chunk) {
  if (!digest) return;
  if (!digest->complete() && SeekStream(source, digest->next()) == 0) {
    while (!digest->complete() && ReadBytes(source, chunk, kChunkSize) > 0) {
    }
  }
  facts.sha256 = digest->hex();
}

// The source's copy in a partial file of the entry's folder, kept while it
// waits for a name: a name found taken meanwhile costs no second copy.
struct PendingCopy {
  PartialFile partial;
  std::optional<CopyResult> copy;  // once written whole, with the entry's times
};

// Writes the source into a partial file of the entry's folder, with the entry's
// times. Returns what became of the entry when that failed.
std::optional<EntryResult> WriteCopy(const Settings& settings, Extraction& extraction,
                                     Stream* source, const Entry& entry, const OutputPath& path,
                                     const FileSpot& spot, PendingCopy& pending) {
  PartialFile& partial = pending.partial;
  CreateFailure why = partial.Create(spot.folder, settings.windowsNames);
  if (why == CreateFailure::kNoHandles &&
      extraction.folders.GiveBackHandles() != Handles::kExhausted)
    why = partial.Create(spot.folder, settings.windowsNames);
  if (why == CreateFailure::kNoHandles) return OutOfHandles();
  if (why != CreateFailure::kNone)
    return why == CreateFailure::kDiskWide ? FailWrite(entry.url) : CantCreate(path.text);
  long long count = StreamFileSize(source);
  SeekStream(source, 0);  // the search may have read it
  CopyResult copy = CopyBytes(source, partial.stream(), count < 0 ? 0 : count, extraction.chunk);
  std::uint32_t modification =
      entry.modificationTime != 0 ? entry.modificationTime : entry.lastAccessTime;
  if (copy.written) partial.SetTimes(entry.lastAccessTime, modification);
  // The last bytes reach the disk only at the close: a failure there is a failed write too.
  if (partial.Close() != 0 || !copy.written) {
    partial.Drop();
    return FailWrite(entry.url);
  }
  pending.copy = copy;
  return std::nullopt;
}

// Gives the source's copy (written first if it is not yet) the name in
// path.text. Returns nothing when that name was taken meanwhile (the copy waits
// for another), else what became of the entry.
std::optional<EntryResult> SaveUnderName(const Settings& settings, Extraction& extraction,
                                         Stream* source, const Entry& entry, const OutputPath& path,
                                         const FileSpot& spot, PendingCopy& pending) {
  if (!pending.copy) {
    if (auto failed = WriteCopy(settings, extraction, source, entry, path, spot, pending))
      return failed;
  }
  PartialFile::Naming naming = pending.partial.Name(path.text + spot.nameStart);
  if (naming == PartialFile::Naming::kTaken) return std::nullopt;
  if (naming == PartialFile::Naming::kDiskWide) return FailWrite(entry.url);
  if (naming == PartialFile::Naming::kFailed) return CantCreate(path.text);
  if (settings.verbose) Say(msg::kTimes, entry.modificationTime, entry.lastAccessTime);
  if (pending.copy->missing == 0) return EntryResult{Outcome::kSaved};
  Say(msg::kShortRead, static_cast<unsigned long>(pending.copy->missing), entry.url);
  return EntryResult{Outcome::kFailed, PausePrompt() ? Stop::kNone : Stop::kEscape,
                     msg::kReasonShortRead};
}

EntryResult Save(const Settings& settings, Extraction& extraction, Stream* source,
                 const Entry& entry, OutputPath& path, const FileSpot& spot) {
  if (spot.folder == kNoDir) return CantCreate(path.text);
  PendingCopy pending;  // removed on the way out unless named
  // In a folder this run made, only this run can have taken the name: the naming,
  // which never replaces, tells, and the search waits until it does.
  if (spot.madeByRun) {
    if (auto result = SaveUnderName(settings, extraction, source, entry, path, spot, pending))
      return *result;
  }
  NameSearch names(settings, spot.folder, path, spot.nameStart, source, extraction.takenNames);
  for (;;) {
    Holder holder = names.Next();
    if (holder == Holder::kNoHandles && extraction.folders.GiveBackHandles() != Handles::kExhausted)
      holder = names.Next();
    if (holder == Holder::kNoHandles) return OutOfHandles();
    if (holder == Holder::kSame) return {Outcome::kAlreadySaved};
    if (names.alternative()) {
      Say(msg::kSavingAs, path.text);
      if (!PausePrompt()) return Escaped();
    }
    if (auto result = SaveUnderName(settings, extraction, source, entry, path, spot, pending))
      return *result;
  }
}

}  // namespace

EntryResult ExtractEntry(const Settings& settings, CacheDir& cache, Extraction& extraction,
                         const Entry& entry) {
  bool noHandles = false;
  // Where it could not be opened ahead, it is opened now, and why not is said.
  Stream* source = entry.opened;
  if (source == nullptr) source = cache.OpenCachedFile(settings, entry.file, &noHandles);
  if (noHandles) {
    // Nothing of the entry is in use yet: every kept folder may go.
    extraction.folders.GiveBackHandles();
    source = cache.OpenCachedFile(settings, entry.file, &noHandles);
    if (noHandles) return OutOfHandles();
  }
  if (source == nullptr) return {Outcome::kMissing};
  if (!settings.quiet) Say(msg::kUrlLine, entry.url);

  // The digest is taken from the reads that saving makes, unless it is known.
  std::optional<ReadDigest> digest;
  if (entry.facts != nullptr) StartFacts(entry, source, digest);
  OutputPath path;
  FileSpot spot;
  EntryResult result = {Outcome::kFailed};
  result.stop = PrepareOutputPath(settings, entry.url, path, extraction.folders, &spot);
  if (result.stop == Stop::kEscape) result.reason = msg::kReasonEscape;
  if (result.stop == Stop::kNone) result = Save(settings, extraction, source, entry, path, spot);
  if (entry.facts != nullptr) {
    EntryFacts& facts = *entry.facts;
    EndDigest(source, digest, facts, extraction.chunk);
    // A copy saved with zeros in place of unreadable bytes is saved all the same.
    bool saved = result.outcome != Outcome::kFailed || result.reason == msg::kReasonShortRead;
    if (saved) facts.savedPath = ReportedPath(path.text, std::strlen(path.text));
    if (spot.movedAsideEnd != 0) facts.movedAside = ReportedPath(path.text, spot.movedAsideEnd);
  }
  CloseStream(source);
  return result;
}

EntryResult ListEntry(const Settings& settings, CacheDir& cache, const Entry& entry,
                      unsigned char* chunk) {
  bool noHandles = false;
  Stream* source = entry.opened;
  if (source == nullptr) source = cache.OpenCachedFile(settings, entry.file, &noHandles);
  if (source == nullptr) return {Outcome::kListed};  // its size says it is missing
  std::optional<ReadDigest> digest;
  StartFacts(entry, source, digest);
  EndDigest(source, digest, *entry.facts, chunk);
  CloseStream(source);
  return {Outcome::kListed};
}
