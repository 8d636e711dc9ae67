#include "run/output_file.h"

#include "core/say.h"
#include "platform/output_tree.h"
#include "platform/system.h"
#include "run/output_place.h"

OutputFile::~OutputFile() {
  partial_.Drop();
  CloseDirectory(folder_);
}

bool OutputFile::Prepare(const std::string& file, const Settings& settings, const char* startDir,
                         const std::string& cacheDir) {
  file_ = file;
  const char* given = file_.c_str();
  if (SayIfRefused(JudgeOutputPlace(startDir, given, cacheDir, settings.windowsNames), given,
                   texts_.insideCache, texts_.throughCacheLink))
    return false;
  char absolute[kPathSize];
  long length = ResolveAgainst(startDir, given, absolute, sizeof absolute);
  std::string path = length < 0 ? "" : NormalPath(absolute);
  std::size_t split = path.find_last_of(std::string("/") + kPathSeparator);
  if (split != std::string::npos) {
    folderPath_ = path.substr(0, split == 0 || path[split - 1] == ':' ? split + 1 : split);
    name_ = path.substr(split + 1);
    folder_ = OpenDirectory(folderPath_.c_str());
  }
  if (folder_ == kNoDir || name_.empty()) {
    CloseDirectory(folder_);
    folder_ = kNoDir;
    Say(texts_.folderMissing, given);
    return false;
  }
  if (KindAt(folder_, name_.c_str()) != NodeKind::kMissing) {
    CloseDirectory(folder_);
    folder_ = kNoDir;
    Say(texts_.exists, given);
    return false;
  }
  windowsNames_ = settings.windowsNames || !WindowsFileSystemAt(folder_).empty();
  return true;
}

Stream* OutputFile::Open() {
  if (folder_ == kNoDir || partial_.Create(folder_, windowsNames_) != CreateFailure::kNone)
    return nullptr;
  return partial_.stream();
}

bool OutputFile::Close(const char* cantWrite) {
  if (partial_.stream() == nullptr || partial_.Close() != 0) {
    partial_.Drop();
    Say(cantWrite, file_.c_str());
    return false;
  }
  PartialFile::Naming naming = partial_.Name(name_.c_str());
  if (naming == PartialFile::Naming::kNamed) return true;
  partial_.Drop();
  Say(naming == PartialFile::Naming::kTaken ? texts_.exists : cantWrite, file_.c_str());
  return false;
}
