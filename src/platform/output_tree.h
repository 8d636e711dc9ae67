// The output tree, reached only through folder handles: every operation names one
// entry of one open folder and never follows a symbolic link, so nothing that
// stands in the tree, or is swapped into it meanwhile, can lead outside it.
#pragma once

#include <cstdint>

#include "platform/dir_handle.h"
#include "platform/stream.h"

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

// How a move ended.
enum class Move { kDone, kNameTaken, kFailed };

// Gives from in dir the name to, never replacing anything.
Move MoveAt(DirHandle dir, const char* from, const char* to);
