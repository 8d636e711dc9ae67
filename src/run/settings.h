// The command line and the settings it fills.
#pragma once

#include <string>

struct Settings {
  std::string outputDir = "TALVEX.OUT";  // relative or absolute; may be empty
  std::string cacheDir;                  // the positional argument, as given
  int quiet = 0;
  int verbose = 0;
  int skipKnownPrefixes = 0;
  int noNonAsciiNames = 0;
};

enum class ParseResult { kRun, kUsage };

// Fills settings from argv[1..argc). Returns kUsage for a switch it does not know
// (the arguments after it are not looked at) and when no cache directory is given.
ParseResult ParseArguments(int argc, const char* const* argv, Settings& settings);

// Writes the banner to standard output.
void PrintBanner();

// Writes the banner and the usage text to standard output.
void PrintUsage();
