// Making the folder levels of an output path, each through the handle of its parent.
#pragma once

#include "core/settings.h"
#include "platform/dir_handle.h"

// Makes (or finds) the folder name in parent and returns its handle, or kNoDir.
// A readable file or a symbolic link that holds the name is first moved aside
// to the same name with "_" appended (a warning naming shownPath when verbose),
// never replacing anything; when that name is taken the folder is not made.
// *made tells whether this call made the folder.
DirHandle MakeFolder(const Settings& settings, DirHandle parent, const char* name,
                     const char* shownPath, bool* made);
