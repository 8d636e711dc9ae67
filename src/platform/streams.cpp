// The stream operations that standard C++ gives alike on every platform.
#include "platform/files.h"

int CloseStream(Stream* stream) {
  if (stream == nullptr) return -1;
  return std::fclose(stream) == 0 ? 0 : -1;
}

int ReadBlock(Stream* stream, void* buffer, std::size_t n) {
  return ReadBytes(stream, buffer, n) == n ? 1 : 0;
}

std::size_t ReadBytes(Stream* stream, void* buffer, std::size_t n) {
  return std::fread(buffer, 1, n, stream);
}

int WriteBlock(Stream* stream, const void* buffer, std::size_t n) {
  if (n == 0) return 1;
  return std::fwrite(buffer, n, 1, stream) == 1 ? 1 : 0;
}
