// The partial file of a folder in the output tree: a save is written into it and
// takes its name only when whole, so that a name holds a whole file or nothing.
// Its name is one the URL mapping never yields; one left by a run that was killed
// outright is replaced. While it exists, a signal or console event that ends the
// process removes it first.
#pragma once

#include <cstdint>

#include "platform/dir_handle.h"
#include "platform/stream.h"

// Why a file could not be created.
enum class CreateFailure {
  kNone,
  kThisName,  // this name or place: permission, a name too long, a folder gone
  kDiskWide,  // no space, quota, read-only file system, I/O error: every entry would fail
};

// Goes from none to open (Create), closed (Close), then named (Name) or dropped
// (Drop, or the destructor): back to none. One exists at a time in the process.
class PartialFile {
 public:
  enum class Naming {
    kNamed,
    kTaken,   // the name is taken: the file stays closed, to be given another
    kFailed,  // the file was removed
  };

  // Its name in the folder: one that the URL mapping never yields on this system.
  static const char kName[];

  PartialFile() = default;
  ~PartialFile() { Drop(); }
  PartialFile(const PartialFile&) = delete;
  PartialFile& operator=(const PartialFile&) = delete;

  // Creates it in folder, open for writing. Returns kNone, or why not.
  CreateFailure Create(DirHandle folder);

  // The stream to write to while it is open, else nullptr.
  Stream* stream() const { return stream_; }

  // Sets its last-access and last-write times, in whole seconds since 1970-01-01
  // UTC, through the open stream, after the last write. Returns 0 or -1.
  int SetTimes(std::uint32_t accessTime, std::uint32_t modificationTime);

  // Closes the stream. Returns 0, or -1 when the system reports a failed write.
  int Close() {
    int closed = CloseStream(stream_);
    stream_ = nullptr;
    return closed;
  }

  // Gives the closed file the name in its folder, never replacing anything.
  Naming Name(const char* name);

  // Removes the file, closing it first when open; nothing when there is none.
  void Drop();

 private:
  // Gives the file up once named: nothing removes it any more.
  void Release();

  DirHandle folder_ = kNoDir;  // kNoDir when there is none
  Stream* stream_ = nullptr;   // while open
};
