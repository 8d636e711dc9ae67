// Directory handles: a directory opened once and named relative to afterwards, so
// that what is opened through the handle stays tied to that very directory.
#pragma once

#include <cstdint>
#include <vector>

using DirHandle = std::intptr_t;
inline constexpr DirHandle kNoDir = -1;

// Opens the directory at path (as the file system wants it: pass it through
// ToAnsiPath first). Links in the path are followed. Nothing in the directory is
// read or changed. Returns the handle, or kNoDir when path names no directory
// that can be opened (nullptr included).
DirHandle OpenDirectory(const char* path);

// Releases the handle. kNoDir is ignored.
void CloseDirectory(DirHandle dir);

// Releases every handle in dirs (no kNoDir among them), in as few calls as the
// system allows; dirs is left in any order.
void CloseDirectories(std::vector<DirHandle>& dirs);

// Whether the process could open a file now, which may take two handles at once:
// false when it holds nearly as many as its open-file limit allows (or the
// system has none left).
bool HandlesLeft();
