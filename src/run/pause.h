#pragma once

// Asks for a key on standard error and waits for it. Returns on any key but ESC;
// ESC ends the process with exit code 255. Without a console it returns at once,
// so unattended runs go on.
void PausePrompt();
