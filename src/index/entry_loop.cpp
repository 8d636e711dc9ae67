#include "index/entry_loop.h"

void ProcessEntries(const Settings&, Buffers&, Stream*) {}
