// Key input from the console itself, never from a redirected standard input.
#pragma once

inline constexpr int kKeyEscape = 27;

// Prepares the console for reading single keys without echo. Returns 0, or -1
// when the process has no console or is a background job (not in the console's
// foreground): a pause then does not wait. Every BeginKeyWait is paired with
// EndKeyWait; the console's settings are also restored when a signal ends the
// process between them, and while it is stopped (Ctrl-Z): on continuing in the
// foreground they are set for keys again.
int BeginKeyWait();

// Waits for one key press and returns its code: the key's character, 1 to 255
// (27 for ESC). A key without a character (a cursor or function key) gives 0,
// and then its code, never 0, at the next call. Reads exactly one key: keys
// typed ahead stay queued in the console for later calls and later waits.
// Returns -1 when the console cannot be read, or when the process was
// continued in the background. Only valid between BeginKeyWait and EndKeyWait.
int ReadConsoleKey();

// Restores the console as BeginKeyWait found it.
void EndKeyWait();

// True when standard error is a terminal (POSIX) or a console (Windows), false
// when it goes to a file or a pipe.
bool StandardErrorIsTerminal();
