// An entry's place in the output tree, made ready for saving.
#pragma once

#include "core/settings.h"
#include "core/stop.h"
#include "extract/output_path.h"

// Maps the URL to its path (BuildOutputPath), then does what the mapping only
// lists, in URL order: reports an unknown prefix and pauses on it, prints
// " Renaming char" for each escaped byte when verbose, and makes every folder
// level (MakeFolder), relative to the current directory, the output directory.
// When a level is a symbolic link that could not be moved aside, no deeper level
// is made and the path is cut after that level's separator, so that creating
// the entry's file fails instead of writing through the link.
// Returns Stop::kEscape when ESC was pressed at the pause, else Stop::kNone.
Stop PrepareOutputPath(const Settings& settings, const char* url, OutputPath& path);
