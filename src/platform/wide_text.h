// Text in the system's UTF-16 form, for the Windows calls. Only the Windows
// build has an implementation (wide_text_windows.cpp).
#pragma once

#include <string>

enum class CodePage {
  kAnsi,  // the file system's character set: what ToAnsiPath yields
  kOem,   // the console's character set: every text the program holds
};

// The text converted to UTF-16; empty when it cannot be converted.
std::wstring WideFrom(const char* text, CodePage codePage);

// The UTF-16 text converted to the code page; characters it lacks become '?'.
std::string NarrowFrom(const wchar_t* text, CodePage codePage);

// The path (in the file system's character set) in the "\\?\" full-path form, so
// that paths longer than MAX_PATH work: relative paths and "C:x" or "\x" forms
// are resolved against the current directory. Empty when that fails.
std::wstring LongPathFrom(const char* path);
