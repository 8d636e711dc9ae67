#include "extract/extract_entry.h"

void ExtractEntry(const Settings&, Buffers&, const char*, const char*, std::uint32_t,
                  std::uint32_t) {}
