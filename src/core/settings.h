// The settings of one run, filled from the command line and read-only afterwards.
#pragma once

#include <string>

#include "platform/system.h"

struct Settings {
  std::string outputDir = "TALVEX.OUT";  // relative or absolute; may be empty
  std::string cacheDir;                  // the positional argument, as given
  bool quiet = false;
  bool verbose = false;
  bool skipKnownPrefixes = false;
  bool noNonAsciiNames = false;
  bool list = false;       // --list: scan and report, write no output tree
  std::string reportFile;  // --report=FILE, as given; "" for none
  std::string warcFile;    // --warc=FILE, as given; "" for none
  // Not a switch: the file system's naming rules, which the URL mapping follows.
  bool windowsNames = kWindowsNameRules;
};
