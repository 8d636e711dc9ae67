#include "extract/extract_entry.h"

#include <cstdio>

#include "core/messages.h"
#include "core/pause.h"
#include "core/say.h"
#include "extract/compare_files.h"
#include "extract/copy_bytes.h"
#include "extract/open_cached.h"
#include "extract/prepare_path.h"
#include "platform/output_tree.h"

namespace {

enum class Holder { kFree, kSame, kOther };

// What holds the name in the folder: nothing, the cached file's content, or
// anything else (other content, a folder, a FIFO, a link, an unreadable file).
Holder WhatHolds(DirHandle folder, const char* name, Stream* source) {
  NodeKind kind;
  Stream* existing = OpenFileAt(folder, name, &kind);
  if (existing == nullptr) return kind == NodeKind::kMissing ? Holder::kFree : Holder::kOther;
  bool same = CompareFiles(source, existing);
  CloseStream(existing);
  return same ? Holder::kSame : Holder::kOther;
}

// What holds the name, judged by what the run learned of it before when it can:
// known[index] is the fingerprint of that name, if it was looked at already;
// a name looked at now is added. Bytes are compared only where the fingerprints
// agree.
Holder WhatHoldsKnown(DirHandle folder, const char* name, Stream* source,
                      const Fingerprint& sourcePrint, std::vector<Fingerprint>& known,
                      std::size_t index) {
  if (index >= known.size()) {
    NodeKind kind;
    Fingerprint print;
    Stream* existing = OpenFileAt(folder, name, &kind);
    if (existing == nullptr && kind == NodeKind::kMissing) return Holder::kFree;
    if (existing != nullptr) {
      print = FingerprintOf(existing);
      CloseStream(existing);
    }
    known.push_back(print);
  }
  if (!(known[index] == sourcePrint)) return Holder::kOther;
  return WhatHolds(folder, name, source);
}

// Looks for the name to save under, and leaves it in path.text: the base name,
// then name.Over0000, .Over0001, ... (*next is -1 before the base name is tried,
// then the next counter to try). Returns kSame when the content is already saved
// under one of them, or under the name_ a later folder moved it aside to. A free
// name is entered into memory as holding the source's content, which the caller
// then saves there.
Holder FindName(const Settings& settings, DirHandle folder, OutputPath& path, std::size_t nameStart,
                Stream* source, NameMemory& memory, long* next) {
  const char* name = path.text + nameStart;
  if (*next < 0) {
    Holder holder = WhatHolds(folder, name, source);
    if (holder == Holder::kOther && KindAt(folder, name) == NodeKind::kFolder) {
      std::snprintf(path.text + path.length, kPathSize - path.length, "%s", msg::kAsideSuffix);
      if (WhatHolds(folder, name, source) != Holder::kSame)
        path.text[path.length] = '\0';
      else
        holder = Holder::kSame;
    }
    if (holder == Holder::kSame && settings.verbose) Say(msg::kSameAsSaved, path.text);
    if (holder != Holder::kOther) return holder;
    Say(msg::kAlreadyExists, path.text);
    *next = 0;
  }
  // The base name is taken: what the run knows of its alternative names spares
  // reading each of them again.
  path.text[path.length] = '\0';
  std::vector<Fingerprint>& known = memory[path.text];
  Fingerprint sourcePrint = FingerprintOf(source);
  if (known.empty()) known.push_back(Fingerprint{});  // the base name: taken, not the same
  for (;;) {
    std::size_t index = static_cast<std::size_t>(*next) + 1;
    std::snprintf(path.text + path.length, kPathSize - path.length, msg::kAlternativeSuffix,
                  static_cast<unsigned long>((*next)++));
    Holder holder = WhatHoldsKnown(folder, name, source, sourcePrint, known, index);
    if (holder == Holder::kSame && settings.verbose) Say(msg::kSameAsSaved, path.text);
    if (holder == Holder::kFree) known.push_back(sourcePrint);
    if (holder != Holder::kOther) return holder;
  }
}

EntryResult CantCreate(const char* shownPath) {
  Say(msg::kCantCreateFile, shownPath);
  return {Outcome::kFailed, PausePrompt() ? Stop::kNone : Stop::kEscape};
}

EntryResult FailWrite(const char* url) {
  Say(msg::kErrorWriting, url);
  return {Outcome::kFailed, Stop::kWriteFailed};
}

EntryResult Save(const Settings& settings, Buffers& buffers, Stream* source, const char* url,
                 OutputPath& path, const FileSpot& spot, std::uint32_t modificationTime,
                 std::uint32_t lastAccessTime) {
  if (spot.folder == kNoDir) return CantCreate(path.text);
  long next = -1;
  // In a folder this run made, only this run can have taken the name: the naming,
  // which never replaces, tells, and the search is left until then.
  bool search = !spot.madeByRun;
  for (;;) {
    if (search) {
      if (FindName(settings, spot.folder, path, spot.nameStart, source, buffers.takenNames,
                   &next) == Holder::kSame)
        return {Outcome::kAlreadySaved};
      if (next >= 0) {
        Say(msg::kSavingAs, path.text);
        if (!PausePrompt()) return {Outcome::kFailed, Stop::kEscape};
      }
    }
    search = true;

    CreateFailure why;
    Stream* target = CreatePartialAt(spot.folder, &why);
    if (target == nullptr)
      return why == CreateFailure::kDiskWide ? FailWrite(url) : CantCreate(path.text);
    long long count = MeasureFile(source);
    SeekStream(source, 0, kSeekStart);  // the search may have read it
    CopyResult copy = CopyBytes(source, target, count < 0 ? 0 : count, buffers.chunk);
    std::uint32_t modification = modificationTime != 0 ? modificationTime : lastAccessTime;
    if (copy.written) SetPartialTimes(target, lastAccessTime, modification);
    // The last bytes reach the disk only at the close: a failure there is a failed write too.
    if (CloseStream(target) != 0 || !copy.written) {
      DropPartial(nullptr);
      return FailWrite(url);
    }

    int named = NamePartial(path.text + spot.nameStart);
    if (named == -1) {  // taken: the search goes on
      DropPartial(nullptr);
      continue;
    }
    if (settings.verbose) Say(msg::kTimes, modificationTime, lastAccessTime);
    if (named != 0) return CantCreate(path.text);
    if (copy.missing == 0) return {Outcome::kSaved};
    Say(msg::kShortRead, static_cast<unsigned long>(copy.missing), url);
    return {Outcome::kFailed, PausePrompt() ? Stop::kNone : Stop::kEscape};
  }
}

}  // namespace

EntryResult ExtractEntry(const Settings& settings, Buffers& buffers, const char* cachedPath,
                         const char* url, std::uint32_t modificationTime,
                         std::uint32_t lastAccessTime) {
  Stream* source = OpenCachedFile(settings, buffers, cachedPath);
  if (source == nullptr) return {Outcome::kMissing};
  if (!settings.quiet) Say(msg::kUrlLine, url);

  OutputPath path;
  FileSpot spot;
  EntryResult result = {Outcome::kFailed, Stop::kEscape};
  if (PrepareOutputPath(settings, url, path, buffers.folders, &spot) == Stop::kNone)
    result = Save(settings, buffers, source, url, path, spot, modificationTime, lastAccessTime);
  CloseStream(source);
  return result;
}
