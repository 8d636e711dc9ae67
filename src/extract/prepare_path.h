// An entry's place in the output tree, made ready for saving.
#pragma once

#include "core/settings.h"
#include "core/stop.h"
#include "extract/folder_cache.h"
#include "extract/output_path.h"

// Where an entry's file goes: its folder and the position of its name in the path.
struct FileSpot {
  DirHandle folder = kNoDir;  // kNoDir when a folder level could not be made
  std::size_t nameStart = 0;  // the file's name is path.text + nameStart
  bool madeByRun = false;     // the folder was made by this run
  // When a file held a folder level's name and was moved aside to name_: the
  // end of that level in the path, else 0.
  std::size_t movedAsideEnd = 0;
};

// Maps the URL to its path (BuildOutputPath), then does what the mapping only
// lists, in URL order: reports an unknown prefix and pauses on it, prints
// " Renaming char" for each escaped byte when verbose, and makes every folder
// level through the handle of its parent (MakeFolder), starting from the output
// directory. A folder the cache keeps, or that exists already, is reached without
// making or testing its levels. When a level cannot be made, nothing is made
// below it. The folder handle in *spot belongs to the cache. Returns
// Stop::kEscape when ESC was pressed at the pause, Stop::kWriteFailed when no
// folder can be made on the disk at all or no handle is left (said, with the
// URL or the open-file limit), else Stop::kNone.
Stop PrepareOutputPath(const Settings& settings, const char* url, OutputPath& path,
                       FolderCache& cache, FileSpot* spot);
