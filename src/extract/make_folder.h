// Making the folder levels of an output path, each through the handle of its parent.
#pragma once

#include "core/settings.h"
#include "platform/dir_handle.h"
#include "platform/output_tree.h"

struct MadeFolder {
  DirHandle handle = kNoDir;                     // kNoDir when it could not be made or opened
  bool made = false;                             // this call made it
  CreateFailure failure = CreateFailure::kNone;  // kDiskWide: no folder can be made
  bool movedAside = false;                       // a file held the name: it is now name_
};

// Makes (or finds) the folder name in parent and returns its handle. A readable
// file or a symbolic link that holds the name is first moved aside to the same
// name with "_" appended (a warning naming shownPath when verbose), never
// replacing anything; when that name is taken the folder is not made.
MadeFolder MakeFolder(const Settings& settings, DirHandle parent, const char* name,
                      const char* shownPath);
