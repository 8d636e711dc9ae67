#include "platform/crypto.h"

std::string Hash::FinishHex() {
  static const char kHex[] = "0123456789abcdef";
  std::string hex;
  for (char byte : Finish()) {
    auto octet = static_cast<unsigned char>(byte);
    hex += kHex[octet >> 4];
    hex += kHex[octet & 0xf];
  }
  return hex;
}
