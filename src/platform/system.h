// Process-level facts of the platform: path syntax and switch syntax.
#pragma once

#include <cstddef>

// Size of every path buffer of the program, terminator included.
inline constexpr std::size_t kPathSize = 4096;

// The separator the program writes into the paths it builds.
extern const char kPathSeparator;

// True when an argument beginning with this character is a switch.
bool IsSwitchStart(char c);

// Resolves path against startDir (the start directory, ending in a separator,
// or empty when it is unknown) the way the file system would resolve it from
// there, and writes the result into out (size bytes) when it fits. Returns the
// length of the result, also when it does not fit (out is then left as it was),
// or -1 when the path depends on a start directory that is unknown.
long ResolveAgainst(const char* startDir, const char* path, char* out, std::size_t size);

// Makes a file-size limit fail the write that reaches it, like a full disk,
// instead of ending the process.
void IgnoreFileSizeLimitSignal();
