#include "extract/open_cached.h"

#include "core/messages.h"
#include "core/say.h"
#include "platform/ansi_path.h"
#include "platform/beneath.h"

namespace {

const char* ReasonMessage(ReadRefusal refusal) {
  switch (refusal) {
    case ReadRefusal::kOutside:
      return msg::kCachedOutside;
    case ReadRefusal::kSymbolicLink:
      return msg::kCachedLink;
    case ReadRefusal::kNotRegular:
      return msg::kCachedNotRegular;
    default:
      return msg::kCantOpenCached;
  }
}

}  // namespace

Stream* OpenCachedFile(const Settings& settings, const Buffers& buffers, const char* cachedPath) {
  ReadRefusal refusal = ReadRefusal::kCannotOpen;
  const char* file = ToAnsiPath(cachedPath + buffers.cacheDirLength);
  Stream* source = OpenForReadingBeneath(buffers.cacheDir, file, refusal);
  if (source == nullptr && settings.verbose) Say(ReasonMessage(refusal), cachedPath);
  return source;
}
