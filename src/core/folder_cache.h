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

#include "platform/dir_handle.h"

// How many folders are held open at most (less where the system allows fewer
// open handles); the least recently used one is closed to make room.
inline constexpr std::size_t kMostKeptFolders = 1024;

// Folder levels deeper than this are opened for one entry and closed again. Being
// far below what is kept, the levels of the entry being prepared are never the
// least recently used ones.
inline constexpr std::size_t kMaxKeptLevels = 64;

// How many folders made by the run are remembered at most (a few MiB).
inline constexpr std::size_t kMaxMadeFolders = std::size_t{1} << 17;

struct KeptFolder {
  DirHandle handle = kNoDir;
  bool made = false;  // made by this run: all it holds, the run put there
  std::uint64_t hash = 0;
  std::string path;
};

struct FolderCache {
  DirHandle root = kNoDir;  // the output directory
  bool rootMade = false;    // the run made the output directory, and so every folder in it
  std::size_t capacity = kMaxKeptLevels + 2;
  std::list<KeptFolder> kept;  // the most recently used first
  std::unordered_map<std::uint64_t, std::list<KeptFolder>::iterator> byHash;
  DirHandle transient = kNoDir;  // the last entry's folder, when too deep to be kept
  // The hashes of the paths of the folders the run made. Two paths that share a
  // hash only cost a look or a test that the saving repeats anyway.
  std::unordered_set<std::uint64_t> made;
};

// Starts the cache on the output directory's handle; rootMade: the run made it.
void StartFolders(FolderCache& cache, DirHandle root, bool rootMade);

// A folder is known by the checksum of its path (core/checksum.h), which the
// caller grows level by level.

// The kept folder at path[0..length), whose hash is given, or nullptr. Finding it
// counts as a use.
KeptFolder* FindFolder(FolderCache& cache, std::uint64_t hash, const char* path,
                       std::size_t length);

// Keeps handle as the folder at path[0..length) (not kept yet), closing the least
// recently used folder when the cache is full; made: this run made it. Returns
// false, keeping nothing, when another path of the same hash is kept.
bool KeepFolder(FolderCache& cache, std::uint64_t hash, const char* path, std::size_t length,
                DirHandle handle, bool made);

// Remembers that the run made the folder of this hash, kept or not.
void RememberMade(FolderCache& cache, std::uint64_t hash);

// Whether the run made the folder of this hash and remembers it.
bool Remembered(const FolderCache& cache, std::uint64_t hash);

// Closes every folder the cache holds, its root included.
void CloseFolders(FolderCache& cache);
