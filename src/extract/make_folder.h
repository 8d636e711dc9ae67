// Creating one folder level of an output path.
#pragma once

#include "core/settings.h"

// Creates the folder at folderPath (relative to the current directory, the output
// directory). A readable file or a symbolic link that holds the name is first moved
// aside to the same name with "_" appended (a warning when verbose), never
// replacing anything; when that name is taken the move fails and the folder is not
// made. Every failure is silent: it shows later, when the entry's file cannot be
// created. The levels above folderPath must be real folders or missing, never
// links (BuildOutputPath stops calling it below a link that stayed).
void MakeFolder(const Settings& settings, const char* folderPath);
