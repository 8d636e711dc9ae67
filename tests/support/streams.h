// Opening a file for reading in the tests, through the program's own platform layer.
#pragma once

#include <string>

#include "platform/dir_handle.h"
#include "platform/output_tree.h"

// The regular file at path (a '/' separates its folder), open for reading; or nullptr.
inline Stream* OpenForReading(const std::string& path) {
  std::size_t slash = path.rfind('/');
  std::string folder = slash == std::string::npos ? "." : path.substr(0, slash + 1);
  DirHandle dir = OpenDirectory(folder.c_str());
  Stream* stream = OpenFileAt(dir, path.substr(slash + 1).c_str());
  CloseDirectory(dir);
  return stream;
}
