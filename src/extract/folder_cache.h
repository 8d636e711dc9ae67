// The open folders of the output tree that recent entries went through, by their
// path below the output directory, so that a later entry in the same folders
// needs no call to make, test or open them again; and which folders the run
// made. Nothing of it outlasts the run.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "core/stop.h"
#include "platform/dir_handle.h"

// How many folders are held open at most (less where the system allows fewer
// open handles); the least recently used one is closed to make room. A rescue of
// 50,000 entries goes through some 13,000 folders: all of them fit.
inline constexpr std::size_t kMostKeptFolders = 16384;

// How many handles a run needs besides the folders kept: the standard streams,
// the index, the cache directory, the output directory, a cached file, a file
// compared, a partial file and its hold, a folder lock, the console, the levels
// being opened.
inline constexpr std::size_t kHandlesBesidesFolders = 16;

// What GiveBackHandles found.
enum class Handles {
  kEnough,     // the process could open another file: the failure had another cause
  kFreed,      // it could not; kept folders were closed, so it is worth trying again
  kExhausted,  // it could not, and there was nothing left to close
};

// Folder levels deeper than this are opened for one entry and closed again. The
// levels of the entry being prepared are used in order, so closing the least
// recently used folder never closes one still needed.
inline constexpr std::size_t kMaxKeptLevels = 64;

// How many folders made by the run are remembered at most (a few MiB).
inline constexpr std::size_t kMaxMadeFolders = std::size_t{1} << 17;

// Says that the process has no handle left, naming the open-file limit, and
// returns the stop that ends the run like a failed write.
Stop SayOutOfHandles();

struct KeptFolder {
  DirHandle handle = kNoDir;
  bool made = false;  // made by this run: all it holds, the run put there
  std::uint64_t hash = 0;
  std::string path;
};

// The output directory's handle and the folders kept under it. A folder is known
// by the checksum of its path (extract/checksum.h), which the caller grows level
// by level; two paths that share a checksum only cost a look or a test that the
// saving repeats anyway.
class FolderCache {
 public:
  FolderCache() = default;
  ~FolderCache() { Close(); }
  FolderCache(const FolderCache&) = delete;
  FolderCache& operator=(const FolderCache&) = delete;

  // Starts on the output directory's handle, which it then owns; rootMade: the
  // run made it, and so every folder in it. Raises the open-file limit towards
  // what kMostKeptFolders needs where the process may, then keeps at most half
  // of it, and leaves kHandlesBesidesFolders free.
  void Start(DirHandle root, bool rootMade);
  DirHandle root() const { return root_; }
  bool rootMade() const { return rootMade_; }
  // How many folders are kept open at most.
  std::size_t capacity() const { return capacity_; }

  // The kept folder at path[0..length), whose hash is given, or nullptr. Finding
  // it counts as a use.
  KeptFolder* Find(std::uint64_t hash, const char* path, std::size_t length);

  // Keeps handle as the folder at path[0..length) (not kept yet), closing the
  // least recently used folder when full; made: this run made it. Returns false,
  // keeping nothing, when another path of the same hash is kept.
  bool Keep(std::uint64_t hash, const char* path, std::size_t length, DirHandle handle, bool made);

  // After an open failed: when the process had no handle left, closes every kept
  // folder but the one used last (which may be in use).
  Handles GiveBackHandles();

  // Holds a folder that is not kept until the next one is held or Release.
  void HoldBriefly(DirHandle handle);
  void Release();

  // Remembers that the run made the folder of this hash, kept or not; tells
  // whether it remembers that.
  void RememberMade(std::uint64_t hash);
  bool Remembered(std::uint64_t hash) const { return made_.count(hash) != 0; }

  // Closes every folder held, the output directory's included.
  void Close();

 private:
  void Forget(std::list<KeptFolder>::iterator folder);

  DirHandle root_ = kNoDir;
  bool rootMade_ = false;
  std::size_t capacity_ = 0;
  std::list<KeptFolder> kept_;  // the most recently used first
  std::unordered_map<std::uint64_t, std::list<KeptFolder>::iterator> byHash_;
  DirHandle brief_ = kNoDir;
  std::unordered_set<std::uint64_t> made_;  // the hashes of the folders the run made
};
