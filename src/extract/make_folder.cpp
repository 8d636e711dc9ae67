#include "extract/make_folder.h"

#include <cstdio>

#include "core/messages.h"
#include "core/say.h"
#include "platform/ansi_path.h"
#include "platform/files.h"
#include "platform/links.h"
#include "platform/system.h"

void MakeFolder(const Settings& settings, const char* folderPath) {
  // Only a readable regular file opens here; a folder, a missing name and an
  // empty path do not. A link is moved aside whatever it points to, so that no
  // later level of the path can lead out of the output directory through it.
  Stream* existing = FOpenAnsi(folderPath, "rb");
  bool inTheWay = existing != nullptr || IsSymbolicLink(ToAnsiPath(folderPath));
  if (inTheWay) {
    if (settings.verbose) Say(msg::kRenamingFileForFolder, folderPath);
    CloseStream(existing);
    char asideName[kPathSize];
    std::snprintf(asideName, sizeof asideName, "%s_", folderPath);
    MoveFileAnsi(folderPath, asideName);
  }
  MkDirAnsi(folderPath);
}
