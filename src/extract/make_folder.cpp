#include "extract/make_folder.h"

#include <cstdio>

#include "core/messages.h"
#include "core/say.h"
#include "platform/output_tree.h"

DirHandle MakeFolder(const Settings& settings, DirHandle parent, const char* name,
                     const char* shownPath, bool* made) {
  // Most levels are new on a first run and found on a later one.
  *made = MakeFolderAt(parent, name) == 0;
  if (*made) return OpenFolderAt(parent, name);
  DirHandle folder = OpenFolderAt(parent, name);
  if (folder != kNoDir) return folder;
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
    MoveAt(parent, name, asideName);
  }
  *made = MakeFolderAt(parent, name) == 0;
  return OpenFolderAt(parent, name);
}
