#include "extract/name_search.h"

#include <cstdio>
#include <vector>

#include "core/messages.h"
#include "core/say.h"
#include "extract/compare_files.h"
#include "platform/output_tree.h"

namespace {

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

}  // namespace

Holder NameSearch::Next() {
  if (!baseTaken_) {
    Holder holder = TryBaseName();
    if (holder != Holder::kOther) return holder;
    Say(msg::kAlreadyExists, path_.text);
    baseTaken_ = true;
  }
  return NextAlternative();
}

Holder NameSearch::TryBaseName() {
  const char* name = path_.text + nameStart_;
  Holder holder = WhatHolds(folder_, name, source_);
  if (holder == Holder::kOther && KindAt(folder_, name) == NodeKind::kFolder) {
    std::snprintf(path_.text + path_.length, kPathSize - path_.length, "%s", msg::kAsideSuffix);
    if (WhatHolds(folder_, name, source_) == Holder::kSame) {
      holder = Holder::kSame;
    } else {
      path_.text[path_.length] = '\0';
    }
  }
  if (holder == Holder::kSame && settings_.verbose) Say(msg::kSameAsSaved, path_.text);
  return holder;
}

Holder NameSearch::NextAlternative() {
  // What the run knows of the alternative names spares reading each of them again.
  path_.text[path_.length] = '\0';
  std::vector<Fingerprint>& known = memory_[path_.text];
  Fingerprint sourcePrint = FingerprintOf(source_);
  if (known.empty()) known.push_back(Fingerprint{});  // the base name: taken, not the same
  const char* name = path_.text + nameStart_;
  for (;;) {
    std::size_t index = counter_ + 1;
    std::snprintf(path_.text + path_.length, kPathSize - path_.length, msg::kAlternativeSuffix,
                  counter_++);
    Holder holder = WhatHoldsKnown(folder_, name, source_, sourcePrint, known, index);
    if (holder == Holder::kSame && settings_.verbose) Say(msg::kSameAsSaved, path_.text);
    if (holder == Holder::kFree) known.push_back(sourcePrint);
    if (holder != Holder::kOther) return holder;
  }
}
