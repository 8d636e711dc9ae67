#include "extract/windows_names.h"

#include "core/ascii.h"

namespace {

const char* const kDeviceNames[] = {"con", "prn", "aux", "nul", "conin$", "conout$"};
const char* const kNumberedDevices[] = {"com", "lpt"};

// True when text[0..length) is name, letters in any case.
bool SameName(const char* text, std::size_t length, const char* name) {
  std::size_t i = 0;
  for (; i < length && name[i] != '\0'; ++i)
    if (AsciiLower(text[i]) != name[i]) return false;
  return i == length && name[i] == '\0';
}

}  // namespace

bool IsReservedDeviceName(const char* text, std::size_t length) {
  // The part before the first dot, without trailing blanks, is what Windows compares.
  std::size_t base = 0;
  while (base < length && text[base] != '.') ++base;
  while (base > 0 && text[base - 1] == ' ') --base;
  for (const char* name : kDeviceNames)
    if (SameName(text, base, name)) return true;
  if (base == 4 && text[3] >= '1' && text[3] <= '9')
    for (const char* name : kNumberedDevices)
      if (SameName(text, 3, name)) return true;
  return false;
}

bool HasDroppedEnding(const char* text, std::size_t length) {
  return length > 0 && (text[length - 1] == '.' || text[length - 1] == ' ');
}
