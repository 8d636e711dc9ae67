// What became of the entries of a run: the summary line and the exit code.
#pragma once

#include "core/stop.h"

// What became of one entry.
enum class Outcome {
  kSaved,         // written now, under its name or an alternative one
  kAlreadySaved,  // the same content was found in the output tree
  kFailed,        // could not be saved, or saved with bytes the cached file lacked
  kMissing,       // its cached file could not be opened (missing, refused, path too long)
  kListed,        // only listed: nothing is written when listing
};

struct EntryResult {
  Outcome outcome;
  Stop stop = Stop::kNone;
  const char* reason = "";  // why it failed, for a report
};

struct Tally {
  unsigned long found = 0;
  unsigned long saved = 0;
  unsigned long alreadySaved = 0;
  unsigned long failed = 0;
  unsigned long missing = 0;

  void Count(Outcome outcome) {
    ++found;
    switch (outcome) {
      case Outcome::kSaved:
        ++saved;
        break;
      case Outcome::kAlreadySaved:
        ++alreadySaved;
        break;
      case Outcome::kFailed:
        ++failed;
        break;
      case Outcome::kMissing:
        ++missing;
        break;
      case Outcome::kListed:  // a listing prints no summary
        break;
    }
  }
};
