#pragma once

#include "platform/system.h"

// The whole program: parses argv, announces, pauses, opens the cache index,
// enters the output directory, extracts every entry and returns the exit code.
// The only place the run ends: everything below it returns to it.
int Run(int argc, const char* const* argv);

// The same, for the list the platform gives (ProgramArguments).
inline int Run(ArgumentList arguments) {
  return Run(arguments.count, arguments.values);
}

// Appends the native path separator unless the text already ends in one. The
// text must not be empty and its buffer must have room for two more bytes.
void AppendSeparator(char* path);
