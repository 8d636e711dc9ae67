#include "extract/prepare_path.h"

#include <optional>

#include "core/messages.h"
#include "core/pause.h"
#include "core/say.h"
#include "extract/checksum.h"
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

// Keeps the folder of the given level (counted from 0) in the cache; one that
// cannot be kept (too deep) is needed only until the next level or entry is opened.
void Hold(FolderCache& cache, std::uint64_t hash, const char* text, std::size_t end,
          DirHandle folder, bool made, std::size_t level) {
  if (level < kMaxKeptLevels && cache.Keep(hash, text, end, folder, made)) return;
  cache.HoldBriefly(folder);
}

// Where the entry's folder is kept, or exists already, it is reached without
// making or testing a level; an existing one is opened in one step, meeting no
// link on the way. Nothing can stand in the way of a level then. Returns false
// when the levels must be made.
bool ReachFolder(OutputPath& path, const Levels& levels, FolderCache& cache, FileSpot* spot) {
  if (KeptFolder* kept = cache.Find(levels.folderHash, path.text, levels.folderEnd)) {
    spot->folder = kept->handle;
    spot->madeByRun = kept->made;
    return true;
  }
  // In an output directory the run made, only what the run made can exist.
  bool remembered = cache.Remembered(levels.folderHash);
  if (cache.rootMade() && !remembered) return false;
  path.text[levels.folderEnd] = '\0';
  DirHandle folder = OpenFolderPathAt(cache.root(), path.text);
  path.text[levels.folderEnd] = kPathSeparator;
  if (folder == kNoDir) return false;
  spot->folder = folder;
  spot->madeByRun = cache.rootMade() || remembered;
  Hold(cache, levels.folderHash, path.text, levels.folderEnd, folder, spot->madeByRun,
       levels.count - 1);
  return true;
}

// Makes the levels of a path one by one, each through the handle of its parent,
// starting below the deepest level the cache keeps. When a level cannot be made,
// nothing is made below it.
class LevelMaker {
 public:
  LevelMaker(OutputPath& path, const Levels& levels, FolderCache& cache)
      : path_(path), cache_(cache), parent_(cache.root()), made_(cache.rootMade()) {
    // The entry's own folder was looked for already: the search starts above it.
    std::size_t above = levels.count > 0 ? levels.count - 1 : 0;
    for (std::size_t k = above < kMaxKeptLevels ? above : kMaxKeptLevels; k-- > 0;) {
      if (KeptFolder* kept = cache.Find(levels.hashes[k], path.text, levels.ends[k])) {
        keptLevels_ = k + 1;
        parent_ = kept->handle;
        made_ = kept->made;
        break;
      }
    }
  }

  // Makes (or opens) the level that the separator at end closes. Returns why
  // the run must stop, when no folder can be made at all.
  Stop Step(const Settings& settings, std::size_t end, const char* url) {
    std::size_t start = start_;
    start_ = end + 1;
    if (end == start) return Stop::kNone;  // a doubled separator
    ++level_;
    hash_ = ExtendChecksum(hash_, path_.text + hashed_, end - hashed_);
    hashed_ = end;
    if (level_ <= keptLevels_ || parent_ == kNoDir) return Stop::kNone;
    char* text = path_.text;
    text[end] = '\0';
    // A folder made earlier in the run is opened, not made again.
    bool remembered = cache_.Remembered(hash_);
    MadeFolder folder;
    if (remembered) folder.handle = OpenFolderAt(parent_, text + start);
    if (folder.handle == kNoDir) folder = MakeFolder(settings, parent_, text + start, text);
    if (folder.handle == kNoDir && folder.failure == CreateFailure::kNone) {
      Handles handles = cache_.GiveBackHandles();
      if (handles == Handles::kExhausted) return SayOutOfHandles();
      if (handles == Handles::kFreed) {
        MadeFolder before = folder;
        folder = MakeFolder(settings, parent_, text + start, text);
        folder.made = folder.made || before.made;
        folder.movedAside = folder.movedAside || before.movedAside;
      }
    }
    text[end] = kPathSeparator;
    if (folder.failure == CreateFailure::kDiskWide) {
      Say(msg::kErrorWriting, url);
      return Stop::kWriteFailed;
    }
    if (folder.movedAside) movedAsideEnd_ = end;
    if (folder.made) cache_.RememberMade(hash_);
    made_ = cache_.rootMade() || remembered || folder.made;
    if (folder.handle != kNoDir) Hold(cache_, hash_, text, end, folder.handle, made_, level_ - 1);
    parent_ = folder.handle;
    return Stop::kNone;
  }

  void Finish(FileSpot* spot) const {
    spot->folder = parent_;
    spot->madeByRun = made_ && parent_ != kNoDir;
    spot->movedAsideEnd = movedAsideEnd_;
  }

 private:
  OutputPath& path_;
  FolderCache& cache_;
  std::size_t keptLevels_ = 0;  // the levels down to the deepest kept need nothing
  std::size_t level_ = 0;       // folder levels of this path so far
  std::size_t start_ = 0;       // where the current level's name begins
  std::size_t hashed_ = 0;      // hash_ is that of text[0..hashed_)
  std::uint64_t hash_ = kChecksumStart;
  DirHandle parent_;
  bool made_;
  std::size_t movedAsideEnd_ = 0;
};

}  // namespace

Stop PrepareOutputPath(const Settings& settings, const char* url, OutputPath& path,
                       FolderCache& cache, FileSpot* spot) {
  BuildOutputPath(settings, url, path);
  if (path.unknownPrefix) {
    Say(msg::kUnknownPrefix, url);
    if (!PausePrompt()) return Stop::kEscape;
  }
  cache.Release();
  Levels levels;
  FindLevels(path, levels);
  *spot = FileSpot{};
  spot->nameStart = levels.nameStart;
  std::optional<LevelMaker> maker;
  if (levels.count == 0 || !ReachFolder(path, levels, cache, spot))
    maker.emplace(path, levels, cache);
  // The messages in URL order: each escaped byte, and what making a level says.
  for (std::size_t i = 0; i < path.eventCount; ++i) {
    const PathEvent& event = path.events[i];
    if (event.kind == PathEvent::kEscaped) {
      if (settings.verbose) Say(msg::kRenamingChar, event.byte, event.byte, url);
    } else if (maker) {
      Stop stop = maker->Step(settings, event.position, url);
      if (stop != Stop::kNone) return stop;
    }
  }
  if (maker) maker->Finish(spot);
  return Stop::kNone;
}
