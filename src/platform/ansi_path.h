// Paths as the file system wants them, and the process's current directory.
// The program holds every path in the console's character set; each is converted
// into the file system's right before an operation on it.
#pragma once

#include <cstddef>

#include "platform/system.h"

// Converts the path into out. Returns false when it cannot be converted (it does
// not fit the buffer); out is then empty. Reporting that is the caller's business.
bool ToAnsiPath(const char* path, char (&out)[kPathSize]);

// Each converts the path, then creates that one folder level (failing when the
// name exists or the parent is missing), or makes it the current directory.
// Returns 0, or -1, also when the path cannot be converted.
int MkDirAnsi(const char* path);
int ChDirAnsi(const char* path);

// Makes the path, taken as the file system wants it, the current directory.
// Returns 0 or -1.
int ChangeDirectory(const char* path);

// Writes the full path of the current directory, in the console's character set,
// into buffer. Returns 0, or -1 with the buffer empty (also when it does not fit).
int CurrentDirectory(char* buffer, std::size_t size);
