// What running the binary means on every platform.
#include "support/process.h"

const char* TalvexBinary() {
  return TALVEX_BINARY;
}

std::string Pauses(std::size_t n) {
  std::string text;
  for (std::size_t i = 0; i < n; ++i) text += std::string(kPromptText) + "\n";
  return text;
}

std::string TerminalPauses(std::size_t n) {
  std::string text;
  for (std::size_t i = 0; i < n; ++i)
    text += std::string(kPromptText) + "\r" + std::string(41, ' ') + "\r";
  return text;
}
