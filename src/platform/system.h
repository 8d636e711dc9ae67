// Process-level facts of the platform: path syntax, switch syntax, ending the process.
#pragma once

#include <cstddef>

// Size of every path buffer of the program, terminator included.
inline constexpr std::size_t kPathSize = 4096;

// The separator the program writes into the paths it builds.
extern const char kPathSeparator;

// True when an argument beginning with this character is a switch.
bool IsSwitchStart(char c);

// True when the path does not depend on the current directory.
bool IsAbsolutePath(const char* path);

// Writes out every open stream and ends the process with the exit code.
[[noreturn]] void EndProcess(int code);
