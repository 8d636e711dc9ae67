#include "extract/open_cached.h"

#include "core/messages.h"
#include "core/say.h"
#include "platform/ansi_path.h"

Stream* OpenCachedFile(const Settings& settings, const Buffers&, const char* cachedPath) {
  Stream* source = FOpenAnsi(cachedPath, "rb");
  if (source == nullptr && settings.verbose) Say(msg::kCantOpenCached, cachedPath);
  return source;
}
