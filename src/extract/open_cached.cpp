#include "extract/open_cached.h"

#include <string>

#include "core/case_names.h"
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

// The file as the index names it is not there: the one name in its folder that
// differs from it in letter case only is taken instead.
Stream* OpenInAnotherCase(Buffers& buffers, const std::string& file, ReadRefusal& refusal) {
  std::size_t slash = file.rfind(kPathSeparator);
  std::string folder = slash == std::string::npos ? "" : file.substr(0, slash);
  std::string name = slash == std::string::npos ? file : file.substr(slash + 1);
  CaseMatch match = MatchIgnoringCase(buffers.cacheDir, buffers.cacheNames, folder, name);
  if (match.count != 1 || match.name == name) return nullptr;
  std::string other = folder.empty() ? match.name : folder + kPathSeparator + match.name;
  return OpenForReadingBeneath(buffers.cacheDir, other.c_str(), refusal);
}

}  // namespace

Stream* OpenCachedFile(const Settings& settings, Buffers& buffers, const char* cachedPath) {
  ReadRefusal refusal = ReadRefusal::kCannotOpen;
  const char* file = ToAnsiPath(cachedPath + buffers.cacheDirLength);
  Stream* source = OpenForReadingBeneath(buffers.cacheDir, file, refusal);
  if (source == nullptr && refusal == ReadRefusal::kCannotOpen && file != nullptr)
    source = OpenInAnotherCase(buffers, file, refusal);
  if (source == nullptr && settings.verbose) Say(ReasonMessage(refusal), cachedPath);
  return source;
}
