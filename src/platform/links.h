// Symbolic links in the output tree. The program never makes one, but an output
// directory that already existed may hold some, and a folder level that is a link
// to a folder elsewhere would let files land outside the output directory.
#pragma once

// True when the path itself, not what it points to, is a symbolic link (a dangling
// one included). False for anything else and for a missing name. The path is
// taken as the file system wants it: pass it through ToAnsiPath first (a
// nullptr, a path that could not be converted, is no link).
bool IsSymbolicLink(const char* path);
