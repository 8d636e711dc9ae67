// Arbitrary bytes as a cache index: the windowed record scanner must find
// exactly the records that the plain reference scanner finds. Byte 0 of an
// input chooses the window size; the rest is the index.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "support/reference_scanner.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string difference = CheckFuzzInput(data, size);
  if (!difference.empty()) {
    std::fprintf(stderr, "scanner and reference disagree: %s\n", difference.c_str());
    std::abort();
  }
  return 0;
}
