// Checks that what BuildOutputPath yields stays inside the output directory.
// Header only, so the fuzzer uses the same checks as the tests.
#pragma once

#include <cstddef>
#include <cstring>
#include <string>

#include "core/settings.h"
#include "extract/output_path.h"
#include "extract/windows_names.h"

// Checks a path meant to be relative to the output directory. Returns "" when it
// is non-empty, within the length bound, relative and free of "." and ".."
// levels: such a path cannot name anything outside. Else what is wrong.
inline std::string PathProblem(const char* path, std::size_t length) {
  if (length != std::strlen(path)) return "returned length differs from the text";
  if (length == 0) return "empty path";
  if (length > kMaxBaseNameLength) return "path longer than the base name bound";
  if (path[0] == '/') return "absolute path";
  std::string text(path, length);
  for (std::size_t start = 0; start <= text.size();) {
    std::size_t stop = text.find('/', start);
    if (stop == std::string::npos) stop = text.size();
    std::string level = text.substr(start, stop - start);
    if (level == "." || level == "..") return "level '" + level + "' in '" + text + "'";
    start = stop + 1;
  }
  return "";
}

// For a path mapped with the Windows naming rules: "" when no level is a device
// name, ends in a dot or a blank, or holds '"'. Else what is wrong.
inline std::string WindowsNameProblem(const char* path, std::size_t length) {
  std::string text(path, length);
  if (text.find('"') != std::string::npos) return "'\"' in '" + text + "'";
  for (std::size_t start = 0; start <= text.size();) {
    std::size_t stop = text.find('/', start);
    if (stop == std::string::npos) stop = text.size();
    std::string level = text.substr(start, stop - start);
    if (IsReservedDeviceName(level.c_str(), level.size()) ||
        HasDroppedEnding(level.c_str(), level.size()))
      return "level '" + level + "' in '" + text + "'";
    start = stop + 1;
  }
  return "";
}

// The input format of the output path fuzzer and of its corpus: the first byte
// holds the flags (bit 0 skip known prefixes, bit 1 no non-ASCII names, bit 2
// verbose, bit 3 the Windows naming rules), the rest is the URL up to the first
// zero byte.
inline Settings SettingsFromFuzzFlags(unsigned char flags) {
  Settings settings;
  settings.skipKnownPrefixes = flags & 1;
  settings.noNonAsciiNames = (flags >> 1) & 1;
  settings.verbose = (flags >> 2) & 1;
  settings.windowsNames = (flags >> 3) & 1;
  return settings;
}
