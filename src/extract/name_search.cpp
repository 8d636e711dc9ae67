#include "extract/name_search.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/messages.h"
#include "core/say.h"
#include "extract/compare_files.h"
#include "platform/dir_handle.h"
#include "platform/output_tree.h"

namespace {

// Opens the readable file that holds the content of the name that path.text
// ends with. Where the name is a folder, a later entry that needed the folder
// moved the file aside to name_, or to name__ when name_ had become a folder
// too, and so on: the first of these that is not a folder (as far as path.text
// holds) is opened, and its name left in path.text. Returns nullptr when that is
// no readable file; *free tells whether nothing at all holds the name, and
// *noHandles whether a file could not be opened for want of a handle.
Stream* OpenContent(DirHandle folder, OutputPath& path, std::size_t nameStart, bool* free,
                    bool* noHandles) {
  NodeKind kind;
  Stream* file = OpenFileAt(folder, path.text + nameStart, &kind);
  *free = file == nullptr && kind == NodeKind::kMissing;
  std::size_t end = std::strlen(path.text);
  const std::size_t asideLength = std::strlen(msg::kAsideSuffix);
  while (file == nullptr && kind == NodeKind::kFolder && end + asideLength < kPathSize) {
    std::memcpy(path.text + end, msg::kAsideSuffix, asideLength + 1);
    end += asideLength;
    file = OpenFileAt(folder, path.text + nameStart, &kind);
  }
  *noHandles = file == nullptr && kind == NodeKind::kFile && !HandlesLeft();
  return file;
}

// What holds the name that path.text ends with, judged by its content (see OpenContent).
Holder WhatHolds(DirHandle folder, OutputPath& path, std::size_t nameStart, Stream* source) {
  bool free, noHandles;
  Stream* existing = OpenContent(folder, path, nameStart, &free, &noHandles);
  if (noHandles) return Holder::kNoHandles;
  if (existing == nullptr) return free ? Holder::kFree : Holder::kOther;
  bool same = CompareFiles(source, existing);
  CloseStream(existing);
  return same ? Holder::kSame : Holder::kOther;
}

// The numbers, from counter on and in ascending order, of the alternative names
// known to hold a file with the fingerprint.
std::vector<unsigned long> KnownHolders(const TakenNames& taken, const Fingerprint& print,
                                        unsigned long counter) {
  std::vector<unsigned long> numbers;
  auto same = taken.files.equal_range(print);
  for (auto known = same.first; known != same.second; ++known)
    if (known->second >= counter) numbers.push_back(known->second);
  std::sort(numbers.begin(), numbers.end());
  return numbers;
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
  Holder holder = WhatHolds(folder_, path_, nameStart_, source_);
  if (holder != Holder::kSame) path_.text[path_.length] = '\0';
  if (holder == Holder::kSame && settings_.verbose) Say(msg::kSameAsSaved, path_.text);
  return holder;
}

// Only the names known to hold a file with the source's fingerprint are tried
// again; then the search goes on from the first name not known to be taken (the
// counter never passes it).
Holder NameSearch::NextAlternative() {
  path_.text[path_.length] = '\0';
  TakenNames& taken = memory_[path_.text];
  Fingerprint sourcePrint = FingerprintOf(source_);
  for (unsigned long number : KnownHolders(taken, sourcePrint, counter_)) {
    Holder holder = TryAlternative(taken, number, sourcePrint);
    if (holder != Holder::kOther) return holder;
  }
  for (;;) {
    Holder holder = TryAlternative(taken, taken.free, sourcePrint);
    if (holder != Holder::kOther) return holder;
  }
}

Holder NameSearch::TryAlternative(TakenNames& taken, unsigned long number,
                                  const Fingerprint& sourcePrint) {
  counter_ = number + 1;
  std::snprintf(path_.text + path_.length, kPathSize - path_.length, msg::kAlternativeSuffix,
                number);
  Holder holder = number < taken.free ? WhatHolds(folder_, path_, nameStart_, source_)
                                      : Learn(taken, number, sourcePrint);
  if (holder == Holder::kSame && settings_.verbose) Say(msg::kSameAsSaved, path_.text);
  if (holder == Holder::kNoHandles) counter_ = number;  // to be tried again
  return holder;
}

// Looks at the first alternative name not known to be taken and adds what holds
// it to what the run knows; a free one counts as taken by this entry's copy.
Holder NameSearch::Learn(TakenNames& taken, unsigned long number, const Fingerprint& sourcePrint) {
  bool free, noHandles;
  Stream* existing = OpenContent(folder_, path_, nameStart_, &free, &noHandles);
  if (noHandles) return Holder::kNoHandles;
  Fingerprint print = free ? sourcePrint : Fingerprint{};
  if (existing != nullptr) print = FingerprintOf(existing);
  taken.free = number + 1;
  if (print.size >= 0) taken.files.emplace(print, number);
  Holder holder = free ? Holder::kFree : Holder::kOther;
  if (existing != nullptr) {
    if (print == sourcePrint && SeekStream(existing, 0) == 0 && CompareFiles(source_, existing))
      holder = Holder::kSame;
    CloseStream(existing);
  }
  return holder;
}
