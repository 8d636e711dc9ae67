// ASCII letter case, for names compared the way the browser and Windows compare them.
#pragma once

inline char AsciiLower(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}
