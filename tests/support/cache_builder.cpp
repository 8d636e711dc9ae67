#include "support/cache_builder.h"

ScratchCache::ScratchCache() {
  MakeDirs(work);
  MakeDirs(cache);
}

void ScratchCache::Add(const std::string& file, const std::string* content, const std::string& url,
                       std::uint32_t modificationTime, std::uint32_t lastAccessTime) {
  RecordFields record;
  record.file = file;
  record.url = url;
  record.modificationTime = modificationTime;
  record.lastAccessTime = lastAccessTime;
  records.push_back(record);
  if (content != nullptr) WriteFile(cache + "/" + file, *content);
}

void ScratchCache::WriteIndex() const {
  ::WriteIndex(cache, records);
}

RunOptions ScratchCache::Options() const {
  RunOptions options;
  options.cwd = work;
  return options;
}

RunResult ScratchCache::Run(const std::vector<std::string>& switches, RunOptions options) const {
  WriteIndex();
  options.cwd = work;
  std::vector<std::string> args = switches;
  args.push_back(cache);
  return RunDetached(args, options);
}

std::string Pattern(std::size_t size, unsigned seed) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<char>((i * 7 + seed * 13 + i / 251) % 256);
  return bytes;
}
