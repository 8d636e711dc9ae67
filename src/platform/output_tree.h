// The output tree, reached only through folder handles: every operation names one
// entry of one open folder and never follows a symbolic link, so nothing that
// stands in the tree, or is swapped into it meanwhile, can lead outside it.
#pragma once

#include <cstdint>
#include <string>

#include "platform/dir_handle.h"
#include "platform/stream.h"

enum class NodeKind { kMissing, kFolder, kFile, kLink, kOther };

// Why a file or folder could not be created or named.
enum class CreateFailure {
  kNone,
  kThisName,   // this name or place: it exists, permission, a name too long, a folder gone
  kDiskWide,   // no space, quota, read-only file system, I/O error: every entry would fail
  kNoHandles,  // the process may open no more files
};

// What the name in dir is, not following a link. kMissing also when it can't be told.
NodeKind KindAt(DirHandle dir, const char* name);

// Opens the folder name in dir; fails (kNoDir) for a link or anything but a folder.
DirHandle OpenFolderAt(DirHandle dir, const char* name);

// Opens the folder at path, a relative path of several levels beneath dir,
// when every level is a folder already and no symbolic link is met on the way.
// Returns kNoDir otherwise, and also where the system cannot resolve a path so
// strictly: the caller then goes level by level.
DirHandle OpenFolderPathAt(DirHandle dir, const char* path);

// Creates the folder name in dir. Returns kNone, or why not.
CreateFailure MakeFolderAt(DirHandle dir, const char* name);

// Opens the regular file name in dir for reading, never a link, FIFO or device
// (the type is checked before the open and again after it). Returns nullptr
// otherwise, with what holds the name in *kind when kind is given.
Stream* OpenFileAt(DirHandle dir, const char* name, NodeKind* kind = nullptr);

// How a move ended.
enum class Move { kDone, kNameTaken, kFailed, kDiskWide };

// Gives from in dir the name to, never replacing anything. Where the file system
// cannot rename without replacing, nor link, the name is looked at and given
// while this process holds the folder's lock, which every run takes for that:
// runs never replace each other's files, other programs are not kept out.
Move MoveAt(DirHandle dir, const char* from, const char* to);

// The kind of file system dir lies on when its names follow the Windows rules
// (FAT, exFAT, NTFS, also through FUSE), such as "vfat"; else empty.
std::string WindowsFileSystemAt(DirHandle dir);
