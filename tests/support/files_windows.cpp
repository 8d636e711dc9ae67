// The file helpers on Windows: every text is a UTF-8 path, handed to the
// system in UTF-16 through std::filesystem.
#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <system_error>
#include <vector>

#include "support/files.h"

namespace fs = std::filesystem;

namespace {

fs::path Path(const std::string& utf8) {
  return fs::u8path(utf8);
}

std::string Utf8(const fs::path& path) {
  return path.u8string();
}

}  // namespace

TempDir::TempDir() {
  std::error_code error;
  fs::path base = fs::temp_directory_path(error);
  for (unsigned attempt = 0; attempt < 100; ++attempt) {
    fs::path candidate =
        base / ("talvex-test-" + std::to_string(GetCurrentProcessId()) + "-" +
                std::to_string(GetTickCount64() % 1000000) + "-" + std::to_string(attempt));
    if (fs::create_directory(candidate, error)) {
      path_ = Utf8(candidate);
      return;
    }
  }
}

// Removed through the "\\?\" form, so that names Windows reads as devices or
// trims ("nul.txt", "trail.") are removed as the files they are.
TempDir::~TempDir() {
  std::error_code error;
  if (std::getenv("KEEP_TEST_DIRS") == nullptr && !path_.empty())
    fs::remove_all(fs::path(L"\\\\?\\" + Path(path_).wstring()), error);
}

void WriteFile(const std::string& path, const std::string& content) {
  std::ofstream file(Path(path), std::ios::binary | std::ios::trunc);
  file << content;
}

std::string ReadFile(const std::string& path) {
  std::ifstream file(Path(path), std::ios::binary);
  if (!file) return "<missing>";
  std::ostringstream content;
  content << file.rdbuf();
  return content.str();
}

bool Exists(const std::string& path) {
  std::error_code error;
  return fs::exists(fs::symlink_status(Path(path), error));
}

bool IsDirectory(const std::string& path) {
  std::error_code error;
  return fs::is_directory(fs::symlink_status(Path(path), error));
}

bool IsRegularFile(const std::string& path) {
  std::error_code error;
  return fs::is_regular_file(fs::symlink_status(Path(path), error));
}

void MakeDirs(const std::string& path) {
  std::error_code error;
  fs::create_directories(Path(path), error);
}

std::string ListTree(const std::string& root) {
  std::vector<std::string> entries;
  std::error_code error;
  for (auto it = fs::recursive_directory_iterator(Path(root), error);
       !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
    std::string relative = fs::relative(it->path(), Path(root), error).generic_u8string();
    entries.push_back(it->is_directory(error) ? relative + "/" : relative);
  }
  std::sort(entries.begin(), entries.end());
  std::string listing;
  for (const std::string& entry : entries) listing += entry + "\n";
  return listing;
}
