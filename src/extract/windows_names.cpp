#include "extract/windows_names.h"

#include "core/ascii.h"
#include "platform/superscript.h"

namespace {

const char* const kDeviceNames[] = {"con", "prn", "aux", "nul", "conin$", "conout$", "clock$"};
const char* const kNumberedDevices[] = {"com", "lpt"};

// True when text[0..length) is name, letters in any case.
bool SameName(const char* text, std::size_t length, const char* name) {
  std::size_t i = 0;
  for (; i < length && name[i] != '\0'; ++i)
    if (AsciiLower(text[i]) != name[i]) return false;
  return i == length && name[i] == '\0';
}

// True when text[0..length) is what Windows reads as a port number after COM or
// LPT: a digit, or a superscript ¹, ² or ³ in UTF-8 or in the one-byte form of
// the character set of names.
bool IsPortNumber(const char* text, std::size_t length) {
  if (length == 1 && text[0] >= '0' && text[0] <= '9') return true;
  const char kUtf8Ends[] = {'\xb9', '\xb2', '\xb3'};  // after 0xC2
  for (int digit = 1; digit <= 3; ++digit) {
    char byte = SuperscriptDigitByte(digit);
    if (length == 1 && byte != '\0' && text[0] == byte) return true;
    if (length == 2 && text[0] == '\xc2' && text[1] == kUtf8Ends[digit - 1]) return true;
  }
  return false;
}

}  // namespace

bool IsReservedDeviceName(const char* text, std::size_t length) {
  // The part before the first dot, without trailing blanks, is what Windows compares.
  std::size_t base = 0;
  while (base < length && text[base] != '.') ++base;
  while (base > 0 && text[base - 1] == ' ') --base;
  for (const char* name : kDeviceNames)
    if (SameName(text, base, name)) return true;
  if (base < 4) return false;
  for (const char* name : kNumberedDevices)
    if (SameName(text, 3, name)) return IsPortNumber(text + 3, base - 3);
  return false;
}

bool HasDroppedEnding(const char* text, std::size_t length) {
  return length > 0 && (text[length - 1] == '.' || text[length - 1] == ' ');
}
