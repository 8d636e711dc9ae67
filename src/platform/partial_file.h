// The partial file of a folder in the output tree: a save is written into it and
// takes its name only when whole, so that a name holds a whole file or nothing.
// Where the file system can make a file without a name (Linux O_TMPFILE), it has
// none until then: nothing else can see it, and it vanishes with the process.
// Elsewhere its name is one the URL mapping never yields under the naming rules
// in use, and has no short alias. Runs into the same output each hold their own:
// a run takes the first free slot of the folder, and one left by a run that ended
// is taken over, while one whose run is still writing it is never touched. While
// it exists, a signal or console event that ends the process removes it first.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/dir_handle.h"
#include "platform/output_tree.h"
#include "platform/stream.h"

// How many partial files one folder can hold at once: one per run writing there.
inline constexpr unsigned kPartialSlots = 100;
inline constexpr std::size_t kPartialNameSize = 24;
inline constexpr int kLivePartials = 2;

// The name of a slot's partial file under the naming rules given: ":talvex-partial"
// and ":talvex-partial.N" (':' is escaped in every name the mapping yields), or
// with the Windows rules the short names "CON.T00" to "CON.T99" (the mapping
// escapes every device name there, and ':' is not allowed on such disks).
void PartialSlotName(bool windowsNames, unsigned slot, char (&name)[kPartialNameSize]);

// Goes from none to open (Create), closed (Close), then named (Name) or dropped
// (Drop, or the destructor): back to none. At most kLivePartials exist at a time
// in the process: an entry's and a web archive's.
class PartialFile {
 public:
  enum class Naming {
    kNamed,
    kTaken,     // the name is taken: the file stays closed, to be given another
    kFailed,    // the file was removed
    kDiskWide,  // the file was removed; the disk refuses every naming, or failed a write
  };

  PartialFile() = default;
  ~PartialFile() { Drop(); }
  PartialFile(const PartialFile&) = delete;
  PartialFile& operator=(const PartialFile&) = delete;

  // Creates it in folder, open for writing: without a name where the file system
  // allows it and unnamedFirst, else in the first slot that is free or left by a
  // run that ended. Returns kNone, or why not.
  CreateFailure Create(DirHandle folder, bool windowsNames, bool unnamedFirst = true);

  // Its name in the folder while it exists; empty while it has none.
  const char* name() const { return name_; }

  // The stream to write to while it is open, else nullptr.
  Stream* stream() const { return stream_; }

  // Sets its last-access and last-write times, in whole seconds since 1970-01-01
  // UTC, through the open stream, after the last write. Returns 0 or -1.
  int SetTimes(std::uint32_t accessTime, std::uint32_t modificationTime);

  // Ends the writing; the file stays held as this run's. A file with a name is
  // closed here: returns 0, or -1 when the system reports a failed write. One
  // without stays open until it has a name (closing it would remove it), and the
  // naming reports such a failure.
  int Close();

  // Gives the file the name in its folder, never replacing anything.
  Naming Name(const char* name);

  // Removes the file, closing it first when open; nothing when there is none.
  void Drop();

 private:
  // Per system: gives the file the name through what holds it.
  Move MoveTo(const char* name);
  // Gives the file up once named: nothing removes it any more.
  void Release();

  DirHandle folder_ = kNoDir;  // kNoDir when there is none
  Stream* stream_ = nullptr;   // while open
  std::intptr_t hold_ = -1;    // per system: what marks the file as this live run's
  bool unnamed_ = false;       // made without a name: no other run can see it
  int live_ = -1;              // its place among those a signal removes, if any
  char name_[kPartialNameSize] = {};
};
