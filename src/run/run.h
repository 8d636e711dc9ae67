#pragma once

// The whole program: parses argv, announces, pauses, opens the cache index,
// enters the output directory, extracts every entry and returns the exit code.
// The only place the run ends: everything below it returns to it.
int Run(int argc, const char* const* argv);

// Appends the native path separator unless the text already ends in one. The
// text must not be empty and its buffer must have room for two more bytes.
void AppendSeparator(char* path);
