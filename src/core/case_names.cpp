#include "core/case_names.h"

#include <vector>

#include "platform/beneath.h"

namespace {

std::string AsciiLower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

}  // namespace

CaseMatch MatchIgnoringCase(DirHandle cacheDir, CaseNames& names, const std::string& folder,
                            const std::string& name) {
  auto listed = names.find(folder);
  if (listed == names.end()) {
    listed = names.emplace(folder, CaseNames::mapped_type()).first;
    std::vector<std::string> found;
    ListFolderBeneath(cacheDir, folder.c_str(), found);
    for (std::string& one : found) {
      auto& slot = listed->second[AsciiLower(one)];
      if (slot.second == 0 || one < slot.first) slot.first = one;
      ++slot.second;
    }
  }
  auto match = listed->second.find(AsciiLower(name));
  if (match == listed->second.end()) return {};
  return {match->second.first, match->second.second};
}
