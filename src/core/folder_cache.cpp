#include "core/folder_cache.h"

namespace {

std::uint64_t HashOf(const char* path, std::size_t length) {
  std::uint64_t hash = 14695981039346656037ull;  // FNV-1a
  for (std::size_t i = 0; i < length; ++i)
    hash = (hash ^ static_cast<unsigned char>(path[i])) * 1099511628211ull;
  return hash;
}

}  // namespace

KeptFolder* FindFolder(FolderCache& cache, const char* path, std::size_t length) {
  std::uint64_t hash = HashOf(path, length);
  for (KeptFolder& folder : cache.kept) {
    if (folder.handle != kNoDir && folder.hash == hash &&
        folder.path.compare(0, std::string::npos, path, length) == 0) {
      folder.lastUse = ++cache.uses;
      return &folder;
    }
  }
  return nullptr;
}

void KeepFolder(FolderCache& cache, const char* path, std::size_t length, DirHandle handle,
                bool made) {
  KeptFolder* slot = &cache.kept[0];
  for (KeptFolder& folder : cache.kept) {
    if (folder.handle == kNoDir) {
      slot = &folder;
      break;
    }
    if (folder.lastUse < slot->lastUse) slot = &folder;
  }
  CloseDirectory(slot->handle);
  slot->handle = handle;
  slot->made = made;
  slot->lastUse = ++cache.uses;
  slot->hash = HashOf(path, length);
  slot->path.assign(path, length);
  if (made && cache.made.size() < kMaxMadeFolders) cache.made.insert(slot->hash);
}

bool MadeByRun(const FolderCache& cache, const char* path, std::size_t length) {
  return cache.rootMade || cache.made.count(HashOf(path, length)) != 0;
}

bool MayExist(const FolderCache& cache, const char* path, std::size_t length) {
  return !cache.rootMade || cache.made.count(HashOf(path, length)) != 0;
}

void CloseFolders(FolderCache& cache) {
  for (KeptFolder& folder : cache.kept) {
    CloseDirectory(folder.handle);
    folder.handle = kNoDir;
  }
  CloseDirectory(cache.transient);
  cache.transient = kNoDir;
}
