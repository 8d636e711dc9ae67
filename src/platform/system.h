// Process-level facts of the platform: the argument list, path syntax, switch
// syntax and the naming rules of the file system.
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

// How many files and folders the process may hold open at once.
std::size_t OpenHandleLimit();

// How many processors the process may run on (its affinity), at least 1.
std::size_t ProcessorsAvailable();

// Raises that limit towards wanted where the system lets a process raise its own
// (the soft limit up to the hard one); never lowers it.
void RaiseOpenHandleLimit(std::size_t wanted);

// True when the file system refuses or misreads some names that are valid
// elsewhere: reserved device names (CON, NUL.txt...), names ending in a dot or a
// blank, and '"'. The URL mapping then escapes them.
extern const bool kWindowsNameRules;

// True when the console takes C1 controls as controls: the bytes 0x80-0x9F on
// their own, and U+0080-U+009F in UTF-8 (0x9B and "\xc2\x9b" both start an
// escape sequence on a POSIX terminal). False where the console shows them as
// characters of its code page (Windows).
extern const bool kConsoleHasC1Controls;

// The program's arguments: element 0 is the program, then the arguments in order.
struct ArgumentList {
  int count;
  const char* const* values;
};

// The program's own argument list, given what main received. On POSIX that is
// argv as given. On Windows it is built from the process's command line (see
// command_line_split.h), every element in the console's character set, element 0
// the program file's full path. The list stays valid until the process ends.
ArgumentList ProgramArguments(int argc, const char* const* argv);
