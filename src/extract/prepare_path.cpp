#include "extract/prepare_path.h"

#include <cstring>

#include "core/messages.h"
#include "core/pause.h"
#include "core/say.h"
#include "extract/make_folder.h"
#include "platform/output_tree.h"

namespace {

// Drops the chain's levels from depth on.
void CutChain(FolderChain& chain, std::size_t depth) {
  for (std::size_t j = depth; j < chain.depth; ++j) CloseDirectory(chain.levels[j]);
  if (depth < chain.depth) chain.depth = depth;
}

// Where the entry's folder exists already, and the chain does not hold it, it is
// opened in one step, meeting no link on the way; the chain is left for later
// entries. Nothing can stand in the way of a level then, so the only messages
// are the escapes. Returns false when the levels must be walked one by one.
bool ReachExistingFolder(const Settings& settings, const char* url, OutputPath& path,
                         FolderChain& chain, FileSpot* spot) {
  std::size_t end = 0;  // where the file's name begins, less its separator
  for (std::size_t i = 0; i < path.eventCount; ++i)
    if (path.events[i].kind == PathEvent::kFolder) end = path.events[i].position;
  if (end == 0) return false;
  bool held = chain.depth > 0 && chain.ends[chain.depth - 1] == end &&
              std::memcmp(chain.text, path.text, end) == 0;
  if (held) return false;
  path.text[end] = '\0';
  DirHandle folder = OpenFolderPathAt(chain.root, path.text);
  path.text[end] = kPathSeparator;
  if (folder == kNoDir) return false;
  for (std::size_t i = 0; i < path.eventCount && settings.verbose; ++i) {
    const PathEvent& event = path.events[i];
    if (event.kind == PathEvent::kEscaped) Say(msg::kRenamingChar, event.byte, event.byte, url);
  }
  chain.transient = folder;
  spot->folder = folder;
  spot->nameStart = end + 1;
  return true;
}

}  // namespace

Stop PrepareOutputPath(const Settings& settings, const char* url, OutputPath& path,
                       FolderChain& chain, FileSpot* spot) {
  BuildOutputPath(settings, url, path);
  if (path.unknownPrefix) {
    Say(msg::kUnknownPrefix, url);
    if (!PausePrompt()) return Stop::kEscape;
  }
  CloseDirectory(chain.transient);
  chain.transient = kNoDir;

  char* text = path.text;
  if (ReachExistingFolder(settings, url, path, chain, spot)) return Stop::kNone;
  std::size_t level = 0;  // folder levels of this path so far
  std::size_t start = 0;  // where the current level's name begins
  bool shared = true;     // every level so far is one the chain already holds
  DirHandle parent = chain.root;
  for (std::size_t i = 0; i < path.eventCount; ++i) {
    const PathEvent& event = path.events[i];
    if (event.kind == PathEvent::kEscaped) {
      if (settings.verbose) Say(msg::kRenamingChar, event.byte, event.byte, url);
      continue;
    }
    std::size_t end = event.position;
    if (end == start || parent == kNoDir) {  // a doubled separator, or below a failed level
      start = end + 1;
      continue;
    }
    shared = shared && level < chain.depth && chain.ends[level] == end &&
             std::memcmp(chain.text, text, end) == 0;
    if (shared) {
      parent = chain.levels[level];
    } else {
      CutChain(chain, level);
      text[end] = '\0';
      DirHandle folder = MakeFolder(settings, parent, text + start, text);
      text[end] = kPathSeparator;
      if (level > kMaxKeptLevels) CloseDirectory(parent);  // a level the chain does not keep
      parent = folder;
      if (folder != kNoDir && level < kMaxKeptLevels) {
        chain.levels[level] = folder;
        chain.ends[level] = end;
        chain.depth = level + 1;
        std::memcpy(chain.text, text, end);
      }
    }
    ++level;
    start = end + 1;
  }
  if (shared) CutChain(chain, level);
  if (level > kMaxKeptLevels) chain.transient = parent;
  spot->folder = parent;
  spot->nameStart = start;
  return Stop::kNone;
}
