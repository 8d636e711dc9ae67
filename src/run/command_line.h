// The command line, the banner and the usage text.
#pragma once

#include "core/settings.h"

enum class ParseResult { kRun, kUsage, kHelp, kVersion };

// Fills settings from argv[1..argc). Returns kUsage for a switch it does not know
// (the arguments after it are not looked at) and when no cache directory is given,
// kHelp or kVersion at --help or --version (likewise the last looked at).
ParseResult ParseArguments(int argc, const char* const* argv, Settings& settings);

// Writes the banner to standard output.
void PrintBanner();

// Writes the banner and the usage text to standard output.
void PrintUsage();

// Writes the usage, then the long options, to standard output.
void PrintHelp();
