#include "platform/key_decode.h"

namespace {

// Bytes in the UTF-8 character that starts with lead; 1 for any other byte.
std::size_t CharacterLength(unsigned char lead) {
  if (lead >= 0xc2 && lead <= 0xdf) return 2;
  if (lead >= 0xe0 && lead <= 0xef) return 3;
  if (lead >= 0xf0 && lead <= 0xf4) return 4;
  return 1;
}

bool IsContinuation(unsigned char byte) {
  return (byte & 0xc0) == 0x80;
}

}  // namespace

bool IsWholeKey(const unsigned char* bytes, std::size_t count) {
  if (count == 0) return false;
  unsigned char last = bytes[count - 1];
  if (bytes[0] != kKeyEscape) {
    // A byte that cannot continue the character ends it (not UTF-8 after all).
    return count >= CharacterLength(bytes[0]) || (count > 1 && !IsContinuation(last));
  }
  if (count == 1) return false;
  if (bytes[1] == '[' || bytes[1] == 'O') {
    // Parameter and intermediate bytes (0x20..0x3F) go on to a final byte.
    // The Linux console sends F1..F5 as "ESC [ [ x".
    if (count == 2 || (count == 3 && bytes[1] == '[' && bytes[2] == '[')) return false;
    return last < 0x20 || last > 0x3f;
  }
  return bytes[1] == kKeyEscape || IsWholeKey(bytes + 1, count - 1);
}

int DecodeKey(const unsigned char* bytes, std::size_t count) {
  if (count == 0) return -1;
  if (bytes[0] == kKeyEscape) {
    if (count == 1 || (count == 2 && bytes[1] == kKeyEscape)) return kKeyEscape;
    return bytes[count - 1] << 8;
  }
  if (bytes[0] == 0) return 0x100;
  return bytes[0];
}
