#pragma once

// Asks for a key on standard error and waits for it. On a terminal the prompt is
// blanked after the key; when standard error is a file or a pipe the prompt is
// written as a whole line instead. Returns true on any key but ESC. On ESC it
// prints the escape message and returns false: the caller then ends the run
// (exit code 255). Without a console it returns true at once, so unattended runs
// go on.
[[nodiscard]] bool PausePrompt();
