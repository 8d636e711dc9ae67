// Why a run stops before the end of the index. Operations that can end the run
// return it, and the driver turns it into the exit code: nothing below the driver
// ends the process.
#pragma once

enum class Stop {
  kNone,         // go on
  kEscape,       // ESC was pressed at a pause
  kWriteFailed,  // a rescued file could not be written
};
