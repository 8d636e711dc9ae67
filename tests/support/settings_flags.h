// Settings from the three switches the URL mapping tests vary.
#pragma once

#include "core/settings.h"

inline Settings Flags(int skipKnownPrefixes, int noNonAsciiNames, int verbose) {
  Settings settings;
  settings.skipKnownPrefixes = skipKnownPrefixes;
  settings.noNonAsciiNames = noNonAsciiNames;
  settings.verbose = verbose;
  return settings;
}
