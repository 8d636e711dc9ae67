// The one-byte form of the superscript digits ¹, ² and ³ in the character set
// the program's names are in: Windows reads "COM¹" to "COM³" and "LPT¹" to
// "LPT³" as devices, like "COM1".
#pragma once

// The byte that is the superscript digit (1, 2 or 3) in the character set of the
// program's names, or '\0' when that set has no one-byte form of it. On POSIX,
// where a FAT or NTFS driver reads names as UTF-8 (the two-byte forms, which the
// naming rules know everywhere) or as Latin-1: 0xB9, 0xB2, 0xB3. On Windows, the
// byte of the console's code page, if it has one.
char SuperscriptDigitByte(int digit);
