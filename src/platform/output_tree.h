// The output tree, reached only through folder handles: every operation names one
// entry of one open folder and never follows a symbolic link, so nothing that
// stands in the tree, or is swapped into it meanwhile, can lead outside it.
#pragma once

#include <cstdint>

#include "platform/dir_handle.h"
#include "platform/files.h"

enum class NodeKind { kMissing, kFolder, kFile, kLink, kOther };

// What the name in dir is, not following a link. kMissing also when it can't be told.
NodeKind KindAt(DirHandle dir, const char* name);

// Opens the folder name in dir; fails (kNoDir) for a link or anything but a folder.
DirHandle OpenFolderAt(DirHandle dir, const char* name);

// Opens the folder at path, a relative path of several levels beneath dir,
// when every level is a folder already and no symbolic link is met on the way.
// Returns kNoDir otherwise, and also where the system cannot resolve a path so
// strictly: the caller then goes level by level.
DirHandle OpenFolderPathAt(DirHandle dir, const char* path);

// Creates the folder name in dir. Returns 0 or -1 (it exists, dir is gone...).
int MakeFolderAt(DirHandle dir, const char* name);

// Opens the regular file name in dir for reading, never a link, FIFO or device
// (the type is checked before the open and again after it). Returns nullptr
// otherwise, with what holds the name in *kind when kind is given.
Stream* OpenFileAt(DirHandle dir, const char* name, NodeKind* kind = nullptr);

// Gives from in dir the name to, never replacing anything. Returns 0 or -1.
int MoveAt(DirHandle dir, const char* from, const char* to);

// Why a file could not be created.
enum class CreateFailure {
  kNone,
  kThisName,  // this name or place: permission, a name too long, a folder gone
  kDiskWide,  // no space, quota, read-only file system, I/O error: every entry would fail
};

// Creates the partial file of dir, into which a save is written before it gets
// its name. Its name is one the URL mapping never yields; one left by an
// interrupted run is replaced. Only one partial file exists at a time: if the
// process is ended by SIGINT, SIGTERM, SIGHUP or SIGQUIT before it is named or
// dropped, it is removed first. Returns nullptr with *why set on failure.
Stream* CreatePartialAt(DirHandle dir, CreateFailure* why);

// Closes the partial file's stream (nullptr: already closed) and removes it.
void DropPartial(Stream* stream);

// Sets the partial file's last-access and last-write times, in whole seconds
// since 1970-01-01 UTC, through its stream, after the last write. Returns 0 or -1.
int SetPartialTimes(Stream* stream, std::uint32_t accessTime, std::uint32_t modificationTime);

// Gives the closed partial file the name in its folder, never replacing anything.
// Returns 0; -1 when the name is taken (the partial file stays, to try another
// name); -2 when naming failed otherwise (the partial file is removed).
int NamePartial(const char* name);
