#include "core/folder_cache.h"

#include <iterator>

#include "platform/system.h"

namespace {

void Forget(FolderCache& cache, std::list<KeptFolder>::iterator folder) {
  CloseDirectory(folder->handle);
  cache.byHash.erase(folder->hash);
  cache.kept.erase(folder);
}

}  // namespace

void StartFolders(FolderCache& cache, DirHandle root, bool rootMade) {
  cache.root = root;
  cache.rootMade = rootMade;
  // Half of what the process may open, so that every other file still can be.
  std::size_t limit = OpenHandleLimit() / 2;
  cache.capacity = limit < kMostKeptFolders ? limit : kMostKeptFolders;
  if (cache.capacity < kMaxKeptLevels + 2) cache.capacity = kMaxKeptLevels + 2;
}

KeptFolder* FindFolder(FolderCache& cache, std::uint64_t hash, const char* path,
                       std::size_t length) {
  auto found = cache.byHash.find(hash);
  if (found == cache.byHash.end() ||
      found->second->path.compare(0, std::string::npos, path, length) != 0)
    return nullptr;
  cache.kept.splice(cache.kept.begin(), cache.kept, found->second);
  return &cache.kept.front();
}

bool KeepFolder(FolderCache& cache, std::uint64_t hash, const char* path, std::size_t length,
                DirHandle handle, bool made) {
  if (cache.byHash.count(hash) != 0) return false;
  if (cache.kept.size() >= cache.capacity) Forget(cache, std::prev(cache.kept.end()));
  cache.kept.push_front(KeptFolder{handle, made, hash, std::string(path, length)});
  cache.byHash[hash] = cache.kept.begin();
  return true;
}

void RememberMade(FolderCache& cache, std::uint64_t hash) {
  if (cache.made.size() < kMaxMadeFolders) cache.made.insert(hash);
}

bool Remembered(const FolderCache& cache, std::uint64_t hash) {
  return cache.made.count(hash) != 0;
}

void CloseFolders(FolderCache& cache) {
  while (!cache.kept.empty()) Forget(cache, cache.kept.begin());
  CloseDirectory(cache.transient);
  cache.transient = kNoDir;
  CloseDirectory(cache.root);
  cache.root = kNoDir;
}
