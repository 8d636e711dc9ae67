#include "extract/make_folder.h"

#include <cstdio>

#include "core/messages.h"
#include "core/say.h"

namespace {

MadeFolder Made(DirHandle parent, const char* name, CreateFailure failure) {
  MadeFolder result;
  result.made = failure == CreateFailure::kNone;
  if (failure == CreateFailure::kDiskWide) {
    result.failure = failure;
    return result;
  }
  result.handle = OpenFolderAt(parent, name);
  return result;
}

}  // namespace

MadeFolder MakeFolder(const Settings& settings, DirHandle parent, const char* name,
                      const char* shownPath) {
  // Most levels are new on a first run and found on a later one.
  MadeFolder result = Made(parent, name, MakeFolderAt(parent, name));
  if (result.handle != kNoDir || result.failure != CreateFailure::kNone) return result;
  // A readable file is moved aside; so is a link, whatever it points to, so that
  // no deeper level can lead out of the output directory through it.
  NodeKind kind = KindAt(parent, name);
  bool inTheWay = kind == NodeKind::kLink;
  if (kind == NodeKind::kFile) {
    Stream* readable = OpenFileAt(parent, name);
    inTheWay = readable != nullptr;
    CloseStream(readable);
  }
  if (inTheWay) {
    if (settings.verbose) Say(msg::kRenamingFileForFolder, shownPath);
    char asideName[kPathSize];
    std::snprintf(asideName, sizeof asideName, "%s%s", name, msg::kAsideSuffix);
    Move move = MoveAt(parent, name, asideName);
    if (move == Move::kDiskWide) {
      result.failure = CreateFailure::kDiskWide;
      return result;
    }
    result.movedAside = move == Move::kDone;
  }
  bool movedAside = result.movedAside;
  result = Made(parent, name, MakeFolderAt(parent, name));
  result.movedAside = movedAside;
  return result;
}
