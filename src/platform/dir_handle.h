// Open folders, to reach what lies in them by name without resolving a path again.
#pragma once

#include <cstdint>

using DirHandle = std::intptr_t;
inline constexpr DirHandle kNoDir = -1;

// Opens the folder at path (relative to the current directory, or absolute).
// Returns its handle, or kNoDir.
DirHandle OpenDirectory(const char* path);

// Releases the handle; kNoDir is ignored.
void CloseDirectory(DirHandle dir);
