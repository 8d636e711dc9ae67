// The settings of one run, filled from the command line and read-only afterwards.
#pragma once

#include <string>

struct Settings {
  std::string outputDir = "TALVEX.OUT";  // relative or absolute; may be empty
  std::string cacheDir;                  // the positional argument, as given
  bool quiet = false;
  bool verbose = false;
  bool skipKnownPrefixes = false;
  bool noNonAsciiNames = false;
};
