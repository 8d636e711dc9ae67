#include "platform/partial_file.h"

#include <cstdio>

void PartialSlotName(bool windowsNames, unsigned slot, char (&name)[kPartialNameSize]) {
  if (windowsNames) {
    std::snprintf(name, sizeof name, "CON.T%02u", slot % kPartialSlots);
  } else if (slot == 0) {
    std::snprintf(name, sizeof name, ":talvex-partial");
  } else {
    std::snprintf(name, sizeof name, ":talvex-partial.%02u", slot % kPartialSlots);
  }
}

int PartialFile::Close() {
  if (unnamed_) return 0;
  int closed = CloseStream(stream_);
  stream_ = nullptr;
  return closed;
}

PartialFile::Naming PartialFile::Name(const char* name) {
  switch (MoveTo(name)) {
    case Move::kNameTaken:
      return Naming::kTaken;
    case Move::kFailed:
      Drop();
      return Naming::kFailed;
    case Move::kDiskWide:
      Drop();
      return Naming::kDiskWide;
    case Move::kDone:
      break;
  }
  Release();
  return Naming::kNamed;
}
