#include "platform/command_line_split.h"

namespace {

bool IsBlank(char16_t c) {
  return c == u' ' || c == u'\t';
}

// The position after the program word and the white space behind it.
std::size_t SkipProgramWord(const std::u16string& line) {
  std::size_t at = 0;
  if (!line.empty() && line[0] == u'"') {
    at = line.find(u'"', 1);
    at = at == std::u16string::npos ? line.size() : at + 1;
  } else {
    while (at < line.size() && !IsBlank(line[at])) ++at;
  }
  while (at < line.size() && IsBlank(line[at])) ++at;
  return at;
}

}  // namespace

std::vector<std::u16string> SplitCommandLine(const std::u16string& line) {
  std::vector<std::u16string> arguments;
  std::u16string current;
  bool inArgument = false;
  bool quoted = false;
  for (std::size_t at = SkipProgramWord(line); at < line.size(); ++at) {
    char16_t c = line[at];
    if (IsBlank(c) && !quoted) {
      if (inArgument) arguments.push_back(current);
      current.clear();
      inArgument = false;
      continue;
    }
    inArgument = true;
    if (c == u'\\' && at + 1 < line.size() && line[at + 1] == u'"') {
      ++at;  // the backslash is dropped
      if (at >= 2 && line[at - 2] == u'\\')
        quoted = !quoted;
      else
        current += u'"';
    } else if (c == u'"') {
      quoted = !quoted;
    } else {
      current += c;
    }
  }
  if (inArgument) arguments.push_back(current);
  return arguments;
}
