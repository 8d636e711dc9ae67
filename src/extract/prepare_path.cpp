#include "extract/prepare_path.h"

#include "core/checksum.h"
#include "core/messages.h"
#include "core/pause.h"
#include "core/say.h"
#include "extract/make_folder.h"
#include "platform/output_tree.h"

namespace {

// The folder levels of a path (a doubled separator is none), with the hash of
// the path of each level that can be kept and of the entry's own folder.
struct Levels {
  std::size_t count = 0;
  std::size_t folderEnd = 0;  // the entry's folder is text[0..folderEnd)
  std::uint64_t folderHash = kChecksumStart;
  std::size_t nameStart = 0;  // where the file's name begins
  std::size_t ends[kMaxKeptLevels] = {};
  std::uint64_t hashes[kMaxKeptLevels] = {};
};

void FindLevels(const OutputPath& path, Levels& levels) {
  std::size_t start = 0;
  for (std::size_t i = 0; i < path.eventCount; ++i) {
    const PathEvent& event = path.events[i];
    if (event.kind != PathEvent::kFolder) continue;
    if (event.position != start) {
      levels.folderHash = ExtendChecksum(levels.folderHash, path.text + levels.folderEnd,
                                         event.position - levels.folderEnd);
      levels.folderEnd = event.position;
      if (levels.count < kMaxKeptLevels) {
        levels.ends[levels.count] = levels.folderEnd;
        levels.hashes[levels.count] = levels.folderHash;
      }
      ++levels.count;
    }
    start = event.position + 1;
  }
  levels.nameStart = start;
}

void ReportEscapes(const Settings& settings, const char* url, const OutputPath& path) {
  for (std::size_t i = 0; i < path.eventCount && settings.verbose; ++i) {
    const PathEvent& event = path.events[i];
    if (event.kind == PathEvent::kEscaped) Say(msg::kRenamingChar, event.byte, event.byte, url);
  }
}

// Keeps the folder of the given level (counted from 0) in the cache; one that
// cannot be kept (too deep) is needed only until the next level or entry is opened.
void Hold(FolderCache& cache, std::uint64_t hash, const char* text, std::size_t end,
          DirHandle folder, bool made, std::size_t level) {
  if (level < kMaxKeptLevels && KeepFolder(cache, hash, text, end, folder, made)) return;
  CloseDirectory(cache.transient);
  cache.transient = folder;
}

// Where the entry's folder is kept, or exists already, it is reached without
// making or testing a level; an existing one is opened in one step, meeting no
// link on the way. Nothing can stand in the way of a level then, so the only
// messages are the escapes. Returns false when the levels must be made.
bool ReachFolder(const Settings& settings, const char* url, OutputPath& path, FolderCache& cache,
                 const Levels& levels, FileSpot* spot) {
  if (KeptFolder* kept = FindFolder(cache, levels.folderHash, path.text, levels.folderEnd)) {
    spot->folder = kept->handle;
    spot->madeByRun = kept->made;
  } else {
    // In an output directory the run made, only what the run made can exist.
    bool remembered = Remembered(cache, levels.folderHash);
    if (cache.rootMade && !remembered) return false;
    path.text[levels.folderEnd] = '\0';
    DirHandle folder = OpenFolderPathAt(cache.root, path.text);
    path.text[levels.folderEnd] = kPathSeparator;
    if (folder == kNoDir) return false;
    spot->folder = folder;
    spot->madeByRun = cache.rootMade || remembered;
    Hold(cache, levels.folderHash, path.text, levels.folderEnd, folder, spot->madeByRun,
         levels.count - 1);
  }
  ReportEscapes(settings, url, path);
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
  Levels levels;
  FindLevels(path, levels);
  *spot = FileSpot{};
  spot->nameStart = levels.nameStart;
  if (levels.count > 0 && ReachFolder(settings, url, path, cache, levels, spot)) return Stop::kNone;

  // The deepest level kept: the levels down to it need nothing, those below are
  // made. The entry's own folder was looked for already.
  char* text = path.text;
  std::size_t keptLevels = 0;
  DirHandle parent = cache.root;
  bool made = cache.rootMade;
  std::size_t above = levels.count > 0 ? levels.count - 1 : 0;
  for (std::size_t k = above < kMaxKeptLevels ? above : kMaxKeptLevels; k-- > 0;) {
    if (KeptFolder* kept = FindFolder(cache, levels.hashes[k], text, levels.ends[k])) {
      keptLevels = k + 1;
      parent = kept->handle;
      made = kept->made;
      break;
    }
  }
  std::size_t level = 0;   // folder levels of this path so far
  std::size_t start = 0;   // where the current level's name begins
  std::size_t hashed = 0;  // hash: of text[0..hashed)
  std::uint64_t hash = kChecksumStart;
  for (std::size_t i = 0; i < path.eventCount; ++i) {
    const PathEvent& event = path.events[i];
    if (event.kind == PathEvent::kEscaped) {
      if (settings.verbose) Say(msg::kRenamingChar, event.byte, event.byte, url);
      continue;
    }
    std::size_t end = event.position;
    if (end == start) {  // a doubled separator
      start = end + 1;
      continue;
    }
    ++level;
    hash = ExtendChecksum(hash, text + hashed, end - hashed);
    hashed = end;
    // A level down to the deepest one kept, or below one that could not be made.
    if (level <= keptLevels || parent == kNoDir) {
      start = end + 1;
      continue;
    }
    text[end] = '\0';
    // A folder made earlier in the run is opened, not made again.
    bool remembered = Remembered(cache, hash);
    bool madeNow = false;
    DirHandle folder = remembered ? OpenFolderAt(parent, text + start) : kNoDir;
    if (folder == kNoDir) folder = MakeFolder(settings, parent, text + start, text, &madeNow);
    text[end] = kPathSeparator;
    if (madeNow) RememberMade(cache, hash);
    made = cache.rootMade || remembered || madeNow;
    if (folder != kNoDir) Hold(cache, hash, text, end, folder, made, level - 1);
    parent = folder;
    start = end + 1;
  }
  spot->folder = parent;
  spot->madeByRun = made && parent != kNoDir;
  return Stop::kNone;
}
