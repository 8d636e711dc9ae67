#include "extract/prepare_path.h"

#include "core/messages.h"
#include "core/pause.h"
#include "core/say.h"
#include "extract/make_folder.h"
#include "platform/output_tree.h"

namespace {

void ReportEscapes(const Settings& settings, const char* url, const OutputPath& path) {
  for (std::size_t i = 0; i < path.eventCount && settings.verbose; ++i) {
    const PathEvent& event = path.events[i];
    if (event.kind == PathEvent::kEscaped) Say(msg::kRenamingChar, event.byte, event.byte, url);
  }
}

// Keeps the folder of the given level in the cache; one that cannot be kept
// (too deep) is needed only until the next level or entry is opened.
void Hold(FolderCache& cache, const char* text, std::size_t end, DirHandle folder, bool made,
          std::size_t level) {
  if (level < kMaxKeptLevels && KeepFolder(cache, text, end, folder, made)) return;
  CloseDirectory(cache.transient);
  cache.transient = folder;
}

// Where the entry's folder is kept, or exists already, it is reached without
// making or testing a level; an existing one is opened in one step, meeting no
// link on the way. Nothing can stand in the way of a level then, so the only
// messages are the escapes. Returns false when the levels must be made.
bool ReachFolder(const Settings& settings, const char* url, OutputPath& path, FolderCache& cache,
                 std::size_t end, std::size_t levels, FileSpot* spot) {
  if (KeptFolder* kept = FindFolder(cache, path.text, end)) {
    spot->folder = kept->handle;
    spot->madeByRun = kept->made;
  } else {
    // In an output directory the run made, only what the run made can exist.
    bool remembered = Remembered(cache, path.text, end);
    if (cache.rootMade && !remembered) return false;
    path.text[end] = '\0';
    DirHandle folder = OpenFolderPathAt(cache.root, path.text);
    path.text[end] = kPathSeparator;
    if (folder == kNoDir) return false;
    spot->madeByRun = cache.rootMade || remembered;
    Hold(cache, path.text, end, folder, spot->madeByRun, levels - 1);
    spot->folder = folder;
  }
  ReportEscapes(settings, url, path);
  spot->nameStart = end + 1;
  return true;
}

}  // namespace

Stop PrepareOutputPath(const Settings& settings, const char* url, OutputPath& path,
                       FolderCache& cache, FileSpot* spot) {
  BuildOutputPath(settings, url, path);
  if (path.unknownPrefix) {
    Say(msg::kUnknownPrefix, url);
    if (!PausePrompt()) return Stop::kEscape;
  }
  CloseDirectory(cache.transient);
  cache.transient = kNoDir;
  *spot = FileSpot{};

  // The levels: where the file's name begins (less its separator), and how many.
  char* text = path.text;
  std::size_t end = 0, levels = 0, start = 0;
  for (std::size_t i = 0; i < path.eventCount; ++i) {
    if (path.events[i].kind != PathEvent::kFolder) continue;
    if (path.events[i].position != start) ++levels;  // a doubled separator is no level
    end = path.events[i].position;
    start = end + 1;
  }
  if (levels > 0 && ReachFolder(settings, url, path, cache, end, levels, spot)) return Stop::kNone;

  // The deepest level kept: the levels above it need nothing, those below are made.
  std::size_t keptEnd = 0;
  DirHandle parent = cache.root;
  bool made = cache.rootMade;
  for (std::size_t i = path.eventCount; i-- > 0 && keptEnd == 0;) {
    const PathEvent& event = path.events[i];
    if (event.kind != PathEvent::kFolder) continue;
    if (KeptFolder* kept = FindFolder(cache, text, event.position)) {
      keptEnd = event.position;
      parent = kept->handle;
      made = kept->made;
    }
  }
  std::size_t level = 0;  // folder levels of this path so far
  start = 0;              // where the current level's name begins
  for (std::size_t i = 0; i < path.eventCount; ++i) {
    const PathEvent& event = path.events[i];
    if (event.kind == PathEvent::kEscaped) {
      if (settings.verbose) Say(msg::kRenamingChar, event.byte, event.byte, url);
      continue;
    }
    end = event.position;
    // A doubled separator, a level that is kept or lies above one, or a level
    // below one that could not be made.
    if (end == start || end <= keptEnd || parent == kNoDir) {
      if (end != start) ++level;
      start = end + 1;
      continue;
    }
    text[end] = '\0';
    // A folder made earlier in the run is opened, not made again.
    DirHandle folder = Remembered(cache, text, end) ? OpenFolderAt(parent, text + start) : kNoDir;
    if (folder != kNoDir)
      made = true;
    else
      folder = MakeFolder(settings, parent, text + start, text, &made);
    text[end] = kPathSeparator;
    made = made || cache.rootMade;
    if (folder != kNoDir) Hold(cache, text, end, folder, made, level);
    parent = folder;
    ++level;
    start = end + 1;
  }
  spot->folder = parent;
  spot->madeByRun = made && parent != kNoDir;
  spot->nameStart = start;
  return Stop::kNone;
}
