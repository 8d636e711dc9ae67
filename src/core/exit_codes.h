// Exit codes of the whole program. A POSIX shell sees -1 as 255 and -2 as 254.
#pragma once

inline constexpr int kExitOk = 0;  // every readable entry saved or already saved; or usage shown
inline constexpr int kExitSomeFailed = 1;    // run completed, but some readable entry was not saved
inline constexpr int kExitEscape = 255;      // ESC pressed at a pause
inline constexpr int kExitNoIndex = -1;      // the cache index cannot be opened (or located)
inline constexpr int kExitWriteFailed = -2;  // writing an extracted file failed
// The output dir cannot be entered, or it is the cache dir or one above it.
inline constexpr int kExitOutputRefused = -1;
