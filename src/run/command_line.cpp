#include "run/command_line.h"

#include <cstdio>

#include "core/messages.h"
#include "platform/system.h"

ParseResult ParseArguments(int argc, const char* const* argv, Settings& settings) {
  for (int i = 1; i < argc; ++i) {
    const char* argument = argv[i];
    if (!IsSwitchStart(argument[0])) {
      settings.cacheDir = argument;  // the last one wins
      continue;
    }
    // Only the character after the switch start counts: -verbose is -v.
    switch (argument[1]) {
      case 'n':
      case 'N':
        settings.noNonAsciiNames = true;
        break;
      case 'o':
      case 'O':
        settings.outputDir = argument + 2;
        break;
      case 'p':
      case 'P':
        settings.skipKnownPrefixes = true;
        break;
      case 'q':
      case 'Q':
        settings.quiet = true;
        break;
      case 'v':
      case 'V':
        settings.verbose = true;
        break;
      default:
        return ParseResult::kUsage;
    }
  }
  return settings.cacheDir.empty() ? ParseResult::kUsage : ParseResult::kRun;
}

void PrintBanner() {
  std::fputs(msg::kBanner, stdout);
}

void PrintUsage() {
  PrintBanner();
  std::fputs(msg::kUsage, stdout);
}
