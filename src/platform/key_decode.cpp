#include "platform/key_decode.h"

int DecodeKey(const unsigned char* bytes, std::size_t count) {
  if (count == 0) return -1;
  if (bytes[0] == kKeyEscape) {
    if (count == 1) return kKeyEscape;
    return bytes[count - 1] << 8;
  }
  if (bytes[0] == 0) return 0x100;
  return bytes[0];
}
