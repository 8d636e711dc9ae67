#pragma once

// Asks for a key on standard error and waits for it. Returns true on any key but
// ESC. On ESC it prints the escape message and returns false: the caller then
// ends the run (exit code 255). Without a console it returns true at once, so
// unattended runs go on.
[[nodiscard]] bool PausePrompt();
