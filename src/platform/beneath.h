// Keeping an untrusted directory tree (the browser's cache) apart from the rest
// of the system: its files are read only from beneath its directory, only regular
// files are opened, and a directory can be checked for holding it.
#pragma once

#include <string>
#include <vector>

#include "platform/dir_handle.h"
#include "platform/stream.h"

// Why OpenForReadingBeneath returned no stream.
enum class ReadRefusal {
  kNone,          // opened
  kCannotOpen,    // missing, not permitted, a link loop, ...: the usual reasons
  kOutside,       // an absolute name, or a ".." level or symbolic link leading out
  kSymbolicLink,  // a symbolic link met where links cannot be followed safely
  kNotRegular,    // a folder, FIFO, socket or device: never opened for reading
};

// How names are resolved beneath the directory.
enum class BeneathResolution {
  // Links and ".." levels are followed as long as they stay beneath the
  // directory (Linux openat2). Where the system lacks that, kWalk.
  kBest,
  // Level by level, following nothing: an absolute name, any ".." level and any
  // symbolic link are refused. Chosen by callers only to test it.
  kWalk,
};

// Opens for reading the file at name, a relative name resolved beneath dir
// (taken as the file system wants it: pass it through ToAnsiPath first). Nothing
// but a regular file is opened, and the file's type is known before it is
// opened; reading leaves its access time alone where the system permits.
// Returns the stream, or nullptr with the reason in refusal.
Stream* OpenForReadingBeneath(DirHandle dir, const char* name, ReadRefusal& refusal,
                              BeneathResolution resolution = BeneathResolution::kBest);

// True when outer (a path as the file system wants it, relative to the current
// directory, links followed) names the directory at inner or one of the
// directories above it. False when either cannot be found.
bool IsSameOrAncestorDirectory(const char* outer, const char* inner);

// Adds to names every name in the folder at folder, a relative name resolved
// beneath dir as OpenForReadingBeneath resolves it ("" is dir itself). Returns
// false when that is no folder that can be read.
bool ListFolderBeneath(DirHandle dir, const char* folder, std::vector<std::string>& names);
