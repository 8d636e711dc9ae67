// ASCII letter case, for names compared the way the browser and Windows compare them.
#pragma once

#include <cstddef>
#include <string_view>

inline char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

// Whether name ends in end (lower case), ASCII letters compared without regard to case.
inline bool EndsWithIgnoringCase(std::string_view name, std::string_view end) {
  if (name.size() < end.size()) return false;
  name.remove_prefix(name.size() - end.size());
  for (std::size_t i = 0; i < end.size(); ++i)
    if (AsciiLower(name[i]) != end[i]) return false;
  return true;
}
