// Splitting a Windows command line into arguments. Portable code, so that the
// rules are tested everywhere; only the Windows build calls it.
#pragma once

#include <string>
#include <vector>

// Splits the command line the way this program reads its own: the first word
// (the program as it was called: up to the closing double quote when it begins
// with one, else up to the first blank or tab) and the white space after it are
// skipped; the rest is split at runs of blanks and tabs outside double quotes. A
// double quote switches quoting on or off and is dropped, so "" gives an empty
// argument. A backslash directly before a double quote is dropped and the quote
// becomes part of the argument, unless the character before that backslash is a
// backslash too: then the quote switches quoting. Every other backslash stays,
// a final one included. Returns the arguments after the program word.
std::vector<std::u16string> SplitCommandLine(const std::u16string& line);
