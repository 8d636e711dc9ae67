#include "run/command_line.h"

#include <cstdio>
#include <cstring>

#include "core/messages.h"
#include "platform/system.h"

namespace {

// A long option, "--name" or "--name=value": kRun when known and taken.
ParseResult ParseLongOption(const char* option, Settings& settings) {
  static const char kReport[] = "report=";
  static const char kWarc[] = "warc=";
  if (std::strcmp(option, "list") == 0) {
    settings.list = true;
    return ParseResult::kRun;
  }
  if (std::strncmp(option, kReport, sizeof kReport - 1) == 0 && option[sizeof kReport - 1]) {
    settings.reportFile = option + sizeof kReport - 1;
    return ParseResult::kRun;
  }
  if (std::strncmp(option, kWarc, sizeof kWarc - 1) == 0 && option[sizeof kWarc - 1]) {
    settings.warcFile = option + sizeof kWarc - 1;
    return ParseResult::kRun;
  }
  if (std::strcmp(option, "help") == 0) return ParseResult::kHelp;
  if (std::strcmp(option, "version") == 0) return ParseResult::kVersion;
  return ParseResult::kUsage;
}

}  // namespace

ParseResult ParseArguments(int argc, const char* const* argv, Settings& settings) {
  for (int i = 1; i < argc; ++i) {
    const char* argument = argv[i];
    if (!IsSwitchStart(argument[0])) {
      settings.cacheDir = argument;  // the last one wins
      continue;
    }
    if (argument[0] == '-' && argument[1] == '-') {
      ParseResult result = ParseLongOption(argument + 2, settings);
      if (result != ParseResult::kRun) return result;
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

void PrintHelp() {
  PrintUsage();
  std::fputs(msg::kLongOptions, stdout);
}
