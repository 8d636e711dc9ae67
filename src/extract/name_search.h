// Choosing the name an entry is saved under when its base name may be taken.
#pragma once

#include <cstddef>

#include "core/settings.h"
#include "extract/name_memory.h"
#include "extract/output_path.h"
#include "platform/dir_handle.h"
#include "platform/stream.h"

// What holds a name: nothing, the cached file's content, or anything else (other
// content, a folder, a FIFO, a link, a file that cannot be read).
enum class Holder {
  kFree,
  kSame,
  kOther,
  kNoHandles,  // a file could not be opened for want of a handle: ask again when some are free
};

// Tries the base name, then name.Over0000, name.Over0001, ... in the folder, and
// stops at the first that is free or already holds the source's content. What
// the run learned of the alternative names before (memory) spares trying them
// again: only those known to hold a file with the source's fingerprint are
// compared, and the search goes on from the first name not known to be taken.
class NameSearch {
 public:
  NameSearch(const Settings& settings, DirHandle folder, OutputPath& path, std::size_t nameStart,
             Stream* source, NameMemory& memory)
      : settings_(settings),
        folder_(folder),
        path_(path),
        nameStart_(nameStart),
        source_(source),
        memory_(memory) {}

  // Leaves the next name in path.text and returns kFree or kSame. A name (the
  // base name or an alternative) that is a folder holds what a later entry that
  // needed the folder moved aside: kSame also when the content is found there,
  // under name_, or name__ when name_ became a folder too, and so on; the name
  // it is found under is left and said when verbose. "Already exist file" is
  // said when the base name is found taken. When the free name returned is
  // taken before it is used, the next call goes on from there (the base name is
  // tried again until it was found taken).
  Holder Next();

  // Whether the name left in path.text is an alternative name.
  bool alternative() const { return baseTaken_; }

 private:
  Holder TryBaseName();
  Holder NextAlternative();
  Holder TryAlternative(TakenNames& taken, unsigned long number, const Fingerprint& sourcePrint);
  Holder Learn(TakenNames& taken, unsigned long number, const Fingerprint& sourcePrint);

  const Settings& settings_;
  DirHandle folder_;
  OutputPath& path_;
  std::size_t nameStart_;
  Stream* source_;
  NameMemory& memory_;
  bool baseTaken_ = false;
  unsigned long counter_ = 0;  // the number of the next alternative name to try
};
