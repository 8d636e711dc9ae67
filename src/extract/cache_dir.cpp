#include "extract/cache_dir.h"

#include <vector>

#include "core/ascii.h"
#include "core/messages.h"
#include "core/say.h"
#include "platform/ansi_path.h"
#include "platform/beneath.h"

namespace {

const char kUnixIndexName[] = "index.db";

std::string Lowered(std::string text) {
  for (char& c : text) c = AsciiLower(c);
  return text;
}

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

void CacheDir::Open(const std::string& path) {
  path_ = path;
  char converted[kPathSize];
  if (ToAnsiPath(path_.c_str(), converted)) handle_ = OpenDirectory(converted);
}

CacheDir::CaseMatch CacheDir::MatchIgnoringCase(const std::string& folder,
                                                const std::string& name) {
  auto listed = names_.find(folder);
  if (listed == names_.end()) {
    listed = names_.emplace(folder, decltype(names_)::mapped_type()).first;
    std::vector<std::string> found;
    ListFolderBeneath(handle_, folder.c_str(), found);
    for (std::string& one : found) {
      auto& slot = listed->second[Lowered(one)];
      if (slot.second == 0 || one < slot.first) slot.first = one;
      ++slot.second;
    }
  }
  auto match = listed->second.find(Lowered(name));
  if (match == listed->second.end()) return {};
  return {match->second.first, match->second.second};
}

Stream* CacheDir::OpenIndex(bool verbose) {
  ReadRefusal refusal;
  Stream* index = OpenForReadingBeneath(handle_, kIndexName, refusal);
  if (index != nullptr || refusal != ReadRefusal::kCannotOpen) return index;
  for (const char* name : {kIndexName, kUnixIndexName}) {
    CaseMatch match = MatchIgnoringCase("", name);
    if (match.count == 0 || match.name == kIndexName) continue;
    index = OpenForReadingBeneath(handle_, match.name.c_str(), refusal);
    if (index != nullptr) indexName_ = match.name;
    if (index != nullptr && verbose) Say(msg::kUsingIndex, path_.c_str(), match.name.c_str());
    return index;
  }
  return nullptr;
}

Stream* CacheDir::OpenCachedFileQuietly(const char* file) const {
  ReadRefusal refusal;
  char converted[kPathSize];
  return ToAnsiPath(file, converted) ? OpenForReadingBeneath(handle_, converted, refusal) : nullptr;
}

Stream* CacheDir::OpenCachedFile(const Settings& settings, const char* file, bool* noHandles) {
  ReadRefusal refusal = ReadRefusal::kCannotOpen;
  char converted[kPathSize];
  bool convertible = ToAnsiPath(file, converted);
  Stream* source = convertible ? OpenForReadingBeneath(handle_, converted, refusal) : nullptr;
  *noHandles = source == nullptr && refusal == ReadRefusal::kCannotOpen && !HandlesLeft();
  if (*noHandles) return nullptr;
  if (source == nullptr && refusal == ReadRefusal::kCannotOpen && convertible) {
    // Missing as the index names it: the one name in its folder that differs
    // from it in letter case only is taken instead.
    std::string whole = converted;
    std::size_t slash = whole.rfind(kPathSeparator);
    std::string folder = slash == std::string::npos ? "" : whole.substr(0, slash);
    std::string name = slash == std::string::npos ? whole : whole.substr(slash + 1);
    CaseMatch match = MatchIgnoringCase(folder, name);
    if (match.count == 1 && match.name != name) {
      std::string other = folder.empty() ? match.name : folder + kPathSeparator + match.name;
      source = OpenForReadingBeneath(handle_, other.c_str(), refusal);
    }
  }
  if (source == nullptr && settings.verbose) Say(ReasonMessage(refusal), (path_ + file).c_str());
  return source;
}
