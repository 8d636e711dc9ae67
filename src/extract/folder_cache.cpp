#include "extract/folder_cache.h"

#include <algorithm>
#include <iterator>
#include <vector>

#include "core/messages.h"
#include "core/say.h"
#include "platform/system.h"

Stop SayOutOfHandles() {
  Say(msg::kOutOfHandles, static_cast<unsigned long>(OpenHandleLimit()));
  return Stop::kWriteFailed;
}

void FolderCache::Start(DirHandle root, bool rootMade) {
  root_ = root;
  rootMade_ = rootMade;
  // Half of what the process may open, so that every other file still can be.
  RaiseOpenHandleLimit(2 * kMostKeptFolders + kHandlesBesidesFolders);
  std::size_t limit = OpenHandleLimit();
  capacity_ = std::min({kMostKeptFolders, limit / 2,
                        limit > kHandlesBesidesFolders ? limit - kHandlesBesidesFolders : 0});
}

KeptFolder* FolderCache::Find(std::uint64_t hash, const char* path, std::size_t length) {
  auto found = byHash_.find(hash);
  if (found == byHash_.end() ||
      found->second->path.compare(0, std::string::npos, path, length) != 0)
    return nullptr;
  kept_.splice(kept_.begin(), kept_, found->second);
  return &kept_.front();
}

bool FolderCache::Keep(std::uint64_t hash, const char* path, std::size_t length, DirHandle handle,
                       bool made) {
  if (capacity_ == 0 || byHash_.count(hash) != 0) return false;
  if (kept_.size() >= capacity_) Forget(std::prev(kept_.end()));
  kept_.push_front(KeptFolder{handle, made, hash, std::string(path, length)});
  byHash_[hash] = kept_.begin();
  return true;
}

Handles FolderCache::GiveBackHandles() {
  if (HandlesLeft()) return Handles::kEnough;
  if (kept_.size() <= 1) return Handles::kExhausted;
  while (kept_.size() > 1) Forget(std::prev(kept_.end()));
  // Fewer from now on, so that it does not happen again and again.
  capacity_ /= 2;
  return Handles::kFreed;
}

void FolderCache::HoldBriefly(DirHandle handle) {
  Release();
  brief_ = handle;
}

void FolderCache::Release() {
  CloseDirectory(brief_);
  brief_ = kNoDir;
}

void FolderCache::RememberMade(std::uint64_t hash) {
  if (made_.size() < kMaxMadeFolders) made_.insert(hash);
}

void FolderCache::Close() {
  std::vector<DirHandle> handles;
  handles.reserve(kept_.size());
  for (const KeptFolder& folder : kept_) handles.push_back(folder.handle);
  CloseDirectories(handles);
  kept_.clear();
  byHash_.clear();
  Release();
  CloseDirectory(root_);
  root_ = kNoDir;
}

void FolderCache::Forget(std::list<KeptFolder>::iterator folder) {
  CloseDirectory(folder->handle);
  byHash_.erase(folder->hash);
  kept_.erase(folder);
}
